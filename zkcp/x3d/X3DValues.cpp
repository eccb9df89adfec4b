#include <zkcp/x3d/X3DValues.h>

#include <cstdio>

namespace x3d {

std::string number(double v) {
  if (v > -5e-7 && v < 5e-7) return "0";
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

std::string vec(const SbVec2f& v) { return number(v[0]) + " " + number(v[1]); }

std::string vec(const SbVec3f& v) {
  return number(v[0]) + " " + number(v[1]) + " " + number(v[2]);
}

std::string rotation(const SbRotation& r) {
  SbVec3f axis;
  float angle = 0;
  r.getValue(axis, angle);
  if (angle == 0 || axis.length() == 0) return "0 0 1 0";
  return vec(axis) + " " + number(angle);
}

std::string indices(const int* values, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) {
    if (i) out += ' ';
    out += std::to_string(values[i]);
  }
  return out;
}

std::string strings(const std::vector<std::string>& values) {
  std::string out;
  for (const std::string& v : values) {
    if (!out.empty()) out += ' ';
    out += '"';
    for (char c : v) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    out += '"';
  }
  return out;
}

}  // namespace x3d
