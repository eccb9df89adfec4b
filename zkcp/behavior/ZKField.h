#ifndef ZKCP_BEHAVIOR_ZKFIELD_H
#define ZKCP_BEHAVIOR_ZKFIELD_H

#include <zkcp/foundation/Std_CString.h>

#include <iosfwd>

class SoField;
class SoMFColor;
class SoMFFloat;
class SoMFInt32;
class SoMFNode;
class SoMFRotation;
class SoMFString;
class SoMFVec2f;
class SoMFVec3f;
class SoSFBool;
class SoSFColor;
class SoSFFloat;
class SoSFImage;
class SoSFInt32;
class SoSFNode;
class SoSFRotation;
class SoSFString;
class SoSFVec2f;
class SoSFVec3f;

// One named, typed entry of a behaviour's interface in VRML 2.0 field types.
// The value is an Inventor field of the class that matches the type, owned
// by this field and never shared: every assignment and copy makes a complete
// copy of the source's values. Node types carry no value.
class ZKField {
 public:
  enum TYPE {
    None = 0,
    SFBool,
    SFColor,
    MFColor,
    SFFloat,
    MFFloat,
    SFImage,
    SFInt32,
    MFInt32,
    SFNode,
    MFNode,
    SFRotation,
    MFRotation,
    SFString,
    MFString,
    SFTime,
    MFTime,
    SFVec2f,
    MFVec2f,
    SFVec3f,
    MFVec3f
  };

  // The held Inventor field, or null.
  union VALUE {
    SoField* field;
  };

  ZKField();
  ZKField(const Std_CString& name, TYPE type, void* data);
  // The type is found from its VRML text ("SFVec3f"), compared exactly;
  // an unknown text gives None.
  ZKField(const Std_CString& name, const Std_CString& text, void* data);
  ZKField(const ZKField& other);
  ZKField& operator=(const ZKField& other);
  virtual ~ZKField();

  // Each assignment clears the field, takes the type of f's class and holds
  // a copy of f; a null f or a node type leaves no value.
  virtual ZKField& operator=(SoMFVec3f* f);
  virtual ZKField& operator=(SoSFVec3f* f);
  virtual ZKField& operator=(SoMFVec2f* f);
  virtual ZKField& operator=(SoSFVec2f* f);
  virtual ZKField& operator=(SoMFString* f);
  virtual ZKField& operator=(SoSFString* f);
  virtual ZKField& operator=(SoMFRotation* f);
  virtual ZKField& operator=(SoSFRotation* f);
  virtual ZKField& operator=(SoMFNode* f);
  virtual ZKField& operator=(SoSFNode* f);
  virtual ZKField& operator=(SoMFInt32* f);
  virtual ZKField& operator=(SoSFInt32* f);
  virtual ZKField& operator=(SoSFImage* f);
  virtual ZKField& operator=(SoMFFloat* f);
  virtual ZKField& operator=(SoSFFloat* f);
  virtual ZKField& operator=(SoMFColor* f);
  virtual ZKField& operator=(SoSFColor* f);
  virtual ZKField& operator=(SoSFBool* f);
  // The name (when not empty), one blank, then a line end.
  virtual void print(std::ostream& os) const;

  const Std_CString& name() const { return name_; }
  TYPE type() const { return type_; }
  // Sets text to the type's VRML text ("None" for None) and returns the
  // type; a value outside the table leaves text unchanged.
  TYPE type(Std_CString& text) const;
  // The VRML text of a type, or null outside the table.
  static const char* typeText(TYPE type);
  VALUE& value() { return value_; }
  const VALUE& value() const { return value_; }
  // The name of the prototype interface field this one is bound to.
  Std_CString& is() { return is_; }
  const Std_CString& is() const { return is_; }

 private:
  void setType(const Std_CString& text);
  void clear();
  void copy(const ZKField& other);
  void printValue(std::ostream& os) const;
  // Clears, takes `type` and holds `copy` (owned; may be null).
  ZKField& hold(TYPE type, SoField* copy);

  Std_CString name_;
  TYPE type_;
  VALUE value_;
  void* data_;
  Std_CString is_;
};

#endif
