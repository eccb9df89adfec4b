// Costs a world's user meets: typed attribute setters with thresholds
// beside a plain Inventor field, update() running behaviours beside direct
// calls, one component tested for collision against 1,000 and 10,000
// others, route queries among 10,000 routes, and the VRML 97 export in MB/s
// beside Coin's own writer on a VRML 2.0 scene of comparable text size.
#include <zkcp/zkcp.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoOutput.h>
#include <Inventor/VRMLnodes/SoVRMLBox.h>
#include <Inventor/VRMLnodes/SoVRMLGroup.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/actions/SoWriteAction.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSeparator.h>

#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

void init() {
  SoDB::init();
  ZKComponent::initClass();
}

class CountingThreshold : public ZKThreshold {
 public:
  int check(ZKAttribute*) override { return ++checks; }
  void watch(ZKAttribute* a) { addThreshold(a); }
  void unwatch(ZKAttribute* a) { removeThreshold(a); }
  int checks = 0;
};

void BM_FloatAttributeSet(benchmark::State& state) {
  init();
  ZKFloatAttribute a;
  std::vector<CountingThreshold*> thresholds;
  for (int i = 0; i < state.range(0); ++i) {
    thresholds.push_back(new CountingThreshold);
    thresholds.back()->watch(&a);
  }
  float v = 0;
  for (auto _ : state) a.setValue(v += 1.0f);
  for (CountingThreshold* t : thresholds) t->unwatch(&a);
}
BENCHMARK(BM_FloatAttributeSet)->Arg(0)->Arg(1)->Arg(10);

void BM_PlainFieldSet(benchmark::State& state) {
  init();
  SoSFFloat f;
  float v = 0;
  for (auto _ : state) f.setValue(v += 1.0f);
}
BENCHMARK(BM_PlainFieldSet);

int g_calls = 0;
void act(ZKComponent*) { ++g_calls; }

void BM_UpdateBehaviors(benchmark::State& state) {
  init();
  ZKComponentDB world;
  const RWTValSlist<RWCString> events;
  const ZKBehavior::Dependencies deps;
  std::vector<ZKComponent*> components;
  for (int i = 0; i < 10000; ++i) {
    auto* c = new ZKComponent(("c" + std::to_string(i)).c_str(), "Bot", "ZKNoFile", nullptr,
                              &world);
    c->ref();
    world.addComponent(c, 0, nullptr);
    for (const char* b : {"a", "b", "c"}) {
      c->addBehavior(b, ZKBehavior(std::string("bench:") + b, "bench.dll", b, &act, events, deps,
                                   "", nullptr, "", nullptr));
      c->activateBehavior(b, 0);
    }
    components.push_back(c);
  }
  for (auto _ : state)
    for (ZKComponent* c : components) c->update();
  state.SetItemsProcessed(state.iterations() * 30000);
}
BENCHMARK(BM_UpdateBehaviors)->Unit(benchmark::kMillisecond);

void BM_DirectCalls(benchmark::State& state) {
  std::vector<ZKComponent*> components(10000, nullptr);
  void (*volatile function)(ZKComponent*) = &act;
  for (auto _ : state)
    for (ZKComponent* c : components)
      for (int b = 0; b < 3; ++b) function(c);
  state.SetItemsProcessed(state.iterations() * 30000);
}
BENCHMARK(BM_DirectCalls)->Unit(benchmark::kMillisecond);

ZKComponent* cubeComponent(ZKComponentDB& world, int i) {
  auto* geometry = new SoSeparator;
  geometry->ref();
  geometry->addChild(new SoCube);
  auto* c = new ZKComponent(("k" + std::to_string(i)).c_str(), "Cube", "cube.iv", geometry,
                            &world);
  c->ref();
  geometry->unref();
  world.addComponent(c, 1, nullptr);
  SbVec3f at(static_cast<float>(3 * (i % 100)), 0, static_cast<float>(3 * (i / 100)));
  c->setPosition(&at);
  c->getBoundingBox();
  return c;
}

void BM_CollisionOneAgainstN(benchmark::State& state) {
  init();
  ZKComponentDB world;
  ZKComponent* probe = cubeComponent(world, -1);
  std::vector<ZKComponent*> others;
  for (int i = 0; i < state.range(0); ++i) others.push_back(cubeComponent(world, i));
  for (auto _ : state) {
    int hits = 0;
    for (ZKComponent* other : others) hits += probe->checkForComponentCollisions(other);
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CollisionOneAgainstN)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_RouteQueries(benchmark::State& state) {
  init();
  ZKComponentDB world;
  std::vector<ZKComponent*> components;
  for (int i = 0; i < 100; ++i) {
    auto* c = new ZKComponent(("r" + std::to_string(i)).c_str(), "Node");
    c->ref();
    world.addComponent(c, 0, nullptr);
    components.push_back(c);
  }
  for (int i = 0; i < 10000; ++i) {
    world.addRoute(("route" + std::to_string(i)).c_str(),
                   components[i % 100]->getName().getString(), "out",
                   components[(i * 7) % 100]->getName().getString(), "in");
  }
  RWTPtrSlist<ZKRoute> found;
  size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(world.getRoutesWithSource(components[k++ % 100], found));
  }
}
BENCHMARK(BM_RouteQueries)->Unit(benchmark::kMicrosecond);

off_t fileSize(const char* path) {
  struct stat s;
  return stat(path, &s) == 0 ? s.st_size : 0;
}

void BM_ExportVrmlref(benchmark::State& state) {
  init();
  const RWTValSlist<RWCString> events;
  const ZKBehavior::Dependencies deps;
  std::vector<ZKComponent*> components;
  for (int i = 0; i < state.range(0); ++i) {
    auto* c = new ZKComponent(("e" + std::to_string(i)).c_str(), "Crate", "crate.wrl");
    c->ref();
    for (int a = 0; a < 10; ++a) {
      auto* f = new ZKFloatAttribute;
      const std::string name = "weight" + std::to_string(a);
      f->setName(name.c_str());
      f->setValue(static_cast<float>(i + a));
      c->addAttribute(name.c_str(), f);
    }
    for (const char* b : {"walk", "open"})
      c->addBehavior(b, ZKBehavior(std::string("bench:") + b, "bench.dll", b, nullptr, events,
                                   deps, "", nullptr, "", nullptr));
    components.push_back(c);
  }
  const char* path = "/tmp/zkcp_export_bench.wrl";
  for (auto _ : state) {
    // Buffered as Coin's output file is: a line end does not reach the kernel.
    ZKBlockFileBuffer buffer(path);
    zkofstream os(&buffer);
    os << vrmlref;
    for (ZKComponent* c : components) os << *c;
  }
  state.SetBytesProcessed(state.iterations() * fileSize(path));
  for (ZKComponent* c : components) c->unref();
}
BENCHMARK(BM_ExportVrmlref)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_CoinWriteVrml2(benchmark::State& state) {
  init();
  auto* root = new SoVRMLGroup;
  root->ref();
  for (int i = 0; i < state.range(0); ++i) {
    auto* t = new SoVRMLTransform;
    t->translation.setValue(static_cast<float>(i), 1, 2);
    for (int k = 0; k < 6; ++k) {
      auto* shape = new SoVRMLShape;
      auto* box = new SoVRMLBox;
      box->size.setValue(static_cast<float>(k + 1), 2, 3);
      shape->geometry = box;
      t->addChild(shape);
    }
    root->addChild(t);
  }
  const char* path = "/tmp/zkcp_coin_bench.wrl";
  for (auto _ : state) {
    SoOutput out;
    out.openFile(path);
    out.setHeaderString("#VRML V2.0 utf8");
    SoWriteAction write(&out);
    write.apply(root);
    out.closeFile();
  }
  state.SetBytesProcessed(state.iterations() * fileSize(path));
  root->unref();
}
BENCHMARK(BM_CoinWriteVrml2)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
