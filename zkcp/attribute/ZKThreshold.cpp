#include <zkcp/attribute/ZKThreshold.h>

#include <zkcp/attribute/ZKAttribute.h>

ZKThreshold::~ZKThreshold() = default;

void ZKThreshold::addThreshold(ZKAttribute* attribute) {
  if (!attribute) return;
  attribute->addThreshold(this);
  ++count;
}

void ZKThreshold::removeThreshold(ZKAttribute* attribute) {
  if (!attribute) return;
  attribute->removeThreshold(this);
  release();
}

void ZKThreshold::release() {
  if (--count <= 0) delete this;
}
