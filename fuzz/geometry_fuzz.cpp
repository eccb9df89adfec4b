// Feeds arbitrary bytes to Coin as the geometry of a component, read from
// memory, and builds the component's parts from whatever graph comes back.
// Neither may crash, leak or hang on any input.
#include <zkcp/zkcp.h>

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ZKGeometryInput in;
  in.setBuffer(data, size);
  const bool vrml = in.isFileVRML2();
  SoSeparator* graph = SoDB::readAll(&in);
  if (!graph) return 0;
  graph->ref();
  // As in zkcp-export: a VRML 97 graph is handed over with its reference.
  auto* component =
      new ZKComponent("fuzzed", "Fuzzed", vrml ? "fuzzed.wrl" : "fuzzed.iv", graph, nullptr);
  component->ref();
  if (!vrml) graph->unref();
  component->getNumParts();
  component->unref();
  return 0;
}
