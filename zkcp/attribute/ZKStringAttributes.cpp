#include <zkcp/attribute/ZKStringAttributes.h>

#include <Inventor/SbString.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoOutput.h>

ZK_ATTRIBUTE_SOURCE(ZKStringAttribute)

ZKStringAttribute& ZKStringAttribute::operator=(const ZKStringAttribute& other) {
  setValue(other.getValue());
  return *this;
}

const RWCString& ZKStringAttribute::getValue() const {
  evaluate();
  return value;
}

void ZKStringAttribute::setValue(const RWCString& v) {
  value = v;
  checkThresholds();
}

const RWCString& ZKStringAttribute::operator=(const RWCString& v) {
  setValue(v);
  return value;
}

ZKStringAttribute& ZKStringAttribute::operator+=(const ZKStringAttribute& other) {
  value += other.value;
  return *this;
}

ZKStringAttribute& ZKStringAttribute::operator+=(const RWCString& v) {
  value += v;
  return *this;
}

void ZKStringAttribute::setValue(ZKAttribute* other) {
  if (other && other->isOfType(getClassTypeId()))
    setValue(static_cast<ZKStringAttribute*>(other)->getValue());
}

SbBool ZKStringAttribute::readValue(SoInput* in) {
  SbString text;
  if (!in->read(text)) return FALSE;
  value = RWCString(text.getString(), static_cast<size_t>(text.getLength()));
  return TRUE;
}

void ZKStringAttribute::writeValue(SoOutput* out) const {
  out->write(SbString(value.data()));
}

ZK_ATTRIBUTE_SOURCE(ZKMFStringAttribute)

ZKMFStringAttribute::ZKMFStringAttribute(const ZKMFStringAttribute& other) : ZKAttribute(other) {
  value = other.value;
}

ZKMFStringAttribute& ZKMFStringAttribute::operator=(const ZKMFStringAttribute& other) {
  setValue(other.getValue());
  return *this;
}

const SoMFString& ZKMFStringAttribute::getValue() const {
  evaluate();
  return value;
}

void ZKMFStringAttribute::setValue(const SoMFString& list) {
  list.evaluate();
  const int n = list.getNum();
  if (&list == &value) return;
  value.deleteValues(0);
  for (int i = 0; i < n; ++i) {
    list.evaluate();
    value.set1Value(i, list[i]);
  }
}

ZKMFStringAttribute& ZKMFStringAttribute::operator=(const SoMFString& list) {
  setValue(list);
  return *this;
}

void ZKMFStringAttribute::setValue(ZKAttribute* other) {
  if (other && other->isOfType(getClassTypeId()))
    setValue(static_cast<ZKMFStringAttribute*>(other)->getValue());
}

SbBool ZKMFStringAttribute::readValue(SoInput*) { return FALSE; }

void ZKMFStringAttribute::writeValue(SoOutput*) const {}
