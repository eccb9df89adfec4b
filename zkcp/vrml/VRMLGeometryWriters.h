#ifndef ZKCP_VRML_VRMLGEOMETRYWRITERS_H
#define ZKCP_VRML_VRMLGEOMETRYWRITERS_H

#include <iosfwd>

class SoVRMLBox;
class SoVRMLColor;
class SoVRMLCone;
class SoVRMLCoordinate;
class SoVRMLCylinder;
class SoVRMLElevationGrid;
class SoVRMLExtrusion;
class SoVRMLIndexedFaceSet;
class SoVRMLIndexedLineSet;
class SoVRMLNormal;
class SoVRMLPointSet;
class SoVRMLShape;
class SoVRMLSphere;
class SoVRMLText;
class SoVRMLTextureCoordinate;

// VRML 2.0 text of a Shape, its geometry nodes and their vertex property
// nodes. Each writer starts with the node's type name (no DEF name) and
// ends with "}" and a line end; a field is written only where it differs
// from what a reader would assume, as each writer lists.

// The shape, its appearance and its geometry; a geometry of a type without
// a writer leaves the geometry label alone on an unfinished line.
std::ostream& operator<<(std::ostream& os, const SoVRMLShape& shape);

std::ostream& operator<<(std::ostream& os, const SoVRMLBox& box);
std::ostream& operator<<(std::ostream& os, const SoVRMLCone& cone);
std::ostream& operator<<(std::ostream& os, const SoVRMLCylinder& cylinder);
std::ostream& operator<<(std::ostream& os, const SoVRMLSphere& sphere);
std::ostream& operator<<(std::ostream& os, const SoVRMLElevationGrid& grid);
// The index lists leave out their first entry.
std::ostream& operator<<(std::ostream& os, const SoVRMLIndexedFaceSet& faces);
// These geometries are not exported: nothing at all is written.
std::ostream& operator<<(std::ostream& os, const SoVRMLExtrusion& extrusion);
std::ostream& operator<<(std::ostream& os, const SoVRMLIndexedLineSet& lines);
std::ostream& operator<<(std::ostream& os, const SoVRMLPointSet& points);
std::ostream& operator<<(std::ostream& os, const SoVRMLText& text);

std::ostream& operator<<(std::ostream& os, const SoVRMLColor& color);
std::ostream& operator<<(std::ostream& os, const SoVRMLCoordinate& coordinate);
std::ostream& operator<<(std::ostream& os, const SoVRMLNormal& normal);
std::ostream& operator<<(std::ostream& os, const SoVRMLTextureCoordinate& texCoord);

#endif
