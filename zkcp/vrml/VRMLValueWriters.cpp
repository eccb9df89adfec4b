#include <zkcp/vrml/VRMLValueWriters.h>

#include <Inventor/SbString.h>
#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFString.h>
#include <Inventor/fields/SoSFImage.h>

#include <charconv>
#include <cmath>
#include <ctime>
#include <locale>
#include <ostream>

namespace {

constexpr int kNumberWidth = 10;

// Whether the stream writes a double as printf's "%.<precision>g" in the C
// locale, blanks filling: then the text is made with std::to_chars, the same
// characters without the stream's formatting machinery.
bool plainDoubles(const std::ostream& os) {
  constexpr std::ios::fmtflags kChanging =
      std::ios::floatfield | std::ios::showpos | std::ios::showpoint | std::ios::uppercase;
  return (os.flags() & kChanging) == 0 && os.precision() > 0 && os.precision() <= 17 &&
         os.fill() == ' ' && os.getloc() == std::locale::classic();
}

}  // namespace

std::ostream& writePadded(std::ostream& os, double value, int width) {
  os.setf(std::ios::left, std::ios::adjustfield);
  if (width > 32 || !std::isfinite(value) || !plainDoubles(os)) {
    os.width(width);
    return os << value;
  }
  char text[64];
  char* end = std::to_chars(text, text + 32, value, std::chars_format::general,
                            static_cast<int>(os.precision()))
                  .ptr;
  while (end - text < width) *end++ = ' ';
  os.width(0);
  return os.write(text, end - text);
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
