#ifndef ZKCP_ATTRIBUTE_ZKSTRINGATTRIBUTES_H
#define ZKCP_ATTRIBUTE_ZKSTRINGATTRIBUTES_H

#include <zkcp/attribute/ZKSubAttribute.h>

#include <Inventor/fields/SoMFString.h>

// A string attribute. Its text form is one Inventor string (quoted, or a
// single word). The setters run the thresholds; appending does not.
class ZKStringAttribute : public ZKAttribute {
  ZK_ATTRIBUTE_HEADER(ZKStringAttribute);

 public:
  ZKStringAttribute() = default;
  ZKStringAttribute(const ZKStringAttribute&) = default;
  ZKStringAttribute& operator=(const ZKStringAttribute& other);
  int operator==(const ZKStringAttribute& other) const { return value == other.value; }
  int operator!=(const ZKStringAttribute& other) const { return !(*this == other); }

  const RWCString& getValue() const;
  void setValue(const RWCString& v);
  const RWCString& operator=(const RWCString& v);
  ZKStringAttribute& operator+=(const ZKStringAttribute& other);
  ZKStringAttribute& operator+=(const RWCString& v);

 private:
  RWCString value;
};

// A list of strings. It has no Inventor text form (SoField::set fails and
// SoField::get gives nothing) and runs no thresholds: replacing the list
// and changing it through getActualValue are silent.
class ZKMFStringAttribute : public ZKAttribute {
  ZK_ATTRIBUTE_HEADER(ZKMFStringAttribute);

 public:
  ZKMFStringAttribute() = default;
  ZKMFStringAttribute(const ZKMFStringAttribute& other);
  ZKMFStringAttribute& operator=(const ZKMFStringAttribute& other);
  int operator==(const ZKMFStringAttribute& other) const { return value == other.value; }
  int operator!=(const ZKMFStringAttribute& other) const { return !(*this == other); }

  const SoMFString& getValue() const;
  SoMFString& getActualValue() { return value; }
  // Replaces the list by a copy of `list`; setting it from itself does
  // nothing.
  void setValue(const SoMFString& list);
  ZKMFStringAttribute& operator=(const SoMFString& list);

 private:
  SoMFString value;
};

#endif
