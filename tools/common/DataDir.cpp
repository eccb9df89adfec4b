#include "DataDir.h"

#include "BuildInfo.h"

namespace fs = std::filesystem;

fs::path dataDir() {
  // The link names the program file itself, whatever link or relative path
  // it was started through.
  std::error_code failed;
  const fs::path program = fs::read_symlink("/proc/self/exe", failed);
  if (failed) return fs::path();
  return (program.parent_path() / kZkcpDataFromPrograms).lexically_normal();
}
