// The world as X3D and as binary glTF, side by side: N components of the
// sample room's door, table and lamp on a grid, each with two attributes,
// written to memory by each writer. The glTF counters give the file size
// and its share of the X3D document's size.
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/gltf/ZKGltfWriter.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/x3d/ZKX3DWriter.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoSeparator.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace {

std::string fileText(const std::string& name) {
  std::ifstream in(std::string(ZKCP_SAMPLE_GEOMETRY_DIR) + "/" + name);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// One world per size, built once and kept for the run.
ZKComponentDB* world(int n) {
  static std::map<int, std::unique_ptr<ZKComponentDB>> worlds;
  auto& w = worlds[n];
  if (w) return w.get();
  SoDB::init();
  ZKComponent::initClass();
  w = std::make_unique<ZKComponentDB>();
  w->setWorldName("Grid");
  const char* types[][2] = {{"Door", "door.wrl"}, {"Table", "table.wrl"}, {"Lamp", "lamp.wrl"}};
  std::string texts[3];
  for (int t = 0; t < 3; ++t) texts[t] = fileText(types[t][1]);
  const int side = 1 + static_cast<int>(std::sqrt(n));
  for (int i = 0; i < n; ++i) {
    const int t = i % 3;
    SoInput in;
    in.setBuffer(texts[t].data(), texts[t].size());
    auto* c = new ZKComponent(("c" + std::to_string(i)).c_str(), types[t][0], types[t][1],
                              SoDB::readAll(&in), w.get());
    c->ref();
    w->addComponent(c, 1, nullptr);
    SbVec3f place(3.0f * (i % side), 0, 3.0f * (i / side));
    c->setPosition(&place);
    auto* open = new ZKBoolAttribute;
    c->addAttribute("open", open);
    auto* weight = new ZKFloatAttribute;
    weight->setValue(static_cast<float>(i));
    c->addAttribute("weight", weight);
  }
  return w.get();
}

void BM_WriteX3D(benchmark::State& state) {
  ZKComponentDB* w = world(static_cast<int>(state.range(0)));
  std::ostringstream messages;
  size_t bytes = 0;
  for (auto _ : state) bytes = ZKX3DWriter(w, messages).text().size();
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WriteGltf(benchmark::State& state) {
  ZKComponentDB* w = world(static_cast<int>(state.range(0)));
  std::ostringstream messages;
  size_t bytes = 0;
  for (auto _ : state) bytes = ZKGltfWriter(w, messages).glb().size();
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["of_x3d"] =
      static_cast<double>(bytes) / static_cast<double>(ZKX3DWriter(w, messages).text().size());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_WriteX3D)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteGltf)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
