#ifndef ZKCP_VRML_VRMLVALUEWRITERS_H
#define ZKCP_VRML_VRMLVALUEWRITERS_H

#include <Inventor/SbLinear.h>
#include <Inventor/SbTime.h>

#include <iosfwd>

class SoMFFloat;
class SoMFString;
class SoSFImage;

// VRML 2.0 text of the Inventor value types. Numbers are written by the
// stream's own double output (default formatting, 6 significant digits).
// The vector and rotation writers pad every number to 10 characters,
// left-justified; the left-justification flag stays set on the stream.

// x " " y
std::ostream& operator<<(std::ostream& os, const SbVec2f& v);
// x " " y " " z; colours are written by this writer too.
std::ostream& operator<<(std::ostream& os, const SbVec3f& v);
// The axis as a vector, " ", then the angle in radians.
std::ostream& operator<<(std::ostream& os, const SbRotation& r);
// A bracketed list, one value per line.
std::ostream& operator<<(std::ostream& os, const SoMFFloat& values);
// A bracketed list, one quoted string per line.
std::ostream& operator<<(std::ostream& os, const SoMFString& strings);
// Always the empty image "0 0 0" and a line end.
std::ostream& operator<<(std::ostream& os, const SoSFImage& image);

// "TRUE" for a stored value of 1 or more, "FALSE" otherwise.
const char* vrmlBool(long value);
// Seconds: whole seconds plus microseconds times 1e-6.
double vrmlSeconds(const SbTime& time);
// Writes the number left-justified in a field of `width` characters.
std::ostream& writePadded(std::ostream& os, double value, int width);

#endif
