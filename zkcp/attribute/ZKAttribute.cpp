#include <zkcp/attribute/ZKAttribute.h>

#include <zkcp/attribute/ZKThreshold.h>

#include <Inventor/sensors/SoFieldSensor.h>

#include <new>

SoType ZKAttribute::classTypeId STATIC_SOTYPE_INIT;

ZKAttribute::ZKAttribute()
    : value(nullptr), handler(nullptr), owner(nullptr), defaulted_(0), hidden(0) {}

ZKAttribute::ZKAttribute(const ZKAttribute& other)
    : SoField(),
      value(other.value),
      handler(other.handler),
      owner(other.owner),
      defaulted_(other.defaulted_),
      hidden(other.hidden),
      name(other.name) {
  setContainer(other.getContainer());
  setDefault(other.isDefault());
  setIgnored(other.isIgnored());
  for (ZKThreshold* t : other.thresholds) thresholds.append(t);
}

ZKAttribute::~ZKAttribute() = default;

void ZKAttribute::initClass() {
  if (classTypeId != SoType::badType()) return;
  classTypeId = SoType::createType(SoField::getClassTypeId(), SbName("ZKAttribute"),
                                   &ZKAttribute::createInstance, 0);
}

SoType ZKAttribute::getClassTypeId() { return classTypeId; }

SoType ZKAttribute::getTypeId() const { return classTypeId; }

void* ZKAttribute::createInstance() { return new (std::nothrow) ZKAttribute; }

void* ZKAttribute::getValue() const {
  evaluate();
  return value;
}

void ZKAttribute::setValue(void* v) {
  value = v;
  valueChanged(TRUE);
}

void* ZKAttribute::operator=(void* v) {
  setValue(v);
  return value;
}

ZKAttribute& ZKAttribute::operator=(const ZKAttribute& other) {
  setValue(other.getValue());
  return *this;
}

int ZKAttribute::operator==(const ZKAttribute& other) const {
  return getValue() == other.getValue();
}

SbBool ZKAttribute::isSame(const SoField& f) const {
  return f.getTypeId() == getTypeId() && *this == static_cast<const ZKAttribute&>(f);
}

void ZKAttribute::copyFrom(const SoField& f) { *this = static_cast<const ZKAttribute&>(f); }

void ZKAttribute::setValue(ZKAttribute*) {}

SoFieldSensor* ZKAttribute::createSensor(SoSensorCB*) { return nullptr; }

SbBool ZKAttribute::readValue(SoInput*) { return FALSE; }

void ZKAttribute::writeValue(SoOutput*) const {}

void ZKAttribute::checkThresholds() const {
  // Indexed walk: the successor is read after each check returns.
  for (size_t i = 0; i < thresholds.entries(); ++i) {
    ZKThreshold* t = thresholds[i];
    if (!t) return;
    t->check(const_cast<ZKAttribute*>(this));
  }
}

SoFieldSensor* ZKAttribute::makeSensor(SoSensorCB* callback) {
  SoFieldSensor* sensor = new SoFieldSensor(callback, this);
  sensor->attach(this);
  return sensor;
}

void ZKAttribute::addThreshold(ZKThreshold* t) { thresholds.append(t); }

void ZKAttribute::removeThreshold(ZKThreshold* t) { thresholds.remove(t); }
