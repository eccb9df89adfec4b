// Feeds arbitrary bytes to the glTF reader, as a .glb when they start like
// one and as .gltf text otherwise, and builds a component from whatever
// scene comes back. Neither may crash, leak or hang on any input; external
// files are never read.
#include <zkcp/zkcp.h>

#include <Inventor/nodes/SoSeparator.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const bool binary = size >= 4 && std::memcmp(data, "glTF", 4) == 0;
  std::ostringstream messages;
  ZKGeometryImporter importer(messages);
  SoSeparator* graph = importer.readGltf(binary ? "fuzzed.glb" : "fuzzed.gltf",
                                         std::vector<unsigned char>(data, data + size), binary);
  if (!graph) return 0;
  // As in zkcp-export: the converted graph is handed over with its reference.
  auto* component = new ZKComponent("fuzzed", "Fuzzed", "fuzzed.wrl", graph, nullptr);
  component->ref();
  component->getNumParts();
  component->unref();
  return 0;
}
