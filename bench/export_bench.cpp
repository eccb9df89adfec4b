// Export of components: N components with three attributes and a behaviour
// each, written as VRML 97 instances and as prototypes. The time per
// component should not grow with N: export is linear in the world.
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/attribute/ZKStringAttributes.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/vrml/ComponentWriter.h>

#include <Inventor/SoDB.h>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<ZKComponent*> makeComponents(int n) {
  SoDB::init();
  ZKComponent::initClass();
  const RWTValSlist<RWCString> events;
  const ZKBehavior::Dependencies deps;
  ZKBehavior walk("bench:walk", "bench.dll", "walk", nullptr, events, deps, "", nullptr, "",
                  nullptr);
  std::vector<ZKComponent*> components;
  for (int i = 0; i < n; ++i) {
    auto* c = new ZKComponent(("c" + std::to_string(i)).c_str(), "Crate", "crate.wrl");
    c->ref();
    auto* weight = new ZKFloatAttribute;
    weight->setName("weight");
    weight->setValue(static_cast<float>(i));
    c->addAttribute("weight", weight);
    auto* open = new ZKBoolAttribute;
    open->setName("open");
    c->addAttribute("open", open);
    auto* label = new ZKStringAttribute;
    label->setName("label");
    label->setValue("crate");
    c->addAttribute("label", label);
    c->addBehavior("walk", walk);
    components.push_back(c);
  }
  return components;
}

void exportAll(benchmark::State& state, zkofstream& (*mode)(zkofstream&)) {
  const std::vector<ZKComponent*> components = makeComponents(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    zkofstream os("/dev/null");
    os << mode;
    for (ZKComponent* c : components) os << *c;
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  for (ZKComponent* c : components) c->unref();
}

void BM_ExportInstances(benchmark::State& state) { exportAll(state, msvrmlref); }
void BM_ExportPrototypes(benchmark::State& state) { exportAll(state, vrmlproto); }

BENCHMARK(BM_ExportInstances)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPrototypes)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
