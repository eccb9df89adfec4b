#include <zkcp/world/ZKNavigationPath.h>

void ZKNavigationPath::insertPosition(const ZKPosition& p, unsigned i) {
  if (i >= positions.entries()) {
    positions.append(p);
  } else {
    positions.insertAt(i, p);
  }
}

void ZKNavigationPath::removePosition(int i) {
  // A negative index becomes one far past the end, which the vector refuses.
  positions.removeAt(static_cast<size_t>(i));
}

const ZKPosition& ZKNavigationPath::operator[](unsigned i) const {
  const size_t n = positions.entries();
  return positions[i < n || n == 0 ? i : n - 1];
}

ZKPosition& ZKNavigationPath::operator[](unsigned i) {
  const size_t n = positions.entries();
  return positions[i < n || n == 0 ? i : n - 1];
}
