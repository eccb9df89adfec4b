#include <zkcp/zkcp.h>

#include "../TestScene.h"
#include "GoldenText.h"

#include <Inventor/errors/SoReadError.h>
#include <Inventor/VRMLnodes/SoVRMLNodes.h>
#include <Inventor/fields/SoFields.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSubNode.h>

#include <sstream>
#include <vector>

namespace {

using namespace zkcp_test;

// A light of a type derived from a VRML point light: no writer matches it.
class DerivedLamp : public SoVRMLPointLight {
  SO_NODE_HEADER(DerivedLamp);

 public:
  static void initClass() {
    if (classTypeId != SoType::badType()) return;
    SO_NODE_INIT_CLASS(DerivedLamp, SoVRMLPointLight, "VRMLPointLight");
  }
  DerivedLamp() { SO_NODE_CONSTRUCTOR(DerivedLamp); }

 private:
  ~DerivedLamp() override = default;
};

SO_NODE_SOURCE(DerivedLamp)

template <class T>
std::string text(const T& value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

class VRMLNodeWriters : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SoDB::init();
    DerivedLamp::initClass();
  }
  void TearDown() override {
    for (SoNode* root : roots_) root->unref();
  }
  // The node of a VRML 2.0 text, held until the end of the test.
  template <class T>
  T& node(const char* vrml) {
    T* read = fromText<T>(std::string("#VRML V2.0 utf8\n") + vrml);
    read->ref();
    roots_.push_back(read);
    EXPECT_TRUE(read->isOfType(T::getClassTypeId())) << vrml;
    return *read;
  }

 private:
  std::vector<SoNode*> roots_;
};

TEST_F(VRMLNodeWriters, ValuesPadToTenAndKeepLeftJustification) {
  std::ostringstream out;
  SoMFFloat floats;
  SoMFString strings;
  SoSFImage image;
  floats.set("[3.3333333, -0.5]");
  strings.set("[\"door\", \"\"]");
  image.set("1 1 3 0x010203");
  out << SbVec3f(1, 0.5f, 0) << "\n"
      << SbVec2f(1234567, 0.25f) << "\n"
      << SbRotation(SbVec3f(0, 1, 0), 1.5f) << "\n"
      << floats << strings << image;
  EXPECT_TRUE(matchesGolden(out.str(), "vrml_values.txt"));

  // The justification set by a padded number stays on the stream.
  std::ostringstream after;
  after << SbVec2f(0, 0);
  after.width(4);
  after << "ab" << "|";
  EXPECT_TRUE(sameText(after.str(), "0          0         ab  |"));

  EXPECT_EQ(std::string(vrmlBool(1)) + vrmlBool(7) + vrmlBool(0) + vrmlBool(-1), "TRUETRUEFALSEFALSE");
  EXPECT_DOUBLE_EQ(vrmlSeconds(SbTime(12, 250000)), 12.25);
  EXPECT_EQ(text(SoMFFloat()), "\t\t [\n\t\t]\n");
}

TEST_F(VRMLNodeWriters, ShapeAppearanceAndNestedNodes) {
  // The texture url names no real image: the reader's complaint is muted.
  SoErrorCB* previous = SoReadError::getHandlerCallback();
  SoReadError::setHandlerCallback([](const SoError*, void*) {}, nullptr);
  auto& shape = node<SoVRMLShape>(
      "Shape { appearance Appearance { material Material {}"
      " texture ImageTexture { url \"wood.png\" repeatS FALSE }"
      " textureTransform TextureTransform {} } geometry Box { size 2 1 0.5 } }");
  SoReadError::setHandlerCallback(previous, nullptr);
  EXPECT_TRUE(matchesGolden(text(shape), "vrml_shape_appearance.wrl"));

  // Without fields only the frame is written; a geometry whose writer writes
  // nothing leaves the label and a line end, one without a writer the label.
  auto& empty = node<SoVRMLShape>("Shape {}");
  EXPECT_TRUE(sameText(text(empty), "\t\tShape {\n\t\t}\n"));
  empty.geometry = new SoVRMLText;
  EXPECT_TRUE(sameText(text(empty), "\t\tShape {\n\t\t\tgeometry\t\n\t\t}\n"));
  empty.geometry = new SoCube;
  EXPECT_TRUE(sameText(text(empty), "\t\tShape {\n\t\t\tgeometry\t\t\t}\n"));
  // A node of the wrong kind in the appearance field is not written.
  empty.geometry = nullptr;
  empty.appearance = new SoVRMLBox;
  EXPECT_TRUE(sameText(text(empty), "\t\tShape {\n\t\t}\n"));
  auto& odd = node<SoVRMLAppearance>("Appearance {}");
  odd.texture = new SoVRMLBox;
  odd.material = new SoVRMLBox;
  EXPECT_TRUE(sameText(text(odd), "Appearance {\n\t\ttexture\t}\n"));
}

TEST_F(VRMLNodeWriters, SolidsWriteOnlyFieldsAwayFromTheirDefaults) {
  std::ostringstream out;
  out << node<SoVRMLCone>("Cone {}") << node<SoVRMLCone>("Cone { height 3 }")
      << node<SoVRMLCone>("Cone { bottomRadius 2 side FALSE bottom FALSE }")
      << node<SoVRMLCylinder>("Cylinder {}")
      << node<SoVRMLCylinder>(
             "Cylinder { radius 0.5 height 3.3333333 side FALSE top FALSE bottom FALSE }")
      << node<SoVRMLSphere>("Sphere {}") << node<SoVRMLBox>("Box {}");
  EXPECT_TRUE(matchesGolden(out.str(), "vrml_cone_cylinder_sphere.wrl"));

  std::ostringstream nothing;
  nothing << node<SoVRMLExtrusion>("Extrusion {}") << node<SoVRMLIndexedLineSet>("IndexedLineSet {}")
          << node<SoVRMLPointSet>("PointSet {}") << node<SoVRMLText>("Text {}");
  EXPECT_EQ(nothing.str(), "");
}

TEST_F(VRMLNodeWriters, ElevationGridAndVertexProperties) {
  std::ostringstream out;
  out << node<SoVRMLElevationGrid>(
             "ElevationGrid { xDimension 2 xSpacing 1.5 zDimension 2 zSpacing 4"
             " height [0, 0.25, 1e-7, 1234567] color Color { color 1 0 0 } colorPerVertex FALSE"
             " normal Normal { vector 0 1 0 } normalPerVertex FALSE"
             " texCoord TextureCoordinate { point [0 0, 1 1] } ccw FALSE solid FALSE"
             " creaseAngle 0.5 }")
      << node<SoVRMLElevationGrid>("ElevationGrid {}");
  EXPECT_TRUE(matchesGolden(out.str(), "vrml_elevation_grid.wrl"));

  EXPECT_EQ(text(node<SoVRMLColor>("Color {}")) + text(node<SoVRMLCoordinate>("Coordinate {}")) +
                text(node<SoVRMLNormal>("Normal {}")) +
                text(node<SoVRMLTextureCoordinate>("TextureCoordinate {}")),
            "Color {\n}\nCoordinate {\n}\nNormal {\n}\nTextureCoordinate {\n}\n");
}

TEST_F(VRMLNodeWriters, IndexedFaceSetListsSkipTheirFirstEntry) {
  EXPECT_TRUE(matchesGolden(
      text(node<SoVRMLIndexedFaceSet>(
          "IndexedFaceSet { coord Coordinate { point [0 0 0, 1 0 0, 0 1 0, 1 1 0] }"
          " coordIndex [0 1 2 -1 1 3 2 -1] texCoord TextureCoordinate { point [0 0, 1 0] }"
          " texCoordIndex [0 1 2 -1] color Color { color 1 1 1 } colorIndex 5"
          " colorPerVertex FALSE normalIndex [0 0 -1] solid FALSE convex FALSE"
          " creaseAngle 1.5707964 }")),
      "vrml_indexed_face_set.wrl"));

  auto& faces = node<SoVRMLIndexedFaceSet>("IndexedFaceSet { coordIndex [0 1 2 -1] }");
  EXPECT_TRUE(sameText(text(faces), "IndexedFaceSet {\n\t\tcoordIndex [\n\t1,\t2,\t-1,\n\t\t]\n}\n"));
  // No closing -1: the last entry runs into the closing bracket.
  faces.coordIndex.setNum(3);
  faces.coordIndex.set1Value(1, 4);
  faces.coordIndex.set1Value(2, 5);
  EXPECT_TRUE(sameText(text(faces), "IndexedFaceSet {\n\t\tcoordIndex [\n\t4,\t5,\t\t]\n}\n"));
  // A one-entry list writes only its brackets; the other lists need two.
  faces.coordIndex.setValue(7);
  faces.texCoordIndex.setValue(1);
  faces.normalIndex.setValue(1);
  EXPECT_TRUE(sameText(text(faces), "IndexedFaceSet {\n\t\tcoordIndex [\n\t\t]\n}\n"));
  faces.coordIndex.setNum(0);
  EXPECT_TRUE(sameText(text(faces), "IndexedFaceSet {\n}\n"));
}

TEST_F(VRMLNodeWriters, Textures) {
  auto& pixels = node<SoVRMLPixelTexture>(
      "PixelTexture { image 1 1 3 0xff0000 repeatS FALSE repeatT FALSE }");
  std::ostringstream out;
  out << node<SoVRMLMovieTexture>(
             "MovieTexture { url [\"a.mpg\", \"b mpg\"] speed 2 loop TRUE startTime 1.5"
             " repeatT FALSE }")
      << node<SoVRMLMovieTexture>("MovieTexture { stopTime 2.25 }") << pixels
      << node<SoVRMLImageTexture>("ImageTexture {}") << pixels.image;
  EXPECT_TRUE(matchesGolden(out.str(), "vrml_textures.wrl"));
}

TEST_F(VRMLNodeWriters, FogAndLights) {
  // The lights go through the writer that dispatches on the light's type.
  std::ostringstream out;
  out << node<SoVRMLFog>("Fog { fogType \"LINEAR\" visibilityRange 3.3333333 color 0.5 0.25 1 }")
      << static_cast<const SoVRMLLight&>(node<SoVRMLDirectionalLight>(
             "DirectionalLight { on TRUE intensity 0.75 ambientIntensity 0.1 color 1 1 1"
             " direction 0 -1 0 }"))
      << static_cast<const SoVRMLLight&>(node<SoVRMLPointLight>(
             "PointLight { on FALSE intensity 1 ambientIntensity 0 color 1 0.5 0"
             " location 1 2 3 radius 50 attenuation 1 0 0 }"))
      << static_cast<const SoVRMLLight&>(node<SoVRMLSpotLight>(
             "SpotLight { on TRUE intensity 1 ambientIntensity 0 color 1 1 1 location 0 10 0"
             " direction 0 -1 0 beamWidth 0.5 cutOffAngle 0.785398163 radius 20"
             " attenuation 0 1 0 }"));
  EXPECT_TRUE(matchesGolden(out.str(), "vrml_environment.wrl"));

  SoVRMLLight* lamp = new DerivedLamp;  // a light no writer matches writes nothing
  lamp->ref();
  EXPECT_EQ(text(*lamp), "");
  lamp->unref();
}

TEST_F(VRMLNodeWriters, InterpolatorsRowsAndIndentation) {
  std::string positionPath = scratchPath("zk_position.wrl"), orientationPath = scratchPath("zk_orientation.wrl");
  {
    zkofstream os(positionPath.c_str());
    os.addTabStop(4);
    os << indent
       << node<SoVRMLPositionInterpolator>(
              "PositionInterpolator { key [0 0.125 0.25 0.375 0.5 0.625 0.75 0.875]"
              " keyValue [0 0 0, 1 2 3, 0.5 -1 3.3333333] }");
    EXPECT_EQ(os.getIndentLevel(), 0);
    zkofstream flat(orientationPath.c_str());
    flat << node<SoVRMLOrientationInterpolator>(
        "OrientationInterpolator { key [0 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8]"
        " keyValue [0 1 0 1.5, 1 0 0 0.5, 0 0 1 3] }");
  }
  EXPECT_TRUE(matchesGolden(readFile(positionPath), "vrml_position_interpolator.wrl"));
  EXPECT_TRUE(matchesGolden(readFile(orientationPath), "vrml_orientation_interpolator.wrl"));

  // 15 keys: a row of 7, then 7 more with the last key joining them.
  std::string manyPath = scratchPath("zk_many.wrl");
  {
    zkofstream os(manyPath.c_str());
    os << node<SoVRMLPositionInterpolator>(
              "PositionInterpolator { key [0 1 2 3 4 5 6 7 8 9 10 11 12 13 14] }")
       << node<SoVRMLPositionInterpolator>("PositionInterpolator {}");
  }
  EXPECT_TRUE(sameText(readFile(manyPath),
                       "PositionInterpolator  {\nkey [\n0, 1, 2, 3, 4, 5, 6, \n"
                       "7, 8, 9, 10, 11, 12, 13, 14\n]\nkeyValue [\n\n]\n}\n"
                       "PositionInterpolator  {\nkey [\n\n]\nkeyValue [\n\n]\n}\n"));
}

}  // namespace
