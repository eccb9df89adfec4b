#ifndef ZKCP_X3D_X3DVALUES_H
#define ZKCP_X3D_X3DVALUES_H

#include <Inventor/SbLinear.h>

#include <string>
#include <vector>

// Field values as the text of X3D XML attributes.
namespace x3d {

std::string number(double v);
std::string vec(const SbVec2f& v);
std::string vec(const SbVec3f& v);
std::string rotation(const SbRotation& r);
// Values of a multiple field, separated by blanks (or ", " between tuples).
template <class T>
std::string list(const T* values, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) {
    if (i) out += ", ";
    out += vec(values[i]);
  }
  return out;
}
std::string indices(const int* values, int n);
// Strings of an MFString, each quoted, with quotes and backslashes escaped.
std::string strings(const std::vector<std::string>& values);

}  // namespace x3d

#endif
