#include <zkcp/import/AssimpSceneReader.h>

#include <zkcp/import/ImportFault.h>

#include <Inventor/SbMatrix.h>

#include <assimp/BaseImporter.h>
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <set>

namespace fs = std::filesystem;

namespace {

std::string lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The file's first bytes against the format its extension names, so a file
// of another kind is named as such rather than read by a wrong reader.
void checkKind(const std::string& fileName, const std::string& ext) {
  std::ifstream in(fileName, std::ios::binary | std::ios::ate);
  if (!in) throw ImportFault("cannot open the file");
  const std::streamoff size = in.tellg();
  if (size <= 0) throw ImportFault("the file is empty");
  std::string head(size_t(std::min<std::streamoff>(size, 4096)), '\0');
  in.seekg(0);
  in.read(head.data(), std::streamsize(head.size()));
  const size_t text = head.find_first_not_of(" \t\r\n");
  const std::string start = text == std::string::npos ? "" : head.substr(text, 16);
  const bool binary = head.find('\0') != std::string::npos;
  auto starts = [&](const char* prefix) { return head.compare(0, std::strlen(prefix), prefix) == 0; };
  bool right = false;
  std::string want;
  if (ext == ".stl") {
    uint32_t triangles = 0;
    if (size >= 84) std::memcpy(&triangles, head.data() + 80, 4);
    right = start.compare(0, 5, "solid") == 0 || (size >= 84 && uint64_t(size) == 84 + 50ull * triangles);
    want = "STL (text 'solid' or a binary triangle count matching the size)";
  } else if (ext == ".ply") {
    right = starts("ply\n") || starts("ply\r");
    want = "PLY (a 'ply' first line)";
  } else if (ext == ".dae") {
    right = head.find("<COLLADA") != std::string::npos;
    want = "COLLADA (a <COLLADA> element)";
  } else if (ext == ".fbx") {
    right = starts("Kaydara FBX Binary") || head.find("FBXHeaderExtension") != std::string::npos;
    want = "FBX (binary or text)";
  } else {
    right = !binary && !starts("glTF") && !starts("ply") && start.compare(0, 1, "{") != 0 &&
            start.compare(0, 1, "<") != 0 && start.compare(0, 5, "solid") != 0;
    want = "OBJ text";
  }
  if (!right) throw ImportFault("not " + want + " as its extension says");
}

SbMatrix matrixOf(const aiMatrix4x4& m) {
  // Assimp's matrices act on column vectors; Inventor's on row vectors.
  return SbMatrix(m.a1, m.b1, m.c1, m.d1, m.a2, m.b2, m.c2, m.d2, m.a3, m.b3, m.c3, m.d3, m.a4,
                  m.b4, m.c4, m.d4);
}

class AssimpReader {
 public:
  AssimpReader(const aiScene& ai, ImportScene& scene, std::ostream& messages, std::string fileName)
      : ai(ai), scene(scene), messages(messages), fileName(std::move(fileName)) {}

  void read() {
    readMaterials();
    readMeshes();
    for (unsigned i = 0; i < ai.mNumLights; ++i) readLight(*ai.mLights[i]);
    for (unsigned i = 0; i < ai.mNumCameras; ++i) {
      const aiCamera& c = *ai.mCameras[i];
      const float h = c.mHorizontalFOV;
      fieldOfView[c.mName.C_Str()] = c.mAspect > 0 ? 2 * std::atan(std::tan(h) / c.mAspect) : 2 * h;
    }
    if (!ai.mRootNode) throw ImportFault("no nodes");
    scene.roots.push_back(node(*ai.mRootNode, 0));
  }

 private:
  std::string modelName() const { return fs::path(fileName).filename().string(); }

  int image(const std::string& path) {
    auto known = images.find(path);
    if (known != images.end()) return known->second;
    ImportImage out;
    if (const aiTexture* t = ai.GetEmbeddedTexture(path.c_str())) {
      if (t->mHeight != 0) {
        messages << modelName() << ": an uncompressed embedded image is left out\n";
        return images[path] = -1;
      }
      const std::string hint = lower(t->achFormatHint);
      const std::string ext = hint == "jpg" || hint == "jpeg" ? ".jpg" : ".png";
      out.url = vrmlStem() + "_image" + std::to_string(scene.images.size()) + ext;
      const auto* bytes = reinterpret_cast<const unsigned char*>(t->pcData);
      out.bytes.assign(bytes, bytes + t->mWidth);
    } else {
      std::string name = path;
      std::replace(name.begin(), name.end(), '\\', '/');
      const fs::path relative = fs::path(name).lexically_normal();
      if (relative.is_absolute() || relative.empty() || *relative.begin() == "..")
        throw ImportFault("image '" + path + "' lies outside the model's folder");
      const fs::path file = fs::path(fileName).parent_path() / relative;
      std::error_code failed;
      if (!fs::is_regular_file(file, failed)) throw ImportFault("cannot read image '" + path + "'");
      out.url = relative.generic_string();
      out.file = file.string();
    }
    scene.images.push_back(std::move(out));
    return images[path] = int(scene.images.size() - 1);
  }

  std::string vrmlStem() const {
    std::string stem = fs::path(fileName).filename().string();
    for (char& c : stem)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') c = '_';
    return stem;
  }

  void readMaterials() {
    for (unsigned i = 0; i < ai.mNumMaterials; ++i) {
      const aiMaterial& m = *ai.mMaterials[i];
      ImportMaterial out;
      aiString name;
      if (m.Get(AI_MATKEY_NAME, name) == AI_SUCCESS) out.name = name.C_Str();
      aiColor4D color;
      if (m.Get(AI_MATKEY_BASE_COLOR, color) == AI_SUCCESS ||
          m.Get(AI_MATKEY_COLOR_DIFFUSE, color) == AI_SUCCESS)
        out.baseColor.setValue(color.r, color.g, color.b);
      float value = 0;
      if (m.Get(AI_MATKEY_OPACITY, value) == AI_SUCCESS) out.opacity = value;
      if (m.Get(AI_MATKEY_COLOR_EMISSIVE, color) == AI_SUCCESS)
        out.emissive.setValue(color.r, color.g, color.b);
      // A material without metallic and roughness factors is a plain
      // dielectric; its shininess gives the roughness.
      out.metallic = m.Get(AI_MATKEY_METALLIC_FACTOR, value) == AI_SUCCESS ? value : 0;
      if (m.Get(AI_MATKEY_ROUGHNESS_FACTOR, value) == AI_SUCCESS) out.roughness = value;
      else if (m.Get(AI_MATKEY_SHININESS, value) == AI_SUCCESS && value > 0)
        out.roughness = std::sqrt(2 / (value + 2));
      int twoSided = 0;
      if (m.Get(AI_MATKEY_TWOSIDED, twoSided) == AI_SUCCESS) out.doubleSided = twoSided != 0;
      aiString path;
      if (m.GetTexture(aiTextureType_BASE_COLOR, 0, &path) == AI_SUCCESS ||
          m.GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS)
        out.image = image(path.C_Str());
      scene.materials.push_back(out);
    }
  }

  void readMeshes() {
    bool saidKinds = false;
    for (unsigned i = 0; i < ai.mNumMeshes; ++i) {
      const aiMesh& m = *ai.mMeshes[i];
      ImportPrimitive p;
      if (!(m.mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) {
        if (!saidKinds) messages << modelName() << ": points and lines are left out\n";
        saidKinds = true;
        primitives.push_back(std::move(p));
        continue;
      }
      for (unsigned v = 0; v < m.mNumVertices; ++v) {
        const aiVector3D& a = m.mVertices[v];
        p.positions.emplace_back(a.x, a.y, a.z);
        if (m.mNormals) p.normals.emplace_back(m.mNormals[v].x, m.mNormals[v].y, m.mNormals[v].z);
        if (m.mTextureCoords[0])
          p.texCoords.emplace_back(m.mTextureCoords[0][v].x, m.mTextureCoords[0][v].y);
        if (m.mColors[0]) p.colors.emplace_back(m.mColors[0][v].r, m.mColors[0][v].g, m.mColors[0][v].b);
      }
      for (unsigned f = 0; f < m.mNumFaces; ++f) {
        const aiFace& face = m.mFaces[f];
        if (face.mNumIndices != 3) continue;
        for (unsigned k = 0; k < 3; ++k) {
          if (face.mIndices[k] >= m.mNumVertices)
            throw ImportFault("mesh '" + std::string(m.mName.C_Str()) + "': face " + std::to_string(f) +
                        " names vertex " + std::to_string(face.mIndices[k]) + " of " +
                        std::to_string(m.mNumVertices));
          p.triangles.push_back(int32_t(face.mIndices[k]));
        }
      }
      p.material = m.mMaterialIndex < scene.materials.size() ? int(m.mMaterialIndex) : -1;
      primitives.push_back(std::move(p));
    }
  }

  void readLight(const aiLight& l) {
    ImportLight out;
    if (l.mType == aiLightSource_DIRECTIONAL) out.kind = ImportLight::directional;
    else if (l.mType == aiLightSource_SPOT) out.kind = ImportLight::spot;
    else if (l.mType != aiLightSource_POINT) return;
    // The colour carries the intensity; the brightest channel is taken out.
    const float peak = std::max({l.mColorDiffuse.r, l.mColorDiffuse.g, l.mColorDiffuse.b});
    out.intensity = peak > 0 ? peak : 1;
    const float scale = peak > 0 ? 1 / peak : 1;
    out.color.setValue(l.mColorDiffuse.r * scale, l.mColorDiffuse.g * scale, l.mColorDiffuse.b * scale);
    out.location.setValue(l.mPosition.x, l.mPosition.y, l.mPosition.z);
    out.direction.setValue(l.mDirection.x, l.mDirection.y, l.mDirection.z);
    if (out.direction.length() == 0) out.direction.setValue(0, 0, -1);
    out.cutOffAngle = l.mAngleOuterCone;
    out.beamWidth = l.mAngleInnerCone;
    lightOf[l.mName.C_Str()] = int(scene.lights.size());
    scene.lights.push_back(out);
  }

  int node(const aiNode& n, size_t depth) {
    if (depth > kMaxImportDepth) throw ImportFault("nodes nest more than " + std::to_string(kMaxImportDepth) + " deep");
    ImportNode out;
    out.name = n.mName.C_Str();
    matrixOf(n.mTransformation).getTransform(out.translation, out.rotation, out.scale, out.scaleOrientation);
    if (n.mNumMeshes > 0) {
      std::vector<ImportPrimitive> mesh;
      for (unsigned k = 0; k < n.mNumMeshes; ++k) {
        if (n.mMeshes[k] >= primitives.size())
          throw ImportFault("node '" + out.name + "' names mesh " + std::to_string(n.mMeshes[k]) + " of " +
                      std::to_string(primitives.size()));
        mesh.push_back(primitives[n.mMeshes[k]]);
      }
      out.mesh = int(scene.meshes.size());
      scene.meshes.push_back(std::move(mesh));
    }
    auto light = lightOf.find(out.name);
    if (light != lightOf.end()) out.light = light->second;
    auto camera = fieldOfView.find(out.name);
    if (camera != fieldOfView.end()) out.cameraFieldOfView = camera->second;
    const int index = int(scene.nodes.size());
    scene.nodes.push_back(std::move(out));
    std::vector<int> children;
    for (unsigned k = 0; k < n.mNumChildren; ++k) children.push_back(node(*n.mChildren[k], depth + 1));
    scene.nodes[size_t(index)].children = std::move(children);
    return index;
  }

  const aiScene& ai;
  ImportScene& scene;
  std::ostream& messages;
  std::string fileName;
  std::vector<ImportPrimitive> primitives;
  std::map<std::string, int> images;
  std::map<std::string, int> lightOf;
  std::map<std::string, float> fieldOfView;
};

}  // namespace

bool readAssimpScene(const std::string& fileName, ImportScene& scene, std::string& error,
                     std::ostream& messages) {
  try {
    checkKind(fileName, lower(fs::path(fileName).extension().string()));
    Assimp::Importer importer;
    // glTF is read by the glTF reader alone, never by Assimp's.
    for (const char* ext : {"gltf", "glb"}) {
      while (Assimp::BaseImporter* gltf = importer.GetImporter(ext)) {
        if (importer.UnregisterLoader(gltf) != AI_SUCCESS) break;
        delete gltf;
      }
    }
    // Pivots would add helper nodes between a node and its parent.
    importer.SetPropertyBool(AI_CONFIG_IMPORT_FBX_PRESERVE_PIVOTS, false);
    const aiScene* ai = importer.ReadFile(fileName, aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                                                        aiProcess_SortByPType |
                                                        aiProcess_ValidateDataStructure);
    if (!ai) {
      std::string why = importer.GetErrorString();
      while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
      throw ImportFault(why.empty() ? "cannot be read" : why);
    }
    AssimpReader(*ai, scene, messages, fileName).read();
    return true;
  } catch (const ImportFault& fault) {
    error = fault.what();
  } catch (const std::exception& e) {
    error = e.what();
  }
  scene = ImportScene();
  return false;
}
