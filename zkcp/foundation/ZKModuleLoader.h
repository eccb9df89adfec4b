#ifndef ZKCP_FOUNDATION_ZKMODULELOADER_H
#define ZKCP_FOUNDATION_ZKMODULELOADER_H

// Loading of behaviour modules: a module is a shared object opened by file
// name, a function in it is found by name, and it is closed again.
namespace ZKModuleLoader {

// Opens the module `fileName`. A bare file name (no '/') is tried in the
// current directory first, then on the system's library search path.
// Null when the name is null or nothing could be opened.
void* load(const char* fileName);

// The address of the function `name` in `module`; null when absent.
void* symbol(void* module, const char* name);

// Closes a module returned by load(); null is ignored.
void unload(void* module);

}  // namespace ZKModuleLoader

#endif
