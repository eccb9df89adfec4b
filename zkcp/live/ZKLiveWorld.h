#ifndef ZKCP_LIVE_ZKLIVEWORLD_H
#define ZKCP_LIVE_ZKLIVEWORLD_H

#include <zkcp/foundation/RWCString.h>

#include <Inventor/SbLinear.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ZKComponentDB;
class ZKX3DWriter;

// A world that runs: events from whatever senses the viewers go in, the
// world's routes carry them to behaviours, attributes, transforms, lights
// and proximity sensors, tick() runs the behaviours, and what changed comes
// out as records a caller can send on without knowing Inventor.
//
// The live world reads the world through its public interface and drives
// it through the world's own operations (behaviours are activated with
// ZKComponentDB::activateBehavior, so a derived world sees every
// activation). It has no threads: every call runs on the caller's thread,
// and one live world must be driven from one thread at a time. It holds a
// reference on every component and light of its manifest; the world must
// outlive it.
//
// Objects and ids. At construction every object whose values the change
// stream carries gets a stable numeric id (1, 2, ... in manifest order; 0
// is no object): each active component, then its logical parts, its
// attributes that are not hidden (pointer attributes are left out), its
// behaviours and its sensor; then the world's lights; then its proximity
// sensors. The manifest gives each object its DEF name in the X3D export of
// the same world (ZKX3DWriter names it the same way: a component by its
// instance name, a part "instance_part", a light and a proximity sensor by
// name, a component sensor by its sensor name; an attribute has its
// component's DEF name and is the metadata of that name under it; a
// behaviour has none), and the names and value kinds of its fields. Objects
// added to the world later are not in the manifest.
//
// Fields, by object:
//   component, part: translation, rotation, scale, scaleOrientation, center
//   light: on, intensity, color; location (point, spot) and direction
//     (directional, spot) only for a light not attached to a part (an
//     attached light sits in its part's Transform and moves with it)
//   attribute: value
//   behaviour: active
//   proximity sensor: isActive, enterTime, exitTime, center, size, enabled
//   component sensor: its kind's output events (touch: isActive, isOver,
//     touchTime, hitPoint_changed; plane: isActive, translation_changed,
//     trackPoint_changed; cylinder, sphere: isActive, rotation_changed,
//     trackPoint_changed; visibility: isActive, enterTime, exitTime). These
//     are events in only (sensorEvent); they are never in a tick's changes
//     or in a snapshot.
//
// Time. Every event and tick carries a time stamp in seconds of the world
// clock, which starts at 0. A stamp that is not finite, or earlier than the
// latest stamp accepted, is refused; a later stamp moves the clock to it.
// tick(seconds) moves the clock on by `seconds`.
//
// Bad input. Every event entry point returns false and changes nothing
// when it refuses the event: a null world (every call refuses; tick gives
// an empty tick), a time stamp as above, NaN or infinite positions or
// values, an unknown viewer (viewerLeft), an unknown id, field or object of
// the wrong type, a component that has left the world (its objects are
// then dead: no events, no updates, no changes, and its collisions end) or
// was renamed since the manifest was made (found by the first event naming
// it, by either name, and then dead the same way).
// A route whose ends cannot carry the value is skipped and said once on the
// error stream; a route with an unresolved end does nothing.
class ZKLiveWorld {
 public:
  using Id_t = std::uint32_t;

  enum Kind_t {
    bool_kind = 0,
    float_kind,
    time_kind,
    vec3f_kind,
    color_kind,
    rotation_kind,  // the quaternion x, y, z, w, as SbRotation keeps it
    string_kind,
    string_list_kind  // the entries on lines of their own
  };

  // A value as numbers (up to four; a bool is 0 or 1) or as text.
  struct Value_t {
    std::array<double, 4> v{{0, 0, 0, 0}};
    std::string text;
    bool operator==(const Value_t& o) const { return v == o.v && text == o.text; }
    bool operator!=(const Value_t& o) const { return !(*this == o); }
  };

  enum Object_t {
    component_object = 0,
    part_object,
    attribute_object,
    behavior_object,
    component_sensor_object,
    light_object,
    proximity_sensor_object
  };

  struct Field_t {
    std::string name;
    Kind_t kind;
  };

  struct Object {
    Id_t id = 0;
    Object_t type = component_object;
    // The component's instance name, the logical part, attribute, behaviour
    // or sensor name within it, the normalized light name, the proximity
    // sensor's name.
    std::string name;
    Id_t owner = 0;   // the component of a part, attribute, behaviour, sensor
    std::string def;  // DEF name in the X3D export; empty for a behaviour
    std::vector<Field_t> fields;
  };

  // One value: `field` indexes the object's fields in the manifest.
  struct Change_t {
    Id_t id = 0;
    std::uint16_t field = 0;
    Value_t value;
  };

  enum EventKind_t {
    behavior_activated = 0,  // subject: the behaviour
    behavior_deactivated,    // subject: the behaviour
    collision_began,         // subject, other: the two components
    collision_ended,         // subject, other: the two components
    threshold_crossed        // subject: the attribute (see watchThreshold)
  };

  struct Event_t {
    EventKind_t kind;
    double time = 0;
    Id_t subject = 0;
    Id_t other = 0;
  };

  struct Tick_t {
    std::uint64_t sequence = 0;  // 1 for the first tick
    double time = 0;             // the world clock after the tick
    // What changed since the previous tick, once per id and field with its
    // latest value, in the order the values first changed.
    std::vector<Change_t> changes;
    // What happened since the previous tick, in order: a behaviour's
    // activation or deactivation comes before what its starting or
    // finishing function did, such as a threshold that crossed.
    std::vector<Event_t> events;
  };

  // A null world is refused: the live world then holds nothing and refuses
  // every call. With `page`, the DEF names are taken from that export of
  // the same world; without, they are made by the export's rules (the same
  // names unless a name collides with one the export makes for geometry).
  explicit ZKLiveWorld(ZKComponentDB* world, const ZKX3DWriter* page = nullptr);
  ~ZKLiveWorld();
  ZKLiveWorld(const ZKLiveWorld&) = delete;
  ZKLiveWorld& operator=(const ZKLiveWorld&) = delete;

  bool isValid() const;
  const std::vector<Object>& manifest() const;
  // The object of `id`, or null.
  const Object* object(Id_t id) const;
  // The id of a component (empty part and member), of one of its logical
  // parts, attributes or behaviours (type says which), or 0.
  Id_t find(Object_t type, const std::string& name, const std::string& member = "") const;
  double now() const;

  // Viewers. A viewer is known from its first move until it leaves. The
  // live world computes entering and leaving the proximity sensors itself
  // from the positions and the sensors' boxes: a sensor is active while at
  // least one viewer is inside (isActive TRUE and enterTime when the first
  // enters, isActive FALSE and exitTime when the last leaves);
  // position_changed and orientation_changed of a sensor come from the
  // viewer that moved inside it. A disabled sensor sees nobody.
  bool viewerMoved(const std::string& viewer, double time, const SbVec3f& position,
                   const SbRotation& orientation);
  // The viewer leaves every sensor it is in, then the world.
  bool viewerLeft(const std::string& viewer, double time);
  // For a caller that tests the boxes itself: one viewer enters or leaves
  // one proximity sensor. A later viewerMoved of that viewer decides again.
  bool proximityEvent(const std::string& viewer, Id_t sensor, bool inside, double time);

  // An output event of a component's sensor as the page's browser reports
  // it (`field` one of the sensor object's field names). isActive FALSE
  // from the last viewer holding it is what a browser sends; the live world
  // passes each event on as it comes.
  bool sensorEvent(const std::string& component, const std::string& field, double time,
                   const Value_t& value);

  // Control, for a caller that lets a person act on the world directly.
  bool activateBehavior(Id_t behavior, double time);
  bool deactivateBehavior(Id_t behavior, double time);
  // Sets an attribute's value (its thresholds run, routes from it fire).
  bool setAttribute(Id_t attribute, const Value_t& value, double time);

  // Reports threshold_crossed for `attribute` whenever a value set on it
  // makes `test` true where it was false before, tested as each value is
  // set (a value that crosses and falls back before the tick is reported).
  // False for an unknown id, an object that is not an attribute, or a null
  // test.
  bool watchThreshold(Id_t attribute, bool (*test)(const Value_t& value));

  // Advances the clock by `seconds` (finite, not negative), runs update()
  // once of every live component that can do something in it (one that had
  // behaviours when the live world was made, or of a class derived from
  // ZKComponent), then fills `out` with what changed since the previous
  // tick. False, with `out` emptied, when refused. While it runs, the group
  // that holds the world's components passes on what changes below it once,
  // when the tick ends: a sensor on the component root or the scene root
  // fires once a tick, one on a component or a node in it at each change.
  bool tick(double seconds, Tick_t& out);
  // The same without running update(): for a caller that steps the
  // components itself (a recording that runs one component alone). Added
  // after the first version of this interface; tick() is unchanged.
  bool collect(double seconds, Tick_t& out);

  // Every value the change stream can carry, as the last tick reported it,
  // in manifest order (component sensors have none). Applying
  // the snapshot taken before the first tick and then every tick's changes
  // gives this snapshot.
  void snapshot(std::vector<Change_t>& out) const;

  // Collisions between components are tested for the components that moved
  // in a tick, against every other live component; off by default, since it
  // recomputes the moved components' boxes.
  void setCollisionTesting(bool on);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

#endif
