#include <zkcp/world/ZKComponentDB.h>

#include <zkcp/component/ZKComponent.h>

#include <Inventor/nodekits/SoLightKit.h>
#include <Inventor/nodes/SoLight.h>


namespace {

bool fits(const RWCString& text) { return text.length() < ZKRoute::textSize; }

}  // namespace

ZKRoute::PointFinders ZKComponentDB::routePointFinders() const {
  ZKRoute::PointFinders finders;
  finders.light = [this](const RWCString& name) -> SoLight* { return getLight(name); };
  finders.proximitySensor = [this](const RWCString& name) -> void* {
    return getProximitySensor(name.data());
  };
  finders.component = [this](const RWCString& name) { return getComponent(name); };
  return finders;
}

void ZKComponentDB::getRoutePointInfo(const RWCString& pointName, const RWCString& eventName,
                                      void*& point, ZKRoute::RoutePointType& pointType,
                                      RWCString& memberName,
                                      ZKRoute::RouteMemberType& memberType) {
  ZKRoute::resolvePoint(routePointFinders(), pointName, eventName, point, pointType, memberName,
                        memberType);
}

int ZKComponentDB::addRoute(ZKRoute* r) {
  if (!r || getRoute(r->getName())) return 0;
  routes.append(r);
  return 1;
}

int ZKComponentDB::addRoute(const RWCString& name, const RWCString& sourcePoint,
                            const RWCString& sourceEvent, const RWCString& targetPoint,
                            const RWCString& targetEvent) {
  if (!fits(name) || !fits(sourceEvent) || !fits(targetEvent)) return 0;
  void* source;
  void* target;
  ZKRoute::RoutePointType sourceType, targetType;
  RWCString sourceMember, targetMember;
  ZKRoute::RouteMemberType sourceMemberType, targetMemberType;
  getRoutePointInfo(sourcePoint, sourceEvent, source, sourceType, sourceMember, sourceMemberType);
  getRoutePointInfo(targetPoint, targetEvent, target, targetType, targetMember, targetMemberType);
  if (!fits(sourceMember) || !fits(targetMember)) return 0;

  ZKRoute* route = new ZKRoute(name.data());
  route->setSource(source, sourceType);
  route->setSourceEvent(sourceEvent.data());
  route->setSourceMember(sourceMember.data(), sourceMemberType);
  route->setTarget(target, targetType);
  route->setTargetEvent(targetEvent.data());
  route->setTargetMember(targetMember.data(), targetMemberType);
  if (addRoute(route)) return 1;
  delete route;
  return 0;
}

int ZKComponentDB::removeRoute(ZKRoute* r) {
  if (!r) return 0;
  for (size_t i = 0; i < routes.entries(); ++i) {
    if (*routes.at(i) == *r) {
      routes.removeAt(i);
      return 1;
    }
  }
  return 0;
}

ZKRoute* ZKComponentDB::getRoute(const char* name) {
  if (!name) return nullptr;
  for (ZKRoute* r : routes) {
    if (RWCString(r->getName()).compareTo(name, RWCString::ignoreCase) == 0) return r;
  }
  return nullptr;
}

ZKRoute* ZKComponentDB::getRouteAt(unsigned i) {
  return i < routes.entries() ? routes.at(i) : nullptr;
}

int ZKComponentDB::getNumRoutes() const { return static_cast<int>(routes.entries()); }

int ZKComponentDB::getNumRoutesWithSource(void* p) const {
  RWTPtrSlist<ZKRoute> found;
  return getRoutesWithSource(p, found);
}

int ZKComponentDB::getNumRoutesWithTarget(void* p) const {
  RWTPtrSlist<ZKRoute> found;
  return getRoutesWithTarget(p, found);
}

int ZKComponentDB::getRoutesWithSource(void* p, RWTPtrSlist<ZKRoute>& out) const {
  out.clear();
  if (!p) return 0;
  for (ZKRoute* r : routes) {
    if (r->getSource() == p) out.append(r);
  }
  return static_cast<int>(out.entries());
}

int ZKComponentDB::getRoutesWithTarget(void* p, RWTPtrSlist<ZKRoute>& out) const {
  out.clear();
  if (!p) return 0;
  for (ZKRoute* r : routes) {
    if (r->getTarget() == p) out.append(r);
  }
  return static_cast<int>(out.entries());
}
