#ifndef ZKCP_ATTRIBUTE_ZKLINEARATTRIBUTES_H
#define ZKCP_ATTRIBUTE_ZKLINEARATTRIBUTES_H

#include <zkcp/attribute/ZKSubAttribute.h>

#include <Inventor/SbColor.h>
#include <Inventor/SbLinear.h>

// Attributes of the linear-algebra kinds: a rotation, a vector and a colour.
// Their text form is the numbers separated by one blank (a rotation is its
// axis and then its angle in radians). The setters run the thresholds; the
// compound operators do not.

class ZKRotationAttribute : public ZKAttribute {
  ZK_ATTRIBUTE_HEADER(ZKRotationAttribute);

 public:
  ZKRotationAttribute() = default;
  ZKRotationAttribute(const ZKRotationAttribute&) = default;
  ZKRotationAttribute& operator=(const ZKRotationAttribute& other);
  int operator==(const ZKRotationAttribute& other) const { return value == other.value; }
  int operator!=(const ZKRotationAttribute& other) const { return !(*this == other); }

  SbRotation getValue() const;
  const SbRotation& getValue() { return value; }
  void getValue(SbVec3f& axis, float& radians) const;
  void getValue(SbMatrix& matrix) const;
  void setValue(const SbVec3f& axis, float radians);
  void setValue(const SbRotation& r);
  void setValue(const SbMatrix& m);
  // The rotation that turns `from` into `to`.
  void setValue(const SbVec3f& from, const SbVec3f& to);
  SbRotation operator=(const SbRotation& r);
  // value = value * r
  ZKRotationAttribute& operator*=(const ZKRotationAttribute& other);
  ZKRotationAttribute& operator*=(const SbRotation& r);

 private:
  SbRotation value;
};

class ZKVec3fAttribute : public ZKAttribute {
  ZK_ATTRIBUTE_HEADER(ZKVec3fAttribute);

 public:
  ZKVec3fAttribute() : value(0.0f, 0.0f, 0.0f) {}
  ZKVec3fAttribute(const ZKVec3fAttribute&) = default;
  ZKVec3fAttribute& operator=(const ZKVec3fAttribute& other);
  int operator==(const ZKVec3fAttribute& other) const { return value == other.value; }
  int operator!=(const ZKVec3fAttribute& other) const { return !(*this == other); }

  SbVec3f getValue() const;
  const SbVec3f& getValue() { return value; }
  void setValue(float x, float y, float z);
  void setValue(const float xyz[3]);
  void setValue(const SbVec3f& v);
  SbVec3f operator=(const SbVec3f& v);
  ZKVec3fAttribute& operator+=(const ZKVec3fAttribute& other);
  ZKVec3fAttribute& operator+=(const SbVec3f& v);
  ZKVec3fAttribute& operator+=(const float* xyz);

 private:
  SbVec3f value;
};

// Colour components are kept as given: nothing clamps them to [0, 1].
class ZKColorAttribute : public ZKAttribute {
  ZK_ATTRIBUTE_HEADER(ZKColorAttribute);

 public:
  ZKColorAttribute() : value(0.0f, 0.0f, 0.0f) {}
  ZKColorAttribute(const ZKColorAttribute&) = default;
  ZKColorAttribute& operator=(const ZKColorAttribute& other);
  int operator==(const ZKColorAttribute& other) const { return value == other.value; }
  int operator!=(const ZKColorAttribute& other) const { return !(*this == other); }

  SbColor getValue() const;
  const SbColor& getValue() { return value; }
  void setValue(float r, float g, float b);
  void setValue(const float rgb[3]);
  void setValue(const SbColor& c);
  SbColor operator=(const SbColor& c);
  ZKColorAttribute& operator+=(const ZKColorAttribute& other);
  ZKColorAttribute& operator+=(const SbColor& c);
  ZKColorAttribute& operator+=(const float* rgb);

 private:
  SbColor value;
};

#endif
