#include <zkcp/vrml/VRMLGeometryWriters.h>

#include <zkcp/vrml/VRMLAppearanceWriters.h>
#include <zkcp/vrml/VRMLNodeField.h>
#include <zkcp/vrml/VRMLValueWriters.h>

#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLBox.h>
#include <Inventor/VRMLnodes/SoVRMLColor.h>
#include <Inventor/VRMLnodes/SoVRMLCone.h>
#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLCylinder.h>
#include <Inventor/VRMLnodes/SoVRMLElevationGrid.h>
#include <Inventor/VRMLnodes/SoVRMLExtrusion.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedFaceSet.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedLineSet.h>
#include <Inventor/VRMLnodes/SoVRMLNormal.h>
#include <Inventor/VRMLnodes/SoVRMLPointSet.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLSphere.h>
#include <Inventor/VRMLnodes/SoVRMLText.h>
#include <Inventor/VRMLnodes/SoVRMLTextureCoordinate.h>

#include <ostream>

namespace {

// Writes "<label><node writer>" and a line end when the field holds a T.
template <class T>
void writeNodeField(std::ostream& os, const char* label, const SoSFNode& field) {
  if (const T* node = vrmlNodeOf<T>(field)) os << label << *node << std::endl;
}

void writeFalseLine(std::ostream& os, const char* label, const SoSFBool& field) {
  if (!field.getValue()) os << label << "FALSE" << std::endl;
}

void writeNumberLine(std::ostream& os, const char* label, float value) {
  os << label << static_cast<double>(value) << std::endl;
}

// The writer of the geometry node's exact type; false when there is none.
bool writeGeometry(std::ostream& os, const SoNode& node) {
  if (vrmlIsExactly<SoVRMLBox>(node)) {
    os << static_cast<const SoVRMLBox&>(node);
  } else if (vrmlIsExactly<SoVRMLCone>(node)) {
    os << static_cast<const SoVRMLCone&>(node);
  } else if (vrmlIsExactly<SoVRMLCylinder>(node)) {
    os << static_cast<const SoVRMLCylinder&>(node);
  } else if (vrmlIsExactly<SoVRMLElevationGrid>(node)) {
    os << static_cast<const SoVRMLElevationGrid&>(node);
  } else if (vrmlIsExactly<SoVRMLExtrusion>(node)) {
    os << static_cast<const SoVRMLExtrusion&>(node);
  } else if (vrmlIsExactly<SoVRMLIndexedFaceSet>(node)) {
    os << static_cast<const SoVRMLIndexedFaceSet&>(node);
  } else if (vrmlIsExactly<SoVRMLIndexedLineSet>(node)) {
    os << static_cast<const SoVRMLIndexedLineSet&>(node);
  } else if (vrmlIsExactly<SoVRMLPointSet>(node)) {
    os << static_cast<const SoVRMLPointSet&>(node);
  } else if (vrmlIsExactly<SoVRMLSphere>(node)) {
    os << static_cast<const SoVRMLSphere&>(node);
  } else if (vrmlIsExactly<SoVRMLText>(node)) {
    os << static_cast<const SoVRMLText&>(node);
  } else {
    return false;
  }
  return true;
}

// An index list without its first entry; a line end follows each -1.
void writeIndexList(std::ostream& os, const char* opening, const char* prefix,
                    const SoMFInt32& list) {
  os << opening << std::endl;
  const int n = list.getNum();
  for (int i = 1; i < n; ++i) {
    os << prefix << list[i] << ",";
    if (list[i] == -1) os << std::endl;
  }
  os << "\t\t]" << std::endl;
}

template <class Field>
void writeVectorList(std::ostream& os, const char* opening, const char* prefix,
                     const Field& list) {
  const int n = list.getNum();
  if (n == 0) return;
  os << opening << std::endl;
  for (int i = 0; i < n; ++i) os << prefix << list[i] << "," << std::endl;
  os << "\t\t]" << std::endl;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const SoVRMLShape& shape) {
  os << "\t\tShape {" << std::endl;
  writeNodeField<SoVRMLAppearance>(os, "\t\t\tappearance\t", shape.appearance);
  if (const SoNode* geometry = shape.geometry.getValue()) {
    os << "\t\t\tgeometry\t";
    if (writeGeometry(os, *geometry)) os << std::endl;
  }
  return os << "\t\t}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLBox& box) {
  os << "Box {" << std::endl;
  os << "\t\tsize\t" << box.size.getValue() << std::endl;
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLCone& cone) {
  os << "Cone {" << std::endl;
  if (cone.bottomRadius.getValue() != 1) writeNumberLine(os, "\t\tbottomRadius\t", cone.bottomRadius.getValue());
  if (cone.height.getValue() != 2) writeNumberLine(os, "\t\theight\t\t", cone.height.getValue());
  writeFalseLine(os, "\t\tside\t\t", cone.side);
  writeFalseLine(os, "\t\tbottom\t\t", cone.bottom);
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLCylinder& cylinder) {
  os << "Cylinder {" << std::endl;
  if (cylinder.radius.getValue() != 1) writeNumberLine(os, "\t\tradius\t", cylinder.radius.getValue());
  if (cylinder.height.getValue() != 2) writeNumberLine(os, "\t\theight\t\t", cylinder.height.getValue());
  writeFalseLine(os, "\t\tside\t\t", cylinder.side);
  writeFalseLine(os, "\t\ttop\t\t", cylinder.top);
  writeFalseLine(os, "\t\tbottom\t\t", cylinder.bottom);
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLSphere& sphere) {
  os << "Sphere {" << std::endl;
  writeNumberLine(os, "\t\tradius\t", sphere.radius.getValue());
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLElevationGrid& grid) {
  os << "ElevationGrid {" << std::endl;
  if (grid.xDimension.getValue() != 0) os << "\t\txDimension\t" << grid.xDimension.getValue() << std::endl;
  if (grid.xSpacing.getValue() != 0) writeNumberLine(os, "\t\txSpacing\t", grid.xSpacing.getValue());
  if (grid.zDimension.getValue() != 0) os << "\t\tzDimension\t" << grid.zDimension.getValue() << std::endl;
  if (grid.height.getNum() > 0) os << "\t\theight\t" << grid.height << std::endl;
  writeNodeField<SoVRMLColor>(os, "\t\tcolor\t", grid.color);
  writeFalseLine(os, "\t\tcolorPerVertex\t\t", grid.colorPerVertex);
  writeNodeField<SoVRMLNormal>(os, "\t\tnormal\t", grid.normal);
  writeFalseLine(os, "\t\tnormalPerVertex\t\t", grid.normalPerVertex);
  writeNodeField<SoVRMLTextureCoordinate>(os, "\t\ttexCoord\t", grid.texCoord);
  writeFalseLine(os, "\t\tccw\t\t", grid.ccw);
  writeFalseLine(os, "\t\tsolid\t\t", grid.solid);
  if (grid.creaseAngle.getValue() != 0) writeNumberLine(os, "\t\tcreaseAngle\t", grid.creaseAngle.getValue());
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLIndexedFaceSet& faces) {
  os << "IndexedFaceSet {" << std::endl;
  writeNodeField<SoVRMLCoordinate>(os, "\t\tcoord\t", faces.coord);
  if (faces.coordIndex.getNum() > 0) writeIndexList(os, "\t\tcoordIndex [", "\t", faces.coordIndex);
  writeNodeField<SoVRMLTextureCoordinate>(os, "\t\ttexCoord\t", faces.texCoord);
  if (faces.texCoordIndex.getNum() > 1) writeIndexList(os, "\t\ttexCoordIndex [", "\t", faces.texCoordIndex);
  writeNodeField<SoVRMLColor>(os, "\t\tcolor\t", faces.color);
  if (faces.colorIndex.getNum() > 1) writeIndexList(os, "\t\tcolorIndex [", "\t\t\t\t", faces.colorIndex);
  writeFalseLine(os, "\t\tcolorPerVertex\t\t", faces.colorPerVertex);
  writeNodeField<SoVRMLNormal>(os, "\t\tnormal\t", faces.normal);
  if (faces.normalIndex.getNum() > 1) writeIndexList(os, "\t\tnormalIndex [", "\t\t\t\t", faces.normalIndex);
  writeFalseLine(os, "\t\tnormalPerVertex\t\t", faces.normalPerVertex);
  writeFalseLine(os, "\t\tccw\t\t", faces.ccw);
  writeFalseLine(os, "\t\tsolid\t\t", faces.solid);
  writeFalseLine(os, "\t\tconvex\t\t", faces.convex);
  if (faces.creaseAngle.getValue() != 0) writeNumberLine(os, "\t\tcreaseAngle\t", faces.creaseAngle.getValue());
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLExtrusion&) { return os; }
std::ostream& operator<<(std::ostream& os, const SoVRMLIndexedLineSet&) { return os; }
std::ostream& operator<<(std::ostream& os, const SoVRMLPointSet&) { return os; }
std::ostream& operator<<(std::ostream& os, const SoVRMLText&) { return os; }

std::ostream& operator<<(std::ostream& os, const SoVRMLColor& color) {
  os << "Color {" << std::endl;
  writeVectorList(os, "\t\tcolor [", "\t\t\t", color.color);
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLCoordinate& coordinate) {
  os << "Coordinate {" << std::endl;
  writeVectorList(os, "\t\tpoint [", "\t", coordinate.point);
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLNormal& normal) {
  os << "Normal {" << std::endl;
  writeVectorList(os, "\t\tvector [", "\t", normal.vector);
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLTextureCoordinate& texCoord) {
  os << "TextureCoordinate {" << std::endl;
  writeVectorList(os, "\t\tpoint [", "\t", texCoord.point);
  return os << "}" << std::endl;
}
