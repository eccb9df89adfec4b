#include <zkcp/behavior/ZKBehaviorLibrary.h>

#include <zkcp/foundation/ZKModuleLoader.h>

#include <fstream>
#include <iostream>
#include <string>

int ZKBehaviorLibrary::ref_ = 0;
ZKNameTable<ZKBehaviorLibrary::ImportEntry>* ZKBehaviorLibrary::importTable_ = nullptr;

// Allocated once and never freed: library objects with static storage
// duration may outlive any other static table.
ZKNameTable<void*>& ZKBehaviorLibrary::openSOs() {
  static ZKNameTable<void*>* table = new ZKNameTable<void*>;
  return *table;
}

ZKBehaviorLibrary::ZKBehaviorLibrary() { ++ref_; }

ZKBehaviorLibrary::ZKBehaviorLibrary(const ZKBehaviorLibrary&) { ++ref_; }

ZKBehaviorLibrary::~ZKBehaviorLibrary() {
  if (--ref_ == 0) {
    flush();
    closeOpenSOs();
  }
}

ZKBehavior ZKBehaviorLibrary::getBehavior(const RWCString& module, const RWCString& function,
                                          const RWCString& initFunction,
                                          const RWCString& finiFunction,
                                          const RWTValSlist<RWCString>& events,
                                          const ZKBehavior::Dependencies& dependencies) {
  return static_cast<const ZKBehaviorLibrary*>(this)->getBehavior(
      module, function, initFunction, finiFunction, events, dependencies);
}

ZKBehavior ZKBehaviorLibrary::getBehavior(const RWCString& module, const RWCString& function,
                                          const RWCString& initFunction,
                                          const RWCString& finiFunction,
                                          const RWTValSlist<RWCString>& events,
                                          const ZKBehavior::Dependencies& dependencies) const {
  RWCString name(module);
  name += ":";
  name += function;
  RWCString file(module);
  file += ".dll";
  if (ZKBehavior::exists(name)) return ZKBehavior::getInstance(name);
  return createBehavior(name, ImportEntry(file, function), initFunction, finiFunction, events,
                        dependencies);
}

ZKBehavior ZKBehaviorLibrary::createBehavior(const RWCString& name, const ImportEntry& entry,
                                             const RWCString& initFunction,
                                             const RWCString& finiFunction,
                                             const RWTValSlist<RWCString>& events,
                                             const ZKBehavior::Dependencies& dependencies) {
  void* const* open = openSOs().find(entry.dynModule());
  void* module = open ? *open : loadSO(entry.dynModule());
  auto action = reinterpret_cast<ZKBehavior::Function>(loadSym(module, entry.callback()));
  auto initialize = reinterpret_cast<ZKBehavior::Function>(loadSym(module, initFunction));
  auto finish = reinterpret_cast<ZKBehavior::Function>(loadSym(module, finiFunction));
  return ZKBehavior(name, entry.dynModule(), entry.callback(), action, events, dependencies,
                    initFunction, initialize, finiFunction, finish);
}

void* ZKBehaviorLibrary::loadSO(const RWCString& file) {
  void* module = ZKModuleLoader::load(file.data());
  if (module) {
    openSOs().insert(file, module);
    std::cout << "so opened" << std::endl;
  } else {
    std::cout << "open failed" << std::endl;
  }
  return module;
}

void* ZKBehaviorLibrary::loadSym(void* module, const RWCString& name) {
  if (!module || name.isNull()) return nullptr;
  return ZKModuleLoader::symbol(module, name.data());
}

// The entries go with their modules, so that a library made afterwards
// loads a module afresh instead of using a closed handle.
void ZKBehaviorLibrary::closeOpenSOs() {
  for (auto& entry : openSOs()) ZKModuleLoader::unload(entry.value());
  openSOs().clear();
}

void ZKBehaviorLibrary::flush() { std::cout << "flush called" << std::endl; }

void ZKBehaviorLibrary::init() {
  if (!importTable_) return;
  std::ifstream in("./im_table");
  std::string key, module, function;
  while (in >> key) {
    in >> module >> function;
    importTable_->insert(RWCString(key), ImportEntry(RWCString(module), RWCString(function)));
  }
}
