// Feeds arbitrary bytes to the two text readers of a component: the
// description-file reader and the attribute values read as Inventor text.
// Neither may crash, leak or hang on any input.
#include <zkcp/zkcp.h>

#include <Inventor/SoDB.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/zkcp_fuzz_" + std::to_string(getpid()) + ".desc";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  auto* component = new ZKComponent("fuzzed", "Fuzzed");
  component->ref();
  component->loadDescriptionFile(path.c_str());
  std::remove(path.c_str());

  const std::string text(reinterpret_cast<const char*>(data), size);
  const char* kinds[] = {"ZKBoolAttribute",     "ZKFloatAttribute",  "ZKStringAttribute",
                         "ZKMFStringAttribute", "ZKRotationAttribute", "ZKVec3fAttribute",
                         "ZKColorAttribute",    "ZKTimeAttribute",   "ZKVoidPointerAttribute"};
  for (const char* kind : kinds) {
    auto* a = static_cast<ZKAttribute*>(SoType::fromName(kind).createInstance());
    a->setName(kind);
    component->addAttribute(kind, a);
    a->set(text.c_str());
  }
  RWTValSortedVector<RWCString> values;
  for (int i = 0; i < 9; ++i) values.insert("");
  component->getAttributeValues(values);
  component->unref();
  return 0;
}
