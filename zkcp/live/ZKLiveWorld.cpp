#include <zkcp/live/ZKLiveWorld.h>

#include <zkcp/attribute/ZKLinearAttributes.h>
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/attribute/ZKStringAttributes.h>
#include <zkcp/attribute/ZKThreshold.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/component/ZKComponentSensor.h>
#include <zkcp/live/LiveValues.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKDatabaseIterators.h>
#include <zkcp/world/ZKLightIterator.h>
#include <zkcp/world/ZKNavigationPath.h>
#include <zkcp/world/ZKProximitySensor.h>
#include <zkcp/world/ZKRoute.h>
#include <zkcp/world/ZKViewpoint.h>
#include <zkcp/x3d/X3DIdTable.h>
#include <zkcp/x3d/ZKX3DWriter.h>

#include <Inventor/misc/SoChildList.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodekits/SoSeparatorKit.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSpotLight.h>
#include <Inventor/nodes/SoTransform.h>
#include <Inventor/sensors/SoNodeSensor.h>

#include <cmath>
#include <iostream>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

using Value = ZKLiveWorld::Value_t;
using Kind = ZKLiveWorld::Kind_t;

namespace {

constexpr ZKLiveWorld::Id_t kNone = 0;

const char* const kTransformFields[5] = {"translation", "rotation", "scale", "scaleOrientation",
                                         "center"};
const Kind kTransformKinds[5] = {ZKLiveWorld::vec3f_kind, ZKLiveWorld::rotation_kind,
                                 ZKLiveWorld::vec3f_kind, ZKLiveWorld::rotation_kind,
                                 ZKLiveWorld::vec3f_kind};
const char* const kProximityFields[6] = {"isActive", "enterTime", "exitTime",
                                         "center",   "size",      "enabled"};
const Kind kProximityKinds[6] = {ZKLiveWorld::bool_kind,  ZKLiveWorld::time_kind,
                                 ZKLiveWorld::time_kind,  ZKLiveWorld::vec3f_kind,
                                 ZKLiveWorld::vec3f_kind, ZKLiveWorld::bool_kind};
enum ProximityField { p_isActive = 0, p_enterTime, p_exitTime, p_center, p_size, p_enabled };

// The field a route end names, without "set_" and "_changed".
std::string fieldOf(const std::string& event) {
  std::string f = event;
  if (f.compare(0, 4, "set_") == 0) f = f.substr(4);
  const std::string changed = "_changed";
  if (f.size() > changed.size() &&
      f.compare(f.size() - changed.size(), changed.size(), changed) == 0)
    f.resize(f.size() - changed.size());
  return f;
}

bool finite(const Value& v) {
  for (double d : v.v)
    if (!std::isfinite(d)) return false;
  return true;
}

bool finite(const SbVec3f& p) {
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

const char* kindName(Kind k) {
  static const char* const names[] = {"bool",  "float",    "time",   "vec3f",
                                      "color", "rotation", "string", "string_list"};
  return names[k];
}

bool numeric(Kind k) {
  return k == ZKLiveWorld::bool_kind || k == ZKLiveWorld::float_kind ||
         k == ZKLiveWorld::time_kind;
}

// Copies a value; most values have no text, and an empty text is left
// alone rather than assigned.
void assign(Value& to, const Value& from) {
  to.v = from.v;
  if (!from.text.empty() || !to.text.empty()) to.text = from.text;
}

bool triple(Kind k) { return k == ZKLiveWorld::vec3f_kind || k == ZKLiveWorld::color_kind; }

// Converts a value between field types as VRML relates them: the numbers
// (a bool is 0 or 1, a number is true when not 0), a vector and a colour,
// a string and a string list of one entry. False when the types do not
// meet.
bool convert(Kind from, Kind to, const Value& in, Value& out) {
  out = in;
  if (from == to) return true;
  if (numeric(from) && numeric(to)) {
    if (to == ZKLiveWorld::bool_kind) out.v[0] = in.v[0] != 0 ? 1 : 0;
    return true;
  }
  if (triple(from) && triple(to)) return true;
  if ((from == ZKLiveWorld::string_kind && to == ZKLiveWorld::string_list_kind) ||
      (from == ZKLiveWorld::string_list_kind && to == ZKLiveWorld::string_kind))
    return to == ZKLiveWorld::string_list_kind || in.text.find('\n') == std::string::npos;
  return false;
}

// Whether a transform's field still holds `seen`, compared in place: a
// moved part's other fields cost no value each.
bool unchanged(const SoTransform* t, int field, const Value& seen) {
  if (!seen.text.empty()) return false;
  const float* q = nullptr;
  int n = 3;
  switch (field) {
    case 0: q = t->translation.getValue().getValue(); break;
    case 1: q = t->rotation.getValue().getValue(); n = 4; break;
    case 2: q = t->scaleFactor.getValue().getValue(); break;
    case 3: q = t->scaleOrientation.getValue().getValue(); n = 4; break;
    default: q = t->center.getValue().getValue(); break;
  }
  for (int i = 0; i < 4; ++i)
    if (seen.v[i] != (i < n ? static_cast<double>(q[i]) : 0.0)) return false;
  return true;
}

// While a tick runs the behaviours and the routes, the node that holds the
// world's components hears of what changed below it once, when the tick is
// done, not once per change: a moved part's notification stops there, and
// everything above it (the component root, the scene root, their caches and
// any sensor a viewer put on them) is told one time. Each component and all
// in it are told of every change as it happens.
class QuietAbove {
 public:
  explicit QuietAbove(SoNode* holder)
      : holder(holder && holder->isNotifyEnabled() ? holder : nullptr) {
    if (this->holder) this->holder->enableNotify(FALSE);
  }
  ~QuietAbove() {
    if (!holder) return;
    holder->enableNotify(TRUE);
    if (acted) holder->touch();
  }
  QuietAbove(const QuietAbove&) = delete;
  QuietAbove& operator=(const QuietAbove&) = delete;
  void act() { acted = true; }

 private:
  SoNode* holder;
  bool acted = false;
};

}  // namespace

struct ZKLiveWorld::Impl {
  class Watch;
  // One object of the manifest as the live world drives it.
  struct Rec {
    ZKLiveWorld::Id_t id = 0;
    Object_t type = component_object;
    int component = -1;  // index into comps
    SoTransform* transform = nullptr;
    SoLight* light = nullptr;
    std::vector<int> lightFields;  // per field: 0 on, 1 intensity, 2 color, 3 location, 4 direction
    ZKAttribute* attribute = nullptr;
    RWCString member;  // attribute, behaviour or logical part name
    ZKProximitySensor* proximity = nullptr;
    int sensorIndex = -1;  // into sensors
    std::unique_ptr<SoNodeSensor> nodeSensor;
    Watch* watch = nullptr;
    bool (*threshold)(const Value&) = nullptr;
    bool thresholdWas = false;
    std::vector<Value> seen;   // as last read
    size_t first = 0;          // its first field in the reported state
    // One bit per field (an object has at most six).
    unsigned queued = 0;  // in this tick's changes
    unsigned routed = 0;  // a route leaves it
    bool touched = false;
    // The fields to read again when it is flushed: for a transform, those
    // its sensor heard set; every field when the change named none.
    unsigned dirty = 0;
    Impl* impl = nullptr;
  };

  struct Comp {
    ZKComponent* c = nullptr;
    SbName name;
    ZKLiveWorld::Id_t id = 0;
    std::vector<ZKLiveWorld::Id_t> objects;  // its parts, attributes, behaviours, sensor
    std::vector<ZKLiveWorld::Id_t> behaviors;
    ZKLiveWorld::Id_t sensor = 0;
    std::vector<std::string> active;  // behaviour names active when last looked
    bool derived = false;  // of a class that may do more in update()
    bool dead = false;
  };

  struct Sensor {
    ZKLiveWorld::Id_t id = 0;
    bool active = false;
    double enterTime = 0, exitTime = 0;
    std::unordered_set<std::string> inside;
  };

  struct Viewer {
    SbVec3f position;
    SbRotation orientation;
    bool placed = false;  // known from a move, not only from proximityEvent
  };

  struct RouteRec {
    const ZKRoute* route = nullptr;
    double lastFired = -std::numeric_limits<double>::infinity();
    bool said = false;
  };

  // Routes leaving one field of one object.
  struct SourceKey {
    ZKLiveWorld::Id_t id;
    std::string field;
    bool operator==(const SourceKey& o) const { return id == o.id && field == o.field; }
  };
  struct SourceHash {
    size_t operator()(const SourceKey& k) const {
      return std::hash<std::string>()(k.field) ^ (static_cast<size_t>(k.id) * 0x9e3779b97f4a7c15ull);
    }
  };

  ZKComponentDB* world = nullptr;
  SoNode* componentHolder = nullptr;  // the group the components are children of; held
  std::vector<Object> objects;
  // Every value as last reported, in manifest order: what a snapshot copies.
  std::vector<Change_t> state;
  RWTValSortedVector<RWCString> activeNames;  // reused by lookAtBehaviors
  std::vector<std::unique_ptr<Rec>> recs;  // recs[id - 1]
  std::vector<Comp> comps;
  std::vector<Sensor> sensors;
  std::unordered_map<std::string, int> compByName;
  std::unordered_map<std::string, Viewer> viewers;
  std::vector<RouteRec> routes;
  std::unordered_map<SourceKey, std::vector<int>, SourceHash> routesFrom;
  std::vector<Rec*> touched;
  std::vector<std::pair<ZKLiveWorld::Id_t, int>> changed;  // (id, field) this tick, in order
  std::vector<Event_t> events;
  // Components whose update() can do something: of a derived class, or
  // with behaviours.
  std::vector<int> running;
  std::set<std::pair<int, int>> colliding;
  bool collisions = false;
  double clock = 0;
  double stamp = 0;  // the time stamp of what runs now
  std::uint64_t sequence = 0;
  int numActive = 0, numAll = 0;

  Rec* rec(ZKLiveWorld::Id_t id) const {
    return id >= 1 && id <= recs.size() ? recs[id - 1].get() : nullptr;
  }
  Rec& add(Object_t type, const std::string& name, ZKLiveWorld::Id_t owner, std::string def,
           std::vector<Field_t> fields);
  void build(const ZKX3DWriter* page);
  void watchTransform(Rec& r, SoTransform* t);
  static void nodeTouched(void* data, SoSensor* sensor);
  void touch(Rec& r, unsigned fields = ~0u);
  void read(const Rec& r, int field, Value& out) const;
  bool write(Rec& r, int field, const Value& v);
  void flush();
  void settle();
  void fire(ZKLiveWorld::Id_t id, const std::string& field, const Value& v, Kind kind);
  void deliver(RouteRec& route, const Value& v, Kind kind);
  void setBehavior(Comp& comp, const RWCString& behavior, bool on);
  void lookAtBehaviors(int comp, size_t at);
  void attributeSet(Rec& r);
  bool accept(double time);
  bool alive(int comp);
  void checkComponents();
  void kill(int comp);
  void setProximity(int sensor, ProximityField field, const Value& v);
  void viewerIn(const std::string& viewer, int sensor, bool in);
  void placeViewer(const std::string& viewer);
  void testCollisions(const std::vector<int>& moved);
  bool step(double seconds, bool update, Tick_t& out);
};

// Tells the live world of every value a typed setter gives an attribute.
class ZKLiveWorld::Impl::Watch : public ZKThreshold {
 public:
  explicit Watch(Rec* r) : rec(r) {}
  int check(ZKAttribute*) override {
    if (rec) rec->impl->attributeSet(*rec);
    return 0;
  }
  void watch(ZKAttribute* a) { addThreshold(a); }
  void unwatch(ZKAttribute* a) { removeThreshold(a); }
  // Null once the live world let go of an attribute it could not reach.
  Rec* rec;
};

ZKLiveWorld::Impl::Rec& ZKLiveWorld::Impl::add(Object_t type, const std::string& name,
                                               Id_t owner, std::string def,
                                               std::vector<Field_t> fields) {
  Object o;
  o.id = static_cast<Id_t>(objects.size() + 1);
  o.type = type;
  o.name = name;
  o.owner = owner;
  o.def = std::move(def);
  o.fields = std::move(fields);
  auto r = std::make_unique<Rec>();
  r->id = o.id;
  r->type = type;
  r->impl = this;
  // A component sensor's fields are events in only: it holds no values.
  r->seen.resize(type == component_sensor_object ? 0 : o.fields.size());
  objects.push_back(std::move(o));
  recs.push_back(std::move(r));
  return *recs.back();
}

// A sensor of priority 0 runs while the change is told, and knows the field
// that was set: a moved part reads that field alone when it is flushed.
void ZKLiveWorld::Impl::nodeTouched(void* data, SoSensor* sensor) {
  auto* r = static_cast<Rec*>(data);
  unsigned fields = ~0u;
  if (const SoTransform* t = r->transform) {
    const SoField* set = static_cast<SoNodeSensor*>(sensor)->getTriggerField();
    const SoField* const order[5] = {&t->translation, &t->rotation, &t->scaleFactor,
                                     &t->scaleOrientation, &t->center};
    for (unsigned f = 0; set && f < 5; ++f)
      if (set == order[f]) fields = 1u << f;
  }
  r->impl->touch(*r, fields);
}

// A watched threshold is tested on each value as it is set, so a value
// that crosses and falls back before the tick is still reported, in order
// with what caused it.
void ZKLiveWorld::Impl::attributeSet(Rec& r) {
  touch(r);
  if (!r.threshold) return;
  Kind kind;
  Value now;
  live::readAttribute(r.attribute, kind, now);
  const bool is = r.threshold(now);
  if (is && !r.thresholdWas) events.push_back({threshold_crossed, stamp, r.id, kNone});
  r.thresholdWas = is;
}

void ZKLiveWorld::Impl::touch(Rec& r, unsigned fields) {
  r.dirty |= fields;
  if (r.touched) return;
  r.touched = true;
  touched.push_back(&r);
}

void ZKLiveWorld::Impl::watchTransform(Rec& r, SoTransform* t) {
  r.transform = t;
  r.nodeSensor = std::make_unique<SoNodeSensor>(&Impl::nodeTouched, &r);
  r.nodeSensor->setPriority(0);
  r.nodeSensor->attach(t);
}

void ZKLiveWorld::Impl::build(const ZKX3DWriter* page) {
  std::ostringstream quiet;
  X3DIdTable ids(quiet);
  auto* list =
      static_cast<SoNodeKitListPart*>(world->getComponentRoot()->getPart("childList", FALSE));
  if (list && list->getChildren() && list->getChildren()->getLength() == 1) {
    componentHolder = (*list->getChildren())[0];
    componentHolder->ref();
  }
  std::vector<ZKComponent*> active;
  for (int i = 0; list && i < list->getNumChildren(); ++i)
    if (list->getChild(i)->isOfType(ZKComponent::getClassTypeId()))
      active.push_back(static_cast<ZKComponent*>(list->getChild(i)));
  // The export names components first, then proximity sensors, parts,
  // component sensors and lights.
  for (ZKComponent* c : active) ids.idFor("component", c->getName().getString());
  for (int i = 0; i < world->getNumViewpoints(); ++i)
    ids.idFor("viewpoint", world->getViewpointAt(static_cast<unsigned>(i))->getName().str());
  for (int i = 0; i < world->getNumProximitySensors(); ++i)
    ids.idFor("proximity sensor", world->getProximitySensorAt(static_cast<unsigned>(i))->getName());
  ZKNavigationPathIterator paths(world);
  while (paths++) {
    if (paths.getNavigationPath().numPositions() == 0) continue;
    const std::string id = ids.idFor("navigation path", paths.getNavigationPath().getName().str());
    for (const char* node : {"_clock", "_points", "_turns"}) ids.reserve(id + node);
  }
  auto def = [&](const char* kind, const std::string& name, const void* point) {
    if (page) {
      if (!point) return std::string();
      return page->pointId(point);
    }
    return ids.idFor(kind, name);
  };
  std::vector<Field_t> transformFields;
  for (int i = 0; i < 5; ++i) transformFields.push_back({kTransformFields[i], kTransformKinds[i]});

  RWTValSortedVector<RWCString> names;
  for (ZKComponent* c : active) {
    const std::string instance = c->getName().getString();
    if (compByName.count(instance)) continue;
    c->ref();
    Comp comp;
    comp.c = c;
    comp.name = c->getName();
    comp.derived = c->getTypeId() != ZKComponent::getClassTypeId();
    const int ci = static_cast<int>(comps.size());
    Rec& cr = add(component_object, instance, kNone,
                  page ? page->transformId(instance.c_str()) : ids.idFor("component", instance),
                  transformFields);
    cr.component = ci;
    comp.id = cr.id;
    watchTransform(cr, c->getTransform());
    c->getLogicalPartNames(names);
    for (size_t i = 0; i < names.entries(); ++i) {
      ZKPart* part = c->getLogicalPart(names(i));
      auto* t = part && part != c ? static_cast<SoTransform*>(part->getPart("transform", TRUE))
                                  : nullptr;
      if (!t) continue;
      Rec& r = add(part_object, names(i).str(), comp.id,
                   page ? page->transformId(instance.c_str(), names(i))
                        : ids.idFor("part", instance + "_" + names(i).str()),
                   transformFields);
      r.component = ci;
      r.member = names(i);
      watchTransform(r, t);
      comp.objects.push_back(r.id);
    }
    c->getAttributeNames(names);
    for (size_t i = 0; i < names.entries(); ++i) {
      ZKAttribute* a = c->getAttribute(names(i));
      Kind kind;
      Value ignored;
      if (!a || a->isHidden() || !live::readAttribute(a, kind, ignored)) continue;
      Rec& r = add(attribute_object, names(i).str(), comp.id, objects[comp.id - 1].def,
                   {{"value", kind}});
      r.component = ci;
      r.attribute = a;
      r.member = names(i);
      auto* w = new Watch(&r);
      w->watch(a);
      r.watch = w;
      comp.objects.push_back(r.id);
    }
    c->getBehaviorNames(names);
    for (size_t i = 0; i < names.entries(); ++i) {
      Rec& r = add(behavior_object, names(i).str(), comp.id, "", {{"active", bool_kind}});
      r.component = ci;
      r.member = names(i);
      comp.objects.push_back(r.id);
      comp.behaviors.push_back(r.id);
    }
    c->getActiveBehaviorNames(names);
    for (size_t i = 0; i < names.entries(); ++i) comp.active.push_back(names(i).str());
    const ZKComponentSensor& s = c->getComponentSensor();
    if (s.getType() != ZKComponentSensor::no_sensor) {
      std::vector<Field_t> fields = {{"isActive", bool_kind}};
      switch (s.getType()) {
        case ZKComponentSensor::touch_sensor:
          fields.push_back({"isOver", bool_kind});
          fields.push_back({"touchTime", time_kind});
          fields.push_back({"hitPoint_changed", vec3f_kind});
          break;
        case ZKComponentSensor::plane_sensor:
          fields.push_back({"translation_changed", vec3f_kind});
          fields.push_back({"trackPoint_changed", vec3f_kind});
          break;
        case ZKComponentSensor::cylinder_sensor:
        case ZKComponentSensor::sphere_sensor:
          fields.push_back({"rotation_changed", rotation_kind});
          fields.push_back({"trackPoint_changed", vec3f_kind});
          break;
        default:
          fields.push_back({"enterTime", time_kind});
          fields.push_back({"exitTime", time_kind});
          break;
      }
      const std::string sensorName = live::sensorName(c);
      Rec& r = add(component_sensor_object, sensorName, comp.id,
                   def("component sensor", sensorName, &s), std::move(fields));
      r.component = ci;
      comp.objects.push_back(r.id);
      comp.sensor = r.id;
    }
    compByName[instance] = ci;
    comps.push_back(std::move(comp));
  }

  ZKLightIterator lights(world, ZKLightIterator::all_lights);
  while (lights++) {
    SoLight* light = lights.getValue();
    if (!light) continue;
    const bool spot = light->isOfType(SoSpotLight::getClassTypeId());
    const bool point = light->isOfType(SoPointLight::getClassTypeId());
    const bool directional = light->isOfType(SoDirectionalLight::getClassTypeId());
    if (!spot && !point && !directional) continue;
    const std::string name = lights.getName()->str();
    ZKComponentDB::ComponentPartDescriptor where;
    SbVec3f direction;
    const bool attached = world->getLightAttachment(name.c_str(), where, direction) != 0;
    std::vector<Field_t> fields = {{"on", bool_kind}, {"intensity", float_kind}, {"color", color_kind}};
    std::vector<int> which = {0, 1, 2};
    if (!attached && (spot || point)) {
      fields.push_back({"location", vec3f_kind});
      which.push_back(3);
    }
    if (!attached && (spot || directional)) {
      fields.push_back({"direction", vec3f_kind});
      which.push_back(4);
    }
    Rec& r = add(light_object, name, kNone, def("light", name, light), std::move(fields));
    light->ref();  // a light the world drops stays readable
    r.light = light;
    r.lightFields = std::move(which);
    r.nodeSensor = std::make_unique<SoNodeSensor>(&Impl::nodeTouched, &r);
    r.nodeSensor->setPriority(0);
    r.nodeSensor->attach(light);
  }

  for (int i = 0; i < world->getNumProximitySensors(); ++i) {
    ZKProximitySensor* p = world->getProximitySensorAt(static_cast<unsigned>(i));
    std::vector<Field_t> fields;
    for (int f = 0; f < 6; ++f) fields.push_back({kProximityFields[f], kProximityKinds[f]});
    Rec& r = add(proximity_sensor_object, p->getName(), kNone,
                 page ? page->pointId(p) : *ids.find("proximity sensor", p->getName()),
                 std::move(fields));
    r.proximity = p;
    r.sensorIndex = static_cast<int>(sensors.size());
    Sensor s;
    s.id = r.id;
    sensors.push_back(std::move(s));
  }

  for (auto& r : recs) {
    r->first = state.size();
    for (size_t f = 0; f < r->seen.size(); ++f) {
      read(*r, static_cast<int>(f), r->seen[f]);
      state.push_back({r->id, static_cast<std::uint16_t>(f), r->seen[f]});
    }
  }

  // Routes by source object and field.
  for (int i = 0; i < world->getNumRoutes(); ++i) {
    const ZKRoute* route = world->getRouteAt(static_cast<unsigned>(i));
    RouteRec rr;
    rr.route = route;
    routes.push_back(rr);
    const ZKRoute::RoutePoint& s = route->getSourcePoint();
    if (!s.point || s.pointType == ZKRoute::unresolved_point) continue;
    Id_t id = kNone;
    std::string field = fieldOf(s.event);
    switch (s.pointType) {
      case ZKRoute::light_point:
        for (auto& r : recs)
          if (r->light == s.point) id = r->id;
        break;
      case ZKRoute::proximity_sensor_point:
        for (auto& r : recs)
          if (r->proximity == s.point) id = r->id;
        break;
      case ZKRoute::component_point: {
        auto* c = static_cast<ZKComponent*>(s.point);
        auto found = compByName.find(c->getName().getString());
        if (found == compByName.end() || comps[found->second].c != c) break;
        const Comp& comp = comps[found->second];
        if (s.memberType == ZKRoute::field_member) {
          id = comp.id;
        } else if (s.memberType == ZKRoute::sensor_member) {
          id = comp.sensor;
          field = s.event;
        } else {
          for (Id_t o : comp.objects) {
            const Rec* r = rec(o);
            if (r->member == s.memberName &&
                ((s.memberType == ZKRoute::attribute_member && r->type == attribute_object) ||
                 (s.memberType == ZKRoute::behavior_member && r->type == behavior_object)))
              id = o;
          }
          field = s.memberType == ZKRoute::behavior_member ? "active" : "value";
        }
        break;
      }
      default:
        break;
    }
    if (id == kNone) continue;
    routesFrom[{id, field}].push_back(i);
    const auto& fields = objects[id - 1].fields;
    for (size_t f = 0; f < fields.size(); ++f)
      if (fields[f].name == field) rec(id)->routed |= 1u << f;
  }
  for (size_t i = 0; i < comps.size(); ++i)
    if (comps[i].derived || !comps[i].behaviors.empty()) running.push_back(static_cast<int>(i));
  numActive = world->getNumActiveComponents();
  numAll = world->getNumComponents();
}

void ZKLiveWorld::Impl::read(const Rec& r, int field, Value& out) const {
  switch (r.type) {
    case component_object:
    case part_object: {
      const SoTransform* t = r.transform;
      switch (field) {
        case 0: out = live::vec(t->translation.getValue()); break;
        case 1: out = live::rot(t->rotation.getValue()); break;
        case 2: out = live::vec(t->scaleFactor.getValue()); break;
        case 3: out = live::rot(t->scaleOrientation.getValue()); break;
        default: out = live::vec(t->center.getValue()); break;
      }
      break;
    }
    case attribute_object: {
      Kind kind;
      live::readAttribute(r.attribute, kind, out);
      break;
    }
    case behavior_object: {
      const Comp& comp = comps[r.component];
      out = live::number(0);
      for (const std::string& n : comp.active)
        if (r.member == n.c_str()) out = live::number(1);
      break;
    }
    case light_object: {
      const SoLight* l = r.light;
      switch (r.lightFields[field]) {
        case 0: out = live::number(l->on.getValue() ? 1 : 0); break;
        case 1: out = live::number(l->intensity.getValue()); break;
        case 2: out = live::vec(l->color.getValue()); break;
        case 3:
          out = live::vec(l->isOfType(SoSpotLight::getClassTypeId())
                              ? static_cast<const SoSpotLight*>(l)->location.getValue()
                              : static_cast<const SoPointLight*>(l)->location.getValue());
          break;
        default:
          out = live::vec(l->isOfType(SoSpotLight::getClassTypeId())
                              ? static_cast<const SoSpotLight*>(l)->direction.getValue()
                              : static_cast<const SoDirectionalLight*>(l)->direction.getValue());
          break;
      }
      break;
    }
    case proximity_sensor_object: {
      const Sensor& s = sensors[r.sensorIndex];
      switch (field) {
        case p_isActive: out = live::number(s.active ? 1 : 0); break;
        case p_enterTime: out = live::number(s.enterTime); break;
        case p_exitTime: out = live::number(s.exitTime); break;
        case p_center: out = live::vec(r.proximity->getCenter()); break;
        case p_size: out = live::vec(r.proximity->getSize()); break;
        default: out = live::number(r.proximity->getEnabled() ? 1 : 0); break;
      }
      break;
    }
    case component_sensor_object:
      out = Value();
      break;
  }
}

// Sets one field of an object from a value of the field's kind. False when
// the object cannot take it.
bool ZKLiveWorld::Impl::write(Rec& r, int field, const Value& v) {
  switch (r.type) {
    case component_object:
    case part_object: {
      SoTransform* t = r.transform;
      switch (field) {
        case 0: t->translation.setValue(live::toVec(v)); break;
        case 1: t->rotation.setValue(live::toRot(v)); break;
        case 2: t->scaleFactor.setValue(live::toVec(v)); break;
        case 3: t->scaleOrientation.setValue(live::toRot(v)); break;
        default: t->center.setValue(live::toVec(v)); break;
      }
      if (r.type == component_object) {
        comps[r.component].c->objectIsDirty();
        comps[r.component].c->partsAreDirty();
      }
      return true;
    }
    case attribute_object:
      live::writeAttribute(r.attribute, objects[r.id - 1].fields[0].kind, v);
      touch(r);
      return true;
    case light_object: {
      SoLight* l = r.light;
      switch (r.lightFields[field]) {
        case 0: l->on.setValue(v.v[0] != 0); break;
        case 1: l->intensity.setValue(static_cast<float>(v.v[0])); break;
        case 2: l->color.setValue(live::toVec(v)); break;
        case 3:
          if (l->isOfType(SoSpotLight::getClassTypeId()))
            static_cast<SoSpotLight*>(l)->location.setValue(live::toVec(v));
          else
            static_cast<SoPointLight*>(l)->location.setValue(live::toVec(v));
          break;
        default:
          if (l->isOfType(SoSpotLight::getClassTypeId()))
            static_cast<SoSpotLight*>(l)->direction.setValue(live::toVec(v));
          else
            static_cast<SoDirectionalLight*>(l)->direction.setValue(live::toVec(v));
          break;
      }
      return true;
    }
    case proximity_sensor_object:
      if (field < p_center) return false;  // its events are its own
      setProximity(r.sensorIndex, static_cast<ProximityField>(field), v);
      return true;
    default:
      return false;
  }
}

// Reads what was touched, keeps each changed field for the tick, and sends
// the change down the routes that leave it, until nothing more changes.
void ZKLiveWorld::Impl::flush() {
  for (size_t i = 0; i < touched.size(); ++i) {
    Rec* r = touched[i];
    r->touched = false;
    const unsigned dirty = r->dirty;
    r->dirty = 0;
    if (r->component >= 0 && comps[r->component].dead) continue;
    for (size_t f = 0; f < r->seen.size(); ++f) {
      if (!(dirty & (1u << f))) continue;
      if (r->transform && unchanged(r->transform, static_cast<int>(f), r->seen[f])) continue;
      Value now;
      read(*r, static_cast<int>(f), now);
      if (now == r->seen[f]) continue;
      r->seen[f] = now;
      if (!(r->queued & (1u << f))) {
        r->queued |= 1u << f;
        changed.emplace_back(r->id, static_cast<int>(f));
      }
      if (r->routed & (1u << f)) {
        const Field_t& field = objects[r->id - 1].fields[f];
        fire(r->id, field.name, now, field.kind);
      }
    }
  }
  touched.clear();
}

// Flushes until nothing more changes.
void ZKLiveWorld::Impl::settle() {
  while (!touched.empty()) flush();
}

void ZKLiveWorld::Impl::fire(Id_t id, const std::string& field, const Value& v, Kind kind) {
  auto found = routesFrom.find({id, field});
  if (found == routesFrom.end()) return;
  for (int i : found->second) {
    RouteRec& route = routes[i];
    if (route.lastFired == stamp) continue;  // one event per route per time stamp
    route.lastFired = stamp;
    deliver(route, v, kind);
  }
}

void ZKLiveWorld::Impl::deliver(RouteRec& route, const Value& v, Kind kind) {
  const ZKRoute::RoutePoint& t = route.route->getTargetPoint();
  if (!t.point || t.pointType == ZKRoute::unresolved_point) return;
  Rec* target = nullptr;
  int field = -1;
  const std::string name = fieldOf(t.event);
  auto fieldIndex = [&](const Rec* r, const std::string& f) {
    const auto& fields = objects[r->id - 1].fields;
    for (size_t i = 0; i < fields.size(); ++i)
      if (fields[i].name == f) return static_cast<int>(i);
    return -1;
  };
  switch (t.pointType) {
    case ZKRoute::light_point:
      for (auto& r : recs)
        if (r->light == t.point) target = r.get();
      if (target) {
        field = fieldIndex(target, name);
        // A light that follows its part still takes a location or direction
        // it is sent, though the stream leaves them out.
        if (field < 0 && (name == "location" || name == "direction")) {
          Value ignored;
          SoLight* l = target->light;
          const bool location = name == "location";
          if ((location && (l->isOfType(SoSpotLight::getClassTypeId()) ||
                            l->isOfType(SoPointLight::getClassTypeId()))) ||
              (!location && !l->isOfType(SoPointLight::getClassTypeId()))) {
            if (!convert(kind, vec3f_kind, v, ignored)) break;
            Rec temp;
            temp.type = light_object;
            temp.light = l;
            temp.lightFields = {location ? 3 : 4};
            write(temp, 0, ignored);
            return;
          }
        }
      }
      break;
    case ZKRoute::proximity_sensor_point:
      for (auto& r : recs)
        if (r->proximity == t.point) target = r.get();
      if (target) field = fieldIndex(target, name);
      if (field >= 0 && field < p_center) field = -1;
      break;
    case ZKRoute::component_point: {
      auto* c = static_cast<ZKComponent*>(t.point);
      auto found = compByName.find(c->getName().getString());
      if (found == compByName.end() || comps[found->second].c != c || !alive(found->second))
        return;
      Comp& comp = comps[found->second];
      if (t.memberType == ZKRoute::behavior_member) {
        Value on;
        if (!convert(kind, bool_kind, v, on)) break;
        setBehavior(comp, t.memberName, on.v[0] != 0);
        return;
      }
      if (t.memberType == ZKRoute::field_member) {
        target = rec(comp.id);
        field = fieldIndex(target, t.memberName);
      } else if (t.memberType == ZKRoute::attribute_member) {
        for (Id_t o : comp.objects)
          if (rec(o)->type == attribute_object && rec(o)->member == t.memberName) target = rec(o);
        if (target) {
          field = 0;
        } else if (ZKAttribute* a = c->getAttribute(t.memberName)) {
          // A hidden attribute is set though the stream does not carry it.
          Kind k;
          Value ignored, out;
          if (live::readAttribute(a, k, ignored) && convert(kind, k, v, out)) {
            live::writeAttribute(a, k, out);
            return;
          }
        }
      } else if (t.memberType == ZKRoute::sensor_member && name == "enabled") {
        Value on;
        if (!convert(kind, bool_kind, v, on)) break;
        ZKComponentSensor s = c->getComponentSensor();
        s.setEnabled(on.v[0] != 0 ? 1 : 0);
        c->setComponentSensor(s);
        return;
      }
      break;
    }
    default:
      break;
  }
  Value out;
  if (target && field >= 0 &&
      convert(kind, objects[target->id - 1].fields[field].kind, v, out) &&
      write(*target, field, out))
    return;
  if (route.said) return;
  route.said = true;
  std::cerr << "zkcp: live: route /" << route.route->getName() << "/ to "
            << route.route->getTargetEvent() << " cannot carry a " << kindName(kind)
            << " value; it is skipped\n";
}

// The activation comes before what its starting or finishing functions
// did (an attribute they set may cross a threshold).
void ZKLiveWorld::Impl::setBehavior(Comp& comp, const RWCString& behavior, bool on) {
  const size_t before = events.size();
  if (on)
    world->activateBehavior(comp.c, behavior, 0);
  else
    world->deactivateBehavior(comp.c, behavior);
  lookAtBehaviors(static_cast<int>(&comp - comps.data()), before);
}

// Compares a component's active behaviours with what they were, and
// reports each one that started or ended, at `at` in the events.
void ZKLiveWorld::Impl::lookAtBehaviors(int ci, size_t at) {
  Comp& comp = comps[ci];
  if (comp.behaviors.empty() || comp.dead) return;
  RWTValSortedVector<RWCString>& names = activeNames;
  comp.c->getActiveBehaviorNames(names);
  bool same = names.entries() == comp.active.size();
  for (size_t i = 0; same && i < names.entries(); ++i) same = comp.active[i] == names(i).str();
  if (same) return;
  std::vector<std::string> now;
  for (size_t i = 0; i < names.entries(); ++i) now.push_back(names(i).str());
  for (Id_t b : comp.behaviors) {
    Rec* r = rec(b);
    const std::string n = r->member.str();
    const bool was = std::binary_search(comp.active.begin(), comp.active.end(), n);
    const bool is = std::binary_search(now.begin(), now.end(), n);
    if (was != is) {
      events.insert(events.begin() + static_cast<std::ptrdiff_t>(at++),
                    {is ? behavior_activated : behavior_deactivated, stamp, b, kNone});
      touch(*r);
    }
  }
  comp.active = std::move(now);
}

bool ZKLiveWorld::Impl::accept(double time) {
  if (!world || !std::isfinite(time) || time < clock) return false;
  clock = time;
  stamp = time;
  checkComponents();
  return true;
}

// Components that left the world; a renamed one is found by the first
// event naming it.
void ZKLiveWorld::Impl::checkComponents() {
  if (world->getNumActiveComponents() == numActive && world->getNumComponents() == numAll) return;
  numActive = world->getNumActiveComponents();
  numAll = world->getNumComponents();
  for (size_t i = 0; i < comps.size(); ++i) alive(static_cast<int>(i));
}

bool ZKLiveWorld::Impl::alive(int ci) {
  Comp& comp = comps[ci];
  if (comp.dead) return false;
  if (comp.c->getName() == comp.name && world->getActiveComponent(comp.name.getString()) == comp.c)
    return true;
  kill(ci);
  return false;
}

// A component that left the world or changed its name: its objects stop.
void ZKLiveWorld::Impl::kill(int ci) {
  Comp& comp = comps[ci];
  comp.dead = true;
  std::vector<Id_t> ids = comp.objects;
  ids.push_back(comp.id);
  for (Id_t id : ids) {
    Rec* r = rec(id);
    r->nodeSensor.reset();
    if (r->watch) {
      if (comp.c->getAttribute(r->member) == r->attribute)
        r->watch->unwatch(r->attribute);
      else
        r->watch->rec = nullptr;
      r->watch = nullptr;
    }
  }
  for (auto it = colliding.begin(); it != colliding.end();) {
    if (it->first == ci || it->second == ci) {
      events.push_back({collision_ended, stamp, comps[it->first].id, comps[it->second].id});
      it = colliding.erase(it);
    } else {
      ++it;
    }
  }
}

void ZKLiveWorld::Impl::setProximity(int si, ProximityField field, const Value& v) {
  Sensor& s = sensors[si];
  Rec& r = *rec(s.id);
  ZKProximitySensor* p = r.proximity;
  if (field == p_center) p->setCenter(live::toVec(v));
  if (field == p_size) p->setSize(live::toVec(v));
  if (field == p_enabled) p->setEnabled(v.v[0] != 0 ? 1 : 0);
  touch(r);
  // Who is inside is decided again.
  for (const auto& [name, viewer] : viewers) {
    (void)viewer;
    placeViewer(name);
  }
}

// One viewer enters or leaves one sensor; the sensor's events follow the
// first to enter and the last to leave.
void ZKLiveWorld::Impl::viewerIn(const std::string& viewer, int si, bool in) {
  Sensor& s = sensors[si];
  Rec& r = *rec(s.id);
  const bool was = s.inside.count(viewer) != 0;
  if (in == was) return;
  if (in)
    s.inside.insert(viewer);
  else
    s.inside.erase(viewer);
  if (in && s.inside.size() == 1) {
    s.active = true;
    s.enterTime = stamp;
    touch(r);
    settle();
  } else if (!in && s.inside.empty()) {
    s.active = false;
    s.exitTime = stamp;
    touch(r);
    settle();
  }
}

void ZKLiveWorld::Impl::placeViewer(const std::string& name) {
  const Viewer& v = viewers[name];
  if (!v.placed) return;
  for (size_t i = 0; i < sensors.size(); ++i) {
    const ZKProximitySensor* p = rec(sensors[i].id)->proximity;
    const SbVec3f d = v.position - p->getCenter();
    const SbVec3f& size = p->getSize();
    const bool in = p->getEnabled() && std::fabs(d[0]) <= size[0] / 2 &&
                    std::fabs(d[1]) <= size[1] / 2 && std::fabs(d[2]) <= size[2] / 2;
    viewerIn(name, static_cast<int>(i), in);
    if (in) {
      fire(sensors[i].id, "position", live::vec(v.position), vec3f_kind);
      fire(sensors[i].id, "orientation", live::rot(v.orientation), rotation_kind);
    }
  }
}

void ZKLiveWorld::Impl::testCollisions(const std::vector<int>& moved) {
  // Whoever moved them, their boxes are computed again.
  for (int a : moved) comps[a].c->objectIsDirty();
  std::set<std::pair<int, int>> tested;
  for (int a : moved) {
    for (size_t b = 0; b < comps.size(); ++b) {
      if (static_cast<int>(b) == a || comps[b].dead) continue;
      const std::pair<int, int> pair(std::min(a, static_cast<int>(b)), std::max(a, static_cast<int>(b)));
      if (!tested.insert(pair).second) continue;
      const bool hit = comps[pair.first].c->checkForComponentCollisions(comps[pair.second].c) != 0;
      const bool was = colliding.count(pair) != 0;
      if (hit == was) continue;
      if (hit)
        colliding.insert(pair);
      else
        colliding.erase(pair);
      events.push_back({hit ? collision_began : collision_ended, stamp, comps[pair.first].id,
                        comps[pair.second].id});
    }
  }
}

bool ZKLiveWorld::Impl::step(double seconds, bool update, Tick_t& out) {
  out.changes.clear();
  out.events.clear();
  if (!world || !std::isfinite(seconds) || seconds < 0 || !accept(clock + seconds)) return false;
  // update() where it can do something: a component without behaviours
  // does nothing in it. Then the behaviours that started or ended, here or
  // outside the live world since the last tick.
  {
    QuietAbove quiet(componentHolder);
    if (update)
      for (int i : running)
        if (!comps[i].dead) {
          quiet.act();
          comps[i].c->update();
        }
    settle();
    for (int i : running) lookAtBehaviors(i, events.size());
    settle();
    if (!changed.empty() || !events.empty()) quiet.act();
  }
  if (collisions) {
    std::vector<int> moved;
    for (const auto& [id, field] : changed) {
      (void)field;
      const Rec* r = rec(id);
      if (r->type == component_object || r->type == part_object) moved.push_back(r->component);
    }
    std::sort(moved.begin(), moved.end());
    moved.erase(std::unique(moved.begin(), moved.end()), moved.end());
    testCollisions(moved);
  }
  out.sequence = ++sequence;
  out.time = clock;
  for (const auto& [id, field] : changed) {
    Rec* r = rec(id);
    r->queued &= ~(1u << field);
    Value& sent = state[r->first + field].value;
    if (r->seen[field] == sent) continue;
    assign(sent, r->seen[field]);
    out.changes.push_back({id, static_cast<std::uint16_t>(field), sent});
  }
  changed.clear();
  out.events.swap(events);
  events.clear();
  return true;
}

// ---------------------------------------------------------------------------

ZKLiveWorld::ZKLiveWorld(ZKComponentDB* world, const ZKX3DWriter* page)
    : impl(std::make_unique<Impl>()) {
  impl->world = world;
  if (world) impl->build(page);
}

ZKLiveWorld::~ZKLiveWorld() {
  for (size_t i = 0; i < impl->comps.size(); ++i)
    if (!impl->comps[i].dead) impl->kill(static_cast<int>(i));
  for (auto& r : impl->recs) {
    r->nodeSensor.reset();
    if (r->light) r->light->unref();
  }
  for (auto& comp : impl->comps) comp.c->unref();
  if (impl->componentHolder) impl->componentHolder->unref();
}

bool ZKLiveWorld::isValid() const { return impl->world != nullptr; }

const std::vector<ZKLiveWorld::Object>& ZKLiveWorld::manifest() const { return impl->objects; }

const ZKLiveWorld::Object* ZKLiveWorld::object(Id_t id) const {
  return id >= 1 && id <= impl->objects.size() ? &impl->objects[id - 1] : nullptr;
}

ZKLiveWorld::Id_t ZKLiveWorld::find(Object_t type, const std::string& name,
                                    const std::string& member) const {
  if (type == light_object || type == proximity_sensor_object) {
    for (const Object& o : impl->objects)
      if (o.type == type && o.name == name) return o.id;
    return kNone;
  }
  auto found = impl->compByName.find(name);
  if (found == impl->compByName.end()) return kNone;
  const Impl::Comp& comp = impl->comps[found->second];
  if (type == component_object) return member.empty() ? comp.id : kNone;
  for (Id_t o : comp.objects)
    if (impl->objects[o - 1].type == type && impl->objects[o - 1].name == member) return o;
  return kNone;
}

double ZKLiveWorld::now() const { return impl->clock; }

bool ZKLiveWorld::viewerMoved(const std::string& viewer, double time, const SbVec3f& position,
                              const SbRotation& orientation) {
  const float* q = orientation.getValue();
  if (!finite(position) || !std::isfinite(q[0]) || !std::isfinite(q[1]) ||
      !std::isfinite(q[2]) || !std::isfinite(q[3]) || !impl->accept(time))
    return false;
  Impl::Viewer& v = impl->viewers[viewer];
  v.position = position;
  v.orientation = orientation;
  v.placed = true;
  impl->placeViewer(viewer);
  impl->settle();
  return true;
}

bool ZKLiveWorld::viewerLeft(const std::string& viewer, double time) {
  if (!impl->world || !impl->viewers.count(viewer) || !impl->accept(time)) return false;
  for (size_t i = 0; i < impl->sensors.size(); ++i) impl->viewerIn(viewer, static_cast<int>(i), false);
  impl->viewers.erase(viewer);
  impl->settle();
  return true;
}

bool ZKLiveWorld::proximityEvent(const std::string& viewer, Id_t sensor, bool inside, double time) {
  const Impl::Rec* r = impl->rec(sensor);
  if (!r || r->type != proximity_sensor_object || !impl->accept(time)) return false;
  impl->viewers.emplace(viewer, Impl::Viewer());
  impl->viewerIn(viewer, r->sensorIndex, inside && r->proximity->getEnabled());
  impl->settle();
  return true;
}

bool ZKLiveWorld::sensorEvent(const std::string& component, const std::string& field,
                              double time, const Value_t& value) {
  if (!impl->world || !finite(value)) return false;
  auto found = impl->compByName.find(component);
  if (found == impl->compByName.end() || !impl->comps[found->second].sensor) return false;
  const Id_t id = impl->comps[found->second].sensor;
  int f = -1;
  const auto& fields = impl->objects[id - 1].fields;
  for (size_t i = 0; i < fields.size(); ++i)
    if (fields[i].name == field) f = static_cast<int>(i);
  if (f < 0 || !impl->accept(time) || !impl->alive(found->second)) return false;
  if (!impl->comps[found->second].c->getComponentSensor().getEnabled()) return true;
  impl->fire(id, field, value, fields[f].kind);
  impl->settle();
  return true;
}

bool ZKLiveWorld::activateBehavior(Id_t behavior, double time) {
  Impl::Rec* r = impl->rec(behavior);
  if (!r || r->type != behavior_object || !impl->accept(time) || !impl->alive(r->component))
    return false;
  impl->setBehavior(impl->comps[r->component], r->member, true);
  impl->settle();
  return true;
}

bool ZKLiveWorld::deactivateBehavior(Id_t behavior, double time) {
  Impl::Rec* r = impl->rec(behavior);
  if (!r || r->type != behavior_object || !impl->accept(time) || !impl->alive(r->component))
    return false;
  impl->setBehavior(impl->comps[r->component], r->member, false);
  impl->settle();
  return true;
}

bool ZKLiveWorld::setAttribute(Id_t attribute, const Value_t& value, double time) {
  Impl::Rec* r = impl->rec(attribute);
  if (!r || r->type != attribute_object || !finite(value) || !impl->accept(time) ||
      !impl->alive(r->component) || !r->watch)
    return false;
  impl->write(*r, 0, value);
  impl->settle();
  return true;
}

bool ZKLiveWorld::watchThreshold(Id_t attribute, bool (*test)(const Value_t&)) {
  Impl::Rec* r = impl->rec(attribute);
  if (!r || r->type != attribute_object || !test) return false;
  Kind kind;
  Value now;
  live::readAttribute(r->attribute, kind, now);
  r->threshold = test;
  r->thresholdWas = test(now);
  return true;
}

bool ZKLiveWorld::tick(double seconds, Tick_t& out) {
  return impl->step(seconds, true, out);
}

bool ZKLiveWorld::collect(double seconds, Tick_t& out) {
  return impl->step(seconds, false, out);
}

void ZKLiveWorld::snapshot(std::vector<Change_t>& out) const {
  const std::vector<Change_t>& state = impl->state;
  out.resize(state.size());
  for (size_t i = 0; i < state.size(); ++i) {
    out[i].id = state[i].id;
    out[i].field = state[i].field;
    assign(out[i].value, state[i].value);
  }
}

void ZKLiveWorld::setCollisionTesting(bool on) { impl->collisions = on; }
