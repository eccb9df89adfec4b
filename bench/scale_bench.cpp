// A world of 1,000, 10,000 and 100,000 door-like components beside bare Coin
// kits of the same parts. Each run builds both once and reports, per
// component, the build time and the heap it holds; and the VRML 97 export
// of the components in MB/s beside Coin's SoWriteAction over the kits, with
// their ratio (export_x_coin), and the export through a stream whose every
// line end reaches the kernel (flushing_MBps).
// Figures that stay flat from 1,000 to 100,000 mean linear. kit_us and kit_B
// are one bare kit's share, the floor to set beside zkcp-export's figures for
// a component of N parts (N + 1 kits).
#include <zkcp/zkcp.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoOutput.h>
#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLBox.h>
#include <Inventor/VRMLnodes/SoVRMLMaterial.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/actions/SoWriteAction.h>
#include <Inventor/nodekits/SoWrapperKit.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double heapBytes() {
  const struct mallinfo2 m = mallinfo2();
  return static_cast<double>(m.uordblks + m.hblkhd);
}

double fileSize(const char* path) {
  struct stat s;
  return stat(path, &s) == 0 ? static_cast<double>(s.st_size) : 0;
}

// A door: a leaf and a handle, each a transform over a coloured box; with
// the door's own, three kits.
constexpr double kKitsPerDoor = 3;

SoSeparator* doorGraph() {
  auto* root = new SoSeparator;
  root->ref();
  for (int i = 0; i < 2; ++i) {
    auto* t = new SoVRMLTransform;
    t->setName(i ? "Handle" : "Leaf");
    t->translation.setValue(0.45f + i * 0.35f, 1, i * 0.06f);
    auto* shape = new SoVRMLShape;
    auto* appearance = new SoVRMLAppearance;
    auto* material = new SoVRMLMaterial;
    material->diffuseColor.setValue(0.5f, 0.3f + i * 0.5f, 0.15f);
    appearance->material = material;
    shape->appearance = appearance;
    auto* box = new SoVRMLBox;
    box->size.setValue(0.9f - i * 0.8f, 2 - i * 1.9f, 0.05f);
    shape->geometry = box;
    t->addChild(shape);
    root->addChild(t);
  }
  return root;
}

void BM_Scale(benchmark::State& state) {
  SoDB::init();
  ZKComponent::initClass();
  const int n = static_cast<int>(state.range(0));
  SoSeparator* door = doorGraph();
  for (auto _ : state) {
    // The world: a component per door, placed and added active.
    double heap = heapBytes();
    Clock::time_point start = Clock::now();
    auto* world = new ZKComponentDB;
    std::vector<ZKComponent*> components;
    components.reserve(n);
    for (int i = 0; i < n; ++i) {
      auto* graph = static_cast<SoSeparator*>(door->copy());
      graph->ref();
      auto* c = new ZKComponent(("door" + std::to_string(i)).c_str(), "Door", "door.wrl",
                                graph, world);
      c->ref();
      c->getTransform()->translation.setValue(3.0f * (i % 300), 0, 3.0f * (i / 300));
      world->addComponent(c, 1, nullptr);
      components.push_back(c);
    }
    const double buildSeconds = secondsSince(start);
    const double worldBytes = heapBytes() - heap;

    // Bare kits of the same parts: one for the door, one per leaf and handle.
    heap = heapBytes();
    start = Clock::now();
    auto* kits = new SoSeparator;
    kits->ref();
    for (int i = 0; i < n; ++i) {
      auto* kit = new SoWrapperKit;
      kit->setName(("door" + std::to_string(i)).c_str());
      auto* graph = static_cast<SoSeparator*>(door->copy());
      kit->setPart("contents", graph);
      static_cast<SoTransform*>(kit->getPart("transform", TRUE))
          ->translation.setValue(3.0f * (i % 300), 0, 3.0f * (i / 300));
      for (int p = 0; p < graph->getNumChildren(); ++p) {
        auto* part = new SoWrapperKit;
        part->setPart("contents", graph->getChild(p));
        part->getPart("transform", TRUE);
        kit->setPart(p ? "childList[1]" : "childList[0]", part);
      }
      kits->addChild(kit);
    }
    const double kitSeconds = secondsSince(start);
    const double kitBytes = heapBytes() - heap;

    // The export through the block buffer the tool uses, through a plain file
    // stream (every line end a write), and Coin's writer, in rounds; the
    // fastest round of each counts, as the machine's load comes and goes.
    const char* exported = "/tmp/zkcp_scale_export.wrl";
    const char* flushed = "/tmp/zkcp_scale_flushed.wrl";
    const char* written = "/tmp/zkcp_scale_coin.iv";
    double exportSeconds = 1e30, flushSeconds = 1e30, coinSeconds = 1e30;
    for (int round = 0; round < (n < 10000 ? 10 : 3); ++round) {
      start = Clock::now();
      {
        ZKBlockFileBuffer buffer(exported);
        zkofstream os(&buffer);
        os << msvrmlref;
        for (ZKComponent* c : components) os << *c << "\n";
      }
      exportSeconds = std::min(exportSeconds, secondsSince(start));
      start = Clock::now();
      {
        zkofstream os(flushed);
        os << msvrmlref;
        for (ZKComponent* c : components) os << *c << "\n";
      }
      flushSeconds = std::min(flushSeconds, secondsSince(start));
      start = Clock::now();
      {
        SoOutput out;
        out.openFile(written);
        SoWriteAction write(&out);
        write.apply(kits);
        out.closeFile();
      }
      coinSeconds = std::min(coinSeconds, secondsSince(start));
    }
    const double exportRate = fileSize(exported) / exportSeconds / 1e6;
    const double coinRate = fileSize(written) / coinSeconds / 1e6;

    state.counters["build_us"] = buildSeconds * 1e6 / n;
    state.counters["kits_us"] = kitSeconds * 1e6 / n;
    state.counters["world_B"] = worldBytes / n;
    state.counters["kits_B"] = kitBytes / n;
    state.counters["kit_us"] = kitSeconds * 1e6 / (kKitsPerDoor * n);
    state.counters["kit_B"] = kitBytes / (kKitsPerDoor * n);
    state.counters["export_MBps"] = exportRate;
    state.counters["flushing_MBps"] = fileSize(flushed) / flushSeconds / 1e6;
    state.counters["coin_MBps"] = coinRate;
    state.counters["export_x_coin"] = exportRate / coinRate;

    state.PauseTiming();
    kits->unref();
    delete world;
    state.ResumeTiming();
  }
  door->unref();
}
BENCHMARK(BM_Scale)->Arg(1000)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
