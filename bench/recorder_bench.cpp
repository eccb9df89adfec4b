// The cost of recording: 10,000 components whose behaviour moves them and
// sets two of their four attributes on every update, stepped 100 times
// plainly and then recorded over 100 steps. "ratio" is the recording's time
// over the plain steps' time; the recording includes watching the world,
// keeping the keys and putting the world back.
#include <zkcp/zkcp.h>

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoTransform.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

void walk(ZKComponent* c) {
  SoTransform* t = c->getTransform();
  t->translation.setValue(t->translation.getValue() + SbVec3f(0.01f, 0, 0));
  auto* odometer = static_cast<ZKFloatAttribute*>(c->getAttribute("odometer"));
  odometer->setValue(odometer->getValue() + 0.01f);
  static_cast<ZKBoolAttribute*>(c->getAttribute("walking"))->setValue(1);
}

void BM_RecordBesideSteps(benchmark::State& state) {
  SoDB::init();
  ZKComponent::initClass();
  ZKComponentDB world;
  const ZKBehavior walker("bench:walk", "bench.dll", "walk", &walk, RWTValSlist<RWCString>(),
                          ZKBehavior::Dependencies(), "", nullptr, "", nullptr);
  std::vector<ZKComponent*> components;
  for (int i = 0; i < 10000; ++i) {
    auto* c = new ZKComponent(("c" + std::to_string(i)).c_str(), "Walker", "ZKNoFile", nullptr,
                              &world);
    c->ref();
    world.addComponent(c, 1, nullptr);
    for (const char* name : {"odometer", "size"}) c->addAttribute(name, new ZKFloatAttribute);
    for (const char* name : {"walking", "visible"}) c->addAttribute(name, new ZKBoolAttribute);
    c->addBehavior("walk", walker);
    c->activateBehavior("walk", 1);
    components.push_back(c);
  }
  const int steps = static_cast<int>(state.range(0));
  double plain = 0, recorded = 0;
  size_t keys = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    for (int s = 0; s < steps; ++s)
      for (ZKComponent* c : components) c->update();
    auto t1 = std::chrono::steady_clock::now();
    ZKWorldRecorder recorder(&world);
    recorder.record(steps, 0.1);
    auto t2 = std::chrono::steady_clock::now();
    plain += std::chrono::duration<double>(t1 - t0).count();
    recorded += std::chrono::duration<double>(t2 - t1).count();
    keys = 0;
    for (const auto& track : recorder.getRuns()[0].tracks) keys += track.keys.size();
  }
  state.counters["steps_ms"] = benchmark::Counter(plain * 1e3 / state.iterations());
  state.counters["record_ms"] = benchmark::Counter(recorded * 1e3 / state.iterations());
  state.counters["ratio"] = benchmark::Counter(recorded / plain);
  state.counters["keys"] = benchmark::Counter(static_cast<double>(keys));
}
BENCHMARK(BM_RecordBesideSteps)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
