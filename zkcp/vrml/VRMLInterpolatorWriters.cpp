#include <zkcp/vrml/VRMLInterpolatorWriters.h>

#include <zkcp/vrml/zkofstream.h>

#include <Inventor/VRMLnodes/SoVRMLOrientationInterpolator.h>
#include <Inventor/VRMLnodes/SoVRMLPositionInterpolator.h>

#include <ostream>

namespace {

constexpr int kKeysPerRow = 7;

std::ostream& plain(zkofstream& os) { return os; }

void writeKeys(zkofstream& os, const SoMFFloat& keys) {
  os << "key [" << endl;
  const int n = keys.getNum();
  int i = 0;
  while (i < n) {
    for (int inRow = 0; inRow < kKeysPerRow && i < n; ++inRow, ++i) {
      plain(os) << static_cast<double>(keys[i]);
      if (i != n - 1) os << ", ";
    }
    if (i < n - 1) os << endl;
  }
  os << endl << "]" << endl;
}

void writePosition(zkofstream& os, const SbVec3f& v) {
  plain(os) << static_cast<double>(v[0]) << ", " << static_cast<double>(v[1]) << ", "
            << static_cast<double>(v[2]);
}

void writeOrientation(zkofstream& os, const SbRotation& r) {
  SbVec3f axis;
  float radians = 0;
  r.getValue(axis, radians);
  writePosition(os, axis);
  plain(os) << ", " << static_cast<double>(radians);
}

template <class Values, class WriteValue>
zkofstream& writeInterpolator(zkofstream& os, const char* header, const SoMFFloat& keys,
                              const Values& values, WriteValue writeValue) {
  os << header;
  os.nextIndent();
  os << endl;
  writeKeys(os, keys);
  os << "keyValue [" << endl;
  const int n = values.getNum();
  for (int i = 0; i < n; ++i) {
    writeValue(os, values[i]);
    if (i != n - 1) os << ", " << endl;
  }
  os << endl << "]";
  os.backIndent();
  return os << endl << "}" << endl;
}

}  // namespace

zkofstream& operator<<(zkofstream& os, const SoVRMLPositionInterpolator& interpolator) {
  return writeInterpolator(os, "PositionInterpolator  {", interpolator.key, interpolator.keyValue,
                           writePosition);
}

zkofstream& operator<<(zkofstream& os, const SoVRMLOrientationInterpolator& interpolator) {
  return writeInterpolator(os, "OrientationInterpolator  {", interpolator.key,
                           interpolator.keyValue, writeOrientation);
}
