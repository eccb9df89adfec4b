#include <zkcp/foundation/ZKModuleLoader.h>

#include <dlfcn.h>

#include <cstring>
#include <string>

namespace ZKModuleLoader {

void* load(const char* fileName) {
  if (!fileName || !*fileName) return nullptr;
  const int flags = RTLD_NOW | RTLD_LOCAL;
  if (!std::strchr(fileName, '/')) {
    std::string local = std::string("./") + fileName;
    if (void* h = dlopen(local.c_str(), flags)) return h;
  }
  return dlopen(fileName, flags);
}

void* symbol(void* module, const char* name) {
  if (!module || !name) return nullptr;
  return dlsym(module, name);
}

void unload(void* module) {
  if (module) dlclose(module);
}

}  // namespace ZKModuleLoader
