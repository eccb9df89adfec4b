#include <zkcp/import/GltfSceneReader.h>

#include <zkcp/import/ImportFault.h>

#include <Inventor/SbMatrix.h>

#include <nlohmann/json.hpp>
#include <tiny_gltf.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>

namespace fs = std::filesystem;

namespace {

// More elements than any model this reads needs; a larger count is taken
// for a fault rather than allocated.
constexpr size_t kMaxElements = size_t(1) << 26;
constexpr size_t kMaxFileBytes = size_t(1) << 31;

std::string at(const char* kind, size_t index) { return std::string(kind) + " " + std::to_string(index); }

uint32_t le32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The file access the glTF loader is given: files are read only when the
// caller allows it, and nothing is ever written.
struct Files {
  bool allowed;
};

bool fileExists(const std::string& name, void* user) {
  std::error_code failed;
  return static_cast<Files*>(user)->allowed && fs::is_regular_file(name, failed);
}

std::string expandPath(const std::string& name, void*) { return name; }

bool readFile(std::vector<unsigned char>* out, std::string* err, const std::string& name,
              void* user) {
  if (!static_cast<Files*>(user)->allowed) {
    if (err) *err += "external file '" + name + "' not read\n";
    return false;
  }
  std::ifstream in(name, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? std::streamoff(in.tellg()) : -1;
  if (size < 0 || size_t(size) > kMaxFileBytes) {
    if (err) *err += "cannot read '" + name + "'\n";
    return false;
  }
  out->resize(size_t(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(out->data()), size)) {
    if (err) *err += "cannot read '" + name + "'\n";
    return false;
  }
  return true;
}

bool writeFile(std::string* err, const std::string&, const std::vector<unsigned char>&, void*) {
  if (err) *err += "writing is not allowed\n";
  return false;
}

// Images are kept as their bytes; they are never decoded here.
bool keepImage(tinygltf::Image* image, const int index, std::string* err, std::string*, int,
               int, const unsigned char* bytes, int size, void*) {
  const bool png = size >= 8 && std::memcmp(bytes, "\x89PNG\r\n\x1a\n", 8) == 0;
  const bool jpeg = size >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff;
  if (!png && !jpeg) {
    if (err) *err += "image " + std::to_string(index) + " is neither PNG nor JPEG\n";
    return false;
  }
  image->mimeType = png ? "image/png" : "image/jpeg";
  image->image.assign(bytes, bytes + size);
  return true;
}

// The container of a .glb: its header and chunks must lie within the bytes,
// else the file is cut short.
void checkGlb(const std::vector<unsigned char>& bytes) {
  const size_t size = bytes.size();
  if (size < 12 || std::memcmp(bytes.data(), "glTF", 4) != 0)
    throw ImportFault("not a binary glTF file (no 'glTF' header)");
  if (le32(&bytes[4]) != 2) throw ImportFault("binary glTF version " + std::to_string(le32(&bytes[4])) + ", not 2");
  const size_t length = le32(&bytes[8]);
  if (length > size)
    throw ImportFault("cut short: the header gives " + std::to_string(length) + " bytes, the file has " +
                std::to_string(size));
  if (length < 20) throw ImportFault("cut short: no JSON chunk");
  const size_t jsonLength = le32(&bytes[12]);
  if (le32(&bytes[16]) != 0x4E4F534A) throw ImportFault("the first chunk is not JSON");
  if (jsonLength > length - 20) throw ImportFault("cut short inside the JSON chunk");
  const size_t next = 20 + ((jsonLength + 3) & ~size_t(3));
  if (next < length) {
    if (length - next < 8) throw ImportFault("cut short in a chunk header");
    if (le32(&bytes[next]) > length - next - 8) throw ImportFault("cut short inside the binary chunk");
  }
}

std::string jsonText(const std::vector<unsigned char>& bytes, bool binary) {
  if (!binary) return std::string(bytes.begin(), bytes.end());
  return std::string(bytes.begin() + 20, bytes.begin() + 20 + le32(&bytes[12]));
}

size_t member(const nlohmann::json& object, const char* key, size_t fallback) {
  auto it = object.find(key);
  if (it == object.end()) return fallback;
  if (!it->is_number_unsigned()) throw ImportFault(std::string("'") + key + "' is not a count");
  return it->get<size_t>();
}

// The loader hands an image's buffer view to the image callback without
// checking that the view lies within its buffer; this checks it first.
void checkImageViews(const std::string& text) {
  const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
  if (!doc.is_object() || !doc.contains("images")) return;
  const nlohmann::json& images = doc["images"];
  const nlohmann::json none = nlohmann::json::array();
  const nlohmann::json& views = doc.contains("bufferViews") ? doc["bufferViews"] : none;
  const nlohmann::json& buffers = doc.contains("buffers") ? doc["buffers"] : none;
  if (!images.is_array() || !views.is_array() || !buffers.is_array()) return;
  for (size_t i = 0; i < images.size(); ++i) {
    if (!images[i].is_object() || !images[i].contains("bufferView")) continue;
    const size_t view = member(images[i], "bufferView", 0);
    if (view >= views.size() || !views[view].is_object())
      throw ImportFault(at("image", i) + ": no buffer view " + std::to_string(view));
    const size_t buffer = member(views[view], "buffer", size_t(-1));
    if (buffer >= buffers.size() || !buffers[buffer].is_object())
      throw ImportFault(at("buffer view", view) + ": no buffer " + std::to_string(buffer));
    const size_t offset = member(views[view], "byteOffset", 0);
    const size_t length = member(views[view], "byteLength", 0);
    const size_t bufferLength = member(buffers[buffer], "byteLength", 0);
    if (offset > bufferLength || length > bufferLength - offset)
      throw ImportFault(at("buffer view", view) + " ends beyond its buffer");
  }
}

size_t componentSize(int type) {
  switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT: return 4;
    default: return 0;
  }
}

size_t componentCount(int type) {
  switch (type) {
    case TINYGLTF_TYPE_SCALAR: return 1;
    case TINYGLTF_TYPE_VEC2: return 2;
    case TINYGLTF_TYPE_VEC3: return 3;
    case TINYGLTF_TYPE_VEC4:
    case TINYGLTF_TYPE_MAT2: return 4;
    case TINYGLTF_TYPE_MAT3: return 9;
    case TINYGLTF_TYPE_MAT4: return 16;
    default: return 0;
  }
}

double component(const unsigned char* p, int type, bool normalized) {
  switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE: {
      const double v = static_cast<int8_t>(p[0]);
      return normalized ? std::max(v / 127.0, -1.0) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return normalized ? p[0] / 255.0 : p[0];
    case TINYGLTF_COMPONENT_TYPE_SHORT: {
      int16_t v;
      std::memcpy(&v, p, 2);
      return normalized ? std::max(v / 32767.0, -1.0) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
      uint16_t v;
      std::memcpy(&v, p, 2);
      return normalized ? v / 65535.0 : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: return le32(p);
    default: {
      float v;
      std::memcpy(&v, p, 4);
      return v;
    }
  }
}

class GltfReader {
 public:
  GltfReader(const tinygltf::Model& model, ImportScene& scene, std::ostream& messages,
             const std::string& fileName)
      : model(model), scene(scene), messages(messages),
        modelName(fs::path(fileName).filename().string()), stem(modelName),
        dir(fs::path(fileName).parent_path()) {
    for (char& c : stem)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') c = '_';
  }

  void read() {
    readImages();
    readMaterials();
    readLights();
    readMeshes();
    readNodes();
  }

 private:
  // The bytes [offset, offset + length) of a buffer view.
  const unsigned char* view(int index, size_t offset, size_t length, const std::string& who) {
    if (index < 0 || size_t(index) >= model.bufferViews.size())
      throw ImportFault(who + ": no buffer view " + std::to_string(index));
    const tinygltf::BufferView& v = model.bufferViews[size_t(index)];
    if (v.buffer < 0 || size_t(v.buffer) >= model.buffers.size())
      throw ImportFault(at("buffer view", size_t(index)) + ": no buffer " + std::to_string(v.buffer));
    const std::vector<unsigned char>& data = model.buffers[size_t(v.buffer)].data;
    if (v.byteOffset > data.size() || v.byteLength > data.size() - v.byteOffset)
      throw ImportFault(at("buffer view", size_t(index)) + " ends beyond its buffer (" +
                  std::to_string(data.size()) + " bytes)");
    if (offset > v.byteLength || length > v.byteLength - offset)
      throw ImportFault(who + " ends beyond " + at("buffer view", size_t(index)) + " (" +
                  std::to_string(v.byteLength) + " bytes)");
    return data.data() + v.byteOffset + offset;
  }

  // Every value of accessor `index`, sparse substitutions applied, with
  // `components` values per element.
  std::vector<double> accessor(int index, const std::string& use, size_t& components) {
    if (index < 0 || size_t(index) >= model.accessors.size())
      throw ImportFault(use + ": no accessor " + std::to_string(index));
    const tinygltf::Accessor& a = model.accessors[size_t(index)];
    const std::string who = at("accessor", size_t(index));
    const size_t size = componentSize(a.componentType);
    components = componentCount(a.type);
    if (!size || !components) throw ImportFault(who + ": unknown component or element type");
    if (a.count > kMaxElements) throw ImportFault(who + ": count " + std::to_string(a.count) + " is too large");
    const size_t element = size * components;
    std::vector<double> values(a.count * components, 0.0);
    if (a.bufferView >= 0 && a.count > 0) {
      const size_t viewStride = model.bufferViews.size() > size_t(a.bufferView)
                                    ? model.bufferViews[size_t(a.bufferView)].byteStride
                                    : 0;
      const size_t stride = viewStride ? viewStride : element;
      if (stride < element || stride > 252)
        throw ImportFault(who + ": byte stride " + std::to_string(stride) + " does not fit its elements");
      const unsigned char* p = view(a.bufferView, a.byteOffset, (a.count - 1) * stride + element, who);
      for (size_t i = 0; i < a.count; ++i)
        for (size_t c = 0; c < components; ++c)
          values[i * components + c] = component(p + i * stride + c * size, a.componentType, a.normalized);
    }
    if (a.sparse.isSparse) applySparse(a, who, size, components, values);
    return values;
  }

  void applySparse(const tinygltf::Accessor& a, const std::string& who, size_t size,
                   size_t components, std::vector<double>& values) {
    if (a.sparse.count < 0 || size_t(a.sparse.count) > a.count)
      throw ImportFault(who + ": sparse count " + std::to_string(a.sparse.count) + " exceeds its count");
    const size_t n = size_t(a.sparse.count);
    const int indexType = a.sparse.indices.componentType;
    if (indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE &&
        indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
        indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)
      throw ImportFault(who + ": sparse indices are not unsigned integers");
    if (a.sparse.indices.byteOffset < 0 || a.sparse.values.byteOffset < 0)
      throw ImportFault(who + ": negative sparse offset");
    if (n == 0) return;
    const size_t indexSize = componentSize(indexType);
    const unsigned char* indices = view(a.sparse.indices.bufferView, size_t(a.sparse.indices.byteOffset),
                                        n * indexSize, who + " sparse indices");
    const unsigned char* data = view(a.sparse.values.bufferView, size_t(a.sparse.values.byteOffset),
                                     n * size * components, who + " sparse values");
    for (size_t k = 0; k < n; ++k) {
      const size_t target = size_t(component(indices + k * indexSize, indexType, false));
      if (target >= a.count)
        throw ImportFault(who + ": sparse index " + std::to_string(target) + " out of range (count " +
                    std::to_string(a.count) + ")");
      for (size_t c = 0; c < components; ++c)
        values[target * components + c] =
            component(data + (k * components + c) * size, a.componentType, a.normalized);
    }
  }

  void readImages() {
    std::set<std::string> urls;
    for (size_t i = 0; i < model.images.size(); ++i) {
      const tinygltf::Image& image = model.images[i];
      ImportImage out;
      const bool external = image.bufferView < 0 && image.uri.compare(0, 5, "data:") != 0;
      if (external) {
        const fs::path relative = fs::path(image.uri).lexically_normal();
        if (relative.is_absolute() || relative.empty() || *relative.begin() == ".." ||
            image.uri.find(':') != std::string::npos)
          throw ImportFault(at("image", i) + ": '" + image.uri + "' lies outside the model's folder");
        if (image.image.empty()) throw ImportFault(at("image", i) + ": cannot read '" + image.uri + "'");
        out.url = relative.generic_string();
        out.file = (dir / relative).string();
      } else {
        if (image.image.empty()) throw ImportFault(at("image", i) + " holds no image");
        std::string name = image.name.empty() ? std::to_string(i) : image.name;
        for (char& c : name)
          if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') c = '_';
        out.url = stem + "_" + name;
        const std::string ext = image.mimeType == "image/png" ? ".png" : ".jpg";
        for (int n = 2; !urls.insert(out.url + ext).second; ++n) out.url = stem + "_" + name + "_" + std::to_string(n);
        out.url += ext;
        out.bytes = image.image;
      }
      scene.images.push_back(std::move(out));
    }
  }

  int texture(int index, const std::string& who) {
    if (index < 0) return -1;
    if (size_t(index) >= model.textures.size()) throw ImportFault(who + ": no texture " + std::to_string(index));
    const int source = model.textures[size_t(index)].source;
    if (source < 0) return -1;
    if (size_t(source) >= scene.images.size())
      throw ImportFault(at("texture", size_t(index)) + ": no image " + std::to_string(source));
    return source;
  }

  void readMaterials() {
    for (size_t i = 0; i < model.materials.size(); ++i) {
      const tinygltf::Material& m = model.materials[i];
      const tinygltf::PbrMetallicRoughness& pbr = m.pbrMetallicRoughness;
      ImportMaterial out;
      out.name = m.name;
      if (pbr.baseColorFactor.size() == 4) {
        out.baseColor.setValue(float(pbr.baseColorFactor[0]), float(pbr.baseColorFactor[1]),
                               float(pbr.baseColorFactor[2]));
        if (m.alphaMode == "BLEND") out.opacity = float(pbr.baseColorFactor[3]);
      }
      if (m.emissiveFactor.size() == 3)
        out.emissive.setValue(float(m.emissiveFactor[0]), float(m.emissiveFactor[1]),
                              float(m.emissiveFactor[2]));
      out.metallic = float(pbr.metallicFactor);
      out.roughness = float(pbr.roughnessFactor);
      out.doubleSided = m.doubleSided;
      out.image = texture(pbr.baseColorTexture.index, at("material", i));
      scene.materials.push_back(out);
    }
  }

  void readLights() {
    for (const tinygltf::Light& l : model.lights) {
      ImportLight out;
      if (l.type == "directional") out.kind = ImportLight::directional;
      else if (l.type == "spot") out.kind = ImportLight::spot;
      if (l.color.size() == 3) out.color.setValue(float(l.color[0]), float(l.color[1]), float(l.color[2]));
      // Candela or lux over pi, as the glTF writer maps them the other way.
      out.intensity = float(l.intensity / 3.14159265358979323846);
      out.range = float(l.range);
      out.cutOffAngle = float(l.spot.outerConeAngle);
      out.beamWidth = float(l.spot.innerConeAngle);
      scene.lights.push_back(out);
    }
  }

  // The vertex values of attribute `name`, `want` per vertex (a colour may
  // come with an alpha, which is dropped); empty when the primitive has none.
  std::vector<double> attribute(const tinygltf::Primitive& p, const char* name, size_t want,
                                size_t vertices, const std::string& who) {
    auto it = p.attributes.find(name);
    if (it == p.attributes.end()) return {};
    size_t components = 0;
    std::vector<double> values = accessor(it->second, who + " " + name, components);
    const bool color = std::strcmp(name, "COLOR_0") == 0;
    if (components != want && !(color && components == 4))
      throw ImportFault(who + ": " + name + " has " + std::to_string(components) + " values per vertex");
    if (values.size() / components != vertices)
      throw ImportFault(who + ": " + name + " has " + std::to_string(values.size() / components) +
                  " values for " + std::to_string(vertices) + " vertices");
    if (components == want) return values;
    std::vector<double> rgb;
    rgb.reserve(vertices * 3);
    for (size_t v = 0; v < vertices; ++v) rgb.insert(rgb.end(), &values[v * 4], &values[v * 4 + 3]);
    return rgb;
  }

  ImportPrimitive primitive(const tinygltf::Primitive& p, const std::string& who) {
    ImportPrimitive out;
    auto position = p.attributes.find("POSITION");
    if (position == p.attributes.end()) throw ImportFault(who + ": no POSITION");
    size_t components = 0;
    const std::vector<double> points = accessor(position->second, who + " POSITION", components);
    if (components != 3) throw ImportFault(who + ": POSITION is not 3D");
    const size_t vertices = points.size() / 3;
    for (size_t v = 0; v < vertices; ++v)
      out.positions.emplace_back(float(points[v * 3]), float(points[v * 3 + 1]), float(points[v * 3 + 2]));
    const std::vector<double> normals = attribute(p, "NORMAL", 3, vertices, who);
    for (size_t v = 0; v < normals.size() / 3; ++v)
      out.normals.emplace_back(float(normals[v * 3]), float(normals[v * 3 + 1]), float(normals[v * 3 + 2]));
    const std::vector<double> uv = attribute(p, "TEXCOORD_0", 2, vertices, who);
    for (size_t v = 0; v < uv.size() / 2; ++v)
      out.texCoords.emplace_back(float(uv[v * 2]), float(1.0 - uv[v * 2 + 1]));
    const std::vector<double> colors = attribute(p, "COLOR_0", 3, vertices, who);
    for (size_t v = 0; v < colors.size() / 3; ++v)
      out.colors.emplace_back(float(colors[v * 3]), float(colors[v * 3 + 1]), float(colors[v * 3 + 2]));

    std::vector<int32_t> order;
    if (p.indices >= 0) {
      const std::vector<double> indices = accessor(p.indices, who + " indices", components);
      const tinygltf::Accessor& a = model.accessors[size_t(p.indices)];
      if (components != 1 || a.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT ||
          a.componentType == TINYGLTF_COMPONENT_TYPE_BYTE ||
          a.componentType == TINYGLTF_COMPONENT_TYPE_SHORT)
        throw ImportFault(who + ": indices are not unsigned integers");
      for (size_t k = 0; k < indices.size(); ++k) {
        if (indices[k] >= double(vertices))
          throw ImportFault(who + ": index " + std::to_string(size_t(indices[k])) + " (at " +
                      std::to_string(k) + ") out of range for " + std::to_string(vertices) +
                      " vertices");
        order.push_back(int32_t(indices[k]));
      }
    } else {
      for (size_t v = 0; v < vertices; ++v) order.push_back(int32_t(v));
    }
    const int mode = p.mode < 0 ? TINYGLTF_MODE_TRIANGLES : p.mode;
    if (mode == TINYGLTF_MODE_TRIANGLES) {
      out.triangles.assign(order.begin(), order.begin() + long(order.size() / 3 * 3));
    } else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
      for (size_t k = 2; k < order.size(); ++k) {
        const bool odd = k % 2;
        out.triangles.insert(out.triangles.end(),
                             {order[k - 2], order[odd ? k : k - 1], order[odd ? k - 1 : k]});
      }
    } else if (mode == TINYGLTF_MODE_TRIANGLE_FAN) {
      for (size_t k = 2; k < order.size(); ++k)
        out.triangles.insert(out.triangles.end(), {order[0], order[k - 1], order[k]});
    }
    if (p.material >= 0 && size_t(p.material) >= scene.materials.size())
      throw ImportFault(who + ": no material " + std::to_string(p.material));
    out.material = p.material;
    return out;
  }

  void readMeshes() {
    bool saidModes = false;
    for (size_t m = 0; m < model.meshes.size(); ++m) {
      std::vector<ImportPrimitive> mesh;
      for (size_t k = 0; k < model.meshes[m].primitives.size(); ++k) {
        const tinygltf::Primitive& p = model.meshes[m].primitives[k];
        if (p.mode >= 0 && p.mode < TINYGLTF_MODE_TRIANGLES) {
          if (!saidModes) messages << modelName << ": points and lines are left out\n";
          saidModes = true;
          continue;
        }
        mesh.push_back(primitive(p, at("mesh", m) + " primitive " + std::to_string(k)));
      }
      scene.meshes.push_back(std::move(mesh));
    }
  }

  static void placement(const tinygltf::Node& n, ImportNode& out) {
    if (n.matrix.size() == 16) {
      SbMatrix m;
      for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] = float(n.matrix[size_t(r * 4 + c)]);
      m.getTransform(out.translation, out.rotation, out.scale, out.scaleOrientation);
      return;
    }
    if (n.translation.size() == 3)
      out.translation.setValue(float(n.translation[0]), float(n.translation[1]), float(n.translation[2]));
    if (n.rotation.size() == 4)
      out.rotation.setValue(float(n.rotation[0]), float(n.rotation[1]), float(n.rotation[2]),
                            float(n.rotation[3]));
    if (n.scale.size() == 3) out.scale.setValue(float(n.scale[0]), float(n.scale[1]), float(n.scale[2]));
  }

  void readNodes() {
    const size_t count = model.nodes.size();
    std::vector<int> parent(count, -1);
    for (size_t i = 0; i < count; ++i) {
      const tinygltf::Node& n = model.nodes[i];
      ImportNode out;
      out.name = n.name;
      placement(n, out);
      if (n.mesh >= 0 && size_t(n.mesh) >= scene.meshes.size())
        throw ImportFault(at("node", i) + ": no mesh " + std::to_string(n.mesh));
      out.mesh = n.mesh;
      if (n.camera >= 0) {
        if (size_t(n.camera) >= model.cameras.size())
          throw ImportFault(at("node", i) + ": no camera " + std::to_string(n.camera));
        const tinygltf::Camera& c = model.cameras[size_t(n.camera)];
        out.cameraFieldOfView = c.type == "perspective" ? float(c.perspective.yfov) : 0.785398f;
      }
      auto light = n.extensions.find("KHR_lights_punctual");
      if (light != n.extensions.end() && light->second.Has("light")) {
        const tinygltf::Value& index = light->second.Get("light");
        if (!index.IsInt() || index.GetNumberAsInt() < 0 ||
            size_t(index.GetNumberAsInt()) >= scene.lights.size())
          throw ImportFault(at("node", i) + ": no such light");
        out.light = index.GetNumberAsInt();
      }
      for (int child : n.children) {
        if (child < 0 || size_t(child) >= count)
          throw ImportFault(at("node", i) + ": no child node " + std::to_string(child));
        if (size_t(child) == i) throw ImportFault(at("node", i) + " is its own ancestor");
        if (parent[size_t(child)] >= 0)
          throw ImportFault(at("node", size_t(child)) + " is a child of both node " +
                      std::to_string(parent[size_t(child)]) + " and node " + std::to_string(i));
        parent[size_t(child)] = int(i);
        out.children.push_back(child);
      }
      scene.nodes.push_back(std::move(out));
    }
    // With one parent each, a node that is its own ancestor lies on a loop
    // that no root reaches.
    for (size_t i = 0; i < count; ++i) {
      size_t steps = 0;
      for (int up = parent[i]; up >= 0; up = parent[size_t(up)]) {
        if (size_t(up) == i) throw ImportFault(at("node", i) + " is its own ancestor");
        if (++steps > kMaxImportDepth)
          throw ImportFault(at("node", i) + " lies more than " + std::to_string(kMaxImportDepth) + " nodes deep");
      }
    }
    // Each use of a mesh becomes shapes of its own: the uses together are
    // held to what one mesh may hold.
    size_t used = 0;
    for (const ImportNode& node : scene.nodes) {
      if (node.mesh < 0) continue;
      for (const ImportPrimitive& p : scene.meshes[size_t(node.mesh)]) used += p.positions.size() + p.triangles.size();
      if (used > kMaxElements) throw ImportFault("the meshes are used too often (more than " +
                                           std::to_string(kMaxElements) + " values in all)");
    }
    if (model.scenes.empty()) {
      for (size_t i = 0; i < count; ++i)
        if (parent[i] < 0) scene.roots.push_back(int(i));
      return;
    }
    const size_t which = model.defaultScene >= 0 ? size_t(model.defaultScene) : 0;
    if (which >= model.scenes.size()) throw ImportFault("no scene " + std::to_string(which));
    for (int root : model.scenes[which].nodes) {
      if (root < 0 || size_t(root) >= count) throw ImportFault("the scene has no node " + std::to_string(root));
      if (parent[size_t(root)] >= 0) throw ImportFault(at("node", size_t(root)) + " is a scene root and a child");
      scene.roots.push_back(root);
    }
  }

  const tinygltf::Model& model;
  ImportScene& scene;
  std::ostream& messages;
  std::string modelName;
  std::string stem;
  fs::path dir;
};

std::string firstLine(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

}  // namespace

bool readGltfScene(const std::string& fileName, const std::vector<unsigned char>& bytes,
                   bool binary, bool externalFiles, ImportScene& scene, std::string& error,
                   std::ostream& messages) {
  try {
    if (bytes.empty()) throw ImportFault("the file is empty");
    if (binary) checkGlb(bytes);
    else if (bytes.size() >= 4 && std::memcmp(bytes.data(), "glTF", 4) == 0)
      throw ImportFault("binary glTF under a .gltf name");
    checkImageViews(jsonText(bytes, binary));

    Files files{externalFiles};
    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks({fileExists, expandPath, readFile, writeFile, &files});
    loader.SetImageLoader(keepImage, nullptr);
    tinygltf::Model model;
    std::string err, warn;
    const std::string dir = fs::path(fileName).parent_path().string();
    if (bytes.size() > 0xffffffffu) throw ImportFault("larger than 4 GB");
    const bool loaded =
        binary ? loader.LoadBinaryFromMemory(&model, &err, &warn, bytes.data(),
                                             unsigned(bytes.size()), dir)
               : loader.LoadASCIIFromString(&model, &err, &warn,
                                            reinterpret_cast<const char*>(bytes.data()),
                                            unsigned(bytes.size()), dir);
    if (!loaded) throw ImportFault(firstLine(err.empty() ? warn : err));
    GltfReader(model, scene, messages, fileName).read();
    return true;
  } catch (const ImportFault& fault) {
    error = fault.what();
  } catch (const std::exception& e) {
    error = std::string("malformed glTF: ") + e.what();
  }
  scene = ImportScene();
  return false;
}
