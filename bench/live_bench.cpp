// The live world beside the bare loop of update(): 10,000 components, 1,000
// of them with a behaviour that turns their part "Arm" on every update.
// Per round, 200 times: the bare loop over the components, then
// ZKLiveWorld::tick (update, routes, gathering the changes); the bare loop
// again, unmeasured, then the behaviours alone: update() of the components
// the tick runs, with the group that holds them told once, as the tick
// tells it. The tick's own work is what it costs beyond the behaviours
// (less its sensors, which hear each change in both loops).
// Then ticks with every behaviour switched off (nothing moves), then a
// snapshot. Each measured loop follows a bare loop, so each starts from
// the same caches. Times are processor time of the benchmark's thread, in
// milliseconds.
#include "RobotGrid.h"

#include <Inventor/SoDB.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr int kComponents = 10000;
constexpr int kMoving = 1000;
constexpr int kTicks = 200;

// The machine is shared: times are this thread's processor time.
struct Clock {
  using time_point = double;
  static double now() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
  }
};

double ms(double a, double b) { return b - a; }

double p95(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(v.size() * 0.95)];
}

double mean(const std::vector<double>& v) {
  double sum = 0;
  for (double d : v) sum += d;
  return sum / v.size();
}

// The group the world's components are children of.
SoNode* componentHolder(ZKComponentDB& world) {
  auto* list = static_cast<SoNodeKitListPart*>(world.getComponentRoot()->getPart("childList", FALSE));
  return (*list->getChildren())[0];
}

void BM_LiveTickBesideUpdate(benchmark::State& state) {
  SoDB::init();
  ZKComponent::initClass();
  ZKComponentDB world;
  const ZKBehavior turner = bench::turner();
  std::vector<ZKComponent*> components;
  for (int i = 0; i < kComponents; ++i) {
    ZKComponent* c = bench::addRobot(&world, i);
    c->getTransform()->translation.setValue(static_cast<float>(i % 100) * 3, 0,
                                            static_cast<float>(i / 100) * 3);
    auto* size = new ZKFloatAttribute;
    size->setName("size");
    c->addAttribute("size", size);
    if (i % (kComponents / kMoving) == 0) {
      c->addBehavior("turn", turner);
      c->activateBehavior("turn", 1);
    }
    components.push_back(c);
  }
  std::vector<ZKComponent*> moving;
  for (ZKComponent* c : components)
    if (c->getNumBehaviors() > 0) moving.push_back(c);
  SoNode* holder = componentHolder(world);
  ZKLiveWorld live(&world);
  ZKLiveWorld::Tick_t tick;
  std::vector<ZKLiveWorld::Change_t> snap;
  std::vector<double> bare, ticks, behaviors, idle, snaps;
  size_t changes = 0;
  for (auto _ : state) {
    for (int i = 0; i < kTicks; ++i) {
      const auto t0 = Clock::now();
      for (ZKComponent* c : components) c->update();
      const auto t1 = Clock::now();
      live.tick(0.05, tick);
      const auto t2 = Clock::now();
      bare.push_back(ms(t0, t1));
      ticks.push_back(ms(t1, t2));
      changes = tick.changes.size();
      for (ZKComponent* c : components) c->update();
      const auto t3 = Clock::now();
      holder->enableNotify(FALSE);
      for (ZKComponent* c : moving) c->update();
      holder->enableNotify(TRUE);
      holder->touch();
      behaviors.push_back(ms(t3, Clock::now()));
    }
    for (const ZKLiveWorld::Object& o : live.manifest())
      if (o.type == ZKLiveWorld::behavior_object) live.deactivateBehavior(o.id, live.now());
    live.tick(0.05, tick);
    for (int i = 0; i < kTicks; ++i) {
      const auto t0 = Clock::now();
      live.tick(0.05, tick);
      idle.push_back(ms(t0, Clock::now()));
    }
    const auto t0 = Clock::now();
    live.snapshot(snap);
    snaps.push_back(ms(t0, Clock::now()));
    for (const ZKLiveWorld::Object& o : live.manifest())
      if (o.type == ZKLiveWorld::behavior_object) live.activateBehavior(o.id, live.now());
  }
  state.counters["bare_update_ms"] = mean(bare);
  state.counters["tick_ms"] = mean(ticks);
  state.counters["tick_p95_ms"] = p95(ticks);
  state.counters["tick_over_bare"] = mean(ticks) / mean(bare);
  state.counters["behaviors_ms"] = mean(behaviors);
  state.counters["behaviors_p95_ms"] = p95(behaviors);
  state.counters["tick_over_behaviors"] = mean(ticks) / mean(behaviors);
  state.counters["idle_tick_ms"] = mean(idle);
  state.counters["snapshot_ms"] = mean(snaps);
  state.counters["changes"] = static_cast<double>(changes);
  state.counters["values"] = static_cast<double>(snap.size());
}
BENCHMARK(BM_LiveTickBesideUpdate)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
