#include "WorldWriter.h"

#include "OutputFolder.h"

#include <Inventor/VRMLnodes/SoVRMLDirectionalLight.h>
#include <Inventor/VRMLnodes/SoVRMLPointLight.h>
#include <Inventor/VRMLnodes/SoVRMLSpotLight.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSpotLight.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

#include <zkcp/gltf/ZKGltfWriter.h>
#include <zkcp/vrml/ZKBlockFileBuffer.h>
#include <zkcp/x3d/X3DAnimationWriter.h>
#include <zkcp/x3d/ZKX3DWriter.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// The node types that every component and path prototype is built from;
// a browser sees a component as its geometry.
const char kExtensions[] =
    "#VRML V2.0 utf8\n"
    "# Node types of zkcp worlds.\n"
    "\n"
    "PROTO ZKComponent [\n"
    "\tfield\tMFString\tgeometry\t[]\n"
    "\tfield\tSFString\tname\t\"\"\n"
    "\teventIn\tSFBool\tloadGeometry\n"
    "]\n"
    "{\n"
    "\tInline { url IS geometry }\n"
    "}\n"
    "\n"
    "PROTO ZKNavigationPath [\n"
    "\texposedField\tMFNode\tchildren\t[]\n"
    "]\n"
    "{\n"
    "\tGroup { children IS children }\n"
    "}\n";

const char kComponentExternProto[] =
    "EXTERNPROTO ZKComponent [\n"
    "\tfield\tMFString\tgeometry\n"
    "\tfield\tSFString\tname\n"
    "\teventIn\tSFBool\tloadGeometry\n"
    "] [ \"zkextensions.wrl#ZKComponent\" ]\n";

std::string behaviorType(const ZKBehavior& b) {
  return behaviorLibraryStem(b).str() + "_" + b.getCallbackName().str();
}

// One written file. close() reports a write that failed (a full disk, a
// file size limit) with the file's name; every file is closed through it.
// The writers flush at every line end; the block buffer keeps those flushes
// from reaching the kernel.
class Output {
 public:
  explicit Output(const fs::path& path) : path_(path), buffer_(path.c_str()), os_(&buffer_) {
    if (!buffer_.is_open() || !os_.good()) fail();
  }
  zkofstream& os() { return os_; }
  const fs::path& path() const { return path_; }
  void close() {
    os_.flush();
    if (!buffer_.close() || os_.bad()) fail();
  }

 private:
  [[noreturn]] void fail() const {
    throw OutputError("zkcp-export: cannot write " + path_.string() + ": " + std::strerror(errno));
  }

  fs::path path_;
  ZKBlockFileBuffer buffer_;
  zkofstream os_;
};

// The first component of every type, in description order.
std::vector<ZKComponent*> componentTypes(const BuiltWorld& world) {
  std::vector<ZKComponent*> types;
  std::set<std::string> seen;
  for (ZKComponent* c : world.components)
    if (seen.insert(c->getComponentName()).second) types.push_back(c);
  return types;
}

// The node type of every behaviour, grouped by the stem of its module.
std::map<std::string, std::set<std::string>> behaviorTypesByModule(const BuiltWorld& world) {
  std::map<std::string, std::set<std::string>> modules;
  for (const ZKBehavior& b : world.behaviors)
    modules[behaviorLibraryStem(b).str()].insert(behaviorType(b));
  return modules;
}

std::vector<ZKBehavior> behaviorsOf(ZKComponent* c) {
  std::vector<ZKBehavior> out;
  RWTValSortedVector<RWCString> names;
  c->getBehaviorNames(names);
  for (const RWCString& name : names) {
    ZKBehavior b = c->getBehavior(name);
    if (b.isValid()) out.push_back(b);
  }
  return out;
}

// A world light as the VRML 97 light of its kind, where it stands now.
void writeLight(std::ostream& os, SoLight* light) {
  auto common = [light](auto* vrml) {
    vrml->ref();
    vrml->on = light->on.getValue();
    vrml->intensity = light->intensity.getValue();
    vrml->color = light->color.getValue();
    return vrml;
  };
  if (light->isOfType(SoSpotLight::getClassTypeId())) {
    auto* spot = static_cast<SoSpotLight*>(light);
    auto* vrml = common(new SoVRMLSpotLight);
    vrml->location = spot->location.getValue();
    vrml->direction = spot->direction.getValue();
    vrml->cutOffAngle = spot->cutOffAngle.getValue();
    os << *vrml;
    vrml->unref();
  } else if (light->isOfType(SoPointLight::getClassTypeId())) {
    auto* vrml = common(new SoVRMLPointLight);
    vrml->location = static_cast<SoPointLight*>(light)->location.getValue();
    os << *vrml;
    vrml->unref();
  } else if (light->isOfType(SoDirectionalLight::getClassTypeId())) {
    auto* vrml = common(new SoVRMLDirectionalLight);
    vrml->direction = static_cast<SoDirectionalLight*>(light)->direction.getValue();
    os << *vrml;
    vrml->unref();
  }
}

void writeLights(std::ostream& os, const BuiltWorld& world) {
  for (const std::string& name : world.lights)
    if (SoLight* light = world.db->getLight(name.c_str())) writeLight(os, light);
}

void writeVrmlWorld(const BuiltWorld& world, const fs::path& dir, const WriteOptions& options) {
  const bool timers = options.timers;
  Output out(dir / "world" / "world.wrl");
  zkofstream& os = out.os();
  os << "#VRML V2.0 utf8\n";
  os << "# " << world.db->getWorldName() << " " << world.db->getWorldVersion() << "\n\n";
  for (ZKComponent* c : componentTypes(world)) os << vrmlexproto << *c << "\n";
  std::set<std::string> declared;
  for (const ZKBehavior& b : world.behaviors)
    if (declared.insert(behaviorType(b)).second) os << vrmlexproto << b << "\n";
  if (!world.paths.empty()) os << vrmlexproto << ZKNavigationPath() << "\n";
  os << "DEF mainTimer TimeSensor { loop TRUE }\n\n";
  size_t written = 0;
  for (ZKComponent* c : world.components) {
    if (world.db->getActiveComponent(c->getName().getString()))
      os << (timers ? vrmlref : msvrmlref) << *c << "\n";
    if (options.progress) options.progress(++written);
  }
  writeLights(os, world);
  for (int i = 0; i < world.db->getNumViewpoints(); ++i)
    static_cast<std::ostream&>(os) << *world.db->getViewpointAt(static_cast<unsigned>(i));
  for (int i = 0; i < world.db->getNumProximitySensors(); ++i)
    static_cast<std::ostream&>(os) << *world.db->getProximitySensorAt(static_cast<unsigned>(i));
  for (const std::string& name : world.paths) {
    ZKNavigationPath path;
    world.db->getNavigationPath(name.c_str(), path);
    os << zkref << path;
  }
  for (int i = 0; i < world.db->getNumRoutes(); ++i)
    static_cast<std::ostream&>(os) << *world.db->getRouteAt(static_cast<unsigned>(i)) << "\n";
  out.close();
}

void writeVrmlPrototypes(const BuiltWorld& world, const fs::path& dir) {
  for (ZKComponent* c : componentTypes(world)) {
    Output out(dir / "world" / (std::string(c->getComponentName()) + "_cmp.wrl"));
    zkofstream& os = out.os();
    os << "#VRML V2.0 utf8\n\n" << kComponentExternProto << "\n";
    std::set<std::string> declared;
    for (const ZKBehavior& b : behaviorsOf(c))
      if (declared.insert(behaviorType(b)).second) os << vrmlexproto << b << "\n";
    os << vrmlproto << *c;
    out.close();
  }
  // One file per module stem, holding a node type per action function.
  for (const auto& [stem, types] : behaviorTypesByModule(world)) {
    Output out(dir / "world" / (stem + ".wrl"));
    zkofstream& os = out.os();
    os << "#VRML V2.0 utf8\n";
    for (const std::string& type : types) {
      os << "\nPROTO " << type.c_str() << " [\n"
         << "\tfield\tSFBool\tactivate\tFALSE\n"
         << "\tfield\tSFString\tname\t\"\"\n"
         << "\tfield\tSFNode\tcomponent\tNULL\n"
         << "\teventIn\tSFFloat\ttick\n"
         << "]\n{\n\tGroup { }\n}\n";
    }
    out.close();
  }
  Output extensions(dir / "world" / "zkextensions.wrl");
  extensions.os() << kExtensions;
  extensions.close();
}

void writeNativeWorld(const BuiltWorld& world, const fs::path& dir, const WriteOptions& options) {
  {
    Output out(dir / "world" / "world.arl");
    zkofstream& os = out.os();
    os << "#ZKCP world\n";
    for (ZKComponent* c : componentTypes(world)) os << exproto << *c << "\n";
    std::set<std::string> declared;
    for (const ZKBehavior& b : world.behaviors)
      if (declared.insert(behaviorType(b)).second) os << exproto << b << "\n";
    size_t written = 0;
    for (ZKComponent* c : world.components) {
      if (world.db->getActiveComponent(c->getName().getString())) os << ref << *c << "\n";
      if (options.progress) options.progress(++written);
    }
    out.close();
  }
  for (ZKComponent* c : componentTypes(world)) {
    Output out(dir / "world" / (std::string(c->getComponentName()) + ".arl"));
    out.os() << proto << *c;
    out.close();
  }
  for (const auto& [stem, types] : behaviorTypesByModule(world)) {
    Output out(dir / "world" / (stem + ".arl"));
    for (const std::string& type : types)
      out.os() << "PROTO " << type.c_str() << " [\n\tfield\tSFBool\tactivate\tFALSE\n"
               << "\tfield\tSFString\tname\t\"\"\n]\n{\n}\n";
    out.close();
  }
}

// A graph converted from another format, as VRML 97 text.
void writeConverted(SoNode* graph, const fs::path& file) {
  std::ofstream out(file);
  ZKGeometryImporter::writeScene(out, static_cast<SoSeparator*>(graph));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

void writeImage(const ImportImage& image, const fs::path& file) {
  fs::create_directories(file.parent_path());
  if (image.bytes.empty()) {
    fs::copy_file(image.file, file, fs::copy_options::overwrite_existing);
    return;
  }
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(image.bytes.data()),
            static_cast<std::streamsize>(image.bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

// The geometry files under `dir`: copies of those read as they are, and
// the converted models with their images beside them.
void writeGeometry(const BuiltWorld& world, const fs::path& dir) {
  fs::create_directories(dir);
  for (const auto& [name, source] : world.geometrySources) {
    auto images = world.importedImages.find(name);
    if (images == world.importedImages.end()) {
      fs::copy_file(source, dir / name, fs::copy_options::overwrite_existing);
      continue;
    }
    writeConverted(world.geometryRead.at(source).graph.get(), dir / name);
    for (const ImportImage& image : images->second) writeImage(image, dir / image.url);
  }
}

// A plain scene: every active component's geometry at its place.
void writePreview(const BuiltWorld& world, const fs::path& dir) {
  Output out(dir / "preview.wrl");
  std::ostream& os = out.os();
  os << "#VRML V2.0 utf8\n";
  os << "NavigationInfo { headlight " << (world.lights.empty() ? "TRUE" : "FALSE") << " }\n";
  if (world.db->getNumViewpoints() > 0) os << *world.db->getViewpointAt(0);
  writeLights(os, world);
  for (ZKComponent* c : world.components) {
    if (!world.db->getActiveComponent(c->getName().getString())) continue;
    SoTransform* t = c->getTransform();
    os << "DEF " << c->getName().getString() << " Transform {\n";
    os << "\ttranslation\t" << t->translation.getValue() << "\n";
    os << "\trotation\t" << t->rotation.getValue() << "\n";
    os << "\tscale\t" << t->scaleFactor.getValue() << "\n";
    os << "\tscaleOrientation\t" << t->scaleOrientation.getValue() << "\n";
    os << "\tcenter\t" << t->center.getValue() << "\n";
    os << "\tchildren [ Inline { url \"geometry/" << c->getGeometryFile().str() << "\" } ]\n";
    os << "}\n";
  }
  out.close();
}

const char kPage[] =
    "<!DOCTYPE html>\n"
    "<html>\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<link rel=\"icon\" href=\"data:,\">\n"
    "<title>%TITLE%</title>\n"
    "<script src=\"x_ite/x_ite.min.js\"></script>\n"
    "<style>body { margin: 0; } x3d-canvas { display: block; width: 100%; height: 100vh; }</style>\n"
    "%HEAD%"
    "</head>\n"
    "<body>\n"
    "<x3d-canvas id=\"world\" src=\"world.x3d\" style=\"width:100%;height:100vh\"></x3d-canvas>\n"
    "</body>\n"
    "</html>\n";

std::string htmlText(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '&') out += "&amp;";
    else out += c;
  }
  return out;
}

// The file of a texture image: named relative to the geometry file that
// names it.
fs::path imageFile(const BuiltWorld& world, ZKComponent* c, const std::string& name) {
  auto source = c ? world.geometrySources.find(c->getGeometryFile().str())
                  : world.geometrySources.end();
  return source == world.geometrySources.end() ? fs::path(name)
                                               : fs::path(source->second).parent_path() / name;
}

// The image a converted model holds or names, if `name` is one.
const ImportImage* importedImage(const BuiltWorld& world, ZKComponent* c, const std::string& name) {
  auto images = c ? world.importedImages.find(c->getGeometryFile().str()) : world.importedImages.end();
  if (images == world.importedImages.end()) return nullptr;
  for (const ImportImage& image : images->second)
    if (image.url == name) return &image;
  return nullptr;
}

// The recorded runs as animation of the written scene.
void writeX3dAnimation(const BuiltWorld& world, ZKX3DWriter& writer, const WriteOptions& options) {
  X3DAnimationScene scene;
  ZKComponentDB* db = world.db.get();
  scene.transform = [&](ZKComponent* c, const RWCString& part) {
    return writer.transformId(c->getName().getString(), part);
  };
  scene.light = [&](const RWCString& light) { return writer.pointId(db->getLight(light)); };
  scene.proximitySensor = [&](const char* sensor) {
    return writer.pointId(db->getProximitySensor(sensor));
  };
  scene.addNode = [&](const std::string& type, const X3DAnimationScene::Fields& fields,
                      const std::string& name) { return writer.addNode("", type, fields, name); };
  scene.addRoute = [&](const std::string& from, const std::string& out, const std::string& to,
                       const std::string& in) { writer.addRoute(from, out, to, in); };
  scene.addComment = [&](const std::string& text) { writer.addComment(text); };
  std::vector<std::string> written = writeX3DAnimation(scene, *options.runs);
  if (options.recorded) *options.recorded = std::move(written);
}

void writeX3dWorld(const BuiltWorld& world, const fs::path& dir, const WriteOptions& options) {
  const fs::path& xIte = options.xIte;
  ZKX3DWriter writer(world.db.get(), std::cerr);
  if (options.runs) writeX3dAnimation(world, writer, options);
  if (!writer.save((dir / "world.x3d").string()))
    throw OutputError("zkcp-export: cannot write " + (dir / "world.x3d").string());
  for (const ZKX3DWriter::Texture& texture : writer.textures()) {
    ZKComponent* c = world.db->getComponent(texture.component);
    const fs::path from = imageFile(world, c, texture.read);
    fs::create_directories(dir / fs::path(texture.written).parent_path());
    if (const ImportImage* image = importedImage(world, c, texture.read)) {
      writeImage(*image, dir / texture.written);
      continue;
    }
    std::error_code failed;
    fs::copy_file(from, dir / texture.written, fs::copy_options::overwrite_existing, failed);
    if (failed) std::cerr << "zkcp-export: texture " << from.string() << " not copied\n";
  }
  Output index(dir / "index.html");
  static_cast<std::ostream&>(index.os()) << x3dPage(world.db->getWorldName().str(), "");
  index.close();
  if (!fs::exists(xIte / "x_ite.min.js")) {
    std::cerr << "zkcp-export: " << (dir / "index.html").string()
              << " needs a copy of X_ITE, not found in " << xIte.string()
              << " (make deps fetches one in the source tree; --x-ite names another)\n";
    return;
  }
  fs::create_directories(dir / "x_ite");
  fs::copy_file(xIte / "x_ite.min.js", dir / "x_ite" / "x_ite.min.js");
  // X_ITE asks for its style sheet beside the script; its licence goes
  // wherever it goes.
  for (const char* file : {"x_ite.css", "LICENSE.md"})
    if (fs::exists(xIte / file)) fs::copy_file(xIte / file, dir / "x_ite" / file);
  if (fs::is_directory(xIte / "assets"))
    fs::copy(xIte / "assets", dir / "x_ite" / "assets", fs::copy_options::recursive);
}

void writeGltfWorld(const BuiltWorld& world, const fs::path& dir, const WriteOptions& options) {
  // Images held in converted models are put in files for the writer to
  // take in, and removed once world.glb is written.
  const fs::path held = dir / ".held-images";
  ZKGltfWriter writer(world.db.get(), std::cerr, [&](ZKComponent* c, const std::string& name) {
    const ImportImage* image = importedImage(world, c, name);
    if (!image) return imageFile(world, c, name).string();
    if (image->bytes.empty()) return image->file;
    const fs::path file = held / c->getGeometryFile().str() / image->url;
    writeImage(*image, file);
    return file.string();
  });
  if (options.runs) {
    std::vector<std::string> written = writer.addAnimations(*options.runs);
    if (options.recorded) *options.recorded = std::move(written);
  }
  const bool saved = writer.save((dir / "world.glb").string());
  fs::remove_all(held);
  if (!saved) throw std::runtime_error("cannot write " + (dir / "world.glb").string());
}

std::uintmax_t sizeOf(const fs::path& dir) {
  std::uintmax_t bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.is_regular_file()) bytes += entry.file_size();
  return bytes;
}

}  // namespace

std::string x3dPage(const std::string& title, const std::string& head) {
  std::string page = kPage;
  page.replace(page.find("%TITLE%"), 7, htmlText(title));
  page.replace(page.find("%HEAD%"), 6, head);
  return page;
}

std::string textureBytes(const BuiltWorld& world, const ZKX3DWriter::Texture& texture) {
  ZKComponent* c = world.db->getComponent(texture.component);
  const ImportImage* image = importedImage(world, c, texture.read);
  if (image && !image->bytes.empty())
    return std::string(image->bytes.begin(), image->bytes.end());
  const fs::path file = image ? fs::path(image->file) : imageFile(world, c, texture.read);
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (!in) throw std::runtime_error("texture " + file.string() + " cannot be read");
  return bytes.str();
}

std::uintmax_t writeWorld(const BuiltWorld& world, const fs::path& dir,
                          const WriteOptions& options) {
  if (options.x3d || options.gltf) {
    fs::create_directories(dir);
    if (options.gltf) writeGltfWorld(world, dir, options);
    else writeX3dWorld(world, dir, options);
    if (options.preview) {
      writeGeometry(world, dir / "geometry");
      writePreview(world, dir);
    }
    return sizeOf(dir);
  }
  fs::create_directories(dir / "world");
  fs::create_directories(dir / "geometry");
  if (options.native) {
    writeNativeWorld(world, dir, options);
  } else {
    writeVrmlWorld(world, dir, options);
    writeVrmlPrototypes(world, dir);
  }
  writeGeometry(world, dir / "geometry");
  if (options.preview) writePreview(world, dir);
  return sizeOf(dir);
}
