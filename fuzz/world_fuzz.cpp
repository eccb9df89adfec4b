// Feeds arbitrary bytes to zkcp-export's world description reader: a world
// is built or an InputError says why not, never a crash, leak or hang. The
// text is handed over from memory; geometry it names is read relative to
// the geometry target's corpus folder.
#include <WorldReader.h>

#include <Inventor/SoDB.h>

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    BuiltWorld world = readWorldText(ZKCP_FUZZ_CORPUS "/geometry_fuzz/world.json", text, {}, [](int, int) {});
    for (ZKComponent* c : world.components) c->update();
  } catch (const InputError&) {
  }
  return 0;
}
