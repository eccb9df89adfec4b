#include <zkcp/world/ZKRoute.h>

#include <zkcp/component/ZKComponent.h>

#include <cstring>
#include <initializer_list>

namespace {

template <size_t N>
void copyText(char (&to)[N], const char* from) {
  if (!from) from = "";
  std::strncpy(to, from, N - 1);
  to[N - 1] = '\0';
}

bool isOneOf(const RWCString& text, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (text == name) return true;
  }
  return false;
}

// The member an event addresses: the rest after a leading "set_", else the
// text before the first "_changed", else nothing.
RWCString memberOf(const RWCString& event) {
  if (event.index("set_") == 0) return event(4, event.length());
  size_t changed = event.index("_changed");
  if (changed != RWCString::npos) return event(0, changed);
  return RWCString();
}

}  // namespace

ZKRoute::RoutePoint::RoutePoint()
    : event{}, point(nullptr), pointType(unresolved_point), memberName{},
      memberType(unresolved_member) {}

ZKRoute::ZKRoute(const char* name) : name{} { setName(name); }

void ZKRoute::setName(const char* text) { copyText(name, text); }

void ZKRoute::setSource(void* point, RoutePointType type) {
  source.point = point;
  source.pointType = type;
}

void ZKRoute::setTarget(void* point, RoutePointType type) {
  target.point = point;
  target.pointType = type;
}

void ZKRoute::setSourceEvent(const char* event) { copyText(source.event, event); }

void ZKRoute::setTargetEvent(const char* event) { copyText(target.event, event); }

void ZKRoute::setSourceMember(const char* memberName, RouteMemberType type) {
  copyText(source.memberName, memberName);
  source.memberType = type;
}

void ZKRoute::setTargetMember(const char* memberName, RouteMemberType type) {
  copyText(target.memberName, memberName);
  target.memberType = type;
}

int ZKRoute::operator==(const ZKRoute& other) const {
  return RWCString(name).compareTo(other.name, RWCString::ignoreCase) == 0;
}

int ZKRoute::operator<(const ZKRoute& other) const {
  return RWCString(name).compareTo(other.name, RWCString::ignoreCase) < 0;
}

void ZKRoute::resolvePoint(const PointFinders& finders, const RWCString& pointName,
                           const RWCString& eventName, void*& point, RoutePointType& pointType,
                           RWCString& memberName, RouteMemberType& memberType) {
  point = nullptr;
  pointType = unresolved_point;
  memberName = RWCString();
  memberType = unresolved_member;

  if (SoLight* light = finders.light ? finders.light(pointName) : nullptr) {
    point = light;
    pointType = light_point;
    return;
  }

  if (void* sensor = finders.proximitySensor ? finders.proximitySensor(pointName) : nullptr) {
    point = sensor;
    pointType = proximity_sensor_point;
    if (isOneOf(eventName,
                {"isActive", "position_changed", "orientation_changed", "enterTime", "exitTime"})) {
      memberType = event_member;
      return;
    }
    memberName = memberOf(eventName);
    const RWCString& field = memberName.isNull() ? eventName : memberName;
    if (isOneOf(field, {"center", "size", "enabled"})) memberType = field_member;
    return;
  }

  if (ZKComponent* c = finders.component ? finders.component(pointName) : nullptr) {
    point = c;
    pointType = component_point;
    memberName = memberOf(eventName);
    if (memberName.isNull()) return;
    size_t active = memberName.index("Active");
    if (active != RWCString::npos && active + 6 == memberName.length()) {
      memberName = memberName(0, active);
      memberType = behavior_member;
    } else if (c->getAttribute(memberName)) {
      memberType = attribute_member;
    } else if (isOneOf(memberName,
                       {"center", "rotation", "scale", "scaleOrientation", "translation"})) {
      memberType = field_member;
    }
    return;
  }

  size_t sensor = pointName.index("Sensor");
  if (sensor == RWCString::npos || !finders.component) return;
  if (ZKComponent* c = finders.component(pointName(0, sensor))) {
    point = c;
    pointType = component_point;
    memberName = pointName;
    memberType = sensor_member;
  }
}
