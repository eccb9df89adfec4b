#include <zkcp/behavior/ZKBehavior.h>

#include <zkcp/foundation/ZKNameTable.h>

namespace {

typedef ZKNameTable<ZKBehaviorRep*> Registry;

// Allocated once and never freed, so that handles destroyed late at exit
// still find it.
Registry& registry() {
  static Registry* table = new Registry;
  return *table;
}

}  // namespace

ZKBehaviorRep::ZKBehaviorRep(const RWCString& name, const RWCString& library,
                             const RWCString& callbackName, ZKBehavior::Function callback,
                             const RWTValSlist<RWCString>& events,
                             const ZKBehavior::Dependencies& dependencies,
                             const RWCString& initCallbackName, ZKBehavior::Function initCallback,
                             const RWCString& finiCallbackName, ZKBehavior::Function finiCallback)
    : callbackFunc(callback),
      callbackName(callbackName),
      dependencies(dependencies),
      events(events),
      finiFunc(finiCallback),
      finiCallbackName(finiCallbackName),
      initFunc(initCallback),
      initCallbackName(initCallbackName),
      library(library),
      name(name),
      count(1) {}

ZKBehaviorRep::~ZKBehaviorRep() { registry().remove(name); }

void ZKBehaviorRep::replace(Std_List<ZKField>& own, const Std_List<ZKField>& given) {
  if (&own == &given) return;
  own.clear();
  for (const ZKField& field : given) own.append(field);
}

ZKBehavior::ZKBehavior(const RWCString& name, const RWCString& library,
                       const RWCString& callbackName, Function callback,
                       const RWTValSlist<RWCString>& events, const Dependencies& dependencies,
                       const RWCString& initCallbackName, Function initCallback,
                       const RWCString& finiCallbackName, Function finiCallback)
    : rep(new ZKBehaviorRep(name, library, callbackName, callback, events, dependencies,
                            initCallbackName, initCallback, finiCallbackName, finiCallback)) {
  registry().insert(name, rep);
}

ZKBehavior::ZKBehavior(const ZKBehavior& other) : rep(other.rep) {
  if (rep) ++rep->count;
}

ZKBehavior& ZKBehavior::operator=(const ZKBehavior& other) {
  ZKBehaviorRep* shared = other.rep;
  if (shared) ++shared->count;
  release();
  rep = shared;
  return *this;
}

ZKBehavior::~ZKBehavior() { release(); }

void ZKBehavior::release() {
  if (rep && --rep->count == 0) delete rep;
  rep = nullptr;
}

ZKBehavior ZKBehavior::getInstance(const RWCString& name) {
  ZKBehavior handle;
  if (ZKBehaviorRep** found = registry().find(name)) {
    handle.rep = *found;
    ++handle.rep->count;
  }
  return handle;
}

int ZKBehavior::exists(const RWCString& name) { return registry().contains(name) ? 1 : 0; }

unsigned ZKBehavior::hash(const RWCString& name) { return name.hash(RWCString::exact); }

int ZKBehavior::isValid() const { return rep && !rep->name.isNull() ? 1 : 0; }

const RWCString& ZKBehavior::getName() const { return rep->name; }
const RWCString& ZKBehavior::getLibrary() const { return rep->library; }
const RWCString& ZKBehavior::getCallbackName() const { return rep->callbackName; }
const RWCString& ZKBehavior::getGlobalName() const { return rep->globalName; }
const RWCString& ZKBehavior::getInitCallbackName() const { return rep->initCallbackName; }
const RWCString& ZKBehavior::getFiniCallbackName() const { return rep->finiCallbackName; }
const RWCString& ZKBehavior::getDefinitionFilename() const { return rep->definitionFilename; }
const RWCString& ZKBehavior::getAnimationFilename() const { return rep->animationFilename; }
const RWTValSlist<RWCString>& ZKBehavior::getEvents() const { return rep->events; }
const ZKBehavior::Dependencies& ZKBehavior::getDependencies() const { return rep->dependencies; }
ZKBehavior::Function ZKBehavior::getCallbackFunc() const { return rep->callbackFunc; }
void ZKBehavior::setGlobalName(const RWCString& name) { rep->globalName = name; }
void ZKBehavior::setDefinitionFilename(const RWCString& file) { rep->definitionFilename = file; }
void ZKBehavior::setAnimationFilename(const RWCString& file) { rep->animationFilename = file; }

#define ZK_BEHAVIOR_FIELD_LIST(_list_)                                                 \
  const Std_List<ZKField>& ZKBehavior::_list_() const { return rep->_list_; }          \
  void ZKBehavior::_list_(const Std_List<ZKField>& fields) {                           \
    ZKBehaviorRep::replace(rep->_list_, fields);                                       \
  }

ZK_BEHAVIOR_FIELD_LIST(actionFields)
ZK_BEHAVIOR_FIELD_LIST(actionEventIns)
ZK_BEHAVIOR_FIELD_LIST(actionEventOuts)
ZK_BEHAVIOR_FIELD_LIST(initFields)
ZK_BEHAVIOR_FIELD_LIST(initEventIns)
ZK_BEHAVIOR_FIELD_LIST(initEventOuts)
ZK_BEHAVIOR_FIELD_LIST(finiFields)
ZK_BEHAVIOR_FIELD_LIST(finiEventIns)
ZK_BEHAVIOR_FIELD_LIST(finiEventOuts)

void ZKBehavior::initialize(ZKComponent* c) const {
  if (rep->initFunc) rep->initFunc(c);
}

void ZKBehavior::finish(ZKComponent* c) const {
  if (rep->finiFunc) rep->finiFunc(c);
}
