#include <zkcp/attribute/ZKScalarAttributes.h>

#include <Inventor/SoInput.h>
#include <Inventor/SoOutput.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

ZK_ATTRIBUTE_SOURCE(ZKBoolAttribute)

ZKBoolAttribute& ZKBoolAttribute::operator=(const ZKBoolAttribute& other) {
  setValue(other.getValue());
  return *this;
}

int ZKBoolAttribute::getValue() const {
  evaluate();
  return value;
}

void ZKBoolAttribute::setValue(int v) {
  value = v;
  checkThresholds();
}

int ZKBoolAttribute::operator=(int v) {
  setValue(v);
  return value;
}

void ZKBoolAttribute::setValue(ZKAttribute* other) {
  if (other && other->isOfType(getClassTypeId()))
    setValue(static_cast<ZKBoolAttribute*>(other)->value);
}

SbBool ZKBoolAttribute::readValue(SoInput* in) { return in->read(value); }

void ZKBoolAttribute::writeValue(SoOutput* out) const { out->write(value); }

ZK_ATTRIBUTE_SOURCE(ZKFloatAttribute)

ZKFloatAttribute& ZKFloatAttribute::operator=(const ZKFloatAttribute& other) {
  setValue(other.getValue());
  return *this;
}

float ZKFloatAttribute::getValue() const {
  evaluate();
  return value;
}

void ZKFloatAttribute::setValue(float v) {
  value = v;
  checkThresholds();
}

float ZKFloatAttribute::operator=(float v) {
  setValue(v);
  return value;
}

ZKFloatAttribute& ZKFloatAttribute::operator+=(const ZKFloatAttribute& other) {
  value += other.value;
  return *this;
}

ZKFloatAttribute& ZKFloatAttribute::operator+=(float v) {
  value += v;
  return *this;
}

void ZKFloatAttribute::setValue(ZKAttribute* other) {
  if (other && other->isOfType(getClassTypeId()))
    setValue(static_cast<ZKFloatAttribute*>(other)->value);
}

SbBool ZKFloatAttribute::readValue(SoInput* in) { return in->read(value); }

void ZKFloatAttribute::writeValue(SoOutput* out) const { out->write(value); }

ZK_ATTRIBUTE_SOURCE(ZKTimeAttribute)

double ZKTimeAttribute::seconds(const SbTime& t) {
  time_t sec = 0;
  long usec = 0;
  t.getValue(sec, usec);
  return static_cast<double>(sec) + static_cast<double>(usec) * 0.000001;
}

SbTime ZKTimeAttribute::fromSeconds(double d) {
  // Seconds outside the 32-bit range are held at its ends; NaN is zero.
  if (!(d == d)) d = 0.0;
  if (d > INT32_MAX) d = INT32_MAX;
  if (d < INT32_MIN) d = INT32_MIN;
  int32_t sec = static_cast<int32_t>(d);
  long usec = static_cast<long>((d - sec) * 1000000.0);
  return SbTime(sec, usec);
}

ZKTimeAttribute& ZKTimeAttribute::operator=(const ZKTimeAttribute& other) {
  setValue(other.getValue());
  return *this;
}

int ZKTimeAttribute::operator==(const ZKTimeAttribute& other) const {
  time_t s1 = 0, s2 = 0;
  long u1 = 0, u2 = 0;
  value.getValue(s1, u1);
  other.value.getValue(s2, u2);
  return s1 == s2 && u1 == u2;
}

SbTime ZKTimeAttribute::getValue() const {
  evaluate();
  return value;
}

void ZKTimeAttribute::setValue(const SbTime& t) {
  value = t;
  checkThresholds();
}

void ZKTimeAttribute::setValue(double seconds) { setValue(fromSeconds(seconds)); }

SbTime ZKTimeAttribute::operator=(const SbTime& t) {
  setValue(t);
  return value;
}

ZKTimeAttribute& ZKTimeAttribute::operator=(double seconds) {
  value = fromSeconds(seconds);
  return *this;
}

ZKTimeAttribute& ZKTimeAttribute::operator+=(const ZKTimeAttribute& other) {
  value += other.value;
  return *this;
}

ZKTimeAttribute& ZKTimeAttribute::operator+=(const SbTime& t) {
  value += t;
  return *this;
}

ZKTimeAttribute& ZKTimeAttribute::operator+=(double seconds) {
  value += fromSeconds(seconds);
  return *this;
}

void ZKTimeAttribute::setValue(ZKAttribute* other) {
  if (other && other->isOfType(getClassTypeId()))
    setValue(static_cast<ZKTimeAttribute*>(other)->value);
}

SbBool ZKTimeAttribute::readValue(SoInput* in) {
  double d = 0.0;
  if (!in->read(d)) return FALSE;
  value = fromSeconds(d);
  return TRUE;
}

void ZKTimeAttribute::writeValue(SoOutput* out) const { out->write(seconds(value)); }

ZK_ATTRIBUTE_SOURCE(ZKVoidPointerAttribute)

ZKVoidPointerAttribute& ZKVoidPointerAttribute::operator=(const ZKVoidPointerAttribute& other) {
  setValue(other.getValue());
  return *this;
}

void* ZKVoidPointerAttribute::getValue() const {
  evaluate();
  return value;
}

void ZKVoidPointerAttribute::setValue(void* v) {
  value = v;
  checkThresholds();
}

void* ZKVoidPointerAttribute::operator=(void* v) {
  setValue(v);
  return value;
}

void ZKVoidPointerAttribute::setValue(ZKAttribute* other) {
  if (other && other->isOfType(getClassTypeId()))
    setValue(static_cast<ZKVoidPointerAttribute*>(other)->value);
}

// The pointer is a 64-bit decimal integer, wider than Inventor's own
// integer syntax, so it is read as one word and converted here.
SbBool ZKVoidPointerAttribute::readValue(SoInput* in) {
  SbName word;
  if (!in->read(word, FALSE)) return FALSE;
  const char* text = word.getString();
  if (*text < '0' || *text > '9') return FALSE;
  errno = 0;
  char* end = nullptr;
  const unsigned long long bits = std::strtoull(text, &end, 10);
  if (*end != '\0' || errno == ERANGE || bits > UINTPTR_MAX) return FALSE;
  value = reinterpret_cast<void*>(static_cast<uintptr_t>(bits));
  return TRUE;
}

void ZKVoidPointerAttribute::writeValue(SoOutput* out) const {
  out->write(std::to_string(reinterpret_cast<uintptr_t>(value)).c_str());
}
