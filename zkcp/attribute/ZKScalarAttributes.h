#ifndef ZKCP_ATTRIBUTE_ZKSCALARATTRIBUTES_H
#define ZKCP_ATTRIBUTE_ZKSCALARATTRIBUTES_H

#include <zkcp/attribute/ZKSubAttribute.h>

#include <Inventor/SbTime.h>

// Attributes of one number each: a truth value, a float, a time and an
// untyped pointer. The typed setters (setValue and the assignments that
// return the stored value) run the thresholds; the arithmetic operators do
// not. None of them notifies the field's sensors; SoField::set does.

class ZKBoolAttribute : public ZKAttribute {
  ZK_ATTRIBUTE_HEADER(ZKBoolAttribute);

 public:
  ZKBoolAttribute() : value(0) {}
  ZKBoolAttribute(const ZKBoolAttribute&) = default;
  ZKBoolAttribute& operator=(const ZKBoolAttribute& other);
  int operator==(const ZKBoolAttribute& other) const { return value == other.value; }
  int operator!=(const ZKBoolAttribute& other) const { return !(*this == other); }

  // The const form evaluates a connected field first.
  int getValue() const;
  int getValue() { return value; }
  void setValue(int v);
  int operator=(int v);

 private:
  int value;
};

class ZKFloatAttribute : public ZKAttribute {
  ZK_ATTRIBUTE_HEADER(ZKFloatAttribute);

 public:
  ZKFloatAttribute() : value(0.0f) {}
  ZKFloatAttribute(const ZKFloatAttribute&) = default;
  ZKFloatAttribute& operator=(const ZKFloatAttribute& other);
  int operator==(const ZKFloatAttribute& other) const { return value == other.value; }
  int operator!=(const ZKFloatAttribute& other) const { return !(*this == other); }

  float getValue() const;
  float getValue() { return value; }
  void setValue(float v);
  float operator=(float v);
  ZKFloatAttribute& operator+=(const ZKFloatAttribute& other);
  ZKFloatAttribute& operator+=(float v);

 private:
  float value;
};

// A time as whole seconds and microseconds. A double d converts with both
// parts truncated toward zero: -1.5 is -1 s and -500000 us.
class ZKTimeAttribute : public ZKAttribute {
  ZK_ATTRIBUTE_HEADER(ZKTimeAttribute);

 public:
  ZKTimeAttribute() : value(0.0) {}
  ZKTimeAttribute(const ZKTimeAttribute&) = default;
  ZKTimeAttribute& operator=(const ZKTimeAttribute& other);
  int operator==(const ZKTimeAttribute& other) const;
  int operator!=(const ZKTimeAttribute& other) const { return !(*this == other); }

  SbTime getValue() const;
  SbTime& getValue() { return value; }
  void setValue(const SbTime& t);
  void setValue(double seconds);
  SbTime operator=(const SbTime& t);
  // Stores without running the thresholds.
  ZKTimeAttribute& operator=(double seconds);
  ZKTimeAttribute& operator+=(const ZKTimeAttribute& other);
  ZKTimeAttribute& operator+=(const SbTime& t);
  ZKTimeAttribute& operator+=(double seconds);

  // Seconds plus microseconds times 0.000001.
  static double seconds(const SbTime& t);
  static SbTime fromSeconds(double d);

 private:
  SbTime value;
};

class ZKVoidPointerAttribute : public ZKAttribute {
  ZK_ATTRIBUTE_HEADER(ZKVoidPointerAttribute);

 public:
  ZKVoidPointerAttribute() : value(nullptr) {}
  ZKVoidPointerAttribute(const ZKVoidPointerAttribute&) = default;
  ZKVoidPointerAttribute& operator=(const ZKVoidPointerAttribute& other);
  int operator==(const ZKVoidPointerAttribute& other) const { return value == other.value; }
  int operator!=(const ZKVoidPointerAttribute& other) const { return !(*this == other); }

  void* getValue() const;
  void* getValue() { return value; }
  void setValue(void* v);
  void* operator=(void* v);

 private:
  void* value;
};

#endif
