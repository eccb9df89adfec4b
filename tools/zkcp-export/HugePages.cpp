#include "HugePages.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

void restartWithHugePages(char** argv) {
  constexpr char kTunable[] = "glibc.malloc.hugetlb";
  const char* tunables = std::getenv("GLIBC_TUNABLES");
  if (tunables && std::strstr(tunables, kTunable)) return;
  std::string value = std::string(kTunable) + "=1";
  if (tunables && *tunables) value = std::string(tunables) + ":" + value;
  if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  // Not started again: the heap stays on small pages, and the children the
  // program starts see the environment it was given.
  if (tunables) {
    setenv("GLIBC_TUNABLES", tunables, 1);
  } else {
    unsetenv("GLIBC_TUNABLES");
  }
}
