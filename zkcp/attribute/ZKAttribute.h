#ifndef ZKCP_ATTRIBUTE_ZKATTRIBUTE_H
#define ZKCP_ATTRIBUTE_ZKATTRIBUTE_H

#include <zkcp/foundation/RWCString.h>
#include <zkcp/foundation/RWTPtrSlist.h>

#include <Inventor/SbName.h>
#include <Inventor/fields/SoField.h>
#include <Inventor/sensors/SoSensor.h>

class SoFieldSensor;
class ZKAttributeHandler;
class ZKComponent;
class ZKThreshold;

// A named value carried by a component. An attribute is an Inventor field
// that stands on its own, outside any node, so that text conversion
// (SoField::set/get), field sensors and field connections work on it. On
// top of the field it keeps a name, the owning component, an application
// handler pointer, the hidden and defaulted flags, and the thresholds that
// re-examine the attribute whenever one of its typed value setters runs.
//
// The base class holds an untyped pointer; the typed attributes keep their
// value in a member of their own.
class ZKAttribute : public SoField {
 public:
  ZKAttribute();
  // Copies the field flags and container, the value, handler, owner, flags
  // and name, and the threshold pointers in order (their counts are not
  // touched, so a copy checks the same thresholds). Field connections are
  // not copied.
  ZKAttribute(const ZKAttribute& other);
  ~ZKAttribute() override;

  static void initClass();
  static SoType getClassTypeId();
  SoType getTypeId() const override;
  static void* createInstance();

  const RWCString& getName() const { return name; }
  void setName(const RWCString& newName) { name = newName; }
  ZKComponent* getOwner() const { return owner; }
  void setOwner(ZKComponent* component) { owner = component; }
  ZKAttributeHandler* getHandler() const { return handler; }
  void setHandler(ZKAttributeHandler* h) { handler = h; }
  int isHidden() const { return hidden; }
  void setIsHidden(int flag) { hidden = flag; }
  const int& isDefaulted() const { return defaulted_; }
  void defaulted(const int& flag) { defaulted_ = flag; }

  // The untyped value. getValue evaluates a connected field first;
  // setValue(void*) notifies the field's auditors but runs no threshold.
  void* getValue() const;
  void setValue(void* v);
  void* operator=(void* v);
  // Copies only the value; name, owner, handler, flags and thresholds stay.
  ZKAttribute& operator=(const ZKAttribute& other);
  int operator==(const ZKAttribute& other) const;
  int operator!=(const ZKAttribute& other) const { return !(*this == other); }

  // True for a field of exactly this run-time type with an equal value.
  SbBool isSame(const SoField& f) const override;
  void copyFrom(const SoField& f) override;

  // Copies the value of another attribute of the same kind; the base
  // ignores it.
  virtual void setValue(ZKAttribute* other);
  // A field sensor on this attribute with `callback` and this attribute as
  // its data, owned by the caller; the base makes none.
  virtual SoFieldSensor* createSensor(SoSensorCB* callback);

  int getNumThresholds() const { return static_cast<int>(thresholds.entries()); }

 protected:
  SbBool readValue(SoInput* in) override;
  void writeValue(SoOutput* out) const override;
  // Calls check on every registered threshold in registration order.
  void checkThresholds() const;
  // The sensor every typed attribute makes in createSensor.
  SoFieldSensor* makeSensor(SoSensorCB* callback);

 private:
  friend class ZKThreshold;
  void addThreshold(ZKThreshold* t);
  void removeThreshold(ZKThreshold* t);

  static SoType classTypeId;

  void* value;
  ZKAttributeHandler* handler;
  ZKComponent* owner;
  int defaulted_;
  int hidden;
  RWCString name;
  RWTPtrSlist<ZKThreshold> thresholds;
};

#endif
