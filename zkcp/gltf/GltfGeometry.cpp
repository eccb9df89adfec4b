#include <zkcp/gltf/GltfGeometry.h>

#include <zkcp/part/ZKPart.h>

#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLGeometry.h>
#include <Inventor/VRMLnodes/SoVRMLGroup.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/fields/SoSFBool.h>
#include <Inventor/nodes/SoLightModel.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>
#include <Inventor/nodes/SoTexture2.h>

#include <cstring>
#include <unordered_map>

bool GltfLook::operator==(const GltfLook& o) const {
  return diffuse == o.diffuse && specular == o.specular && emissive == o.emissive &&
         shininess == o.shininess && transparency == o.transparency && texture == o.texture &&
         repeatS == o.repeatS && repeatT == o.repeatT && doubleSided == o.doubleSided &&
         vertexColors == o.vertexColors && unlit == o.unlit;
}

// The state of one collection: the texture each grouping level sets, and
// the shape being drawn.
struct GltfGeometry::Traversal {
  struct Texture {
    std::string file;
    bool repeatS = true, repeatT = true;
  };
  GltfGeometry* out;
  std::vector<Texture> textures{Texture()};
  SbMatrix model, normalMatrix;
  // The VRML shape being drawn has no material.
  bool bare = false;
  bool clockwise = false;
  bool doubleSided = false;
  // Vertices by kind: points, line ends, triangle corners.
  std::vector<Vertex> byMode[3];

  static int modeSlot(GltfPrimitive::Mode m) { return m == GltfPrimitive::triangles ? 2 : m; }

  Vertex vertex(SoCallbackAction* action, const SoPrimitiveVertex* v) const {
    Vertex out;
    model.multVecMatrix(v->getPoint(), out.point);
    normalMatrix.multDirMatrix(v->getNormal(), out.normal);
    const SbVec4f& t = v->getTextureCoords();
    out.texCoord.setValue(t[0], 1.0f - t[1]);
    SbColor ambient, diffuse, specular, emission;
    float shininess, transparency;
    action->getMaterial(ambient, diffuse, specular, emission, shininess, transparency,
                        v->getMaterialIndex());
    out.color = diffuse;
    return out;
  }

  static SoCallbackAction::Response push(void* data, SoCallbackAction*, const SoNode*) {
    auto* t = static_cast<Traversal*>(data);
    t->textures.push_back(t->textures.back());
    return SoCallbackAction::CONTINUE;
  }
  static SoCallbackAction::Response pop(void* data, SoCallbackAction*, const SoNode*) {
    static_cast<Traversal*>(data)->textures.pop_back();
    return SoCallbackAction::CONTINUE;
  }
  static SoCallbackAction::Response part(void* data, SoCallbackAction* action, const SoNode* node) {
    auto* t = static_cast<Traversal*>(data);
    t->out->parts.push_back({const_cast<ZKPart*>(static_cast<const ZKPart*>(node)),
                             action->getModelMatrix()});
    return SoCallbackAction::PRUNE;
  }
  static SoCallbackAction::Response vrmlShape(void* data, SoCallbackAction* action,
                                              const SoNode* node) {
    push(data, action, node);
    auto* a = static_cast<SoVRMLAppearance*>(static_cast<const SoVRMLShape*>(node)->appearance.getValue());
    static_cast<Traversal*>(data)->bare = !a || !a->material.getValue();
    return SoCallbackAction::CONTINUE;
  }
  static SoCallbackAction::Response endVrmlShape(void* data, SoCallbackAction* action,
                                                 const SoNode* node) {
    static_cast<Traversal*>(data)->bare = false;
    return pop(data, action, node);
  }
  static SoCallbackAction::Response texture2(void* data, SoCallbackAction*, const SoNode* node) {
    auto* n = static_cast<const SoTexture2*>(node);
    static_cast<Traversal*>(data)->textures.back() = {n->filename.getValue().getString(),
                                                      n->wrapS.getValue() == SoTexture2::REPEAT,
                                                      n->wrapT.getValue() == SoTexture2::REPEAT};
    return SoCallbackAction::CONTINUE;
  }
  static SoCallbackAction::Response imageTexture(void* data, SoCallbackAction*, const SoNode* node) {
    auto* n = static_cast<const SoVRMLImageTexture*>(node);
    static_cast<Traversal*>(data)->textures.back() = {
        n->url.getNum() > 0 ? n->url[0].getString() : "", n->repeatS.getValue() == TRUE,
        n->repeatT.getValue() == TRUE};
    return SoCallbackAction::CONTINUE;
  }
  static SoCallbackAction::Response beginShape(void* data, SoCallbackAction* action,
                                               const SoNode* node) {
    auto* t = static_cast<Traversal*>(data);
    t->model = action->getModelMatrix();
    t->normalMatrix = t->model.inverse().transpose();
    // VRML 97 faces say which side is out in their own fields; Inventor
    // shapes take it from the shape hints.
    auto* solid = static_cast<SoSFBool*>(node->getField("solid"));
    auto* ccw = static_cast<SoSFBool*>(node->getField("ccw"));
    if (solid && solid->isOfType(SoSFBool::getClassTypeId())) {
      t->doubleSided = !solid->getValue();
      t->clockwise = ccw && ccw->isOfType(SoSFBool::getClassTypeId()) && !ccw->getValue();
    } else if (node->isOfType(SoVRMLGeometry::getClassTypeId())) {
      // Boxes, cones, cylinders and spheres are closed.
      t->doubleSided = t->clockwise = false;
    } else {
      const auto ordering = action->getVertexOrdering();
      t->clockwise = ordering == SoShapeHints::CLOCKWISE;
      t->doubleSided = ordering == SoShapeHints::UNKNOWN_ORDERING ||
                       action->getShapeType() != SoShapeHints::SOLID;
    }
    for (auto& list : t->byMode) list.clear();
    return SoCallbackAction::CONTINUE;
  }
  static SoCallbackAction::Response endShape(void* data, SoCallbackAction* action, const SoNode*) {
    auto* t = static_cast<Traversal*>(data);
    GltfLook look;
    SbColor ambient, diffuse, specular, emission;
    float shininess, transparency;
    action->getMaterial(ambient, diffuse, specular, emission, shininess, transparency, 0);
    look.diffuse = {diffuse[0], diffuse[1], diffuse[2]};
    look.specular = {specular[0], specular[1], specular[2]};
    look.emissive = {emission[0], emission[1], emission[2]};
    look.shininess = shininess;
    look.transparency = transparency;
    look.unlit = t->bare || action->getLightModel() == SoLightModel::BASE_COLOR;
    if (t->bare) look.diffuse = {1, 1, 1};
    look.doubleSided = t->doubleSided;
    const Texture& texture = t->textures.back();
    look.texture = texture.file;
    look.repeatS = texture.repeatS;
    look.repeatT = texture.repeatT;
    const GltfPrimitive::Mode modes[] = {GltfPrimitive::points, GltfPrimitive::lines,
                                         GltfPrimitive::triangles};
    for (GltfPrimitive::Mode mode : modes) {
      std::vector<Vertex>& vertices = t->byMode[modeSlot(mode)];
      if (vertices.empty()) continue;
      GltfLook shapeLook = look;
      for (const Vertex& v : vertices)
        if (v.color != diffuse) shapeLook.vertexColors = true;
      if (mode != GltfPrimitive::triangles) {
        shapeLook.texture.clear();
        shapeLook.doubleSided = false;
      }
      t->out->flushShape(vertices, shapeLook, mode);
    }
    return SoCallbackAction::CONTINUE;
  }
  static void triangle(void* data, SoCallbackAction* action, const SoPrimitiveVertex* a,
                       const SoPrimitiveVertex* b, const SoPrimitiveVertex* c) {
    auto* t = static_cast<Traversal*>(data);
    Vertex v[3] = {t->vertex(action, a), t->vertex(action, b), t->vertex(action, c)};
    if (t->clockwise) std::swap(v[1], v[2]);
    SbVec3f face = (v[1].point - v[0].point).cross(v[2].point - v[0].point);
    if (face.length() <= 0) return;  // no area: nothing to draw
    face.normalize();
    for (Vertex& corner : v) {
      if (corner.normal.length() > 1e-6f) corner.normal.normalize();
      else corner.normal = face;
      t->byMode[2].push_back(corner);
    }
  }
  static void line(void* data, SoCallbackAction* action, const SoPrimitiveVertex* a,
                   const SoPrimitiveVertex* b) {
    auto* t = static_cast<Traversal*>(data);
    t->byMode[1].push_back(t->vertex(action, a));
    t->byMode[1].push_back(t->vertex(action, b));
  }
  static void point(void* data, SoCallbackAction* action, const SoPrimitiveVertex* v) {
    auto* t = static_cast<Traversal*>(data);
    t->byMode[0].push_back(t->vertex(action, v));
  }
};

// The actions are made once: making one and adding its callbacks walks
// Coin's type tree.
GltfGeometry::GltfGeometry()
    : traversal(std::make_unique<Traversal>()),
      shapesAction(std::make_unique<SoCallbackAction>()),
      partsAction(std::make_unique<SoCallbackAction>()) {
  Traversal* t = traversal.get();
  t->out = this;
  partsAction->addPreCallback(ZKPart::getClassTypeId(), Traversal::part, t);
  SoCallbackAction& action = *shapesAction;
  action.addPreCallback(ZKPart::getClassTypeId(), Traversal::part, t);
  for (SoType group : {SoSeparator::getClassTypeId(), SoVRMLGroup::getClassTypeId()}) {
    action.addPreCallback(group, Traversal::push, t);
    action.addPostCallback(group, Traversal::pop, t);
  }
  action.addPreCallback(SoVRMLShape::getClassTypeId(), Traversal::vrmlShape, t);
  action.addPostCallback(SoVRMLShape::getClassTypeId(), Traversal::endVrmlShape, t);
  action.addPreCallback(SoTexture2::getClassTypeId(), Traversal::texture2, t);
  action.addPreCallback(SoVRMLImageTexture::getClassTypeId(), Traversal::imageTexture, t);
  action.addPreCallback(SoShape::getClassTypeId(), Traversal::beginShape, t);
  action.addPostCallback(SoShape::getClassTypeId(), Traversal::endShape, t);
  action.addTriangleCallback(SoShape::getClassTypeId(), Traversal::triangle, t);
  action.addLineSegmentCallback(SoShape::getClassTypeId(), Traversal::line, t);
  action.addPointCallback(SoShape::getClassTypeId(), Traversal::point, t);
}

GltfGeometry::~GltfGeometry() = default;

void GltfGeometry::clear() {
  primitives.clear();
  parts.clear();
}

void GltfGeometry::collect(SoNode* node, bool shapes) {
  if (!node) return;
  traversal->textures.assign(1, Traversal::Texture());
  traversal->bare = false;
  (shapes ? shapesAction : partsAction)->apply(node);
}

GltfPrimitive& GltfGeometry::primitiveFor(const GltfLook& look, GltfPrimitive::Mode mode) {
  for (GltfPrimitive& p : primitives)
    if (p.mode == mode && p.look == look) return p;
  primitives.emplace_back();
  primitives.back().mode = mode;
  primitives.back().look = look;
  return primitives.back();
}

void GltfGeometry::flushShape(const std::vector<Vertex>& shapeVertices, const GltfLook& look,
                              GltfPrimitive::Mode mode) {
  GltfPrimitive& p = primitiveFor(look, mode);
  const bool textured = !look.texture.empty();
  // Equal vertices of a primitive are found by their bytes.
  std::unordered_map<std::string, uint32_t> seen;
  seen.reserve(shapeVertices.size());
  for (const Vertex& v : shapeVertices) {
    float key[11] = {v.point[0], v.point[1], v.point[2], 0, 0, 0, 0, 0, 0, 0, 0};
    if (mode == GltfPrimitive::triangles) std::memcpy(key + 3, v.normal.getValue(), 12);
    if (textured) std::memcpy(key + 6, v.texCoord.getValue(), 8);
    if (look.vertexColors) std::memcpy(key + 8, v.color.getValue(), 12);
    auto [at, fresh] = seen.emplace(std::string(reinterpret_cast<char*>(key), sizeof key),
                                    static_cast<uint32_t>(p.vertexCount()));
    if (fresh) {
      p.positions.insert(p.positions.end(), key, key + 3);
      if (mode == GltfPrimitive::triangles) p.normals.insert(p.normals.end(), key + 3, key + 6);
      if (textured) p.texCoords.insert(p.texCoords.end(), key + 6, key + 8);
      if (look.vertexColors) p.colors.insert(p.colors.end(), key + 8, key + 11);
    }
    p.indices.push_back(at->second);
  }
}
