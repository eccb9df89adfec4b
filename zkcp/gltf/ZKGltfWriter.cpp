#include <zkcp/gltf/ZKGltfWriter.h>

#include <zkcp/attribute/ZKAttribute.h>
#include <zkcp/attribute/ZKLinearAttributes.h>
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/attribute/ZKStringAttributes.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/gltf/GltfGeometry.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKLightIterator.h>
#include <zkcp/world/ZKRoute.h>
#include <zkcp/world/ZKViewpoint.h>

#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodekits/SoSeparatorKit.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSpotLight.h>
#include <Inventor/nodes/SoTransform.h>

#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <unordered_map>

namespace {

using tinygltf::Value;
constexpr double kPi = 3.14159265358979323846;

// Coin keeps colours as they are shown; glTF colour factors are linear.
double linear(float c) {
  const double s = std::clamp(static_cast<double>(c), 0.0, 1.0);
  return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}

std::vector<double> linearColor(const float* c) { return {linear(c[0]), linear(c[1]), linear(c[2])}; }

std::vector<double> vec(const SbVec3f& v) { return {v[0], v[1], v[2]}; }

std::vector<double> quaternion(const SbRotation& r) {
  const float* q = r.getValue();
  double n = std::sqrt(double(q[0]) * q[0] + double(q[1]) * q[1] + double(q[2]) * q[2] +
                       double(q[3]) * q[3]);
  if (n == 0) n = 1;
  return {q[0] / n, q[1] / n, q[2] / n, q[3] / n};
}

bool isZero(const SbVec3f& v) { return v == SbVec3f(0, 0, 0); }
bool isOne(const SbVec3f& v) { return v == SbVec3f(1, 1, 1); }
bool isIdentity(const SbRotation& r) { return r == SbRotation::identity(); }

bool readFile(const std::string& path, std::vector<unsigned char>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// The MIME type of an image glTF can hold; empty for any other.
std::string imageType(const std::vector<unsigned char>& b) {
  if (b.size() > 8 && std::memcmp(b.data(), "\x89PNG\r\n\x1a\n", 8) == 0) return "image/png";
  if (b.size() > 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return "image/jpeg";
  return "";
}

// The name a run's animation gets: its behaviours (the first three of
// more) and how it starts.
std::string runName(const ZKWorldRecorder::Run_t& run) {
  std::string out;
  const size_t shown = run.behaviors.size() > 3 ? 3 : run.behaviors.size();
  for (size_t i = 0; i < shown; ++i)
    out += std::string(out.empty() ? "" : ", ") + run.behaviors[i].first->getName().getString() +
           "." + run.behaviors[i].second.data();
  if (shown < run.behaviors.size())
    out += " and " + std::to_string(run.behaviors.size() - shown) + " more";
  if (run.atStartup) return out + " at start-up";
  std::string routes;
  for (const ZKRoute* r : run.routes) routes += std::string(routes.empty() ? "" : ", ") + r->getName();
  return out + (routes.empty() ? "" : " by route " + routes);
}

// A track jumps when it turns by more than a quarter turn in one step, or
// changes only once and within one step, as a switch does.
bool jumps(const ZKWorldRecorder::Track_t& t) {
  int changes = 0;
  bool oneStep = true;
  for (size_t i = 1; i < t.keys.size(); ++i) {
    const auto& a = t.keys[i - 1];
    const auto& b = t.keys[i];
    if (a.value == b.value) continue;
    ++changes;
    oneStep = oneStep && b.step - a.step == 1;
    if (t.kind == ZKWorldRecorder::rotation_kind) {
      double dot = 0;
      for (int k = 0; k < 4; ++k) dot += a.value.v[k] * b.value.v[k];
      if (2 * std::acos(std::min(1.0, std::fabs(dot))) > kPi / 2) return true;
    }
  }
  return changes == 1 && oneStep;
}

}  // namespace

struct ZKGltfWriter::Impl {
  // The nodes of a component or part: the named one, the one its scale is
  // on, the innermost one its geometry and parts hang under, and the centre
  // folded into the named node's translation.
  struct Placed {
    int named = -1, scaled = -1, inner = -1;
    SbVec3f center{0, 0, 0};
  };

  Impl(ZKComponentDB* world, std::ostream& messages, ImageFile images)
      : world(world), messages(messages), images(std::move(images)) {}

  void build();
  int addNode(const std::string& name, int parent);
  Placed place(const std::string& name, int parent, const SbVec3f& t, const SbRotation& r,
               const SbVec3f& s, const SbRotation& so, const SbVec3f& c);
  void writeComponent(ZKComponent* c);
  void writePart(ZKComponent* c, ZKPart* part, const std::string& name, int parent,
                 const SbMatrix& placement, std::vector<int>& meshes, size_t& slot);
  int mesh(ZKComponent* c, const std::string& name, const std::vector<GltfPrimitive>& primitives);
  int material(ZKComponent* c, const GltfLook& look);
  int texture(const std::string& file, const GltfLook& look);
  Value attributes(ZKComponent* c);
  void writeLights();
  void writeViews();
  int view(const void* data, size_t bytes, int target);
  int accessor(const void* data, size_t count, int componentType, int type, int target,
               bool bounds);
  void say(const std::string& text);

  ZKComponentDB* world;
  std::ostream& messages;
  ImageFile images;
  tinygltf::Model model;
  std::unordered_map<const ZKPart*, Placed> placed;
  std::unordered_map<std::string, std::vector<int>> meshesByType;  // per part, in order met
  std::unordered_map<std::string, int> materials;
  std::unordered_map<std::string, int> textures;  // by file and wrapping; -1 for none
  std::unordered_map<std::string, int> imagesByFile;
  std::set<std::string> said;
  std::unique_ptr<GltfGeometry> collector;  // used by one part at a time
};

void ZKGltfWriter::Impl::say(const std::string& text) {
  if (said.insert(text).second) messages << "zkcp: glTF: " << text << "\n";
}

int ZKGltfWriter::Impl::view(const void* data, size_t bytes, int target) {
  if (model.buffers.empty()) model.buffers.emplace_back();
  std::vector<unsigned char>& bin = model.buffers[0].data;
  bin.resize((bin.size() + 3) / 4 * 4, 0);
  tinygltf::BufferView v;
  v.buffer = 0;
  v.byteOffset = bin.size();
  v.byteLength = bytes;
  v.target = target;
  const auto* from = static_cast<const unsigned char*>(data);
  bin.insert(bin.end(), from, from + bytes);
  model.bufferViews.push_back(std::move(v));
  return static_cast<int>(model.bufferViews.size() - 1);
}

int ZKGltfWriter::Impl::accessor(const void* data, size_t count, int componentType, int type,
                                 int target, bool bounds) {
  const int n = tinygltf::GetNumComponentsInType(type);
  const int size = tinygltf::GetComponentSizeInBytes(componentType);
  tinygltf::Accessor a;
  a.bufferView = view(data, count * n * size, target);
  a.componentType = componentType;
  a.type = type;
  a.count = count;
  if (bounds && componentType == TINYGLTF_COMPONENT_TYPE_FLOAT) {
    const auto* f = static_cast<const float*>(data);
    a.minValues.assign(f, f + n);
    a.maxValues.assign(f, f + n);
    for (size_t i = 1; i < count; ++i)
      for (int k = 0; k < n; ++k) {
        a.minValues[k] = std::min(a.minValues[k], double(f[i * n + k]));
        a.maxValues[k] = std::max(a.maxValues[k], double(f[i * n + k]));
      }
  }
  model.accessors.push_back(std::move(a));
  return static_cast<int>(model.accessors.size() - 1);
}

int ZKGltfWriter::Impl::addNode(const std::string& name, int parent) {
  tinygltf::Node n;
  n.name = name;
  model.nodes.push_back(std::move(n));
  const int index = static_cast<int>(model.nodes.size() - 1);
  if (parent < 0) model.scenes[0].nodes.push_back(index);
  else model.nodes[parent].children.push_back(index);
  return index;
}

// A VRML transform T C R SO S -SO -C as glTF nodes, which have T R S only:
// the named node holds T+C and R (and S without a scale orientation), a
// second one SO and S, a last one -SO and -C.
ZKGltfWriter::Impl::Placed ZKGltfWriter::Impl::place(const std::string& name, int parent,
                                                     const SbVec3f& t, const SbRotation& r,
                                                     const SbVec3f& s, const SbRotation& so,
                                                     const SbVec3f& c) {
  Placed p;
  p.center = c;
  p.named = p.scaled = p.inner = addNode(name, parent);
  if (!isZero(t + c)) model.nodes[p.named].translation = vec(t + c);
  if (!isIdentity(r)) model.nodes[p.named].rotation = quaternion(r);
  if (!isIdentity(so)) {
    p.scaled = addNode("", p.named);
    model.nodes[p.scaled].rotation = quaternion(so);
    if (!isOne(s)) model.nodes[p.scaled].scale = vec(s);
    p.inner = addNode("", p.scaled);
    const SbRotation back = so.inverse();
    model.nodes[p.inner].rotation = quaternion(back);
    SbVec3f moved;
    back.multVec(-c, moved);
    if (!isZero(moved)) model.nodes[p.inner].translation = vec(moved);
    return p;
  }
  if (!isOne(s)) model.nodes[p.named].scale = vec(s);
  if (!isZero(c)) {
    p.inner = addNode("", p.named);
    model.nodes[p.inner].translation = vec(-c);
  }
  return p;
}

void ZKGltfWriter::Impl::build() {
  collector = std::make_unique<GltfGeometry>();
  model.asset.generator = "zkcp";
  Value::Object info{{"world", Value(world->getWorldName().str())},
                     {"version", Value(world->getWorldVersion().str())}};
  model.asset.extras = Value(Value::Object{{"zkcp", Value(std::move(info))}});
  model.scenes.emplace_back();
  model.scenes[0].name = world->getWorldName().str();
  model.defaultScene = 0;
  auto* list =
      static_cast<SoNodeKitListPart*>(world->getComponentRoot()->getPart("childList", FALSE));
  for (int i = 0; list && i < list->getNumChildren(); ++i)
    if (list->getChild(i)->isOfType(ZKComponent::getClassTypeId()))
      writeComponent(static_cast<ZKComponent*>(list->getChild(i)));
  writeLights();
  writeViews();
}

void ZKGltfWriter::Impl::writeComponent(ZKComponent* c) {
  std::vector<int>& meshes = meshesByType[c->getComponentName()];
  size_t slot = 0;
  const size_t first = model.nodes.size();
  writePart(c, c, c->getName().getString(), -1, SbMatrix::identity(), meshes, slot);
  Value extras = attributes(c);
  if (extras.IsObject()) model.nodes[first].extras = std::move(extras);
}

// The part's nodes under `parent`, its geometry, then the parts met in its
// geometry and those its description file hangs under it. Parts take mesh
// slots of their component type in the order met, so later components of
// the type reuse the meshes of the first.
void ZKGltfWriter::Impl::writePart(ZKComponent* c, ZKPart* part, const std::string& name,
                                   int parent, const SbMatrix& placement,
                                   std::vector<int>& meshes, size_t& slot) {
  if (!placement.equals(SbMatrix::identity(), 1e-6f)) {
    SbVec3f t, s;
    SbRotation r, so;
    placement.getTransform(t, r, s, so);
    parent = place("", parent, t, r, s, so, SbVec3f(0, 0, 0)).inner;
  }
  Placed p;
  if (auto* t = static_cast<SoTransform*>(part->getPart("transform", FALSE)))
    p = place(name, parent, t->translation.getValue(), t->rotation.getValue(),
              t->scaleFactor.getValue(), t->scaleOrientation.getValue(), t->center.getValue());
  else
    p = place(name, parent, SbVec3f(0, 0, 0), SbRotation::identity(), SbVec3f(1, 1, 1),
              SbRotation::identity(), SbVec3f(0, 0, 0));
  placed[part] = p;
  const size_t mine = slot++;
  const bool known = mine < meshes.size();
  GltfGeometry& geometry = *collector;
  geometry.clear();
  geometry.collect(part->getPart("contents", FALSE), !known);
  auto* list = static_cast<SoNodeKitListPart*>(part->getPart("childList", FALSE));
  for (int i = 0; list && i < list->getNumChildren(); ++i) {
    SoNode* child = list->getChild(i);
    if (child->isOfType(ZKPart::getClassTypeId()))
      geometry.parts.push_back({static_cast<ZKPart*>(child), SbMatrix::identity()});
    else
      geometry.collect(child, !known);
  }
  if (!known) {
    const std::string meshName =
        std::string(c->getComponentName()) + (part == c ? "" : "." + name);
    meshes.push_back(mesh(c, meshName, geometry.primitives));
  }
  if (meshes[mine] >= 0) model.nodes[p.inner].mesh = meshes[mine];
  const std::vector<GltfPlacedPart> subs = std::move(geometry.parts);
  for (const GltfPlacedPart& sub : subs) {
    const RWCString* logical = c->getLogicalPartName(sub.part);
    writePart(c, sub.part, logical ? logical->str() : sub.part->getName().getString(), p.inner,
              sub.placement, meshes, slot);
  }
}

int ZKGltfWriter::Impl::mesh(ZKComponent* c, const std::string& name,
                             const std::vector<GltfPrimitive>& primitives) {
  tinygltf::Mesh m;
  m.name = name;
  for (const GltfPrimitive& p : primitives) {
    tinygltf::Primitive q;
    q.mode = p.mode;
    const size_t n = p.vertexCount();
    q.attributes["POSITION"] = accessor(p.positions.data(), n, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                        TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER, true);
    if (!p.normals.empty())
      q.attributes["NORMAL"] = accessor(p.normals.data(), n, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                        TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER, false);
    q.material = material(c, p.look);
    if (!p.texCoords.empty() && model.materials[q.material].pbrMetallicRoughness.baseColorTexture.index >= 0)
      q.attributes["TEXCOORD_0"] = accessor(p.texCoords.data(), n, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                            TINYGLTF_TYPE_VEC2, TINYGLTF_TARGET_ARRAY_BUFFER, false);
    if (!p.colors.empty()) {
      std::vector<float> colors(p.colors.size());
      for (size_t i = 0; i < colors.size(); ++i) colors[i] = static_cast<float>(linear(p.colors[i]));
      q.attributes["COLOR_0"] = accessor(colors.data(), n, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                         TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER, false);
    }
    // 65535 restarts a primitive in 16-bit indices.
    if (n < 65535) {
      std::vector<uint16_t> small(p.indices.begin(), p.indices.end());
      q.indices = accessor(small.data(), small.size(), TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT,
                           TINYGLTF_TYPE_SCALAR, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER, false);
    } else {
      q.indices = accessor(p.indices.data(), p.indices.size(), TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT,
                           TINYGLTF_TYPE_SCALAR, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER, false);
    }
    m.primitives.push_back(std::move(q));
  }
  if (m.primitives.empty()) return -1;
  model.meshes.push_back(std::move(m));
  return static_cast<int>(model.meshes.size() - 1);
}

// The conversion docs/gltf.md gives: base colour from the diffuse colour
// (white under vertex colours and textures, which replace it), alpha from
// the transparency, no metal, a roughness from the shininess weighted by
// the specular colour, emission from the emissive colour; unlit shapes
// with KHR_materials_unlit.
int ZKGltfWriter::Impl::material(ZKComponent* c, const GltfLook& look) {
  // A texture is known by its file: one name in the geometry of two
  // folders is two images.
  const std::string image =
      look.texture.empty() || !images ? look.texture : images(c, look.texture);
  std::ostringstream key;
  for (float f : look.diffuse) key << f << ' ';
  for (float f : look.specular) key << f << ' ';
  for (float f : look.emissive) key << f << ' ';
  key << look.shininess << ' ' << look.transparency << ' ' << look.doubleSided
      << look.vertexColors << look.repeatS << look.repeatT << look.unlit << ' ' << image;
  auto found = materials.find(key.str());
  if (found != materials.end()) return found->second;
  tinygltf::Material m;
  const double alpha = 1.0 - std::clamp(double(look.transparency), 0.0, 1.0);
  const int tex = look.texture.empty() ? -1 : texture(image, look);
  std::vector<double> base = look.vertexColors || tex >= 0 ? std::vector<double>{1, 1, 1}
                                                           : linearColor(look.diffuse.data());
  base.push_back(alpha);
  m.pbrMetallicRoughness.baseColorFactor = base;
  m.pbrMetallicRoughness.baseColorTexture.index = tex;
  m.pbrMetallicRoughness.metallicFactor = 0;
  const double exponent = 128.0 * std::clamp(double(look.shininess), 0.0, 1.0);
  const double specular =
      std::clamp(double(std::max({look.specular[0], look.specular[1], look.specular[2]})), 0.0, 1.0);
  m.pbrMetallicRoughness.roughnessFactor = 1.0 - specular * (1.0 - std::sqrt(2.0 / (exponent + 2.0)));
  if (look.emissive != std::array<float, 3>{{0, 0, 0}})
    m.emissiveFactor = linearColor(look.emissive.data());
  if (alpha < 1) m.alphaMode = "BLEND";
  m.doubleSided = look.doubleSided;
  if (look.unlit) {
    m.extensions["KHR_materials_unlit"] = Value(Value::Object());
    if (model.extensionsUsed.empty() || model.extensionsUsed[0] != "KHR_materials_unlit")
      model.extensionsUsed.insert(model.extensionsUsed.begin(), "KHR_materials_unlit");
  }
  model.materials.push_back(std::move(m));
  const int index = static_cast<int>(model.materials.size() - 1);
  materials.emplace(key.str(), index);
  return index;
}

// `file` is the image as the tool found it for the look's texture name.
int ZKGltfWriter::Impl::texture(const std::string& file, const GltfLook& look) {
  const std::string key = file + (look.repeatS ? "|s" : "|") + (look.repeatT ? "t" : "");
  auto found = textures.find(key);
  if (found != textures.end()) return found->second;
  int image = -1;
  auto known = imagesByFile.find(file);
  if (known != imagesByFile.end()) {
    image = known->second;
  } else {
    std::vector<unsigned char> bytes;
    std::string type;
    if (!readFile(file, bytes)) {
      say("texture image /" + look.texture + "/ cannot be read and is left out");
    } else if ((type = imageType(bytes)).empty()) {
      say("texture image /" + look.texture + "/ is neither PNG nor JPEG and is left out");
    } else {
      tinygltf::Image i;
      i.mimeType = type;
      i.bufferView = view(bytes.data(), bytes.size(), 0);
      i.name = look.texture.substr(look.texture.find_last_of("/\\") + 1);
      model.images.push_back(std::move(i));
      image = static_cast<int>(model.images.size() - 1);
    }
    imagesByFile.emplace(file, image);
  }
  int index = -1;
  if (image >= 0) {
    tinygltf::Sampler s;
    s.wrapS = look.repeatS ? TINYGLTF_TEXTURE_WRAP_REPEAT : TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
    s.wrapT = look.repeatT ? TINYGLTF_TEXTURE_WRAP_REPEAT : TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
    model.samplers.push_back(s);
    tinygltf::Texture t;
    t.sampler = static_cast<int>(model.samplers.size() - 1);
    t.source = image;
    model.textures.push_back(t);
    index = static_cast<int>(model.textures.size() - 1);
  }
  textures.emplace(key, index);
  return index;
}

// {"zkcp": {"component": type, "attributes": {name: {"kind", "value"}}}},
// the kinds and values as a world description writes them.
Value ZKGltfWriter::Impl::attributes(ZKComponent* c) {
  RWTValSortedVector<RWCString> names;
  c->getAttributeNames(names);
  Value::Object out;
  for (const RWCString& name : names) {
    ZKAttribute* a = c->getAttribute(name);
    if (!a || a->isHidden() || name.isNull()) continue;
    const SoType type = a->getTypeId();
    const char* kind = nullptr;
    Value value;
    if (type == ZKBoolAttribute::getClassTypeId()) {
      kind = "bool";
      value = Value(static_cast<ZKBoolAttribute*>(a)->getValue() != 0);
    } else if (type == ZKFloatAttribute::getClassTypeId()) {
      kind = "float";
      value = Value(double(static_cast<ZKFloatAttribute*>(a)->getValue()));
    } else if (type == ZKTimeAttribute::getClassTypeId()) {
      kind = "time";
      value = Value(static_cast<ZKTimeAttribute*>(a)->getValue().getValue());
    } else if (type == ZKVec3fAttribute::getClassTypeId() || type == ZKColorAttribute::getClassTypeId()) {
      const bool color = type == ZKColorAttribute::getClassTypeId();
      kind = color ? "color" : "vec3f";
      const SbVec3f v = color ? static_cast<ZKColorAttribute*>(a)->getValue()
                              : static_cast<ZKVec3fAttribute*>(a)->getValue();
      value = Value(Value::Array{Value(double(v[0])), Value(double(v[1])), Value(double(v[2]))});
    } else if (type == ZKRotationAttribute::getClassTypeId()) {
      kind = "rotation";
      SbVec3f axis;
      float angle;
      static_cast<ZKRotationAttribute*>(a)->getValue(axis, angle);
      value = Value(Value::Array{Value(double(axis[0])), Value(double(axis[1])),
                                 Value(double(axis[2])), Value(double(angle))});
    } else if (type == ZKStringAttribute::getClassTypeId()) {
      kind = "string";
      value = Value(static_cast<ZKStringAttribute*>(a)->getValue().str());
    } else if (type == ZKMFStringAttribute::getClassTypeId()) {
      kind = "string_list";
      const SoMFString& list = static_cast<ZKMFStringAttribute*>(a)->getValue();
      Value::Array values;
      for (int i = 0; i < list.getNum(); ++i) values.emplace_back(std::string(list[i].getString()));
      value = Value(std::move(values));
    } else {
      continue;  // pointers mean nothing outside the process
    }
    out.emplace(name.str(), Value(Value::Object{{"kind", Value(std::string(kind))},
                                                {"value", std::move(value)}}));
  }
  Value::Object zkcp{{"component", Value(std::string(c->getComponentName()))}};
  if (!out.empty()) zkcp.emplace("attributes", Value(std::move(out)));
  return Value(Value::Object{{"zkcp", Value(std::move(zkcp))}});
}

// Intensities as docs/gltf.md gives them: pi times the VRML intensity, in
// lux for directional lights and in candela for point and spot lights, so
// that a white surface facing the light (at 1 m for a point or spot light)
// shows the colour it shows in VRML. A light that is off has intensity 0.
void ZKGltfWriter::Impl::writeLights() {
  ZKLightIterator it(world, ZKLightIterator::all_lights);
  while (it++) {
    SoLight* light = it.getValue();
    const std::string name = it.getName()->str();
    tinygltf::Light l;
    l.name = name;
    SbVec3f location(0, 0, 0), direction(0, 0, -1);
    if (light->isOfType(SoSpotLight::getClassTypeId())) {
      auto* spot = static_cast<SoSpotLight*>(light);
      l.type = "spot";
      location = spot->location.getValue();
      direction = spot->direction.getValue();
      const double outer = std::clamp(double(spot->cutOffAngle.getValue()), 1e-3, kPi / 2);
      l.spot.outerConeAngle = outer;
      l.spot.innerConeAngle =
          outer * (1.0 - std::clamp(double(spot->dropOffRate.getValue()), 0.0, 1.0));
      if (l.spot.innerConeAngle >= outer) l.spot.innerConeAngle = 0.999 * outer;
    } else if (light->isOfType(SoPointLight::getClassTypeId())) {
      l.type = "point";
      location = static_cast<SoPointLight*>(light)->location.getValue();
    } else if (light->isOfType(SoDirectionalLight::getClassTypeId())) {
      l.type = "directional";
      direction = static_cast<SoDirectionalLight*>(light)->direction.getValue();
    } else {
      continue;
    }
    l.color = linearColor(light->color.getValue().getValue());
    const bool on = light->on.getValue();
    l.intensity = on ? kPi * light->intensity.getValue() : 0.0;
    l.extras = Value(Value::Object{
        {"zkcp", Value(Value::Object{{"on", Value(on)},
                                     {"intensity", Value(double(light->intensity.getValue()))}})}});
    model.lights.push_back(std::move(l));
    const int index = static_cast<int>(model.lights.size() - 1);
    // An attached light stands at its part's origin and turns with it.
    int parent = -1;
    ZKComponentDB::ComponentPartDescriptor where;
    SbVec3f localDirection;
    if (world->getLightAttachment(name.c_str(), where, localDirection)) {
      ZKComponent* c = world->getActiveComponent(where.getComponentName());
      auto found = c ? placed.find(c->getLogicalPart(where.getPartName())) : placed.end();
      if (found != placed.end()) {
        parent = found->second.inner;
        location.setValue(0, 0, 0);
        direction = localDirection;
      }
    }
    const int node = addNode(name, parent);
    if (!isZero(location)) model.nodes[node].translation = vec(location);
    if (direction.length() > 0 && model.lights[index].type != "point") {
      const SbRotation turn(SbVec3f(0, 0, -1), direction);
      if (!isIdentity(turn)) model.nodes[node].rotation = quaternion(turn);
    }
    model.nodes[node].extensions["KHR_lights_punctual"] =
        Value(Value::Object{{"light", Value(index)}});
  }
}

// Cameras look down -Z from their node as VRML viewpoints do. The VRML
// field of view spans the shorter side of the view, the height of a view
// wider than high, so it is taken as the vertical one. They see from 5 cm
// to 10 km.
void ZKGltfWriter::Impl::writeViews() {
  for (int i = 0; i < world->getNumViewpoints(); ++i) {
    ZKViewpoint* v = world->getViewpointAt(static_cast<unsigned>(i));
    tinygltf::Camera camera;
    camera.type = "perspective";
    camera.name = v->getDescription();
    camera.perspective.yfov = std::clamp(double(v->getFieldOfView()), 1e-3, kPi - 1e-3);
    camera.perspective.znear = 0.05;
    camera.perspective.zfar = 10000;
    model.cameras.push_back(std::move(camera));
    const int node = addNode(v->getName().str(), -1);
    model.nodes[node].camera = static_cast<int>(model.cameras.size() - 1);
    if (!isZero(v->getPosition())) model.nodes[node].translation = vec(v->getPosition());
    if (!isIdentity(v->getOrientation())) model.nodes[node].rotation = quaternion(v->getOrientation());
  }
}

ZKGltfWriter::ZKGltfWriter(ZKComponentDB* world, std::ostream& messages, ImageFile images)
    : impl(std::make_unique<Impl>(world, messages, std::move(images))) {
  if (world) impl->build();
}

ZKGltfWriter::~ZKGltfWriter() = default;

std::vector<std::string> ZKGltfWriter::addAnimations(
    const std::vector<ZKWorldRecorder::Run_t>& runs) {
  std::vector<std::string> summary;
  Impl& w = *impl;
  for (const ZKWorldRecorder::Run_t& run : runs) {
    tinygltf::Animation a;
    a.name = runName(run);
    for (const ZKWorldRecorder::Track_t& t : run.tracks) {
      if (t.subject != ZKWorldRecorder::transform_subject || t.keys.empty()) continue;
      const std::string member = t.member.str();
      if (member != "translation" && member != "rotation" && member != "scale") continue;
      ZKPart* part = t.part.isNull() ? t.component : t.component->getLogicalPart(t.part);
      auto found = w.placed.find(part);
      if (found == w.placed.end()) continue;
      const Impl::Placed& p = found->second;
      std::vector<float> times, values;
      std::vector<double> previous;
      for (const ZKWorldRecorder::Key_t& k : t.keys) {
        times.push_back(static_cast<float>(k.step * run.timeStep));
        std::vector<double> v(k.value.v.begin(), k.value.v.begin() + (member == "rotation" ? 4 : 3));
        if (member == "translation")
          for (int i = 0; i < 3; ++i) v[i] += p.center[i];
        if (member == "rotation") {
          v = quaternion(SbRotation(float(v[0]), float(v[1]), float(v[2]), float(v[3])));
          // The same turn on the near side of the last, so turns go the short way.
          double dot = 0;
          for (size_t i = 0; i < previous.size(); ++i) dot += previous[i] * v[i];
          if (dot < 0)
            for (double& x : v) x = -x;
          previous = v;
        }
        values.insert(values.end(), v.begin(), v.end());
      }
      tinygltf::AnimationSampler s;
      s.input = w.accessor(times.data(), times.size(), TINYGLTF_COMPONENT_TYPE_FLOAT,
                           TINYGLTF_TYPE_SCALAR, 0, true);
      s.output = w.accessor(values.data(), times.size(), TINYGLTF_COMPONENT_TYPE_FLOAT,
                            member == "rotation" ? TINYGLTF_TYPE_VEC4 : TINYGLTF_TYPE_VEC3, 0,
                            false);
      s.interpolation = jumps(t) ? "STEP" : "LINEAR";
      a.samplers.push_back(s);
      tinygltf::AnimationChannel c;
      c.sampler = static_cast<int>(a.samplers.size() - 1);
      c.target_node = member == "scale" ? p.scaled : p.named;
      c.target_path = member;
      a.channels.push_back(c);
    }
    const size_t n = a.channels.size();
    summary.push_back(a.name + ": " +
                      (n == 0 ? std::string("nothing it moves is in the scene")
                              : std::to_string(n) + (n == 1 ? " channel" : " channels")));
    if (n > 0) w.model.animations.push_back(std::move(a));
  }
  return summary;
}

std::string ZKGltfWriter::glb() const {
  std::ostringstream out;
  if (impl->model.scenes.empty()) return "";
  tinygltf::TinyGLTF().WriteGltfSceneToStream(&impl->model, out, false, true);
  return out.str();
}

bool ZKGltfWriter::save(const std::string& path) const {
  if (impl->model.scenes.empty()) return false;
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  tinygltf::TinyGLTF().WriteGltfSceneToStream(&impl->model, out, false, true);
  return static_cast<bool>(out.flush());
}
