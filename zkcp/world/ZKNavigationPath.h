#ifndef ZKCP_WORLD_ZKNAVIGATIONPATH_H
#define ZKCP_WORLD_ZKNAVIGATIONPATH_H

#include <zkcp/foundation/RWCString.h>
#include <zkcp/foundation/RWTValOrderedVector.h>

#include <Inventor/SbLinear.h>

// One stop of a navigation path: where the viewer stands and where it looks.
class ZKPosition {
 public:
  // The identity orientation at the point (0, 0, 0).
  ZKPosition() : orientation(SbRotation::identity()), point(0, 0, 0) {}
  ZKPosition(const ZKPosition&) = default;
  ZKPosition& operator=(const ZKPosition&) = default;
  ~ZKPosition() = default;

  // Each sets only its own member.
  ZKPosition& operator=(const SbRotation& r) {
    orientation = r;
    return *this;
  }
  ZKPosition& operator=(const SbVec3f& p) {
    point = p;
    return *this;
  }
  void setOrientation(const SbRotation& r) { orientation = r; }
  void setPoint(const SbVec3f& p) { point = p; }
  const SbRotation& getOrientation() const { return orientation; }
  const SbVec3f& getPoint() const { return point; }

  // Orientations and points exactly equal.
  int operator==(const ZKPosition& other) const {
    return orientation == other.orientation && point == other.point;
  }

 private:
  SbRotation orientation;
  SbVec3f point;
};

// A named, ordered list of viewer positions through the world, such as a
// guided tour. A value: copies hold their own positions.
class ZKNavigationPath {
 public:
  ZKNavigationPath() = default;
  explicit ZKNavigationPath(const RWCString& name) : name(name) {}

  const RWCString& getName() const { return name; }
  void setName(const RWCString& n) { name = n; }

  unsigned numPositions() const { return static_cast<unsigned>(positions.entries()); }
  void appendPosition(const ZKPosition& p) { positions.append(p); }
  void prependPosition(const ZKPosition& p) { positions.prepend(p); }
  // Inserts p before position i; an i past the last position appends.
  void insertPosition(const ZKPosition& p, unsigned i);
  // Removes position i; an index out of range throws RWIndexError and
  // changes nothing.
  void removePosition(int i);
  void clearPositions() { positions.clear(); }

  // The position at i; an i past the end gives the last position. A path
  // without positions throws RWIndexError.
  const ZKPosition& operator[](unsigned i) const;
  ZKPosition& operator[](unsigned i);

  // Names equal ignoring case; the positions are not compared.
  int operator==(const ZKNavigationPath& other) const {
    return name.compareTo(other.name, RWCString::ignoreCase) == 0;
  }

 private:
  RWCString name;
  RWTValOrderedVector<ZKPosition> positions;
};

#endif
