// The process-wide record of which Coin object carries which name.
//
// Coin keeps, for each name, a list of the objects that carry it, and for
// each object its name. It removes an object from its name's list by
// searching the list and closing the gap, so each removal costs the whole
// list: a world of 100,000 components has about 33,000 parts named "Leaf",
// and every door built renames one of them. Coin's object-to-name table is
// chained, and looking a name up reads the string again for its SbName.
//
// Coin reaches both tables only through the exported functions below
// (SoBase::setName and SoBase::destroy call them through the dynamic linker,
// as does every getName), so the library defines them and the calls bind
// here: each name's objects form a chain linked through the objects' own
// entries, kept in naming order, so naming and unnaming cost the same however
// many objects share the name; the objects' entries are one open-addressed
// table; and the names kept are SbName's own addresses, so getName hands one
// back without looking the string up. Coin's own tables, made and freed by
// SoBase::initClass and cleanClass, stay empty.
//
// What callers see is Coin's: getNamedBase gives the object named last if it
// is of the type asked for, getNamedBases gives all of that type in naming
// order, and an object being destroyed leaves its name's chain before its
// destructor runs and keeps its name until after. Everything is guarded by
// one lock, as Coin guards its tables, and the record is never destroyed,
// since Coin names and unnames objects while the process ends.
#include <Inventor/SbName.h>
#include <Inventor/lists/SoBaseList.h>
#include <Inventor/misc/SoBase.h>

#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

class BaseNames {
 public:
  const char* nameOf(const SoBase* base) {
    std::lock_guard<std::mutex> hold(lock_);
    const Entry* entry = find(base);
    return entry ? entry->name : nullptr;
  }

  void add(const SoBase* base, const char* name) {
    std::lock_guard<std::mutex> hold(lock_);
    if (find(base)) {
      unlink(base);
      erase(base);
    }
    Entry& entry = insert(base);
    entry.name = name;
    Chain& chain = chains_[name];
    entry.prev = chain.last;
    if (chain.last) {
      find(chain.last)->next = base;
    } else {
      chain.first = base;
    }
    chain.last = base;
  }

  // Takes `base` out of its name's chain; its name stays until forget().
  void leaveChain(const SoBase* base) {
    std::lock_guard<std::mutex> hold(lock_);
    unlink(base);
  }

  void forget(const SoBase* base) {
    std::lock_guard<std::mutex> hold(lock_);
    unlink(base);
    erase(base);
  }

  SoBase* last(const char* name, SoType type) {
    std::lock_guard<std::mutex> hold(lock_);
    auto chain = chains_.find(name);
    if (chain == chains_.end()) return nullptr;
    SoBase* base = const_cast<SoBase*>(chain->second.last);
    return base->isOfType(type) ? base : nullptr;
  }

  int all(const char* name, SoBaseList& into, SoType type) {
    std::lock_guard<std::mutex> hold(lock_);
    auto chain = chains_.find(name);
    if (chain == chains_.end()) return 0;
    int count = 0;
    for (const SoBase* base = chain->second.first; base; base = find(base)->next) {
      if (!base->isOfType(type)) continue;
      into.append(const_cast<SoBase*>(base));
      ++count;
    }
    return count;
  }

 private:
  struct Entry {
    const SoBase* base;
    const char* name;
    const SoBase* prev;
    const SoBase* next;
  };
  struct Chain {
    const SoBase* first = nullptr;
    const SoBase* last = nullptr;
  };

  size_t home(const SoBase* base) const {
    return static_cast<size_t>((reinterpret_cast<uintptr_t>(base) * 0x9E3779B97F4A7C15ull) >> shift_);
  }

  // Most objects asked about have no name; one bit a slot, small enough to
  // stay in cache, says whether any entry starts its probe there.
  Entry* find(const SoBase* base) {
    if (entries_.empty()) return nullptr;
    const size_t start = home(base);
    if (!homes_[start]) return nullptr;
    const size_t mask = entries_.size() - 1;
    for (size_t i = start;; i = (i + 1) & mask) {
      Entry& entry = entries_[i];
      if (entry.base == base) return &entry;
      if (!entry.base) return nullptr;
    }
  }

  // A new entry for `base`, which has none. The table stays at most half
  // full, so a lookup of an unnamed object ends within a few slots.
  Entry& insert(const SoBase* base) {
    if (2 * (used_ + 1) > entries_.size()) grow();
    const size_t mask = entries_.size() - 1;
    const size_t start = home(base);
    homes_[start] = true;
    size_t i = start;
    while (entries_[i].base) i = (i + 1) & mask;
    ++used_;
    entries_[i] = Entry{base, nullptr, nullptr, nullptr};
    return entries_[i];
  }

  // Removes the entry of `base` and moves the entries after it back, so
  // every entry stays reachable from its home slot without markers.
  void erase(const SoBase* base) {
    Entry* entry = find(base);
    if (!entry) return;
    const size_t mask = entries_.size() - 1;
    const size_t start = home(base);
    size_t hole = static_cast<size_t>(entry - entries_.data());
    for (size_t i = (hole + 1) & mask; entries_[i].base; i = (i + 1) & mask) {
      const size_t want = home(entries_[i].base);
      const bool staysPut = hole < i ? (hole < want && want <= i) : (hole < want || want <= i);
      if (staysPut) continue;
      entries_[hole] = entries_[i];
      hole = i;
    }
    entries_[hole] = Entry{};
    --used_;
    // Entries of one home stand in the run of slots from it to a free one.
    bool homeUsed = false;
    for (size_t i = start; entries_[i].base && !homeUsed; i = (i + 1) & mask) {
      homeUsed = home(entries_[i].base) == start;
    }
    homes_[start] = homeUsed;
  }

  void grow() {
    const size_t size = entries_.empty() ? 1024 : 2 * entries_.size();
    const std::vector<Entry> previous = std::exchange(entries_, std::vector<Entry>(size));
    homes_.assign(size, false);
    shift_ = 64;
    for (size_t left = size; left > 1; left >>= 1) --shift_;
    used_ = 0;
    for (const Entry& entry : previous) {
      if (entry.base) insert(entry.base) = entry;
    }
  }

  void unlink(const SoBase* base) {
    Entry* entry = find(base);
    if (!entry) return;
    auto chain = chains_.find(entry->name);
    const bool linked = entry->prev || entry->next ||
                        (chain != chains_.end() && chain->second.first == base);
    if (!linked) return;
    const SoBase* prev = entry->prev;
    const SoBase* next = entry->next;
    entry->prev = entry->next = nullptr;
    if (prev) {
      find(prev)->next = next;
    } else {
      chain->second.first = next;
    }
    if (next) {
      find(next)->prev = prev;
    } else {
      chain->second.last = prev;
    }
    if (!chain->second.first) chains_.erase(chain);
  }

  std::mutex lock_;
  std::vector<Entry> entries_;
  std::vector<bool> homes_;
  size_t used_ = 0;
  unsigned shift_ = 64;
  std::unordered_map<const char*, Chain> chains_;
};

BaseNames& baseNames() {
  static BaseNames* names = new BaseNames;
  return *names;
}

// The SbName of a string that is already the name table's own address.
SbName keptName(const char* kept) {
  static_assert(sizeof(SbName) == sizeof(const char*), "SbName holds one address");
  SbName name(SbName::empty());
  std::memcpy(static_cast<void*>(&name), &kept, sizeof kept);
  return name;
}

}  // namespace

void zkRemoveName2Obj(SoBase* base, const char* name) __asm__("_ZN6SoBase5PImpl14removeName2ObjEPS_PKc");
void zkRemoveObj2Name(SoBase* base, const char* name) __asm__("_ZN6SoBase5PImpl14removeObj2NameEPS_PKc");

__attribute__((visibility("default"))) void zkRemoveName2Obj(SoBase* base, const char*) {
  baseNames().leaveChain(base);
}

__attribute__((visibility("default"))) void zkRemoveObj2Name(SoBase* base, const char*) {
  baseNames().forget(base);
}

__attribute__((visibility("default"))) SbName SoBase::getName() const {
  const char* kept = baseNames().nameOf(this);
  return kept ? keptName(kept) : SbName::empty();
}

__attribute__((visibility("default"))) void SoBase::addName(SoBase* const base, const char* const name) {
  if (!base || !name) return;
  baseNames().add(base, SbName(name).getString());
}

__attribute__((visibility("default"))) void SoBase::removeName(SoBase* const base, const char* const) {
  if (base) baseNames().forget(base);
}

__attribute__((visibility("default"))) SoBase* SoBase::getNamedBase(const SbName& name, SoType type) {
  return baseNames().last(name.getString(), type);
}

__attribute__((visibility("default"))) int SoBase::getNamedBases(const SbName& name, SoBaseList& baselist,
                                                                SoType type) {
  return baseNames().all(name.getString(), baselist, type);
}
