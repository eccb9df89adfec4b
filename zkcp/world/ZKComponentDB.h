#ifndef ZKCP_WORLD_ZKCOMPONENTDB_H
#define ZKCP_WORLD_ZKCOMPONENTDB_H

#include <zkcp/behavior/ZKBehaviorLibrary.h>
#include <zkcp/foundation/RWCString.h>
#include <zkcp/foundation/RWTPtrSlist.h>
#include <zkcp/foundation/ZKNameTable.h>
#include <zkcp/world/ZKNavigationPath.h>
#include <zkcp/world/ZKRoute.h>

#include <Inventor/SbColor.h>
#include <Inventor/SbLinear.h>

#include <vector>

class SoEnvironment;
class SoGroup;
class SoLight;
class SoLightKit;
class SoSensor;
class SoNodeKitListPart;
class SoSeparatorKit;
class SoTransform;
class ZKComponent;
class ZKProximitySensor;
class ZKViewpoint;

// The world: owns the Inventor scene in which the world is drawn and the
// registries of everything it holds. Components are registered by their
// instance name; an active component is a child of the component root's
// "childList" and so part of the drawn scene.
//
// The scene root "WorldScene_Root" has three children, always in this
// order: the environment "WorldEnvironment", the lights root
// "WorldLightsRoot" and the component root "WorldComponentRoot".
class ZKComponentDB {
 public:
  enum DatabaseKind_t { database_world = 1 };

  // Names one logical part of one component, and the world that made it.
  class ComponentPartDescriptor {
   public:
    ComponentPartDescriptor() = default;
    ComponentPartDescriptor(const RWCString& component, const RWCString& part,
                            ZKComponentDB* world)
        : componentName(component), partName(part), world(world) {}

    const RWCString& getComponentName() const { return componentName; }
    const RWCString& getPartName() const { return partName; }
    ZKComponentDB* getWorld() const { return world; }

    // Both names equal ignoring case; the world is not compared.
    int operator==(const ComponentPartDescriptor& other) const;
    // By component name, then part name, both ignoring case.
    int operator<(const ComponentPartDescriptor& other) const;
    // The exact hash of the component name alone.
    static unsigned hash(const ComponentPartDescriptor& d);

   private:
    RWCString componentName;
    RWCString partName;
    ZKComponentDB* world = nullptr;
  };

  ZKComponentDB();
  // A world owns its scene; copies would release it twice.
  ZKComponentDB(const ZKComponentDB&) = delete;
  ZKComponentDB& operator=(const ZKComponentDB&) = delete;
  virtual ~ZKComponentDB();

  SoGroup* getComponentSceneRoot() const { return sceneRoot; }
  SoSeparatorKit* getComponentRoot() const { return componentRoot; }
  SoEnvironment* getEnvironment() const { return environment; }
  DatabaseKind_t getDatabaseKind() { return databaseKind; }

  void setWorldName(const RWCString& name) { worldName = name; }
  RWCString getWorldName() { return worldName; }
  void setWorldVersion(const RWCString& version) { worldVersion = version; }
  RWCString getWorldVersion() { return worldVersion; }
  void setWorldBounds(const SbVec3f& min, const SbVec3f& max);
  void getWorldBounds(SbVec3f& min, SbVec3f& max) const;
  void setBackgroundColor(const SbColor& color) { backgroundColor = color; }
  const SbColor& getBackgroundColor() const { return backgroundColor; }

  // Registers `c` under its node name; the world takes no reference (the
  // one the application took is released by purge()). A name already
  // registered keeps its first component and the call changes nothing.
  void addComponent(ZKComponent* c, int activate, SoTransform* t);
  void removeComponent(const RWCString& name);
  void removeComponent(ZKComponent* c);
  ZKComponent* getComponent(const RWCString& name) const;
  ZKComponent* getActiveComponent(const RWCString& name) const;
  int getNumComponents() const;
  int getNumActiveComponents() const;
  virtual void activateComponent(const RWCString& name);

  // Behaviour dispatch: each forwards to the component (found by name in
  // the registered components), whose rules call back through the first
  // two forms, so a derived world sees every activation and deactivation.
  virtual void activateBehavior(ZKComponent* c, const RWCString& behavior, int startup);
  virtual void activateBehavior(const RWCString& component, const RWCString& behavior,
                                int startup);
  // Behaviour locales are not kept: add and remove do nothing and the
  // locale is always "".
  virtual void addBehaviorLocale(const RWCString& component, const RWCString& behavior,
                                 const RWCString& locale);
  virtual void deactivateBehavior(ZKComponent* c, const RWCString& behavior);
  virtual void deactivateBehavior(const RWCString& component, const RWCString& behavior);
  virtual void deactivateComponent(const RWCString& name);
  virtual void executeBehavior(ZKComponent* c, const RWCString& behavior);
  virtual void executeBehavior(const RWCString& component, const RWCString& behavior);
  virtual RWCString getBehaviorLocale(const RWCString& component,
                                      const RWCString& behavior) const;
  virtual void removeBehaviorLocale(const RWCString& component, const RWCString& behavior);

  // Behaviour definitions kept by the world, which owns them from here on;
  // the first definition under a name stays.
  void addBehavior(ZKBehavior* behavior);
  void removeBehavior(const RWCString& name);
  // The behaviour "module:function" of the shared behaviour library.
  ZKBehavior getBehavior(const RWCString& module, const RWCString& function,
                         const RWCString& initFunction, const RWCString& finiFunction,
                         const RWTValSlist<RWCString>& events,
                         const ZKBehavior::Dependencies& dependencies);
  // Renames a registered component; an unknown old name writes an error
  // line to standard output, a new name already registered to another
  // component is refused. Either way nothing changes.
  void changeComponentName(const RWCString& oldName, const RWCString& newName);
  // Empties the world of components, lights and external databases,
  // releasing one reference on every registered component.
  void purge();

  void addExternalDatabase(const RWCString& name, const RWCString& path);
  void removeExternalDatabase(const RWCString& name);
  // The stored path; an empty string for a name that is not registered.
  const RWCString& getExternalDatabasePath(const RWCString& name) const;

  // Lights and environment. Light names are normalized before every use:
  // lower case, then the first character upper case ("sUN" is "Sun").
  static RWCString normalizeLightName(const RWCString& name);
  // Wraps the light in a new light kit under the lights root; a null light
  // is refused. A name already held gets the new kit; the old one stays
  // under the lights root.
  void addLight(const RWCString& name, SoLight* light);
  void removeLight(const RWCString& name);
  SoLightKit* getLightKit(const RWCString& name) const;
  SoLight* getLight(const RWCString& name) const;
  int getNumLights() const;
  void setLightState(const RWCString& name, int on);
  // An unknown old name writes an error line to standard output.
  void changeLightName(const RWCString& oldName, const RWCString& newName);
  // Makes the light follow a logical part of a component: a point or spot
  // light stands at the part's world position, a directional or spot light
  // turns with it, whether the part or its component moves. A light
  // follows one part, the first it was attached to;
  // a part is followed by the light attached to it last.
  void attachLight(const RWCString& light, const RWCString& component, const RWCString& part);
  // Ends the light's attachment; the light stays where it is.
  void detachLight(const RWCString& name);
  // The component and part the light follows, and its direction in the
  // part's own space; 0 when the light follows no part.
  int getLightAttachment(const RWCString& light, ComponentPartDescriptor& where,
                         SbVec3f& direction) const;
  // Moves the attached light of the descriptor's part.
  static void partMotionCallback(void* data, SoSensor* sensor);
  friend class ZKLightIterator;

  // Viewpoints, proximity sensors and navigation paths.

  // Viewpoints and proximity sensors, each kept in the order added, with
  // names unique ignoring case. The world owns what it holds and deletes it
  // when it is destroyed; removal hands it back to the caller. Lookups by
  // name ignore case; a null name finds nothing.
  int addViewpoint(ZKViewpoint* v);
  ZKViewpoint* getViewpoint(const char* name) const;
  ZKViewpoint* getViewpointAt(unsigned i) const;
  int removeViewpoint(const char* name);
  int getNumViewpoints() const;
  int addProximitySensor(ZKProximitySensor* s);
  // Names longer than a sensor keeps are cut as the sensor cuts them.
  ZKProximitySensor* getProximitySensor(const char* name) const;
  ZKProximitySensor* getProximitySensorAt(unsigned i) const;
  int removeProximitySensor(const char* name);
  int getNumProximitySensors() const;

  // Navigation paths, kept as copies under their exact (case-sensitive)
  // names; adding under a name already held replaces that path.
  void addNavigationPath(const ZKNavigationPath& p);
  // 1 and `out` set when `name` is held; else 0 and `out` untouched.
  int getNavigationPath(const RWCString& name, ZKNavigationPath& out) const;
  int removeNavigationPath(const RWCString& name);
  int getNumNavigationPaths() const;

  // Routes.

  // Takes ownership of `r` and appends it; 0 (and `r` stays the caller's)
  // when `r` is null or a route of the same name, ignoring case, is held.
  int addRoute(ZKRoute* r);
  // Builds a route from the names of its ends, resolved with
  // getRoutePointInfo, and adds it; ends that resolve to nothing are kept
  // unresolved. 0, with nothing built, when the name is taken or when the
  // name, an event or a resolved member name is longer than 51 characters.
  int addRoute(const RWCString& name, const RWCString& sourcePoint,
               const RWCString& sourceEvent, const RWCString& targetPoint,
               const RWCString& targetEvent);
  // Unlinks the first held route named like `r`, ignoring case; 1 if one
  // was unlinked. The unlinked route is not destroyed: it is the caller's
  // from then on (look it up with getRoute first when `r` is only a route
  // of the same name).
  int removeRoute(ZKRoute* r);
  // The held route named `name`, ignoring case; null if none or if `name`
  // is null.
  ZKRoute* getRoute(const char* name);
  // The route at position `i` in the order of adding; null past the end.
  ZKRoute* getRouteAt(unsigned i);
  int getNumRoutes() const;
  // Routes whose source (or target) point is `p`, in the order of adding.
  // The list forms empty `out` first and return how many they appended. A
  // null `p` matches nothing.
  int getNumRoutesWithSource(void* p) const;
  int getNumRoutesWithTarget(void* p) const;
  int getRoutesWithSource(void* p, RWTPtrSlist<ZKRoute>& out) const;
  int getRoutesWithTarget(void* p, RWTPtrSlist<ZKRoute>& out) const;
  // Resolves one route end against this world's lights, proximity sensors
  // and components (ZKRoute::resolvePoint).
  void getRoutePointInfo(const RWCString& pointName, const RWCString& eventName, void*& point,
                         ZKRoute::RoutePointType& pointType, RWCString& memberName,
                         ZKRoute::RouteMemberType& memberType);

 protected:
  static ZKBehaviorLibrary behaviorLib_;

 private:
  struct NameHash {
    unsigned operator()(const RWCString& name) const;
  };
  template <class V>
  using NameTable = ZKNameTable<V, RWCString, NameHash>;

  void removeFromComponentList(ZKComponent* c);

  NameTable<ZKComponent*> activeComponents;
  NameTable<ZKComponent*> allComponents;
  SbColor backgroundColor;
  NameTable<ZKBehavior*> behaviors;
  SoSeparatorKit* componentRoot;
  SoNodeKitListPart* componentList;
  SoGroup* sceneRoot;
  DatabaseKind_t databaseKind;
  SoEnvironment* environment;
  NameTable<RWCString> externalDatabases;
  NameTable<SoLightKit*> lights;
  SoGroup* lightsRoot;
  SbVec3f worldBoundsMin;
  SbVec3f worldBoundsMax;
  RWCString worldName;
  RWCString worldVersion;

  // Light attachments.
  struct LightAttachment;
  void forgetAttachment(const RWCString& light);
  void forgetAllAttachments();
  void moveAttachedLight(LightAttachment& attachment);
  NameTable<LightAttachment*> lightAttachments;

  // Viewpoints, proximity sensors and navigation paths held.
  friend class ZKComponentIterator;
  friend class ZKDatabaseIterator;
  friend class ZKNavigationPathIterator;

  // Deletes every viewpoint and proximity sensor held.
  void deleteViewsHeld();

  RWTPtrSlist<ZKViewpoint> viewpoints;
  std::vector<ZKProximitySensor*> proximitySensors;
  NameTable<ZKNavigationPath> navigationPaths;

  // Routes held.

  // The lookups getRoutePointInfo resolves against.
  ZKRoute::PointFinders routePointFinders() const;

  RWTPtrSlist<ZKRoute> routes;
};

#endif
