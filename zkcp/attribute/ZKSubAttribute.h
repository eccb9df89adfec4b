#ifndef ZKCP_ATTRIBUTE_ZKSUBATTRIBUTE_H
#define ZKCP_ATTRIBUTE_ZKSUBATTRIBUTE_H

#include <zkcp/attribute/ZKAttribute.h>

#include <new>

// The declarations and definitions every typed attribute shares: its own
// Inventor class type below ZKAttribute, creation, exact-type comparison,
// copying through the kind's assignment, and its field sensor.
#define ZK_ATTRIBUTE_HEADER(_class_)                                 \
 public:                                                            \
  static void initClass();                                          \
  static SoType getClassTypeId();                                   \
  SoType getTypeId() const override;                                \
  static void* createInstance();                                    \
  SbBool isSame(const SoField& f) const override;                   \
  void copyFrom(const SoField& f) override;                         \
  void setValue(ZKAttribute* other) override;                       \
  SoFieldSensor* createSensor(SoSensorCB* callback) override;       \
                                                                    \
 protected:                                                         \
  SbBool readValue(SoInput* in) override;                           \
  void writeValue(SoOutput* out) const override;                    \
                                                                    \
 private:                                                           \
  static SoType classTypeId

#define ZK_ATTRIBUTE_SOURCE(_class_)                                                    \
  SoType _class_::classTypeId STATIC_SOTYPE_INIT;                                      \
  void _class_::initClass() {                                                          \
    if (classTypeId != SoType::badType()) return;                                      \
    classTypeId = SoType::createType(ZKAttribute::getClassTypeId(), SbName(#_class_),  \
                                     &_class_::createInstance, 0);                     \
  }                                                                                    \
  SoType _class_::getClassTypeId() { return classTypeId; }                             \
  SoType _class_::getTypeId() const { return classTypeId; }                            \
  void* _class_::createInstance() { return new (std::nothrow) _class_; }               \
  SbBool _class_::isSame(const SoField& f) const {                                     \
    return f.getTypeId() == getTypeId() && *this == static_cast<const _class_&>(f);    \
  }                                                                                    \
  void _class_::copyFrom(const SoField& f) { *this = static_cast<const _class_&>(f); } \
  SoFieldSensor* _class_::createSensor(SoSensorCB* callback) { return makeSensor(callback); }

#endif
