// Type look-ups by name that cost the same however often they are made.
//
// Every node kit Coin constructs looks up the types of its catalog's parts
// by name (SoType::fromName), about a dozen a kit, and Coin's look-up builds
// and hashes two strings each time: a thousand instructions, a tenth of what
// a component costs to build. SbName's text is one address per distinct
// string, so the library defines SoType::fromName, which the dynamic linker
// binds Coin's calls to as well, and answers from a small per-thread table
// keyed by that address; what the table does not hold, Coin's own look-up
// answers. Only types found are kept, so a type created later, or loaded on
// demand, is found as before; removing a type, or Coin emptying its type
// table as it finishes, forgets every kept answer.
#include <Inventor/SbName.h>
#include <Inventor/SoType.h>

#include <dlfcn.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace {

using FromName = SoType (*)(SbName);
using RemoveType = SbBool (*)(const SbName&);

template <typename Function>
Function coins(const char* symbol) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, symbol));
}

FromName coinsFromName() {
  static const FromName found = coins<FromName>("_ZN6SoType8fromNameE6SbName");
  return found;
}

std::atomic<unsigned> removals{0};

class KnownTypes {
 public:
  bool find(const char* name, SoType& type) const {
    const Slot& slot = slots_[slotOf(name)];
    if (slot.name != name || slot.removals != removals.load(std::memory_order_acquire)) return false;
    type = slot.type;
    return true;
  }
  void keep(const char* name, SoType type, unsigned seen) { slots_[slotOf(name)] = Slot{name, type, seen}; }

 private:
  static constexpr size_t kSlots = 256;
  struct Slot {
    const char* name = nullptr;
    SoType type;
    unsigned removals = 0;
  };
  static size_t slotOf(const char* name) {
    const auto at = reinterpret_cast<uintptr_t>(name);
    return ((at >> 3) ^ (at >> 11)) % kSlots;
  }
  Slot slots_[kSlots];
};

thread_local KnownTypes known;

}  // namespace

__attribute__((visibility("default"))) SoType SoType::fromName(const SbName name) {
  const char* text = name.getString();
  SoType type;
  if (known.find(text, type)) return type;
  const unsigned seen = removals.load(std::memory_order_acquire);
  type = coinsFromName()(name);
  if (type != SoType::badType()) known.keep(text, type, seen);
  return type;
}

__attribute__((visibility("default"))) SbBool SoType::removeType(const SbName& name) {
  static const RemoveType coinsRemoveType = coins<RemoveType>("_ZN6SoType10removeTypeERK6SbName");
  const SbBool removed = coinsRemoveType(name);
  removals.fetch_add(1, std::memory_order_acq_rel);
  return removed;
}

__attribute__((visibility("default"))) void SoType::clean() {
  static const auto coinsClean = coins<void (*)()>("_ZN6SoType5cleanEv");
  coinsClean();
  removals.fetch_add(1, std::memory_order_acq_rel);
}
