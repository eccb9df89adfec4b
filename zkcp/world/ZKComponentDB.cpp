#include <zkcp/world/ZKComponentDB.h>

#include <zkcp/component/ZKComponent.h>

#include <Inventor/nodekits/SoLightKit.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodekits/SoSeparatorKit.h>
#include <Inventor/nodes/SoEnvironment.h>
#include <Inventor/nodes/SoGroup.h>

#include <iostream>

int ZKComponentDB::ComponentPartDescriptor::operator==(const ComponentPartDescriptor& o) const {
  return componentName.compareTo(o.componentName, RWCString::ignoreCase) == 0 &&
         partName.compareTo(o.partName, RWCString::ignoreCase) == 0;
}

int ZKComponentDB::ComponentPartDescriptor::operator<(const ComponentPartDescriptor& o) const {
  int c = componentName.compareTo(o.componentName, RWCString::ignoreCase);
  if (c != 0) return c < 0;
  return partName.compareTo(o.partName, RWCString::ignoreCase) < 0;
}

unsigned ZKComponentDB::ComponentPartDescriptor::hash(const ComponentPartDescriptor& d) {
  return d.componentName.hash(RWCString::exact);
}

unsigned ZKComponentDB::NameHash::operator()(const RWCString& name) const {
  return ZKComponent::hash(name);
}

ZKComponentDB::ZKComponentDB()
    : backgroundColor(0, 0, 0),
      componentRoot(nullptr),
      componentList(nullptr),
      sceneRoot(nullptr),
      databaseKind(database_world),
      environment(nullptr),
      lightsRoot(nullptr),
      worldBoundsMin(-1000, -1000, -1000),
      worldBoundsMax(1000, 1000, 1000) {
  ZKComponent::initClass();

  sceneRoot = new SoGroup;
  sceneRoot->ref();
  sceneRoot->setName("WorldScene_Root");

  environment = new SoEnvironment;
  environment->setName("WorldEnvironment");
  sceneRoot->addChild(environment);

  lightsRoot = new SoGroup;
  lightsRoot->setName("WorldLightsRoot");
  sceneRoot->addChild(lightsRoot);

  componentRoot = new SoSeparatorKit;
  componentRoot->setName("WorldComponentRoot");
  sceneRoot->addChild(componentRoot);
  componentList = static_cast<SoNodeKitListPart*>(componentRoot->getPart("childList", TRUE));
}

ZKBehaviorLibrary ZKComponentDB::behaviorLib_;

ZKComponentDB::~ZKComponentDB() {
  purge();
  sceneRoot->unref();
  deleteViewsHeld();
  for (auto& entry : behaviors) delete entry.value();
  behaviors.clear();
  routes.clearAndDestroy();
}

void ZKComponentDB::setWorldBounds(const SbVec3f& min, const SbVec3f& max) {
  worldBoundsMin = min;
  worldBoundsMax = max;
}

void ZKComponentDB::getWorldBounds(SbVec3f& min, SbVec3f& max) const {
  min = worldBoundsMin;
  max = worldBoundsMax;
}

// ---------------------------------------------------------------------------
// Components

void ZKComponentDB::addComponent(ZKComponent* c, int activate, SoTransform* t) {
  if (!c) return;
  RWCString name(c->getName().getString());
  if (allComponents.contains(name)) return;
  allComponents.insert(name, c);
  if (t) c->setTransform(t);
  if (activate) {
    activeComponents.insert(name, c);
    componentList->addChild(c);
  }
}

void ZKComponentDB::removeFromComponentList(ZKComponent* c) {
  int index = componentList->findChild(c);
  if (index >= 0) componentList->removeChild(index);
}

void ZKComponentDB::removeComponent(const RWCString& name) {
  ZKComponent* c = nullptr;
  if (activeComponents.remove(name, &c)) removeFromComponentList(c);
  allComponents.remove(name);
}

void ZKComponentDB::removeComponent(ZKComponent* c) {
  if (c) removeComponent(RWCString(c->getName().getString()));
}

ZKComponent* ZKComponentDB::getComponent(const RWCString& name) const {
  ZKComponent* const* c = allComponents.find(name);
  return c ? *c : nullptr;
}

ZKComponent* ZKComponentDB::getActiveComponent(const RWCString& name) const {
  ZKComponent* const* c = activeComponents.find(name);
  return c ? *c : nullptr;
}

int ZKComponentDB::getNumComponents() const { return static_cast<int>(allComponents.entries()); }

int ZKComponentDB::getNumActiveComponents() const {
  return static_cast<int>(activeComponents.entries());
}

void ZKComponentDB::activateComponent(const RWCString& name) {
  if (getActiveComponent(name)) return;
  ZKComponent* c = getComponent(name);
  if (!c) return;
  activeComponents.insert(name, c);
  componentList->addChild(c);
}

void ZKComponentDB::deactivateComponent(const RWCString& name) {
  ZKComponent* c = nullptr;
  if (!activeComponents.remove(name, &c)) return;
  removeFromComponentList(c);
}

void ZKComponentDB::changeComponentName(const RWCString& oldName, const RWCString& newName) {
  ZKComponent* c = getComponent(oldName);
  if (!c) {
    std::cout << "****ERROR****ZKComponentDB::changeComponentName-"
              << "Component /" << oldName << "/ not found in allComponents database" << std::endl;
    return;
  }
  if (newName == oldName || allComponents.contains(newName)) return;
  allComponents.remove(oldName);
  bool wasActive = activeComponents.remove(oldName);
  c->setName(SbName(newName.data()));
  allComponents.insert(newName, c);
  if (wasActive) activeComponents.insert(newName, c);
}

void ZKComponentDB::purge() {
  // Every active component is still held by its registration here, so the
  // order of removal changes nothing but its cost: taking the last child
  // shifts no others.
  for (int i = componentList->getNumChildren() - 1; i >= 0; --i) componentList->removeChild(i);
  activeComponents.clear();
  NameTable<ZKComponent*> released;
  released.swap(allComponents);
  for (auto& entry : released) entry.value()->unref();
  forgetAllAttachments();
  lights.clear();
  for (int n = lightsRoot->getNumChildren(); n > 0; --n) lightsRoot->removeChild(0);
  externalDatabases.clear();
}

// ---------------------------------------------------------------------------
// Behaviours

void ZKComponentDB::activateBehavior(ZKComponent* c, const RWCString& behavior, int startup) {
  if (c) c->activateBehavior(behavior, startup);
}

void ZKComponentDB::activateBehavior(const RWCString& component, const RWCString& behavior,
                                     int startup) {
  if (ZKComponent* c = getComponent(component)) c->activateBehavior(behavior, startup);
}

void ZKComponentDB::addBehaviorLocale(const RWCString&, const RWCString&, const RWCString&) {}

void ZKComponentDB::deactivateBehavior(ZKComponent* c, const RWCString& behavior) {
  if (c) c->deactivateBehavior(behavior, 0);
}

void ZKComponentDB::deactivateBehavior(const RWCString& component, const RWCString& behavior) {
  if (ZKComponent* c = getComponent(component)) c->deactivateBehavior(behavior, 0);
}

void ZKComponentDB::executeBehavior(ZKComponent* c, const RWCString& behavior) {
  if (c) c->executeBehavior(behavior);
}

void ZKComponentDB::executeBehavior(const RWCString& component, const RWCString& behavior) {
  if (ZKComponent* c = getComponent(component)) c->executeBehavior(behavior);
}

RWCString ZKComponentDB::getBehaviorLocale(const RWCString&, const RWCString&) const {
  return RWCString();
}

void ZKComponentDB::removeBehaviorLocale(const RWCString&, const RWCString&) {}

void ZKComponentDB::addBehavior(ZKBehavior* behavior) {
  if (!behavior || behaviors.contains(behavior->getName())) return;
  behaviors.insert(behavior->getName(), behavior);
}

void ZKComponentDB::removeBehavior(const RWCString& name) {
  ZKBehavior* behavior = nullptr;
  if (behaviors.remove(name, &behavior)) delete behavior;
}

ZKBehavior ZKComponentDB::getBehavior(const RWCString& module, const RWCString& function,
                                      const RWCString& initFunction,
                                      const RWCString& finiFunction,
                                      const RWTValSlist<RWCString>& events,
                                      const ZKBehavior::Dependencies& dependencies) {
  return behaviorLib_.getBehavior(module, function, initFunction, finiFunction, events,
                                  dependencies);
}

// ---------------------------------------------------------------------------
// External databases

void ZKComponentDB::addExternalDatabase(const RWCString& name, const RWCString& path) {
  externalDatabases.insert(name, path);
}

void ZKComponentDB::removeExternalDatabase(const RWCString& name) { externalDatabases.remove(name); }

const RWCString& ZKComponentDB::getExternalDatabasePath(const RWCString& name) const {
  static const RWCString empty;
  const RWCString* path = externalDatabases.find(name);
  return path ? *path : empty;
}
