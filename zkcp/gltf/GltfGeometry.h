#ifndef ZKCP_GLTF_GLTFGEOMETRY_H
#define ZKCP_GLTF_GLTFGEOMETRY_H

#include <Inventor/SbColor.h>
#include <Inventor/SbLinear.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class SoCallbackAction;
class SoNode;
class ZKPart;

// How a run of primitives looks: the Coin material of its shape (colours as
// Coin keeps them, not yet converted), the image file its texture names and
// whether both faces are drawn.
struct GltfLook {
  std::array<float, 3> diffuse{{0.8f, 0.8f, 0.8f}};
  std::array<float, 3> specular{{0, 0, 0}};
  std::array<float, 3> emissive{{0, 0, 0}};
  float shininess = 0.2f;
  float transparency = 0;
  std::string texture;
  bool repeatS = true;
  bool repeatT = true;
  bool doubleSided = false;
  bool vertexColors = false;
  // Drawn in its colour without lighting: a VRML shape without a material
  // (white) or an Inventor shape under a BASE_COLOR light model.
  bool unlit = false;
  bool operator==(const GltfLook& o) const;
};

// Vertices and indices of one primitive of a glTF mesh, in the frame the
// collection started in. Equal vertices are stored once.
struct GltfPrimitive {
  enum Mode { points = 0, lines = 1, triangles = 4 };
  Mode mode = triangles;
  GltfLook look;
  std::vector<float> positions;  // x, y, z
  std::vector<float> normals;    // triangles only
  std::vector<float> texCoords;  // u, v with v down, when textured
  std::vector<float> colors;     // r, g, b as Coin keeps them, with vertex colours
  std::vector<uint32_t> indices;
  size_t vertexCount() const { return positions.size() / 3; }
};

// A part met inside the geometry, and where its parent's frame puts it.
struct GltfPlacedPart {
  ZKPart* part;
  SbMatrix placement;
};

// Collects the geometry of one part as glTF primitives: everything Coin
// draws of the nodes (faces, lines and points of Inventor and VRML 97
// shapes, primitives and text tessellated as Coin tessellates them, with
// their normals, texture coordinates and vertex colours), grouped by look.
// Parts inside are not entered; they are listed with their placement.
class GltfGeometry {
 public:
  GltfGeometry();
  ~GltfGeometry();
  GltfGeometry(const GltfGeometry&) = delete;
  GltfGeometry& operator=(const GltfGeometry&) = delete;

  // Adds what `node` draws (when `shapes`) and the parts in it.
  void collect(SoNode* node, bool shapes);
  // Forgets what was collected.
  void clear();

  std::vector<GltfPrimitive> primitives;
  std::vector<GltfPlacedPart> parts;

 private:
  struct Traversal;
  struct Vertex {
    SbVec3f point, normal;
    SbVec2f texCoord;
    SbColor color;
  };
  std::unique_ptr<Traversal> traversal;
  std::unique_ptr<SoCallbackAction> shapesAction, partsAction;
  // Adds the vertices one shape drew as `mode` to the primitive of `look`.
  void flushShape(const std::vector<Vertex>& vertices, const GltfLook& look,
                  GltfPrimitive::Mode mode);
  GltfPrimitive& primitiveFor(const GltfLook& look, GltfPrimitive::Mode mode);
};

#endif
