// The process-wide table of distinct names behind Coin's SbName.
//
// SbName asks Coin's exported cc_namemap_get_address for the one address of a
// string, and cc_namemap_peek_string whether a string has one yet. Coin 4
// keeps these strings in a single table whose lookups slow as it fills:
// SbName("translation") takes about 23 ns with no other names, 65 ns with
// 100,000 and 631 ns with 300,000, and every component adds its own instance
// name while its node kits look up their part names. The library defines both
// functions, so the dynamic linker binds Coin's calls (and the library's) to
// this table: it keeps lookups at a constant cost however many names a world
// holds. Keeping names out of Coin's table instead is not open to the
// library, since the instance name of a component is the name of its node.
//
// The contract is Coin's: one address per distinct string, valid and
// unchanged for the life of the process, from any thread. The strings live
// in blocks that are never freed, and the table itself is never destroyed,
// since Coin looks names up while the process ends. Because an address never
// changes, each thread keeps a small cache of the names it asked for last:
// the part and field names node kits look up over and over are found there
// without the lock or the table's cache misses. Most of those come from the
// same string constant each time, so the cache is first asked by the
// caller's address, which needs no hash and no length: a comparison of the
// text confirms it. The empty name, which every default SbName asks for, is
// kept apart.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <string_view>
#include <unordered_set>

namespace {

// The addresses a thread looked up last, one per slot of its hash, and
// again one per slot of the address the caller asked with.
class RecentNames {
 public:
  const char* findAsked(const char* asked) const {
    const Asked& slot = asked_[askedSlot(asked)];
    return slot.asked == asked && std::strcmp(slot.kept, asked) == 0 ? slot.kept : nullptr;
  }
  void keepAsked(const char* asked, const char* kept) { asked_[askedSlot(asked)] = Asked{asked, kept}; }

  const char* find(std::string_view name, size_t hash) const {
    const Slot& slot = slots_[hash % kSlots];
    if (slot.kept && slot.hash == hash && slot.size == name.size() &&
        std::memcmp(slot.kept, name.data(), name.size()) == 0) {
      return slot.kept;
    }
    return nullptr;
  }
  void keep(const char* kept, size_t size, size_t hash) {
    slots_[hash % kSlots] = Slot{kept, size, hash};
  }

 private:
  static constexpr size_t kSlots = 512;
  static constexpr size_t kAskedSlots = 256;
  struct Slot {
    const char* kept;
    size_t size;
    size_t hash;
  };
  struct Asked {
    const char* asked;
    const char* kept;
  };
  static size_t askedSlot(const char* asked) {
    const auto at = reinterpret_cast<uintptr_t>(asked);
    return ((at >> 3) ^ (at >> 11)) % kAskedSlots;
  }
  Slot slots_[kSlots] = {};
  Asked asked_[kAskedSlots] = {};
};

thread_local RecentNames recent;

class NameMap {
 public:
  const char* find(std::string_view name) {
    const size_t hash = std::hash<std::string_view>()(name);
    if (const char* known = recent.find(name, hash)) return known;
    std::lock_guard<std::mutex> hold(lock_);
    auto it = names_.find(name);
    if (it == names_.end()) return nullptr;
    recent.keep(it->data(), name.size(), hash);
    return it->data();
  }

  const char* enter(const char* asked) {
    if (!*asked) {
      static const char* const empty = enter(std::string_view("", 0));
      return empty;
    }
    if (const char* known = recent.findAsked(asked)) return known;
    const char* kept = enter(std::string_view(asked));
    recent.keepAsked(asked, kept);
    return kept;
  }

  const char* enter(std::string_view name) {
    const size_t hash = std::hash<std::string_view>()(name);
    if (const char* known = recent.find(name, hash)) return known;
    std::lock_guard<std::mutex> hold(lock_);
    auto it = names_.find(name);
    const char* kept = it != names_.end() ? it->data() : nullptr;
    if (!kept) {
      kept = keep(name);
      names_.insert(std::string_view(kept, name.size()));
    }
    recent.keep(kept, name.size(), hash);
    return kept;
  }

 private:
  static constexpr size_t kBlock = 64 * 1024;

  // A lasting, terminated copy of name.
  const char* keep(std::string_view name) {
    const size_t size = name.size() + 1;
    char* at;
    if (size > kBlock / 4) {
      at = new char[size];
    } else {
      if (size > left_) {
        next_ = new char[kBlock];
        left_ = kBlock;
      }
      at = next_;
      next_ += size;
      left_ -= size;
    }
    std::memcpy(at, name.data(), name.size());
    at[name.size()] = '\0';
    return at;
  }

  std::mutex lock_;
  std::unordered_set<std::string_view> names_;
  char* next_ = nullptr;
  size_t left_ = 0;
};

NameMap& nameMap() {
  static NameMap* map = new NameMap;
  return *map;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) const char* cc_namemap_get_address(const char* name) {
  return nameMap().enter(name ? name : "");
}

__attribute__((visibility("default"))) const char* cc_namemap_peek_string(const char* name) {
  return name ? nameMap().find(name) : nullptr;
}

}
