#include <zkcp/component/ZKStableFiles.h>

namespace {

int holders = 0;
unsigned long stretches = 0;

}  // namespace

ZKStableFiles::ZKStableFiles() {
  if (holders++ == 0) ++stretches;
}

ZKStableFiles::~ZKStableFiles() { --holders; }

bool ZKStableFiles::active() { return holders > 0; }

unsigned long ZKStableFiles::stretch() { return stretches; }
