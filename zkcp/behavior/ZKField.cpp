#include <zkcp/behavior/ZKField.h>

#include <Inventor/fields/SoMFColor.h>
#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/fields/SoMFRotation.h>
#include <Inventor/fields/SoMFString.h>
#include <Inventor/fields/SoMFTime.h>
#include <Inventor/fields/SoMFVec2f.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/fields/SoSFBool.h>
#include <Inventor/fields/SoSFColor.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFImage.h>
#include <Inventor/fields/SoSFInt32.h>
#include <Inventor/fields/SoSFNode.h>
#include <Inventor/fields/SoSFRotation.h>
#include <Inventor/fields/SoSFString.h>
#include <Inventor/fields/SoSFTime.h>
#include <Inventor/fields/SoSFVec2f.h>
#include <Inventor/fields/SoSFVec3f.h>

#include <ostream>

namespace {

// VRML texts in the order of the TYPE values.
constexpr const char* kTypeTexts[] = {
    "None",       "SFBool",     "SFColor",  "MFColor",  "SFFloat",  "MFFloat",
    "SFImage",    "SFInt32",    "MFInt32",  "SFNode",   "MFNode",   "SFRotation",
    "MFRotation", "SFString",   "MFString", "SFTime",   "MFTime",   "SFVec2f",
    "MFVec2f",    "SFVec3f",    "MFVec3f"};
constexpr int kTypeCount = sizeof(kTypeTexts) / sizeof(kTypeTexts[0]);

// A new field of f's class holding all of f's values, or null for a null f.
template <class T>
SoField* copyOf(const T* f) {
  if (f == nullptr) return nullptr;
  T* copy = new T;
  copy->copyFrom(*f);
  return copy;
}

// A new field of the class held for `type`, holding all of f's values; null
// for the types that hold none.
template <class T>
SoField* copyAs(const SoField& f) {
  return copyOf(static_cast<const T*>(&f));
}

SoField* duplicate(ZKField::TYPE type, const SoField& f) {
  switch (type) {
    case ZKField::SFBool: return copyAs<SoSFBool>(f);
    case ZKField::SFColor: return copyAs<SoSFColor>(f);
    case ZKField::MFColor: return copyAs<SoMFColor>(f);
    case ZKField::SFFloat: return copyAs<SoSFFloat>(f);
    case ZKField::MFFloat: return copyAs<SoMFFloat>(f);
    case ZKField::SFImage: return copyAs<SoSFImage>(f);
    case ZKField::SFInt32: return copyAs<SoSFInt32>(f);
    case ZKField::MFInt32: return copyAs<SoMFInt32>(f);
    case ZKField::SFRotation: return copyAs<SoSFRotation>(f);
    case ZKField::MFRotation: return copyAs<SoMFRotation>(f);
    case ZKField::SFString: return copyAs<SoSFString>(f);
    case ZKField::MFString: return copyAs<SoMFString>(f);
    case ZKField::SFTime: return copyAs<SoSFTime>(f);
    case ZKField::MFTime: return copyAs<SoMFTime>(f);
    case ZKField::SFVec2f: return copyAs<SoSFVec2f>(f);
    case ZKField::MFVec2f: return copyAs<SoMFVec2f>(f);
    case ZKField::SFVec3f: return copyAs<SoSFVec3f>(f);
    case ZKField::MFVec3f: return copyAs<SoMFVec3f>(f);
    default: return nullptr;
  }
}

}  // namespace

ZKField::ZKField() : type_(None), value_{nullptr}, data_(nullptr) {}

ZKField::ZKField(const Std_CString& name, TYPE type, void* data)
    : name_(name), type_(type), value_{nullptr}, data_(data) {}

ZKField::ZKField(const Std_CString& name, const Std_CString& text, void* data)
    : name_(name), type_(None), value_{nullptr}, data_(data) {
  setType(text);
}

ZKField::ZKField(const ZKField& other) : type_(None), value_{nullptr}, data_(nullptr) {
  copy(other);
}

ZKField& ZKField::operator=(const ZKField& other) {
  if (this != &other) copy(other);
  return *this;
}

ZKField::~ZKField() { clear(); }

ZKField& ZKField::operator=(SoMFVec3f* f) { return hold(MFVec3f, copyOf(f)); }
ZKField& ZKField::operator=(SoSFVec3f* f) { return hold(SFVec3f, copyOf(f)); }
ZKField& ZKField::operator=(SoMFVec2f* f) { return hold(MFVec2f, copyOf(f)); }
ZKField& ZKField::operator=(SoSFVec2f* f) { return hold(SFVec2f, copyOf(f)); }

ZKField& ZKField::operator=(SoMFString* f) {
  SoMFString* copy = nullptr;
  if (f != nullptr) {
    f->evaluate();
    copy = new SoMFString;
    for (int i = 0; i < f->getNum(); ++i) copy->set1Value(i, (*f)[i]);
  }
  return hold(MFString, copy);
}

ZKField& ZKField::operator=(SoSFString* f) { return hold(SFString, copyOf(f)); }
ZKField& ZKField::operator=(SoMFRotation* f) { return hold(MFRotation, copyOf(f)); }
ZKField& ZKField::operator=(SoSFRotation* f) { return hold(SFRotation, copyOf(f)); }
ZKField& ZKField::operator=(SoMFNode*) { return hold(MFNode, nullptr); }
ZKField& ZKField::operator=(SoSFNode*) { return hold(SFNode, nullptr); }
ZKField& ZKField::operator=(SoMFInt32* f) { return hold(MFInt32, copyOf(f)); }
ZKField& ZKField::operator=(SoSFInt32* f) { return hold(SFInt32, copyOf(f)); }
ZKField& ZKField::operator=(SoSFImage* f) { return hold(SFImage, copyOf(f)); }
ZKField& ZKField::operator=(SoMFFloat* f) { return hold(MFFloat, copyOf(f)); }
ZKField& ZKField::operator=(SoSFFloat* f) { return hold(SFFloat, copyOf(f)); }
ZKField& ZKField::operator=(SoMFColor* f) { return hold(MFColor, copyOf(f)); }
ZKField& ZKField::operator=(SoSFColor* f) { return hold(SFColor, copyOf(f)); }
ZKField& ZKField::operator=(SoSFBool* f) { return hold(SFBool, copyOf(f)); }

void ZKField::print(std::ostream& os) const {
  if (name_.length() > 0) os << name_.data();
  os << ' ';
  printValue(os);
  os << '\n';
}

ZKField::TYPE ZKField::type(Std_CString& text) const {
  if (const char* t = typeText(type_)) text = t;
  return type_;
}

const char* ZKField::typeText(TYPE type) {
  const int index = static_cast<int>(type);
  if (index < 0 || index >= kTypeCount) return nullptr;
  return kTypeTexts[index];
}

void ZKField::setType(const Std_CString& text) {
  type_ = None;
  for (int i = SFBool; i < kTypeCount; ++i) {
    if (text == kTypeTexts[i]) {
      type_ = static_cast<TYPE>(i);
      return;
    }
  }
}

void ZKField::clear() {
  delete value_.field;
  value_.field = nullptr;
  type_ = None;
}

void ZKField::copy(const ZKField& other) {
  clear();
  name_ = other.name_;
  type_ = other.type_;
  data_ = other.data_;
  is_ = other.is_;
  if (other.value_.field != nullptr) value_.field = duplicate(type_, *other.value_.field);
}

void ZKField::printValue(std::ostream&) const {}

ZKField& ZKField::hold(TYPE type, SoField* copy) {
  clear();
  type_ = type;
  value_.field = copy;
  return *this;
}
