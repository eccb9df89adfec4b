#include <zkcp/import/VRMLSceneBuilder.h>

#include <Inventor/SbMatrix.h>
#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLColor.h>
#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedFaceSet.h>
#include <Inventor/VRMLnodes/SoVRMLMaterial.h>
#include <Inventor/VRMLnodes/SoVRMLNormal.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLTextureCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/nodes/SoSeparator.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <set>

namespace {

bool nameChar(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '-';
}

class Builder {
 public:
  Builder(const ImportScene& scene, const std::string& model, std::ostream& messages,
          std::vector<ZKGeometryImporter::Light>& lights,
          std::vector<ZKGeometryImporter::Camera>& cameras)
      : scene(scene), model(model), messages(messages), lights(lights), cameras(cameras) {}

  SoSeparator* build() {
    // The names the model gives are kept first; derived names yield to them.
    for (const ImportNode& node : scene.nodes)
      if (!node.name.empty()) given.insert(vrmlNodeName(node.name));
    auto* root = new SoSeparator;
    root->ref();
    std::string stem = model.substr(0, model.rfind('.'));
    stem = stem.substr(stem.find_last_of('/') + 1);
    for (int index : scene.roots) root->addChild(node(index, vrmlNodeName(stem), SbMatrix::identity()));
    return root;
  }

 private:
  std::string nameOf(const ImportNode& node, const std::string& derived) {
    if (node.name.empty()) return unique(derived);
    const std::string valid = vrmlNodeName(node.name);
    const std::string name = unique(valid, false);
    if (name != node.name && said.insert(node.name).second)
      messages << model << ": node '" << node.name << "' is named '" << name << "'"
               << (valid == name ? "" : " (the name is taken)") << "\n";
    return name;
  }

  // `base`, or `base` with the first free "_N" after it. A derived name
  // also avoids the names the model gives.
  std::string unique(const std::string& base, bool derived = true) {
    std::string name = base;
    for (int n = 2; taken.count(name) || (derived && given.count(name)); ++n)
      name = base + "_" + std::to_string(n);
    taken.insert(name);
    return name;
  }

  SoVRMLTransform* node(int index, const std::string& derived, const SbMatrix& parent) {
    const ImportNode& n = scene.nodes[size_t(index)];
    const std::string name = nameOf(n, derived);
    auto* t = new SoVRMLTransform;
    t->setName(name.c_str());
    t->translation = n.translation;
    t->rotation = n.rotation;
    t->scale = n.scale;
    t->scaleOrientation = n.scaleOrientation;
    SbMatrix local;
    local.setTransform(n.translation, n.rotation, n.scale, n.scaleOrientation);
    const SbMatrix world = local * parent;
    if (n.mesh >= 0)
      for (const ImportPrimitive& p : scene.meshes[size_t(n.mesh)])
        if (!p.triangles.empty()) t->addChild(shape(p));
    if (n.light >= 0) {
      ZKGeometryImporter::Light light{name, scene.lights[size_t(n.light)], {}, {}};
      world.multVecMatrix(light.light.location, light.location);
      world.multDirMatrix(light.light.direction, light.direction);
      light.direction.normalize();
      lights.push_back(light);
    }
    if (n.cameraFieldOfView >= 0) {
      ZKGeometryImporter::Camera camera{name, {}, {}, n.cameraFieldOfView};
      SbVec3f scale;
      SbRotation scaleOrientation;
      world.getTransform(camera.position, camera.orientation, scale, scaleOrientation);
      cameras.push_back(camera);
    }
    for (size_t k = 0; k < n.children.size(); ++k)
      t->addChild(node(n.children[k], name + "_" + std::to_string(k), world));
    return t;
  }

  SoVRMLShape* shape(const ImportPrimitive& p) {
    auto* shape = new SoVRMLShape;
    auto* faces = new SoVRMLIndexedFaceSet;
    auto* coord = new SoVRMLCoordinate;
    coord->point.setValues(0, int(p.positions.size()), p.positions.data());
    faces->coord = coord;
    const size_t triangles = p.triangles.size() / 3;
    faces->coordIndex.setNum(int(triangles * 4));
    int32_t* index = faces->coordIndex.startEditing();
    for (size_t k = 0; k < triangles; ++k) {
      std::copy_n(&p.triangles[k * 3], 3, index + k * 4);
      index[k * 4 + 3] = -1;
    }
    faces->coordIndex.finishEditing();
    if (!p.normals.empty()) {
      auto* normal = new SoVRMLNormal;
      normal->vector.setValues(0, int(p.normals.size()), p.normals.data());
      faces->normal = normal;
    } else {
      faces->creaseAngle = 0.5f;
    }
    if (!p.texCoords.empty()) {
      auto* texCoord = new SoVRMLTextureCoordinate;
      texCoord->point.setValues(0, int(p.texCoords.size()), p.texCoords.data());
      faces->texCoord = texCoord;
    }
    if (!p.colors.empty()) {
      auto* color = new SoVRMLColor;
      color->color.setValues(0, int(p.colors.size()), p.colors.data());
      faces->color = color;
    }
    ImportMaterial m;
    if (p.material >= 0) m = scene.materials[size_t(p.material)];
    faces->solid = !m.doubleSided;
    shape->geometry = faces;
    shape->appearance = appearance(m);
    return shape;
  }

  SoVRMLAppearance* appearance(const ImportMaterial& m) {
    auto* appearance = new SoVRMLAppearance;
    auto* material = new SoVRMLMaterial;
    const float smooth = 1 - std::clamp(m.roughness, 0.0f, 1.0f);
    const float metal = std::clamp(m.metallic, 0.0f, 1.0f);
    material->diffuseColor = m.baseColor;
    material->transparency = 1 - std::clamp(m.opacity, 0.0f, 1.0f);
    material->emissiveColor = m.emissive;
    const SbColor dielectric(0.04f, 0.04f, 0.04f);
    material->specularColor = (dielectric * (1 - metal) + m.baseColor * metal) * smooth;
    material->shininess = smooth * smooth;
    material->ambientIntensity = 0.2f * (1 - metal);
    appearance->material = material;
    if (m.image >= 0) {
      auto* texture = new SoVRMLImageTexture;
      ZKGeometryImporter::setUrlQuietly(texture, scene.images[size_t(m.image)].url.c_str());
      appearance->texture = texture;
    }
    return appearance;
  }

  const ImportScene& scene;
  const std::string& model;
  std::ostream& messages;
  std::vector<ZKGeometryImporter::Light>& lights;
  std::vector<ZKGeometryImporter::Camera>& cameras;
  std::set<std::string> given;
  std::set<std::string> taken;
  std::set<std::string> said;
};

}  // namespace

std::string vrmlNodeName(const std::string& name) {
  static const std::set<std::string> keywords = {
      "DEF", "EXTERNPROTO", "FALSE", "IS", "NULL", "PROTO", "ROUTE", "TO", "TRUE", "USE",
      "eventIn", "eventOut", "exposedField", "field"};
  std::string out;
  for (char c : name) {
    if (nameChar(static_cast<unsigned char>(c))) out += c;
    else if (out.empty() || out.back() != '_') out += '_';
  }
  if (out.empty()) return "_";
  if (std::isdigit(static_cast<unsigned char>(out[0])) || out[0] == '-') out.insert(0, "_");
  if (keywords.count(out)) out += '_';
  return out;
}

SoSeparator* buildVrmlScene(const ImportScene& scene, const std::string& model,
                            std::ostream& messages,
                            std::vector<ZKGeometryImporter::Light>& lights,
                            std::vector<ZKGeometryImporter::Camera>& cameras) {
  return Builder(scene, model, messages, lights, cameras).build();
}
