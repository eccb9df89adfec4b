#include <zkcp/world/ZKWorldRecorder.h>

#include <zkcp/attribute/ZKLinearAttributes.h>
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/attribute/ZKStringAttributes.h>
#include <zkcp/attribute/ZKThreshold.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKDatabaseIterators.h>
#include <zkcp/world/ZKLightIterator.h>

#include <Inventor/nodes/SoLight.h>
#include <Inventor/nodes/SoTransform.h>
#include <Inventor/sensors/SoNodeSensor.h>

namespace {

constexpr int kMaxSlots = 5;
const char* const kTransformMembers[kMaxSlots] = {"translation", "rotation", "scale",
                                                   "scaleOrientation", "center"};
const ZKWorldRecorder::Kind_t kTransformKinds[kMaxSlots] = {
    ZKWorldRecorder::vec3f_kind, ZKWorldRecorder::rotation_kind, ZKWorldRecorder::vec3f_kind,
    ZKWorldRecorder::rotation_kind, ZKWorldRecorder::vec3f_kind};
const char* const kLightMembers[3] = {"on", "intensity", "color"};
const ZKWorldRecorder::Kind_t kLightKinds[3] = {
    ZKWorldRecorder::bool_kind, ZKWorldRecorder::float_kind, ZKWorldRecorder::color_kind};

using Value = ZKWorldRecorder::Value_t;

Value vec(const SbVec3f& p) {
  Value out;
  out.v = {p[0], p[1], p[2], 0};
  return out;
}

Value rot(const SbRotation& r) {
  const float* q = r.getValue();
  Value out;
  out.v = {q[0], q[1], q[2], q[3]};
  return out;
}

Value number(double d) {
  Value out;
  out.v[0] = d;
  return out;
}

SbVec3f toVec(const Value& v) {
  return SbVec3f(static_cast<float>(v.v[0]), static_cast<float>(v.v[1]),
                 static_cast<float>(v.v[2]));
}

SbRotation toRot(const Value& v) {
  return SbRotation(static_cast<float>(v.v[0]), static_cast<float>(v.v[1]),
                    static_cast<float>(v.v[2]), static_cast<float>(v.v[3]));
}

}  // namespace

// One watched node or attribute and the values read from it: the five
// transform fields, the three light values, or the attribute's value.
struct ZKWorldRecorder::Watch {
  ZKWorldRecorder* recorder = nullptr;
  Subject_t subject = transform_subject;
  ZKComponent* component = nullptr;
  RWCString part;
  RWCString light;
  RWCString attributeName;
  SoTransform* transform = nullptr;
  SoLight* lightNode = nullptr;
  ZKAttribute* attribute = nullptr;
  Kind_t attributeKind = bool_kind;
  std::unique_ptr<SoNodeSensor> sensor;
  AttributeWatch* threshold = nullptr;
  int slots = 0;
  Value start[kMaxSlots];  // at the start of every run
  Value last[kMaxSlots];   // at the last key
  int lastStep[kMaxSlots] = {};
  int track[kMaxSlots] = {-1, -1, -1, -1, -1};
  bool pending = false;  // touched since the last sample
  bool inRun = false;    // touched during this run

  void read(Value* out) const {
    switch (subject) {
      case transform_subject:
        out[0] = vec(transform->translation.getValue());
        out[1] = rot(transform->rotation.getValue());
        out[2] = vec(transform->scaleFactor.getValue());
        out[3] = rot(transform->scaleOrientation.getValue());
        out[4] = vec(transform->center.getValue());
        break;
      case light_subject:
        out[0] = number(lightNode->on.getValue() ? 1 : 0);
        out[1] = number(lightNode->intensity.getValue());
        out[2] = vec(lightNode->color.getValue());
        break;
      case attribute_subject:
        ZKWorldRecorder::read(attribute, attributeKind, out[0]);
        break;
    }
  }

  void write(int slot, const Value& v) {
    switch (subject) {
      case transform_subject:
        switch (slot) {
          case 0: transform->translation.setValue(toVec(v)); break;
          case 1: transform->rotation.setValue(toRot(v)); break;
          case 2: transform->scaleFactor.setValue(toVec(v)); break;
          case 3: transform->scaleOrientation.setValue(toRot(v)); break;
          default: transform->center.setValue(toVec(v)); break;
        }
        break;
      case light_subject:
        if (slot == 0) lightNode->on.setValue(v.v[0] != 0);
        else if (slot == 1) lightNode->intensity.setValue(static_cast<float>(v.v[0]));
        else lightNode->color.setValue(toVec(v));
        break;
      case attribute_subject:
        writeAttribute(v);
        break;
    }
  }

  void writeAttribute(const Value& v) {
    switch (attributeKind) {
      case bool_kind: static_cast<ZKBoolAttribute*>(attribute)->setValue(v.v[0] != 0); break;
      case float_kind:
        static_cast<ZKFloatAttribute*>(attribute)->setValue(static_cast<float>(v.v[0]));
        break;
      case time_kind: static_cast<ZKTimeAttribute*>(attribute)->setValue(v.v[0]); break;
      case vec3f_kind: static_cast<ZKVec3fAttribute*>(attribute)->setValue(toVec(v)); break;
      case color_kind:
        static_cast<ZKColorAttribute*>(attribute)->setValue(SbColor(toVec(v)));
        break;
      case rotation_kind:
        static_cast<ZKRotationAttribute*>(attribute)->setValue(toRot(v));
        break;
      case string_kind:
        static_cast<ZKStringAttribute*>(attribute)->setValue(v.text.c_str());
        break;
      case string_list_kind: {
        SoMFString list;
        size_t from = 0;
        for (int i = 0; !v.text.empty() && from <= v.text.size(); ++i) {
          const size_t end = v.text.find('\n', from);
          list.set1Value(i, v.text.substr(from, end == std::string::npos ? end : end - from).c_str());
          if (end == std::string::npos) break;
          from = end + 1;
        }
        static_cast<ZKMFStringAttribute*>(attribute)->setValue(list);
        break;
      }
    }
  }

  Kind_t kind(int slot) const {
    if (subject == transform_subject) return kTransformKinds[slot];
    if (subject == light_subject) return kLightKinds[slot];
    return attributeKind;
  }
  const char* member(int slot) const {
    if (subject == transform_subject) return kTransformMembers[slot];
    if (subject == light_subject) return kLightMembers[slot];
    return attributeName.data();
  }
};

// Marks its attribute's watch touched whenever a typed setter runs.
class ZKWorldRecorder::AttributeWatch : public ZKThreshold {
 public:
  explicit AttributeWatch(Watch* w) : watch(w) {}
  int check(ZKAttribute*) override {
    if (watch) touched(watch, nullptr);
    return 0;
  }
  void watchAttribute(ZKAttribute* a) { addThreshold(a); }
  void unwatchAttribute(ZKAttribute* a) { removeThreshold(a); }

  // Null once the recorder let go of an attribute it could not reach.
  Watch* watch;
};

ZKWorldRecorder::ZKWorldRecorder(ZKComponentDB* w) : world(w) {}

ZKWorldRecorder::~ZKWorldRecorder() { unwatchWorld(); }

bool ZKWorldRecorder::readAttribute(ZKAttribute* a, Kind_t& kind, Value_t& out) {
  if (!a) return false;
  const SoType type = a->getTypeId();
  if (type == ZKBoolAttribute::getClassTypeId()) kind = bool_kind;
  else if (type == ZKFloatAttribute::getClassTypeId()) kind = float_kind;
  else if (type == ZKTimeAttribute::getClassTypeId()) kind = time_kind;
  else if (type == ZKVec3fAttribute::getClassTypeId()) kind = vec3f_kind;
  else if (type == ZKColorAttribute::getClassTypeId()) kind = color_kind;
  else if (type == ZKRotationAttribute::getClassTypeId()) kind = rotation_kind;
  else if (type == ZKStringAttribute::getClassTypeId()) kind = string_kind;
  else if (type == ZKMFStringAttribute::getClassTypeId()) kind = string_list_kind;
  else return false;
  read(a, kind, out);
  return true;
}

void ZKWorldRecorder::read(ZKAttribute* a, Kind_t kind, Value_t& out) {
  out.text.clear();
  switch (kind) {
    case bool_kind: out = number(static_cast<ZKBoolAttribute*>(a)->getValue() ? 1 : 0); break;
    case float_kind: out = number(static_cast<ZKFloatAttribute*>(a)->getValue()); break;
    case time_kind:
      out = number(ZKTimeAttribute::seconds(static_cast<ZKTimeAttribute*>(a)->getValue()));
      break;
    case vec3f_kind: out = vec(static_cast<ZKVec3fAttribute*>(a)->getValue()); break;
    case color_kind: out = vec(static_cast<ZKColorAttribute*>(a)->getValue()); break;
    case rotation_kind: out = rot(static_cast<ZKRotationAttribute*>(a)->getValue()); break;
    case string_kind:
      out.v = {0, 0, 0, 0};
      out.text = static_cast<ZKStringAttribute*>(a)->getValue().data();
      break;
    case string_list_kind: {
      out.v = {0, 0, 0, 0};
      const SoMFString& list = static_cast<ZKMFStringAttribute*>(a)->getValue();
      for (int i = 0; i < list.getNum(); ++i) {
        if (i) out.text += '\n';
        out.text += list[i].getString();
      }
      break;
    }
  }
}

void ZKWorldRecorder::touched(void* data, SoSensor*) {
  auto* w = static_cast<Watch*>(data);
  ZKWorldRecorder* r = w->recorder;
  if (!w->pending) {
    w->pending = true;
    r->pending.push_back(w);
  }
  if (!w->inRun) {
    w->inRun = true;
    r->inRun.push_back(w);
  }
}

void ZKWorldRecorder::addWatch(std::unique_ptr<Watch> w) {
  w->recorder = this;
  w->read(w->start);
  for (int i = 0; i < w->slots; ++i) w->last[i] = w->start[i];
  watches.push_back(std::move(w));
}

void ZKWorldRecorder::watchWorld() {
  if (!watches.empty()) return;
  auto watchTransform = [this](ZKComponent* c, const RWCString& part, ZKPart* node) {
    auto* t = static_cast<SoTransform*>(node->getPart("transform", FALSE));
    if (!t) return;
    auto w = std::make_unique<Watch>();
    w->subject = transform_subject;
    w->component = c;
    w->part = part;
    w->transform = t;
    w->slots = kMaxSlots;
    w->sensor = std::make_unique<SoNodeSensor>(&ZKWorldRecorder::touched, w.get());
    w->sensor->setPriority(0);
    w->sensor->attach(t);
    addWatch(std::move(w));
  };
  ZKComponentIterator components(world, ZKComponentIterator::all_active_components, "");
  RWTValSortedVector<RWCString> names;
  while (components++) {
    ZKComponent* c = components.getValue();
    watchTransform(c, "", c);
    c->getLogicalPartNames(names);
    for (size_t i = 0; i < names.entries(); ++i) {
      ZKPart* part = c->getLogicalPart(names(i));
      if (part && part != c) watchTransform(c, names(i), part);
    }
    c->getAttributeNames(names);
    for (size_t i = 0; i < names.entries(); ++i) {
      ZKAttribute* a = c->getAttribute(names(i));
      Value_t ignored;
      auto w = std::make_unique<Watch>();
      if (!a || a->isHidden() || !readAttribute(a, w->attributeKind, ignored)) continue;
      w->subject = attribute_subject;
      w->component = c;
      w->attributeName = names(i);
      w->attribute = a;
      w->slots = 1;
      w->threshold = new AttributeWatch(w.get());
      w->threshold->watchAttribute(a);
      addWatch(std::move(w));
    }
  }
  ZKLightIterator lights(world, ZKLightIterator::all_lights);
  while (lights++) {
    if (!lights.getValue()) continue;
    auto w = std::make_unique<Watch>();
    w->subject = light_subject;
    w->light = *lights.getName();
    w->lightNode = lights.getValue();
    w->slots = 3;
    w->sensor = std::make_unique<SoNodeSensor>(&ZKWorldRecorder::touched, w.get());
    w->sensor->setPriority(0);
    w->sensor->attach(w->lightNode);
    addWatch(std::move(w));
  }
  pending.clear();
  inRun.clear();
}

void ZKWorldRecorder::unwatchWorld() {
  for (auto& w : watches) {
    if (!w->threshold) continue;
    // An attribute its component no longer holds may be gone: its watch is
    // cut loose instead of taken off.
    if (w->component->getAttribute(w->attributeName) == w->attribute)
      w->threshold->unwatchAttribute(w->attribute);
    else
      w->threshold->watch = nullptr;
  }
  watches.clear();
  pending.clear();
  inRun.clear();
}

void ZKWorldRecorder::step(ZKComponent* only) {
  if (only) {
    only->update();
    return;
  }
  ZKComponentIterator components(world, ZKComponentIterator::all_active_components, "");
  while (components++) components.getValue()->update();
}

void ZKWorldRecorder::sample(int step, Run_t& run) {
  for (Watch* w : pending) {
    w->pending = false;
    Value_t now[kMaxSlots];
    w->read(now);
    for (int i = 0; i < w->slots; ++i) {
      if (now[i] == w->last[i]) continue;
      if (w->track[i] < 0) {
        w->track[i] = static_cast<int>(run.tracks.size());
        Track_t t;
        t.subject = w->subject;
        t.kind = w->kind(i);
        t.component = w->component;
        t.part = w->part;
        t.light = w->light;
        t.member = w->member(i);
        t.before = w->start[i];
        if (step > 0) t.keys.push_back({0, w->last[i]});
        run.tracks.push_back(std::move(t));
      }
      std::vector<Key_t>& keys = run.tracks[w->track[i]].keys;
      if (step > 1 && w->lastStep[i] < step - 1) keys.push_back({step - 1, w->last[i]});
      keys.push_back({step, now[i]});
      w->last[i] = now[i];
      w->lastStep[i] = step;
      if (step > 0 && step == run.steps) run.keepsRunning = true;
    }
  }
  pending.clear();
}

void ZKWorldRecorder::putBack() {
  for (Watch* w : inRun) {
    Value_t now[kMaxSlots];
    w->read(now);
    for (int i = 0; i < w->slots; ++i) {
      if (now[i] != w->start[i]) w->write(i, w->start[i]);
      w->last[i] = w->start[i];
      w->lastStep[i] = 0;
      w->track[i] = -1;
    }
  }
  for (Watch* w : inRun) w->inRun = w->pending = false;
  for (Watch* w : pending) w->inRun = w->pending = false;
  inRun.clear();
  pending.clear();
}

void ZKWorldRecorder::recordStartup(int steps, double timeStep) {
  if (!world || steps < 1) return;
  const bool own = watches.empty();
  watchWorld();
  Run_t run;
  run.steps = steps;
  run.timeStep = timeStep;
  ZKComponentIterator components(world, ZKComponentIterator::all_active_components, "");
  RWTValSortedVector<RWCString> names;
  while (components++) {
    components.getValue()->getActiveBehaviorNames(names);
    for (size_t i = 0; i < names.entries(); ++i)
      run.behaviors.emplace_back(components.getValue(), names(i));
  }
  for (int s = 1; s <= steps; ++s) {
    step(nullptr);
    sample(s, run);
  }
  putBack();
  runs.push_back(std::move(run));
  if (own) unwatchWorld();
}

void ZKWorldRecorder::recordActivation(ZKComponent* c, const RWCString& behavior, int steps,
                                       double timeStep,
                                       const std::vector<const ZKRoute*>& routes) {
  if (!world || !c || steps < 1 || !c->isValidBehavior(behavior)) return;
  RWTValSortedVector<RWCString> before;
  c->getActiveBehaviorNames(before);
  if (before.contains(behavior)) return;
  const bool own = watches.empty();
  watchWorld();
  Run_t run;
  run.behaviors.emplace_back(c, behavior);
  run.atStartup = false;
  run.routes = routes;
  run.steps = steps;
  run.timeStep = timeStep;
  world->activateBehavior(c, behavior, 0);
  sample(0, run);
  for (int s = 1; s <= steps; ++s) {
    step(c);
    sample(s, run);
  }
  world->deactivateBehavior(c, behavior);
  // Whether the finishing left every value as it was before the run.
  run.undoneByFinish = true;
  for (Watch* w : inRun) {
    Value_t now[kMaxSlots];
    w->read(now);
    for (int i = 0; i < w->slots; ++i)
      if (now[i] != w->start[i]) run.undoneByFinish = false;
  }
  RWTValSortedVector<RWCString> after;
  c->getActiveBehaviorNames(after);
  for (size_t i = 0; i < after.entries(); ++i)
    if (!before.contains(after(i))) world->deactivateBehavior(c, after(i));
  for (size_t i = 0; i < before.entries(); ++i)
    if (!after.contains(before(i))) world->activateBehavior(c, before(i), 0);
  putBack();
  runs.push_back(std::move(run));
  if (own) unwatchWorld();
}

int ZKWorldRecorder::record(int steps, double timeStep) {
  runs.clear();
  if (!world || steps < 1) return 0;
  watchWorld();
  bool anyActive = false;
  ZKComponentIterator components(world, ZKComponentIterator::all_active_components, "");
  RWTValSortedVector<RWCString> names;
  while (!anyActive && components++) {
    components.getValue()->getActiveBehaviorNames(names);
    anyActive = names.entries() > 0;
  }
  if (anyActive) recordStartup(steps, timeStep);
  // The behaviours routes activate, each once with every route to it.
  std::vector<std::pair<std::pair<ZKComponent*, RWCString>, std::vector<const ZKRoute*>>> started;
  for (int i = 0; i < world->getNumRoutes(); ++i) {
    const ZKRoute* r = world->getRouteAt(static_cast<unsigned>(i));
    if (r->getTargetType() != ZKRoute::component_point ||
        r->getTargetMemberType() != ZKRoute::behavior_member)
      continue;
    auto* c = static_cast<ZKComponent*>(r->getTarget());
    const RWCString behavior = r->getTargetMemberName();
    bool known = false;
    for (auto& s : started)
      if (s.first.first == c && s.first.second == behavior) {
        s.second.push_back(r);
        known = true;
      }
    if (!known) started.push_back({{c, behavior}, {r}});
  }
  for (const auto& s : started) {
    if (!world->getActiveComponent(s.first.first->getName().getString())) continue;
    recordActivation(s.first.first, s.first.second, steps, timeStep, s.second);
  }
  unwatchWorld();
  return static_cast<int>(runs.size());
}
