#include <zkcp/vrml/VRMLValueWriters.h>

#include <Inventor/SbString.h>
#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFString.h>
#include <Inventor/fields/SoSFImage.h>

#include <ctime>
#include <ostream>

namespace {

constexpr int kNumberWidth = 10;

}  // namespace

std::ostream& writePadded(std::ostream& os, double value, int width) {
  os.setf(std::ios::left, std::ios::adjustfield);
  os.width(width);
  return os << value;
}

std::ostream& operator<<(std::ostream& os, const SbVec2f& v) {
  writePadded(os, v[0], kNumberWidth) << " ";
  return writePadded(os, v[1], kNumberWidth);
}

std::ostream& operator<<(std::ostream& os, const SbVec3f& v) {
  writePadded(os, v[0], kNumberWidth) << " ";
  writePadded(os, v[1], kNumberWidth) << " ";
  return writePadded(os, v[2], kNumberWidth);
}

std::ostream& operator<<(std::ostream& os, const SbRotation& r) {
  SbVec3f axis;
  float radians = 0;
  r.getValue(axis, radians);
  os << axis << " ";
  return writePadded(os, radians, kNumberWidth);
}

std::ostream& operator<<(std::ostream& os, const SoMFFloat& values) {
  os << "\t\t [" << std::endl;
  const int n = values.getNum();
  for (int i = 0; i < n; ++i) os << "\t\t\t" << static_cast<double>(values[i]) << "," << std::endl;
  return os << "\t\t]" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoMFString& strings) {
  os << "\t\t [" << std::endl;
  const int n = strings.getNum();
  for (int i = 0; i < n; ++i) os << "\t\t\t\"" << strings[i].getString() << "\"," << std::endl;
  return os << "\t\t]" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoSFImage&) { return os << "0 0 0" << std::endl; }

const char* vrmlBool(long value) { return value >= 1 ? "TRUE" : "FALSE"; }

double vrmlSeconds(const SbTime& time) {
  time_t seconds = 0;
  long microseconds = 0;
  time.getValue(seconds, microseconds);
  return static_cast<double>(seconds) + static_cast<double>(microseconds) * 1e-6;
}
