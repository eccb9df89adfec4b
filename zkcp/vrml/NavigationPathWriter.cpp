#include <zkcp/vrml/NavigationPathWriter.h>

#include <zkcp/vrml/ExportText.h>
#include <zkcp/vrml/ViewpointWriters.h>
#include <zkcp/world/ZKNavigationPath.h>

#include <functional>

using zkcp_export::newline;

namespace {

// Values of a list written before the line breaks, per interpolator list.
constexpr int kKeysPerLine = 6;
constexpr int kPointsPerLine = 3;
constexpr int kRotationsPerLine = 2;

std::ostream& number(zkofstream& os, float value) {
  return static_cast<std::ostream&>(os) << static_cast<double>(value);
}

void writeNode(zkofstream& os, const ZKNavigationPath& path, const char* open,
               const char* close) {
  os << "DEF " << path.getName() << " " << "ZKNavigationPath {" << endl;
  os << open << "children [" << endl;
  for (unsigned i = 0; i < path.numPositions(); ++i) newline(os << path[i]);
  os << close << endl;
  os << "}" << endl;
}

// "\tkey [0, s, 2s, ... 1]": one key for each position and the closing 1,
// the step accumulated in single precision.
void writeKeys(zkofstream& os, unsigned n) {
  const float step = 1.0f / static_cast<float>(n + 1);
  os << "\t" << "key [" << "0, ";
  int onLine = 1;
  float key = 0;
  for (unsigned i = 1; i < n; ++i) {
    key += step;
    number(os, key) << ", ";
    if (++onLine >= kKeysPerLine) {
      os << endl << "\t\t";
      onLine = 0;
    }
  }
  os << "1]" << endl;
}

// "\tkeyValue [" with one value per position, then the first one again.
void writeValues(zkofstream& os, const ZKNavigationPath& path, int perLine,
                 const std::function<void(const ZKPosition&)>& value) {
  os << "\t" << "keyValue [";
  int onLine = 0;
  for (unsigned i = 0; i < path.numPositions(); ++i) {
    value(path[i]);
    os << ", ";
    if (++onLine >= perLine) {
      os << endl << "\t\t";
      onLine = 0;
    }
  }
  value(path[0]);
  os << "]" << endl;
}

void writeInterpolators(zkofstream& os, const ZKNavigationPath& path) {
  const unsigned n = path.numPositions();
  if (n == 0) return;
  os << "PositionInterpolator {" << endl;
  writeKeys(os, n);
  writeValues(os, path, kPointsPerLine, [&os](const ZKPosition& p) {
    const SbVec3f& v = p.getPoint();
    number(os, v[0]) << " ";
    number(os, v[1]) << " ";
    number(os, v[2]);
  });
  os << "}" << endl;
  os << endl;
  os << "OrientationInterpolator {" << endl;
  writeKeys(os, n);
  writeValues(os, path, kRotationsPerLine, [&os](const ZKPosition& p) {
    SbVec3f axis;
    float angle = 0;
    p.getOrientation().getValue(axis, angle);
    number(os, axis[0]) << " ";
    number(os, axis[1]) << " ";
    number(os, axis[2]) << " ";
    number(os, angle);
  });
  os << "}" << endl;
}

}  // namespace

zkofstream& operator<<(zkofstream& os, const ZKNavigationPath& path) {
  switch (os.format()) {
    case zkofstream::kExproto:
    case zkofstream::kProto:
      return os;
    case zkofstream::kVrmlproto:
      os << "PROTO ZKNavigationPath [" << endl;
      os << "\texposedField\tMFNode\t\tchildren\t\t[]" << endl;
      return os << "]{}" << endl;
    case zkofstream::kVrmlexproto:
      os << "EXTERNPROTO ZKNavigationPath [" << endl;
      os << "\texposedField\tMFNode\t\tchildren" << endl;
      return os << "] [ \"zkextensions.wrl#ZKNavigationPath\" ]" << endl;
    case zkofstream::kRef:
      writeNode(os, path, "  ", "  ]");
      return os;
    case zkofstream::kVrmlref:
    case zkofstream::kMsvrmlref:
      writeInterpolators(os, path);
      return os;
    default:
      writeNode(os, path, "\t", "\t\t]");
      return os;
  }
}
