#include <zkcp/attribute/ZKLinearAttributes.h>

#include <Inventor/SoInput.h>
#include <Inventor/SoOutput.h>

namespace {

// Reads three floats into v, stopping at the first that fails.
SbBool readTriple(SoInput* in, SbVec3f& v) {
  return in->read(v[0]) && in->read(v[1]) && in->read(v[2]);
}

void writeNumbers(SoOutput* out, const float* numbers, int n) {
  for (int i = 0; i < n; ++i) {
    if (i > 0 && !out->isBinary()) out->write(' ');
    out->write(numbers[i]);
  }
}

}  // namespace

ZK_ATTRIBUTE_SOURCE(ZKRotationAttribute)

ZKRotationAttribute& ZKRotationAttribute::operator=(const ZKRotationAttribute& other) {
  setValue(other.getValue());
  return *this;
}

SbRotation ZKRotationAttribute::getValue() const {
  evaluate();
  return value;
}

void ZKRotationAttribute::getValue(SbVec3f& axis, float& radians) const {
  getValue().getValue(axis, radians);
}

void ZKRotationAttribute::getValue(SbMatrix& matrix) const { getValue().getValue(matrix); }

void ZKRotationAttribute::setValue(const SbVec3f& axis, float radians) {
  value.setValue(axis, radians);
  checkThresholds();
}

void ZKRotationAttribute::setValue(const SbRotation& r) {
  value = r;
  checkThresholds();
}

void ZKRotationAttribute::setValue(const SbMatrix& m) {
  value.setValue(m);
  checkThresholds();
}

void ZKRotationAttribute::setValue(const SbVec3f& from, const SbVec3f& to) {
  value.setValue(from, to);
  checkThresholds();
}

SbRotation ZKRotationAttribute::operator=(const SbRotation& r) {
  setValue(r);
  return value;
}

ZKRotationAttribute& ZKRotationAttribute::operator*=(const ZKRotationAttribute& other) {
  value *= other.value;
  return *this;
}

ZKRotationAttribute& ZKRotationAttribute::operator*=(const SbRotation& r) {
  value *= r;
  return *this;
}

void ZKRotationAttribute::setValue(ZKAttribute* other) {
  if (other && other->isOfType(getClassTypeId()))
    setValue(static_cast<ZKRotationAttribute*>(other)->value);
}

SbBool ZKRotationAttribute::readValue(SoInput* in) {
  SbVec3f axis;
  float radians = 0.0f;
  if (!readTriple(in, axis) || !in->read(radians)) return FALSE;
  value.setValue(axis, radians);
  return TRUE;
}

void ZKRotationAttribute::writeValue(SoOutput* out) const {
  SbVec3f axis;
  float radians = 0.0f;
  value.getValue(axis, radians);
  const float numbers[4] = {axis[0], axis[1], axis[2], radians};
  writeNumbers(out, numbers, 4);
}

ZK_ATTRIBUTE_SOURCE(ZKVec3fAttribute)

ZKVec3fAttribute& ZKVec3fAttribute::operator=(const ZKVec3fAttribute& other) {
  setValue(other.getValue());
  return *this;
}

SbVec3f ZKVec3fAttribute::getValue() const {
  evaluate();
  return value;
}

void ZKVec3fAttribute::setValue(float x, float y, float z) { setValue(SbVec3f(x, y, z)); }

void ZKVec3fAttribute::setValue(const float xyz[3]) { setValue(SbVec3f(xyz)); }

void ZKVec3fAttribute::setValue(const SbVec3f& v) {
  value = v;
  checkThresholds();
}

SbVec3f ZKVec3fAttribute::operator=(const SbVec3f& v) {
  setValue(v);
  return value;
}

ZKVec3fAttribute& ZKVec3fAttribute::operator+=(const ZKVec3fAttribute& other) {
  value += other.value;
  return *this;
}

ZKVec3fAttribute& ZKVec3fAttribute::operator+=(const SbVec3f& v) {
  value += v;
  return *this;
}

ZKVec3fAttribute& ZKVec3fAttribute::operator+=(const float* xyz) {
  value += SbVec3f(xyz);
  return *this;
}

void ZKVec3fAttribute::setValue(ZKAttribute* other) {
  if (other && other->isOfType(getClassTypeId()))
    setValue(static_cast<ZKVec3fAttribute*>(other)->value);
}

SbBool ZKVec3fAttribute::readValue(SoInput* in) { return readTriple(in, value); }

void ZKVec3fAttribute::writeValue(SoOutput* out) const { writeNumbers(out, value.getValue(), 3); }

ZK_ATTRIBUTE_SOURCE(ZKColorAttribute)

ZKColorAttribute& ZKColorAttribute::operator=(const ZKColorAttribute& other) {
  setValue(other.getValue());
  return *this;
}

SbColor ZKColorAttribute::getValue() const {
  evaluate();
  return value;
}

void ZKColorAttribute::setValue(float r, float g, float b) { setValue(SbColor(r, g, b)); }

void ZKColorAttribute::setValue(const float rgb[3]) { setValue(SbColor(rgb)); }

void ZKColorAttribute::setValue(const SbColor& c) {
  value = c;
  checkThresholds();
}

SbColor ZKColorAttribute::operator=(const SbColor& c) {
  setValue(c);
  return value;
}

ZKColorAttribute& ZKColorAttribute::operator+=(const ZKColorAttribute& other) {
  value += other.value;
  return *this;
}

ZKColorAttribute& ZKColorAttribute::operator+=(const SbColor& c) {
  value += c;
  return *this;
}

ZKColorAttribute& ZKColorAttribute::operator+=(const float* rgb) {
  value += SbVec3f(rgb);
  return *this;
}

void ZKColorAttribute::setValue(ZKAttribute* other) {
  if (other && other->isOfType(getClassTypeId()))
    setValue(static_cast<ZKColorAttribute*>(other)->value);
}

SbBool ZKColorAttribute::readValue(SoInput* in) { return readTriple(in, value); }

void ZKColorAttribute::writeValue(SoOutput* out) const { writeNumbers(out, value.getValue(), 3); }
