#include <zkcp/import/ZKGeometryImporter.h>

#include <zkcp/import/AssimpSceneReader.h>
#include <zkcp/import/GltfSceneReader.h>
#include <zkcp/import/VRMLSceneBuilder.h>
#include <zkcp/import/VRMLSceneWriter.h>

#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/nodes/SoSeparator.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The image textures of a scene built here, in the order built.
void collectTextures(SoNode* node, std::vector<SoVRMLImageTexture*>& textures) {
  if (node->isOfType(SoVRMLShape::getClassTypeId())) {
    auto* appearance = static_cast<SoVRMLAppearance*>(static_cast<SoVRMLShape*>(node)->appearance.getValue());
    SoNode* texture = appearance ? appearance->texture.getValue() : nullptr;
    if (texture && texture->isOfType(SoVRMLImageTexture::getClassTypeId()))
      textures.push_back(static_cast<SoVRMLImageTexture*>(texture));
  } else if (node->isOfType(SoGroup::getClassTypeId())) {
    auto* group = static_cast<SoGroup*>(node);
    for (int i = 0; i < group->getNumChildren(); ++i) collectTextures(group->getChild(i), textures);
  }
}

std::string extensionOf(const std::string& fileName) {
  std::string ext = fs::path(fileName).extension().string();
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace

ZKGeometryImporter::ZKGeometryImporter(std::ostream& messages) : messages(messages) {}

bool ZKGeometryImporter::canImport(const std::string& fileName) {
  static const char* const kinds[] = {".gltf", ".glb", ".obj", ".stl", ".ply", ".dae", ".fbx"};
  const std::string ext = extensionOf(fileName);
  return std::find(std::begin(kinds), std::end(kinds), ext) != std::end(kinds);
}

void ZKGeometryImporter::clear() {
  error.clear();
  images.clear();
  lights.clear();
  cameras.clear();
}

SoSeparator* ZKGeometryImporter::read(const std::string& fileName) {
  clear();
  const std::string ext = extensionOf(fileName);
  if (!canImport(fileName)) {
    error = fileName + ": '" + ext + "' models are not read";
    return nullptr;
  }
  if (ext != ".gltf" && ext != ".glb") {
    ImportScene scene;
    if (!readAssimpScene(fileName, scene, error, messages)) {
      error = fileName + ": " + error;
      return nullptr;
    }
    return build(fileName, scene);
  }
  std::ifstream in(fileName, std::ios::binary);
  if (!in) {
    error = fileName + ": cannot open the file";
    return nullptr;
  }
  const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
  ImportScene scene;
  if (!readGltfScene(fileName, bytes, ext == ".glb", true, scene, error, messages)) {
    error = fileName + ": " + error;
    return nullptr;
  }
  return build(fileName, scene);
}

SoSeparator* ZKGeometryImporter::readGltf(const std::string& fileName,
                                          const std::vector<unsigned char>& bytes, bool binary) {
  clear();
  ImportScene scene;
  if (!readGltfScene(fileName, bytes, binary, false, scene, error, messages)) {
    error = fileName + ": " + error;
    return nullptr;
  }
  return build(fileName, scene);
}

void ZKGeometryImporter::writeScene(std::ostream& os, SoSeparator* scene) {
  writeVrmlScene(os, scene);
}

void ZKGeometryImporter::setUrlQuietly(SoVRMLImageTexture* texture, const SbString& url) {
  texture->url.enableNotify(FALSE);
  texture->url.setValue(url);
  texture->url.enableNotify(TRUE);
}

void ZKGeometryImporter::renameImage(SoSeparator* scene, ImportImage& image, const std::string& url) {
  std::vector<SoVRMLImageTexture*> textures;
  collectTextures(scene, textures);
  const SbString from(image.url.c_str());
  for (SoVRMLImageTexture* texture : textures)
    if (texture->url.getNum() > 0 && texture->url[0] == from) setUrlQuietly(texture, url.c_str());
  image.url = url;
}

SoSeparator* ZKGeometryImporter::copyScene(SoSeparator* scene) {
  std::vector<SoVRMLImageTexture*> textures;
  collectTextures(scene, textures);
  std::vector<SbString> urls;
  for (SoVRMLImageTexture* texture : textures) {
    urls.push_back(texture->url.getNum() > 0 ? texture->url[0] : SbString());
    setUrlQuietly(texture, SbString());
  }
  auto* copy = static_cast<SoSeparator*>(scene->copy());
  copy->ref();
  std::vector<SoVRMLImageTexture*> copied;
  collectTextures(copy, copied);
  for (size_t i = 0; i < textures.size(); ++i) {
    setUrlQuietly(textures[i], urls[i]);
    if (i < copied.size()) setUrlQuietly(copied[i], urls[i]);
  }
  return copy;
}

SoSeparator* ZKGeometryImporter::build(const std::string& fileName, ImportScene& scene) {
  if (scene.roots.empty()) {
    error = fileName + ": the model has no nodes";
    return nullptr;
  }
  SoSeparator* root =
      buildVrmlScene(scene, fs::path(fileName).filename().string(), messages, lights, cameras);
  images = std::move(scene.images);
  return root;
}
