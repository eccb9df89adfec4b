// Box queries on a component, clean and after a move, and a world with
// 10,000 and 100,000 components: constructing and adding them, and looking
// each up by name. A clean query returns the stored box; a query after
// setPosition applies a bounding-box action to the component, so the two
// figures show that queries without a move do not recompute.
#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKComponentDB.h>

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

void initInventor() {
  static bool done = false;
  if (done) return;
  SoDB::init();
  ZKComponent::initClass();
  done = true;
}

// Two named separators, each a moved cube: the component gets two leaf
// parts.
SoSeparator* twoPartGeometry() {
  SoSeparator* root = new SoSeparator;
  for (int i = 0; i < 2; ++i) {
    SoSeparator* part = new SoSeparator;
    part->setName(i == 0 ? "Left" : "Right");
    SoTransform* t = new SoTransform;
    t->translation.setValue(i == 0 ? -2.0f : 3.0f, 0, 0);
    part->addChild(t);
    part->addChild(new SoCube);
    root->addChild(part);
  }
  return root;
}

ZKComponent* twoPartComponent() {
  SoSeparator* geometry = twoPartGeometry();
  geometry->ref();
  ZKComponent* c = new ZKComponent("car", "Car", "car.iv", geometry);
  c->ref();
  geometry->unref();
  return c;
}

void BM_ComponentBox_Clean(benchmark::State& state) {
  initInventor();
  ZKComponent* c = twoPartComponent();
  c->getBoundingBox();
  for (auto _ : state) benchmark::DoNotOptimize(c->getBoundingBox().getMin()[0]);
  c->unref();
}

void BM_ComponentBox_AfterMove(benchmark::State& state) {
  initInventor();
  ZKComponent* c = twoPartComponent();
  SbVec3f at(0, 0, 0);
  for (auto _ : state) {
    at[0] += 1;
    c->setPosition(&at);
    benchmark::DoNotOptimize(c->getBoundingBox().getMin()[0]);
  }
  c->unref();
}

void BM_PartBoxes_Clean(benchmark::State& state) {
  initInventor();
  ZKComponent* c = twoPartComponent();
  c->getPartBoundingBoxes();
  for (auto _ : state) benchmark::DoNotOptimize(c->getPartBoundingBoxes()(0).box.getMin()[0]);
  c->unref();
}

void BM_PartBoxes_AfterMove(benchmark::State& state) {
  initInventor();
  ZKComponent* c = twoPartComponent();
  SbVec3f at(0, 0, 0);
  for (auto _ : state) {
    at[0] += 1;
    c->setPosition(&at);
    benchmark::DoNotOptimize(c->getPartBoundingBoxes()(0).box.getMin()[0]);
  }
  c->unref();
}

std::vector<std::string> componentNames(size_t n) {
  std::vector<std::string> names;
  names.reserve(n);
  for (size_t i = 0; i < n; ++i) names.push_back("component" + std::to_string(i));
  return names;
}

// One iteration constructs n small components (named, without geometry),
// adds each to a new world active, then looks each up by name in a
// shuffled order. Tearing the world down is not timed. Items are
// components.
void BM_World_AddAndLookup(benchmark::State& state) {
  initInventor();
  const size_t n = static_cast<size_t>(state.range(0));
  const std::vector<std::string> names = componentNames(n);
  std::vector<RWCString> keys(names.begin(), names.end());
  std::vector<size_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(12345));
  for (auto _ : state) {
    ZKComponentDB* world = new ZKComponentDB;
    for (size_t i = 0; i < n; ++i) {
      ZKComponent* c = new ZKComponent(keys[i], "Small");
      c->ref();
      world->addComponent(c, 1, nullptr);
    }
    size_t found = 0;
    for (size_t i : order) found += world->getComponent(keys[i]) != nullptr;
    if (found != n) state.SkipWithError("a component was not found");
    state.PauseTiming();
    delete world;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Lookups alone in a world already holding n components.
void BM_World_Lookup(benchmark::State& state) {
  initInventor();
  const size_t n = static_cast<size_t>(state.range(0));
  const std::vector<std::string> names = componentNames(n);
  std::vector<RWCString> keys(names.begin(), names.end());
  std::shuffle(keys.begin(), keys.end(), std::mt19937(12345));
  ZKComponentDB world;
  for (const RWCString& key : keys) {
    ZKComponent* c = new ZKComponent(key, "Small");
    c->ref();
    world.addComponent(c, 1, nullptr);
  }
  size_t at = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(world.getComponent(keys[at]));
    if (++at == n) at = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

// Emptying a world of n active components.
void BM_World_Purge(benchmark::State& state) {
  initInventor();
  const size_t n = static_cast<size_t>(state.range(0));
  const std::vector<std::string> names = componentNames(n);
  std::vector<RWCString> keys(names.begin(), names.end());
  for (auto _ : state) {
    state.PauseTiming();
    ZKComponentDB* world = new ZKComponentDB;
    for (const RWCString& key : keys) {
      ZKComponent* c = new ZKComponent(key, "Small");
      c->ref();
      world->addComponent(c, 1, nullptr);
    }
    state.ResumeTiming();
    world->purge();
    state.PauseTiming();
    delete world;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_ComponentBox_Clean);
BENCHMARK(BM_ComponentBox_AfterMove);
BENCHMARK(BM_PartBoxes_Clean);
BENCHMARK(BM_PartBoxes_AfterMove);
BENCHMARK(BM_World_AddAndLookup)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_World_Lookup)->Arg(10000)->Arg(100000);
BENCHMARK(BM_World_Purge)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
