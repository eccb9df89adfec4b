#include <zkcp/x3d/X3DGeometryWriter.h>

#include <zkcp/part/ZKPart.h>
#include <zkcp/x3d/X3DValues.h>

#include <Inventor/SbViewportRegion.h>
#include <Inventor/VRMLnodes/SoVRMLAnchor.h>
#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLBillboard.h>
#include <Inventor/VRMLnodes/SoVRMLBox.h>
#include <Inventor/VRMLnodes/SoVRMLCollision.h>
#include <Inventor/VRMLnodes/SoVRMLColor.h>
#include <Inventor/VRMLnodes/SoVRMLCone.h>
#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLCylinder.h>
#include <Inventor/VRMLnodes/SoVRMLGroup.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedFaceSet.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedLineSet.h>
#include <Inventor/VRMLnodes/SoVRMLMaterial.h>
#include <Inventor/VRMLnodes/SoVRMLNormal.h>
#include <Inventor/VRMLnodes/SoVRMLPointSet.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLSphere.h>
#include <Inventor/VRMLnodes/SoVRMLSwitch.h>
#include <Inventor/VRMLnodes/SoVRMLTextureCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLTextureTransform.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/misc/SoChildList.h>
#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/nodes/SoCone.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoCylinder.h>
#include <Inventor/nodes/SoFaceSet.h>
#include <Inventor/nodes/SoFile.h>
#include <Inventor/nodes/SoIndexedFaceSet.h>
#include <Inventor/nodes/SoIndexedLineSet.h>
#include <Inventor/nodes/SoInfo.h>
#include <Inventor/nodes/SoLabel.h>
#include <Inventor/nodes/SoLineSet.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoPointSet.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShapeHints.h>
#include <Inventor/nodes/SoSphere.h>
#include <Inventor/nodes/SoSwitch.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTextureCoordinate2.h>
#include <Inventor/nodes/SoTransformation.h>

#include <pugixml.hpp>

#include <ostream>

using x3d::number;
using x3d::rotation;
using x3d::vec;

// What the Inventor nodes met so far set for the shapes that follow.
struct X3DGeometryWriter::State {
  SoMaterial* material = nullptr;
  SbColor baseColor{0.8f, 0.8f, 0.8f};
  bool hasBaseColor = false;
  SoCoordinate3* coordinates = nullptr;
  SoTextureCoordinate2* textureCoordinates = nullptr;
  SoTexture2* texture = nullptr;
  SoShapeHints* hints = nullptr;
};

namespace {

template <class T>
bool is(SoNode* node) {
  return node && node->isOfType(T::getClassTypeId());
}

void set(pugi::xml_node n, const char* field, const std::string& value) {
  n.append_attribute(field) = value.c_str();
}

const char* flag(bool b) { return b ? "true" : "false"; }

void writeVrmlMaterial(SoVRMLMaterial* m, pugi::xml_node appearance) {
  pugi::xml_node x = appearance.append_child("Material");
  set(x, "diffuseColor", vec(m->diffuseColor.getValue()));
  set(x, "ambientIntensity", number(m->ambientIntensity.getValue()));
  set(x, "specularColor", vec(m->specularColor.getValue()));
  set(x, "emissiveColor", vec(m->emissiveColor.getValue()));
  set(x, "shininess", number(m->shininess.getValue()));
  set(x, "transparency", number(m->transparency.getValue()));
}

void writeCoordinates(const SbVec3f* points, int n, pugi::xml_node geometry) {
  set(geometry.append_child("Coordinate"), "point", x3d::list(points, n));
}

void writeVrmlVertexNodes(SoVRMLVertexShape* shape, pugi::xml_node x, bool textures) {
  if (auto* c = static_cast<SoVRMLColor*>(shape->color.getValue()))
    set(x.append_child("Color"), "color", x3d::list(c->color.getValues(0), c->color.getNum()));
  if (auto* c = static_cast<SoVRMLCoordinate*>(shape->coord.getValue()))
    writeCoordinates(c->point.getValues(0), c->point.getNum(), x);
  if (auto* n = static_cast<SoVRMLNormal*>(shape->normal.getValue()))
    set(x.append_child("Normal"), "vector", x3d::list(n->vector.getValues(0), n->vector.getNum()));
  auto* t = static_cast<SoVRMLTextureCoordinate*>(shape->texCoord.getValue());
  if (t && textures)
    set(x.append_child("TextureCoordinate"), "point",
        x3d::list(t->point.getValues(0), t->point.getNum()));
}

// Indices that count vertices per polygon or line, as -1 separated lists.
std::string runs(const int32_t* counts, int n, int start, int available) {
  std::string out;
  int next = start;
  for (int i = 0; i < n; ++i) {
    const int count = counts[i] < 0 ? available - next : counts[i];
    for (int k = 0; k < count; ++k) out += std::to_string(next++) + " ";
    out += "-1";
    if (i + 1 < n) out += ' ';
  }
  return out;
}

}  // namespace

X3DGeometryWriter::X3DGeometryWriter(std::ostream& messages, IdMaker ids)
    : messages(messages), ids(std::move(ids)) {}

void X3DGeometryWriter::beginComponent(const std::string& type, const std::string& file) {
  const size_t slash = file.find_last_of("/\\");
  currentFolder = slash == std::string::npos ? "" : file.substr(0, slash);
  auto found = shapesByType.find(type);
  reusing = found != shapesByType.end();
  current = &shapesByType[type];
  currentType = type;
  shapeIndex = 0;
}

void X3DGeometryWriter::write(SoNode* node, pugi::xml_node& parent, const PartWriter& parts) {
  State state;
  writeNode(node, parent, state, parts);
}

void X3DGeometryWriter::writeChildren(SoNode* node, pugi::xml_node parent,
                                      const PartWriter& parts) {
  if (!is<SoGroup>(node)) return;
  auto* group = static_cast<SoGroup*>(node);
  State state;
  for (int i = 0; i < group->getNumChildren(); ++i) writeNode(group->getChild(i), parent, state, parts);
}

void X3DGeometryWriter::unsupported(SoNode* node) {
  const std::string kind = node->getTypeId().getName().getString();
  if (saidKinds.insert(kind).second)
    messages << "zkcp: X3D: geometry nodes of kind /" << kind
             << "/ have no X3D counterpart and are left out\n";
}

bool X3DGeometryWriter::openShape(SoNode* node, pugi::xml_node& parent, pugi::xml_node& shape) {
  const void* kind = reinterpret_cast<const void*>(
      static_cast<uintptr_t>(node->getTypeId().getKey()));
  const size_t index = shapeIndex++;
  if (reusing && index < current->shapes.size() && current->shapes[index].second == kind) {
    set(parent.append_child("Shape"), "USE", current->shapes[index].first);
    return false;
  }
  shape = parent.append_child("Shape");
  const std::string id = ids(currentType + "_shape");
  set(shape, "DEF", id);
  if (!reusing) current->shapes.emplace_back(id, kind);
  return true;
}

std::string X3DGeometryWriter::textureUrl(const std::string& read) {
  const std::string key = currentFolder + '\n' + read;
  auto found = textureUrls.find(key);
  if (found != textureUrls.end()) return found->second;
  std::string name = read.substr(read.find_last_of("/\\") + 1);
  if (name.empty()) name = "texture";
  std::string unique = name;
  for (int n = 2; !textureNames.insert(unique).second; ++n)
    unique = std::to_string(n) + "_" + name;
  const std::string url = "textures/" + unique;
  texturesWritten.push_back({read, url});
  return textureUrls.emplace(key, url).first->second;
}

void X3DGeometryWriter::writeNode(SoNode* node, pugi::xml_node& parent, State& state,
                                  const PartWriter& parts) {
  if (!node) return;
  if (is<ZKPart>(node)) {
    parts(static_cast<ZKPart*>(node), parent);
  } else if (is<SoVRMLShape>(node)) {
    writeVrmlShape(node, parent);
  } else if (writeVrmlGroup(node, parent, parts)) {
  } else if (is<SoSeparator>(node)) {
    auto* group = static_cast<SoGroup*>(node);
    pugi::xml_node x = parent.append_child("Group");
    State inner = state;
    for (int i = 0; i < group->getNumChildren(); ++i) writeNode(group->getChild(i), x, inner, parts);
  } else if (is<SoSwitch>(node)) {
    auto* sw = static_cast<SoSwitch*>(node);
    const int which = sw->whichChild.getValue();
    for (int i = 0; i < sw->getNumChildren(); ++i)
      if (which == SO_SWITCH_ALL || which == i) writeNode(sw->getChild(i), parent, state, parts);
  } else if (is<SoGroup>(node)) {
    // A transform in a plain group moves the children after it.
    auto* group = static_cast<SoGroup*>(node);
    pugi::xml_node x = parent.append_child("Group");
    for (int i = 0; i < group->getNumChildren(); ++i) writeNode(group->getChild(i), x, state, parts);
  } else if (is<SoFile>(node)) {
    SoChildList* children = static_cast<SoFile*>(node)->getChildren();
    for (int i = 0; children && i < children->getLength(); ++i)
      writeNode((*children)[i], parent, state, parts);
  } else if (is<SoVRMLInline>(node)) {
    writeNode(static_cast<SoVRMLInline*>(node)->getChildData(), parent, state, parts);
  } else if (is<SoTransformation>(node)) {
    SoGetMatrixAction action{SbViewportRegion()};
    action.apply(node);
    SbVec3f t, s;
    SbRotation r, so;
    action.getMatrix().getTransform(t, r, s, so);
    pugi::xml_node x = parent.append_child("Transform");
    set(x, "translation", vec(t));
    set(x, "rotation", rotation(r));
    set(x, "scale", vec(s));
    set(x, "scaleOrientation", rotation(so));
    parent = x;
  } else if (is<SoMaterial>(node)) {
    state.material = static_cast<SoMaterial*>(node);
    state.hasBaseColor = false;
  } else if (is<SoBaseColor>(node)) {
    auto* color = static_cast<SoBaseColor*>(node);
    if (color->rgb.getNum() > 0) state.baseColor = color->rgb[0];
    state.hasBaseColor = true;
  } else if (is<SoCoordinate3>(node)) {
    state.coordinates = static_cast<SoCoordinate3*>(node);
  } else if (is<SoTextureCoordinate2>(node)) {
    state.textureCoordinates = static_cast<SoTextureCoordinate2*>(node);
  } else if (is<SoTexture2>(node)) {
    state.texture = static_cast<SoTexture2*>(node);
  } else if (is<SoShapeHints>(node)) {
    state.hints = static_cast<SoShapeHints*>(node);
  } else if (is<SoInfo>(node) || is<SoLabel>(node)) {
  } else if (!writeInventorShape(node, parent, state)) {
    unsupported(node);
  }
}

bool X3DGeometryWriter::writeVrmlGroup(SoNode* node, pugi::xml_node& parent,
                                       const PartWriter& parts) {
  pugi::xml_node x;
  if (is<SoVRMLTransform>(node)) {
    auto* t = static_cast<SoVRMLTransform*>(node);
    x = parent.append_child("Transform");
    set(x, "translation", vec(t->translation.getValue()));
    set(x, "rotation", rotation(t->rotation.getValue()));
    set(x, "scale", vec(t->scale.getValue()));
    set(x, "scaleOrientation", rotation(t->scaleOrientation.getValue()));
    set(x, "center", vec(t->center.getValue()));
  } else if (is<SoVRMLSwitch>(node)) {
    auto* sw = static_cast<SoVRMLSwitch*>(node);
    const int which = sw->whichChoice.getValue();
    State state;
    if (which >= 0 && which < sw->getNumChildren()) writeNode(sw->getChild(which), parent, state, parts);
    return true;
  } else if (is<SoVRMLGroup>(node) || is<SoVRMLCollision>(node) || is<SoVRMLAnchor>(node) ||
             is<SoVRMLBillboard>(node)) {
    // Their children are drawn as a plain group: links and facing are not kept.
    x = parent.append_child("Group");
  } else {
    return false;
  }
  auto* group = static_cast<SoGroup*>(node);
  State state;
  for (int i = 0; i < group->getNumChildren(); ++i) writeNode(group->getChild(i), x, state, parts);
  return true;
}

void X3DGeometryWriter::writeVrmlShape(SoNode* node, pugi::xml_node& parent) {
  auto* shape = static_cast<SoVRMLShape*>(node);
  SoNode* geometry = shape->geometry.getValue();
  const bool known = is<SoVRMLBox>(geometry) || is<SoVRMLSphere>(geometry) ||
                     is<SoVRMLCone>(geometry) || is<SoVRMLCylinder>(geometry) ||
                     is<SoVRMLIndexedFaceSet>(geometry) || is<SoVRMLIndexedLineSet>(geometry) ||
                     is<SoVRMLPointSet>(geometry);
  if (!known) {
    if (geometry) unsupported(geometry);
    return;
  }
  pugi::xml_node x;
  if (!openShape(node, parent, x)) return;
  bool textured = false;
  if (auto* a = static_cast<SoVRMLAppearance*>(shape->appearance.getValue())) {
    pugi::xml_node appearance = x.append_child("Appearance");
    if (auto* m = static_cast<SoVRMLMaterial*>(a->material.getValue())) writeVrmlMaterial(m, appearance);
    SoNode* texture = a->texture.getValue();
    if (is<SoVRMLImageTexture>(texture)) {
      auto* image = static_cast<SoVRMLImageTexture*>(texture);
      if (image->url.getNum() > 0) {
        pugi::xml_node t = appearance.append_child("ImageTexture");
        set(t, "url", x3d::strings({textureUrl(image->url[0].getString())}));
        set(t, "repeatS", flag(image->repeatS.getValue()));
        set(t, "repeatT", flag(image->repeatT.getValue()));
        textured = true;
      }
    } else if (texture) {
      unsupported(texture);
    }
    if (auto* tt = static_cast<SoVRMLTextureTransform*>(a->textureTransform.getValue())) {
      pugi::xml_node t = appearance.append_child("TextureTransform");
      set(t, "center", vec(tt->center.getValue()));
      set(t, "rotation", number(tt->rotation.getValue()));
      set(t, "scale", vec(tt->scale.getValue()));
      set(t, "translation", vec(tt->translation.getValue()));
    }
  }
  if (is<SoVRMLBox>(geometry)) {
    set(x.append_child("Box"), "size", vec(static_cast<SoVRMLBox*>(geometry)->size.getValue()));
  } else if (is<SoVRMLSphere>(geometry)) {
    set(x.append_child("Sphere"), "radius",
        number(static_cast<SoVRMLSphere*>(geometry)->radius.getValue()));
  } else if (is<SoVRMLCone>(geometry)) {
    auto* c = static_cast<SoVRMLCone*>(geometry);
    pugi::xml_node g = x.append_child("Cone");
    set(g, "bottomRadius", number(c->bottomRadius.getValue()));
    set(g, "height", number(c->height.getValue()));
    set(g, "side", flag(c->side.getValue()));
    set(g, "bottom", flag(c->bottom.getValue()));
  } else if (is<SoVRMLCylinder>(geometry)) {
    auto* c = static_cast<SoVRMLCylinder*>(geometry);
    pugi::xml_node g = x.append_child("Cylinder");
    set(g, "radius", number(c->radius.getValue()));
    set(g, "height", number(c->height.getValue()));
    set(g, "side", flag(c->side.getValue()));
    set(g, "top", flag(c->top.getValue()));
    set(g, "bottom", flag(c->bottom.getValue()));
  } else if (is<SoVRMLIndexedFaceSet>(geometry)) {
    auto* f = static_cast<SoVRMLIndexedFaceSet*>(geometry);
    pugi::xml_node g = x.append_child("IndexedFaceSet");
    set(g, "ccw", flag(f->ccw.getValue()));
    set(g, "solid", flag(f->solid.getValue()));
    set(g, "convex", flag(f->convex.getValue()));
    set(g, "creaseAngle", number(f->creaseAngle.getValue()));
    set(g, "colorPerVertex", flag(f->colorPerVertex.getValue()));
    set(g, "normalPerVertex", flag(f->normalPerVertex.getValue()));
    set(g, "coordIndex", x3d::indices(f->coordIndex.getValues(0), f->coordIndex.getNum()));
    if (f->colorIndex.getNum() > 0)
      set(g, "colorIndex", x3d::indices(f->colorIndex.getValues(0), f->colorIndex.getNum()));
    if (f->normalIndex.getNum() > 0)
      set(g, "normalIndex", x3d::indices(f->normalIndex.getValues(0), f->normalIndex.getNum()));
    if (textured && f->texCoordIndex.getNum() > 0)
      set(g, "texCoordIndex", x3d::indices(f->texCoordIndex.getValues(0), f->texCoordIndex.getNum()));
    writeVrmlVertexNodes(f, g, textured);
  } else if (is<SoVRMLIndexedLineSet>(geometry)) {
    auto* l = static_cast<SoVRMLIndexedLineSet*>(geometry);
    pugi::xml_node g = x.append_child("IndexedLineSet");
    set(g, "colorPerVertex", flag(l->colorPerVertex.getValue()));
    set(g, "coordIndex", x3d::indices(l->coordIndex.getValues(0), l->coordIndex.getNum()));
    if (l->colorIndex.getNum() > 0)
      set(g, "colorIndex", x3d::indices(l->colorIndex.getValues(0), l->colorIndex.getNum()));
    if (auto* c = static_cast<SoVRMLColor*>(l->color.getValue()))
      set(g.append_child("Color"), "color", x3d::list(c->color.getValues(0), c->color.getNum()));
    if (auto* c = static_cast<SoVRMLCoordinate*>(l->coord.getValue()))
      writeCoordinates(c->point.getValues(0), c->point.getNum(), g);
  } else if (is<SoVRMLPointSet>(geometry)) {
    auto* p = static_cast<SoVRMLPointSet*>(geometry);
    pugi::xml_node g = x.append_child("PointSet");
    if (auto* c = static_cast<SoVRMLColor*>(p->color.getValue()))
      set(g.append_child("Color"), "color", x3d::list(c->color.getValues(0), c->color.getNum()));
    if (auto* c = static_cast<SoVRMLCoordinate*>(p->coord.getValue()))
      writeCoordinates(c->point.getValues(0), c->point.getNum(), g);
  }
}

bool X3DGeometryWriter::writeInventorShape(SoNode* node, pugi::xml_node& parent, State& state) {
  const bool faces = is<SoIndexedFaceSet>(node) || is<SoFaceSet>(node);
  const bool lines = is<SoIndexedLineSet>(node) || is<SoLineSet>(node);
  const bool primitive = is<SoCube>(node) || is<SoSphere>(node) || is<SoCone>(node) ||
                         is<SoCylinder>(node);
  if (!faces && !lines && !primitive && !is<SoPointSet>(node)) return false;
  pugi::xml_node x;
  if (!openShape(node, parent, x)) return true;

  pugi::xml_node appearance = x.append_child("Appearance");
  pugi::xml_node material = appearance.append_child("Material");
  SbColor diffuse = state.baseColor;
  if (state.material && !state.hasBaseColor && state.material->diffuseColor.getNum() > 0)
    diffuse = state.material->diffuseColor[0];
  set(material, "diffuseColor", vec(diffuse));
  if (SoMaterial* m = state.material) {
    if (m->specularColor.getNum() > 0) set(material, "specularColor", vec(m->specularColor[0]));
    if (m->emissiveColor.getNum() > 0) set(material, "emissiveColor", vec(m->emissiveColor[0]));
    if (m->shininess.getNum() > 0) set(material, "shininess", number(m->shininess[0]));
    if (m->transparency.getNum() > 0) set(material, "transparency", number(m->transparency[0]));
  }
  // Lines and points are not lit: they show their colour as emission.
  if ((lines || is<SoPointSet>(node)) && !material.attribute("emissiveColor"))
    set(material, "emissiveColor", vec(diffuse));
  const bool textured = state.texture && state.texture->filename.getValue().getLength() > 0;
  if (textured) {
    pugi::xml_node t = appearance.append_child("ImageTexture");
    set(t, "url", x3d::strings({textureUrl(state.texture->filename.getValue().getString())}));
    set(t, "repeatS", flag(state.texture->wrapS.getValue() == SoTexture2::REPEAT));
    set(t, "repeatT", flag(state.texture->wrapT.getValue() == SoTexture2::REPEAT));
  }

  if (is<SoCube>(node)) {
    auto* c = static_cast<SoCube*>(node);
    set(x.append_child("Box"), "size",
        vec(SbVec3f(c->width.getValue(), c->height.getValue(), c->depth.getValue())));
    return true;
  }
  if (is<SoSphere>(node)) {
    set(x.append_child("Sphere"), "radius", number(static_cast<SoSphere*>(node)->radius.getValue()));
    return true;
  }
  if (is<SoCone>(node)) {
    auto* c = static_cast<SoCone*>(node);
    pugi::xml_node g = x.append_child("Cone");
    set(g, "bottomRadius", number(c->bottomRadius.getValue()));
    set(g, "height", number(c->height.getValue()));
    return true;
  }
  if (is<SoCylinder>(node)) {
    auto* c = static_cast<SoCylinder*>(node);
    pugi::xml_node g = x.append_child("Cylinder");
    set(g, "radius", number(c->radius.getValue()));
    set(g, "height", number(c->height.getValue()));
    return true;
  }

  const SbVec3f* points = state.coordinates ? state.coordinates->point.getValues(0) : nullptr;
  const int numPoints = state.coordinates ? state.coordinates->point.getNum() : 0;
  pugi::xml_node g;
  if (is<SoIndexedFaceSet>(node)) {
    auto* f = static_cast<SoIndexedFaceSet*>(node);
    g = x.append_child("IndexedFaceSet");
    set(g, "coordIndex", x3d::indices(f->coordIndex.getValues(0), f->coordIndex.getNum()));
    if (textured && f->textureCoordIndex.getNum() > 0)
      set(g, "texCoordIndex",
          x3d::indices(f->textureCoordIndex.getValues(0), f->textureCoordIndex.getNum()));
  } else if (is<SoFaceSet>(node)) {
    auto* f = static_cast<SoFaceSet*>(node);
    g = x.append_child("IndexedFaceSet");
    set(g, "coordIndex", runs(f->numVertices.getValues(0), f->numVertices.getNum(),
                              f->startIndex.getValue(), numPoints));
  } else if (is<SoIndexedLineSet>(node)) {
    auto* l = static_cast<SoIndexedLineSet*>(node);
    g = x.append_child("IndexedLineSet");
    set(g, "coordIndex", x3d::indices(l->coordIndex.getValues(0), l->coordIndex.getNum()));
  } else if (is<SoLineSet>(node)) {
    auto* l = static_cast<SoLineSet*>(node);
    g = x.append_child("IndexedLineSet");
    set(g, "coordIndex", runs(l->numVertices.getValues(0), l->numVertices.getNum(),
                              l->startIndex.getValue(), numPoints));
  } else {
    g = x.append_child("PointSet");
  }
  if (faces) {
    SoShapeHints* hints = state.hints;
    const bool ordered = hints && hints->vertexOrdering.getValue() != SoShapeHints::UNKNOWN_ORDERING;
    set(g, "ccw", flag(!hints || hints->vertexOrdering.getValue() != SoShapeHints::CLOCKWISE));
    set(g, "solid", flag(ordered && hints->shapeType.getValue() == SoShapeHints::SOLID));
    set(g, "creaseAngle", number(hints ? hints->creaseAngle.getValue() : 0.0f));
  }
  writeCoordinates(points, numPoints, g);
  if (faces && textured && state.textureCoordinates)
    set(g.append_child("TextureCoordinate"), "point",
        x3d::list(state.textureCoordinates->point.getValues(0),
                  state.textureCoordinates->point.getNum()));
  return true;
}
