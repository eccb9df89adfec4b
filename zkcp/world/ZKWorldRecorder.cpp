#include <zkcp/world/ZKWorldRecorder.h>

#include <zkcp/attribute/ZKAttribute.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/live/LiveValues.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKDatabaseIterators.h>

#include <Inventor/nodes/SoLight.h>
#include <Inventor/nodes/SoTransform.h>

// One recorded field of an object of the live world, and what the current
// run made of it.
struct ZKWorldRecorder::Slot {
  Subject_t subject = transform_subject;
  Kind_t kind = bool_kind;
  ZKComponent* component = nullptr;
  RWCString part;
  RWCString light;
  RWCString member;
  Value_t start;  // at the start of every run
  Value_t last;   // at the last key
  Value_t now;    // as the live world last reported it
  int lastStep = 0;
  int track = -1;
  bool inRun = false;
  bool kept = true;  // false for what recordings leave out

  void write(ZKComponentDB* world, const Value_t& v) const {
    if (subject == attribute_subject) {
      if (ZKAttribute* a = component->getAttribute(member)) live::writeAttribute(a, kind, v);
      return;
    }
    if (subject == light_subject) {
      SoLight* l = world->getLight(light);
      if (!l) return;
      if (member == "on") l->on.setValue(v.v[0] != 0);
      else if (member == "intensity") l->intensity.setValue(static_cast<float>(v.v[0]));
      else l->color.setValue(live::toVec(v));
      return;
    }
    ZKPart* node = part.isNull() ? component : component->getLogicalPart(part);
    auto* t = node ? static_cast<SoTransform*>(node->getPart("transform", FALSE)) : nullptr;
    if (!t) return;
    if (member == "translation") t->translation.setValue(live::toVec(v));
    else if (member == "rotation") t->rotation.setValue(live::toRot(v));
    else if (member == "scale") t->scaleFactor.setValue(live::toVec(v));
    else if (member == "scaleOrientation") t->scaleOrientation.setValue(live::toRot(v));
    else t->center.setValue(live::toVec(v));
  }
};

ZKWorldRecorder::ZKWorldRecorder(ZKComponentDB* w) : world(w) {}

ZKWorldRecorder::~ZKWorldRecorder() { unwatchWorld(); }

bool ZKWorldRecorder::readAttribute(ZKAttribute* a, Kind_t& kind, Value_t& out) {
  return live::readAttribute(a, kind, out);
}

void ZKWorldRecorder::watchWorld() {
  if (live) return;
  live = std::make_unique<ZKLiveWorld>(world);
  std::vector<ZKLiveWorld::Change_t> values;
  live->snapshot(values);
  const std::vector<ZKLiveWorld::Object>& objects = live->manifest();
  firstSlot.assign(objects.size(), -1);
  size_t at = 0;  // the snapshot lists every field of every object in order
  for (const ZKLiveWorld::Object& o : objects) {
    const size_t first = at;
    if (o.type != ZKLiveWorld::component_sensor_object) at += o.fields.size();
    Subject_t subject;
    if (o.type == ZKLiveWorld::component_object || o.type == ZKLiveWorld::part_object)
      subject = transform_subject;
    else if (o.type == ZKLiveWorld::light_object)
      subject = light_subject;
    else if (o.type == ZKLiveWorld::attribute_object)
      subject = attribute_subject;
    else
      continue;
    firstSlot[o.id - 1] = static_cast<int>(slots.size());
    for (size_t f = 0; f < o.fields.size(); ++f) {
      Slot s;
      s.subject = subject;
      s.kind = o.fields[f].kind;
      const ZKLiveWorld::Object* owner = o.owner ? live->object(o.owner) : &o;
      if (subject != light_subject) s.component = world->getComponent(owner->name.c_str());
      if (o.type == ZKLiveWorld::part_object) s.part = o.name.c_str();
      if (subject == light_subject) s.light = o.name.c_str();
      s.member = subject == attribute_subject ? o.name.c_str() : o.fields[f].name.c_str();
      // A light's location and direction are left to its part or place.
      if (subject == light_subject && f > 2) s.kept = false;
      s.start = s.last = s.now = values[first + f].value;
      slots.push_back(std::move(s));
    }
  }
  inRun.clear();
}

void ZKWorldRecorder::unwatchWorld() {
  live.reset();
  slots.clear();
  firstSlot.clear();
  inRun.clear();
}

void ZKWorldRecorder::take(const ZKLiveWorld::Tick_t& t, int step, Run_t* run) {
  for (const ZKLiveWorld::Change_t& c : t.changes) {
    const int first = firstSlot[c.id - 1];
    if (first < 0) continue;
    Slot& s = slots[first + c.field];
    s.now = c.value;
    if (!run || !s.kept) continue;
    if (!s.inRun) {
      s.inRun = true;
      inRun.push_back(first + c.field);
    }
    if (s.now == s.last) continue;
    if (s.track < 0) {
      s.track = static_cast<int>(run->tracks.size());
      Track_t track;
      track.subject = s.subject;
      track.kind = s.kind;
      track.component = s.component;
      track.part = s.part;
      track.light = s.light;
      track.member = s.member;
      track.before = s.start;
      if (step > 0) track.keys.push_back({0, s.last});
      run->tracks.push_back(std::move(track));
    }
    std::vector<Key_t>& keys = run->tracks[s.track].keys;
    if (step > 1 && s.lastStep < step - 1) keys.push_back({step - 1, s.last});
    keys.push_back({step, s.now});
    s.last = s.now;
    s.lastStep = step;
    if (step > 0 && step == run->steps) run->keepsRunning = true;
  }
}

void ZKWorldRecorder::putBack() {
  for (int i : inRun) {
    Slot& s = slots[i];
    if (s.now != s.start) s.write(world, s.start);
    s.last = s.start;
    s.lastStep = 0;
    s.track = -1;
    s.inRun = false;
  }
  inRun.clear();
  // What putting back changed is taken in without a run.
  live->collect(0, tick);
  take(tick, 0, nullptr);
}

void ZKWorldRecorder::recordStartup(int steps, double timeStep) {
  if (!world || steps < 1) return;
  const bool own = !live;
  watchWorld();
  live->collect(0, tick);
  take(tick, 0, nullptr);
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
    live->tick(timeStep, tick);
    take(tick, s, &run);
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
  const bool own = !live;
  watchWorld();
  live->collect(0, tick);
  take(tick, 0, nullptr);
  Run_t run;
  run.behaviors.emplace_back(c, behavior);
  run.atStartup = false;
  run.routes = routes;
  run.steps = steps;
  run.timeStep = timeStep;
  world->activateBehavior(c, behavior, 0);
  live->collect(0, tick);
  take(tick, 0, &run);
  for (int s = 1; s <= steps; ++s) {
    c->update();
    live->collect(timeStep, tick);
    take(tick, s, &run);
  }
  world->deactivateBehavior(c, behavior);
  // Whether the finishing left every value as it was before the run.
  live->collect(0, tick);
  take(tick, steps + 1, nullptr);
  run.undoneByFinish = true;
  for (int i : inRun)
    if (slots[i].now != slots[i].start) run.undoneByFinish = false;
  for (const ZKLiveWorld::Change_t& ch : tick.changes) {
    const int first = firstSlot[ch.id - 1];
    if (first >= 0 && !slots[first + ch.field].inRun && slots[first + ch.field].kept &&
        ch.value != slots[first + ch.field].start) {
      run.undoneByFinish = false;
      slots[first + ch.field].inRun = true;
      inRun.push_back(first + ch.field);
    }
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
