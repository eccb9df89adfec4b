#include <zkcp/attribute/ZKAttributeKinds.h>

#include <zkcp/attribute/ZKLinearAttributes.h>
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/attribute/ZKStringAttributes.h>
#include <zkcp/vrml/VRMLValueWriters.h>
#include <zkcp/vrml/zkofstream.h>

#include <ostream>
#include <string>

namespace {

constexpr int kValueWidth = 15;

struct KindText {
  SoType (*type)();
  const char* keyword;
  const char* vrmlType;
};

const KindText kKinds[] = {
    {&ZKFloatAttribute::getClassTypeId, "float", "SFFloat "},
    {&ZKBoolAttribute::getClassTypeId, "bool", "SFBool "},
    {&ZKStringAttribute::getClassTypeId, "string", "SFString "},
    {&ZKMFStringAttribute::getClassTypeId, "string_list", "MFString "},
    {&ZKVec3fAttribute::getClassTypeId, "vec3f", "SFVec3f "},
    {&ZKColorAttribute::getClassTypeId, "color", "SFColor "},
    {&ZKTimeAttribute::getClassTypeId, "time ", "SFTime "},
    {&ZKRotationAttribute::getClassTypeId, "rotation", "SFRotation "},
};

const KindText* kindOf(const ZKAttribute& attribute) {
  const SoType type = attribute.getTypeId();
  for (const KindText& kind : kKinds)
    if (type == kind.type()) return &kind;
  return nullptr;
}

std::ostream& padded(std::ostream& os) {
  os.setf(std::ios::left, std::ios::adjustfield);
  os.width(kValueWidth);
  return os;
}

template <class T>
const T& as(const ZKAttribute& attribute) {
  return static_cast<const T&>(attribute);
}

}  // namespace

const char* attributeTypeKeyword(const ZKAttribute& attribute) {
  const KindText* kind = kindOf(attribute);
  return kind ? kind->keyword : "string";
}

const char* attributeVrmlTypeName(const ZKAttribute& attribute) {
  const KindText* kind = kindOf(attribute);
  return kind ? kind->vrmlType : "SFString ";
}

zkofstream& writeAttributeValue(zkofstream& os, const ZKAttribute& attribute) {
  std::ostream& out = os;
  const SoType type = attribute.getTypeId();
  if (type == ZKFloatAttribute::getClassTypeId()) {
    writePadded(out, as<ZKFloatAttribute>(attribute).getValue(), kValueWidth);
  } else if (type == ZKBoolAttribute::getClassTypeId()) {
    padded(out) << (as<ZKBoolAttribute>(attribute).getValue() ? "TRUE" : "FALSE");
  } else if (type == ZKStringAttribute::getClassTypeId()) {
    // The quotes belong to the value: the padding follows the closing one.
    padded(out) << ("\"" + as<ZKStringAttribute>(attribute).getValue().str() + "\"");
  } else if (type == ZKMFStringAttribute::getClassTypeId()) {
    const SoMFString& list = as<ZKMFStringAttribute>(attribute).getValue();
    padded(out) << "[";
    for (int i = 0; i < list.getNum(); ++i)
      padded(out) << ("\"" + std::string(list[i].getString()) + "\" ");
    os << "]" << endl;
  } else if (type == ZKVec3fAttribute::getClassTypeId()) {
    padded(out) << as<ZKVec3fAttribute>(attribute).getValue();
  } else if (type == ZKColorAttribute::getClassTypeId()) {
    padded(out) << static_cast<const SbVec3f&>(as<ZKColorAttribute>(attribute).getValue());
  } else if (type == ZKRotationAttribute::getClassTypeId()) {
    padded(out) << as<ZKRotationAttribute>(attribute).getValue();
  } else if (type == ZKTimeAttribute::getClassTypeId()) {
    writePadded(out, ZKTimeAttribute::seconds(as<ZKTimeAttribute>(attribute).getValue()),
                kValueWidth);
  }
  return os;
}
