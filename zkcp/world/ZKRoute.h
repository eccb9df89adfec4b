#ifndef ZKCP_WORLD_ZKROUTE_H
#define ZKCP_WORLD_ZKROUTE_H

#include <zkcp/foundation/RWCString.h>

#include <cstddef>
#include <functional>

class SoLight;
class ZKComponent;

// One route of the world: from an event of one object (a world light, a
// component or a proximity sensor) to an event of another, written out as a
// VRML ROUTE. Routes are identified by name without regard to case.
//
// The route name, both event names and both member names live in fixed
// arrays of 52 characters, terminator included. The record's setters cut
// longer text to its first 51 characters, so nothing ever overflows; the
// world's addRoute by names refuses a route whose name, events or resolved
// member names do not fit, so a route the world builds never carries a cut
// name.
class ZKRoute {
 public:
  // What a route end denotes; the end's point pointer is, in order, an
  // SoLight* (the light of a world light kit), a ZKComponent*, a
  // ZKProximitySensor*, or nothing.
  enum RoutePointType : int {
    light_point = 0,
    component_point = 1,
    proximity_sensor_point = 2,
    unresolved_point = 3
  };

  // What the event refers to inside the object.
  enum RouteMemberType : int {
    attribute_member = 0,   // a component attribute, by attribute name
    behavior_member = 1,    // the active flag of a component behaviour, by behaviour name
    event_member = 2,       // an output event of a proximity sensor
    field_member = 3,       // a transform field of a component, a field of a proximity sensor
    sensor_member = 4,      // a component's sensor, by the whole point name
    unresolved_member = 5
  };

  // Size of every text array of a route, terminator included.
  static constexpr size_t textSize = 52;

  // One end of a route, copied by value. The point is not owned.
  struct RoutePoint {
    RoutePoint();

    char event[textSize];
    void* point;
    RoutePointType pointType;
    char memberName[textSize];
    RouteMemberType memberType;
  };

  // The lookups a route end is resolved against, by the point name as
  // given. Each returns null for a name that denotes nothing of its kind;
  // an empty lookup finds nothing.
  struct PointFinders {
    std::function<SoLight*(const RWCString& name)> light;
    std::function<void*(const RWCString& name)> proximitySensor;
    std::function<ZKComponent*(const RWCString& name)> component;
  };

  // A route named `name` (empty if null) with both ends unresolved and
  // empty events and member names.
  explicit ZKRoute(const char* name = nullptr);

  void setName(const char* name);
  const char* getName() const { return name; }

  void setSource(void* point, RoutePointType type);
  void setTarget(void* point, RoutePointType type);
  void* getSource() const { return source.point; }
  void* getTarget() const { return target.point; }
  RoutePointType getSourceType() const { return source.pointType; }
  RoutePointType getTargetType() const { return target.pointType; }

  void setSourceEvent(const char* event);
  void setTargetEvent(const char* event);
  const char* getSourceEvent() const { return source.event; }
  const char* getTargetEvent() const { return target.event; }

  void setSourceMember(const char* memberName, RouteMemberType type);
  void setTargetMember(const char* memberName, RouteMemberType type);
  const char* getSourceMemberName() const { return source.memberName; }
  const char* getTargetMemberName() const { return target.memberName; }
  RouteMemberType getSourceMemberType() const { return source.memberType; }
  RouteMemberType getTargetMemberType() const { return target.memberType; }

  const RoutePoint& getSourcePoint() const { return source; }
  const RoutePoint& getTargetPoint() const { return target; }

  // Names compared ignoring case.
  int operator==(const ZKRoute& other) const;
  int operator<(const ZKRoute& other) const;

  // Decides what `pointName` with `eventName` denotes, trying a light, a
  // proximity sensor, a component, then a component's sensor (a component
  // name followed by "Sensor"). All searches are case-sensitive. The member
  // name is the event stripped of a leading "set_" or of the text from its
  // first "_changed" on, and empty for an event with neither. A proximity
  // sensor's fields ("center", "size", "enabled") are recognised by that
  // member name, or by the whole event when there was nothing to strip.
  static void resolvePoint(const PointFinders& finders, const RWCString& pointName,
                           const RWCString& eventName, void*& point, RoutePointType& pointType,
                           RWCString& memberName, RouteMemberType& memberType);

 private:
  RoutePoint source;
  RoutePoint target;
  char name[textSize];
};

#endif
