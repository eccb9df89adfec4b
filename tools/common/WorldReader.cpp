#include "WorldReader.h"

#include "NameCheck.h"

#include <zkcp/component/ZKComponentSensor.h>
#include <zkcp/component/ZKStableFiles.h>

#include <Inventor/SbMatrix.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSpotLight.h>
#include <Inventor/nodes/SoTransform.h>

#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <set>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// Why `file` cannot be read as a file, or "" when it can: a folder, a
// FIFO or a device would make the reader fail or wait for ever.
std::string unreadable(const fs::path& file) {
  struct stat st;
  if (stat(file.c_str(), &st) != 0) return std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return "a folder, not a file";
  if (S_ISFIFO(st.st_mode)) return "a FIFO, not a file";
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "a device, not a file";
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  if (access(file.c_str(), R_OK) != 0) return std::strerror(errno);
  return "";
}

// Where the reader is in the description, for messages.
class Reader {
 public:
  Reader(std::string file, fs::path dir, std::vector<fs::path> moduleDirs)
      : file_(std::move(file)), dir_(std::move(dir)), moduleDirs_(std::move(moduleDirs)) {
    moduleDirs_.push_back(dir_);
  }

  [[noreturn]] void fail(const std::string& path, const std::string& what) const {
    throw InputError(file_, path, what);
  }

  // The path of `key` in the object at `path` (the top when empty).
  static std::string at(const std::string& path, const char* key) {
    return path.empty() ? key : path + "." + key;
  }

  const json& member(const json& object, const std::string& path, const char* key) const {
    if (!object.is_object()) fail(path, "expected an object");
    auto it = object.find(key);
    if (it == object.end()) fail(path, std::string("missing field '") + key + "'");
    return *it;
  }

  std::string text(const json& object, const std::string& path, const char* key) const {
    const json& value = member(object, path, key);
    if (!value.is_string()) fail(at(path, key), "expected a string");
    return value.get<std::string>();
  }

  std::string optionalText(const json& object, const std::string& path, const char* key) const {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) return std::string();
    if (!it->is_string()) fail(at(path, key), "expected a string");
    return it->get<std::string>();
  }

  bool flag(const json& object, const std::string& path, const char* key, bool fallback) const {
    auto it = object.find(key);
    if (it == object.end()) return fallback;
    if (!it->is_boolean()) fail(at(path, key), "expected true or false");
    return it->get<bool>();
  }

  double number(const json& value, const std::string& path) const {
    if (!value.is_number()) fail(path, "expected a number");
    return value.get<double>();
  }

  std::vector<float> numbers(const json& value, const std::string& path, size_t n) const {
    if (!value.is_array() || value.size() != n)
      fail(path, "expected an array of " + std::to_string(n) + " numbers");
    std::vector<float> out;
    for (size_t i = 0; i < n; ++i)
      out.push_back(static_cast<float>(number(value[i], path + "[" + std::to_string(i) + "]")));
    return out;
  }

  const json& list(const json& object, const std::string& path, const char* key) const {
    static const json empty = json::array();
    auto it = object.find(key);
    if (it == object.end()) return empty;
    if (!it->is_array()) fail(at(path, key), "expected an array");
    return *it;
  }

  fs::path resolve(const std::string& name) const {
    const fs::path p(name);
    return p.is_absolute() ? p : dir_ / p;
  }

  // The folders searched for behaviour modules before the current one.
  const std::vector<fs::path>& moduleDirs() const { return moduleDirs_; }

  // The first of those folders that has the module file, or an empty path;
  // each file is looked for once.
  const fs::path& moduleFolder(const std::string& file) const {
    auto known = moduleFolders_.find(file);
    if (known != moduleFolders_.end()) return known->second;
    fs::path found;
    for (const fs::path& dir : moduleDirs_)
      if (found.empty() && fs::is_regular_file(dir / file)) found = dir;
    return moduleFolders_.emplace(file, std::move(found)).first->second;
  }

  // Why the file cannot be read, or "" when it can; a file found readable
  // once is not looked at again.
  std::string unreadable(const fs::path& file) const {
    if (readable_.count(file.string())) return std::string();
    std::string why = ::unreadable(file);
    if (why.empty()) readable_.insert(file.string());
    return why;
  }

  // The current folder as the reading started.
  const fs::path& startFolder() const {
    if (startFolder_.empty()) startFolder_ = fs::current_path();
    return startFolder_;
  }

 private:
  std::string file_;
  fs::path dir_;
  std::vector<fs::path> moduleDirs_;
  mutable std::map<std::string, fs::path> moduleFolders_;
  mutable fs::path startFolder_;
  mutable std::set<std::string> readable_;
};

std::string lowered(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

json parseText(const std::string& file, const std::string& text) {
  try {
    return json::parse(text);
  } catch (const json::parse_error& e) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i + 1 < e.byte && i < text.size(); ++i) {
      if (text[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    std::string reason = e.what();
    const size_t colon = reason.rfind(": ");
    if (colon != std::string::npos) reason = reason.substr(colon + 2);
    throw InputError(file, "", "malformed JSON at line " + std::to_string(line) + ", column " +
                                   std::to_string(column) + ": " + reason);
  } catch (const json::out_of_range& e) {
    std::string reason = e.what();
    const size_t bracket = reason.find("] ");
    if (bracket != std::string::npos) reason = reason.substr(bracket + 2);
    throw InputError(file, "", "malformed JSON: " + reason);
  }
}

// Images of two models are written side by side: an image whose name an
// image of another model has is given a free name, "tex/wood_2.png" for a
// second "tex/wood.png". Models naming the same image file share it.
void nameImages(BuiltWorld& world, SoSeparator* scene, const std::string& carried,
                std::vector<ImportImage>& images) {
  for (ImportImage& image : images) {
    const std::string source =
        image.bytes.empty() ? fs::absolute(image.file).lexically_normal().string() : carried + ":" + image.url;
    const fs::path url(image.url);
    std::string name = image.url;
    for (int n = 2;; ++n) {
      auto held = world.imageNames.emplace(lowered(name), source);
      if (held.second || held.first->second == source) break;
      name = (url.parent_path() / (url.stem().string() + "_" + std::to_string(n) + url.extension().string()))
                 .generic_string();
    }
    if (name != image.url) ZKGeometryImporter::renameImage(scene, image, name);
  }
}

// The geometry graph of a file, held by the world; null when it cannot be
// read, with `fault` set when an included file was refused or a model of
// another format is malformed.
// Each file is read once; every instance builds its part tree from the graph
// read, which building leaves unchanged.
SoSeparator* readGeometry(BuiltWorld& world, const fs::path& file, const std::string& carried,
                          std::string& fault) {
  auto known = world.geometryRead.find(file.string());
  if (known == world.geometryRead.end()) {
    SoSeparator* root = nullptr;
    std::string refused;
    BuiltWorld::GeometryRead read;
    if (ZKGeometryImporter::canImport(file.string())) {
      ZKGeometryImporter importer(std::cerr);
      root = importer.read(file.string());
      refused = importer.getError();
      if (root) {
        std::vector<ImportImage>& images = world.importedImages[carried] = importer.getImages();
        nameImages(world, root, carried, images);
        read.lights = importer.getLights();
        read.cameras = importer.getCameras();
      }
    } else {
      ZKLenientReader reader(std::cerr);
      root = reader.read(file.string(), carried);
      refused = reader.getFault();
    }
    if (root && !refused.empty()) {
      root->unref();
      root = nullptr;
    }
    read.graph.reset(root);
    read.fault = refused;
    known = world.geometryRead.emplace(file.string(), std::move(read)).first;
  }
  fault = known->second.fault;
  return static_cast<SoSeparator*>(known->second.graph.get());
}

ZKAttribute* makeAttribute(const Reader& r, const json& a, const std::string& path) {
  const std::string kind = r.text(a, path, "kind");
  const json& value = r.member(a, path, "value");
  const std::string at = path + ".value";
  if (kind == "bool") {
    if (!value.is_boolean()) r.fail(at, "expected true or false");
    auto* made = new ZKBoolAttribute;
    made->setValue(value.get<bool>() ? 1 : 0);
    return made;
  }
  // Each value is read before its attribute is made, so a refused value
  // leaves nothing behind.
  if (kind == "float") {
    const double number = r.number(value, at);
    auto* made = new ZKFloatAttribute;
    made->setValue(static_cast<float>(number));
    return made;
  }
  if (kind == "time") {
    const double number = r.number(value, at);
    auto* made = new ZKTimeAttribute;
    made->setValue(number);
    return made;
  }
  if (kind == "string") {
    if (!value.is_string()) r.fail(at, "expected a string");
    auto* made = new ZKStringAttribute;
    made->setValue(value.get<std::string>().c_str());
    return made;
  }
  if (kind == "string_list") {
    if (!value.is_array()) r.fail(at, "expected an array of strings");
    auto* made = new ZKMFStringAttribute;
    for (size_t i = 0; i < value.size(); ++i) {
      if (!value[i].is_string()) {
        delete made;
        r.fail(at + "[" + std::to_string(i) + "]", "expected a string");
      }
      made->getActualValue().set1Value(static_cast<int>(i), value[i].get<std::string>().c_str());
    }
    return made;
  }
  if (kind == "vec3f" || kind == "color") {
    const std::vector<float> v = r.numbers(value, at, 3);
    if (kind == "color") {
      auto* made = new ZKColorAttribute;
      made->setValue(v[0], v[1], v[2]);
      return made;
    }
    auto* made = new ZKVec3fAttribute;
    made->setValue(v[0], v[1], v[2]);
    return made;
  }
  if (kind == "rotation") {
    const std::vector<float> v = r.numbers(value, at, 4);
    auto* made = new ZKRotationAttribute;
    made->setValue(SbVec3f(v[0], v[1], v[2]), v[3]);
    return made;
  }
  r.fail(path + ".kind", "unknown attribute kind '" + kind +
                             "' (bool, float, string, string_list, vec3f, color, rotation, time)");
}

ZKComponent::Rule_t ruleType(const Reader& r, const std::string& name, const std::string& path) {
  for (int t = ZKComponent::no_relationship; t <= ZKComponent::triggers; ++t) {
    const auto rule = static_cast<ZKComponent::Rule_t>(t);
    if (name == ZKComponent::ruleName(rule)) return rule;
  }
  r.fail(path, "unknown rule type '" + name + "'");
}

// Asks the world for a behaviour, loading its module from beside the
// description when it is there, else by its bare name.
ZKBehavior requestBehavior(const Reader& r, ZKComponentDB& db, const json& b,
                           const std::string& path) {
  const std::string module = r.text(b, path, "module");
  const std::string function = r.text(b, path, "function");
  const std::string init = r.optionalText(b, path, "init");
  const std::string fini = r.optionalText(b, path, "fini");
  RWTValSlist<RWCString> events;
  const json& eventList = r.list(b, path, "events");
  for (size_t i = 0; i < eventList.size(); ++i) {
    if (!eventList[i].is_string())
      r.fail(path + ".events[" + std::to_string(i) + "]", "expected a string");
    events.append(eventList[i].get<std::string>().c_str());
  }
  // The module is loaded by its bare file name from the folder that has it,
  // so that its behaviours are named after the module alone.
  // A behaviour made before is the world's already, with no module to load.
  const std::string file = module + ".dll";
  const fs::path& here = r.startFolder();
  const fs::path& found = r.moduleFolder(file);
  const bool load = !found.empty() && !ZKBehavior::exists((module + ":" + function).c_str());
  if (load) fs::current_path(found);
  ZKBehavior behavior = db.getBehavior(module.c_str(), function.c_str(), init.c_str(),
                                       fini.c_str(), events, ZKBehavior::Dependencies());
  if (load) fs::current_path(here);
  if (!behavior.getCallbackFunc()) {
    if (!found.empty() || fs::exists(here / file)) {
      r.fail(path + ".function", "module '" + module + "' (" + file + ") has no function '" +
                                     function + "'");
    }
    std::string looked;
    for (const fs::path& dir : r.moduleDirs()) looked += dir.string() + ", ";
    r.fail(path + ".module", "cannot load module '" + module + "': no " + file + " in " +
                                 looked + here.string() + " or on the library path");
  }
  return behavior;
}

SbVec3f vec3(const Reader& r, const json& object, const std::string& path, const char* key,
             const SbVec3f& fallback);
SbRotation rotation(const Reader& r, const json& object, const std::string& path,
                    const char* key);

// The sensor a component carries: its kind and that kind's members.
ZKComponentSensor readSensor(const Reader& r, const json& c, const std::string& path,
                             const std::string& instance) {
  ZKComponentSensor sensor;
  if (!c.contains("sensor")) return sensor;
  const json& s = c["sensor"];
  const std::string at = path + ".sensor";
  if (!s.is_object()) r.fail(at, "expected an object");
  const std::string kind = r.text(s, at, "kind");
  static const std::pair<const char*, ZKComponentSensor::SensorType> kinds[] = {
      {"touch", ZKComponentSensor::touch_sensor},
      {"plane", ZKComponentSensor::plane_sensor},
      {"cylinder", ZKComponentSensor::cylinder_sensor},
      {"sphere", ZKComponentSensor::sphere_sensor},
      {"visibility", ZKComponentSensor::visibility_sensor}};
  for (const auto& [word, type] : kinds)
    if (kind == word) sensor.setType(type);
  if (sensor.getType() == ZKComponentSensor::no_sensor)
    r.fail(at + ".kind", "unknown sensor kind '" + kind + "' (touch, plane, cylinder, sphere, visibility)");
  sensor.setName((instance + "Sensor").c_str());
  sensor.setEnabled(r.flag(s, at, "enabled", true) ? 1 : 0);
  auto number = [&](const char* key, float fallback) {
    return s.contains(key) ? static_cast<float>(r.number(s[key], at + "." + key)) : fallback;
  };
  auto pair = [&](const char* key) {
    if (!s.contains(key)) return SbVec2f(0, 0);
    const std::vector<float> v = r.numbers(s[key], at + "." + key, 2);
    return SbVec2f(v[0], v[1]);
  };
  switch (sensor.getType()) {
    case ZKComponentSensor::cylinder_sensor:
      sensor.setDiskAngle(number("diskAngle", 0.262f));
      sensor.setMinAngle(number("minAngle", 0));
      sensor.setMaxAngle(number("maxAngle", -1));
      sensor.setOffset(number("offset", 0));
      sensor.setAutoOffset(r.flag(s, at, "autoOffset", true) ? 1 : 0);
      break;
    case ZKComponentSensor::plane_sensor:
      sensor.setMinPosition(pair("minPosition"));
      sensor.setMaxPosition(s.contains("maxPosition") ? pair("maxPosition") : SbVec2f(-1, -1));
      sensor.setOffset(vec3(r, s, at, "offset", SbVec3f(0, 0, 0)));
      sensor.setAutoOffset(r.flag(s, at, "autoOffset", true) ? 1 : 0);
      break;
    case ZKComponentSensor::sphere_sensor:
      sensor.setOffset(rotation(r, s, at, "offset"));
      sensor.setAutoOffset(r.flag(s, at, "autoOffset", true) ? 1 : 0);
      break;
    case ZKComponentSensor::visibility_sensor:
      sensor.setCenter(vec3(r, s, at, "center", SbVec3f(0, 0, 0)));
      sensor.setSize(vec3(r, s, at, "size", SbVec3f(0, 0, 0)));
      break;
    default:
      break;
  }
  return sensor;
}

// A component built from a model whose lights and cameras the world takes.
struct ModelItems {
  ZKComponent* component;
  const BuiltWorld::GeometryRead* read;
  bool lights;
  bool cameras;
};

void readComponent(const Reader& r, BuiltWorld& world, const json& c, const std::string& path,
                   std::set<std::string>& behaviorNames, std::vector<ModelItems>& fromModels) {
  if (!c.is_object()) r.fail(path, "expected an object");
  const std::string instance = r.text(c, path, "instance");
  const std::string type = r.text(c, path, "component");
  const std::string geometry = r.text(c, path, "geometry");
  if (world.db->getComponent(instance.c_str()))
    r.fail(path + ".instance", "duplicate component name '" + instance + "'");
  const fs::path source = r.resolve(geometry);
  // A model of another format is converted and carried as the .wrl it is
  // written as, its own name with ".wrl" after it.
  const bool imported = ZKGeometryImporter::canImport(geometry);
  const std::string carried = source.filename().string() + (imported ? ".wrl" : "");
  if (carried.find(".wrl") == std::string::npos && carried.find(".iv") == std::string::npos)
    r.fail(path + ".geometry", "'" + geometry +
                                   "' is neither a .wrl nor an .iv file nor a model "
                                   "(.gltf, .glb, .obj, .stl, .ply, .dae, .fbx)");
  auto known = world.geometrySources.find(carried);
  if (known != world.geometrySources.end() && known->second != source.string())
    r.fail(path + ".geometry", "another geometry file is already called '" + carried + "'");
  const bool active = r.flag(c, path, "active", true);
  const bool modelLights = r.flag(c, path, "modelLights", true);
  const bool modelViewpoints = r.flag(c, path, "modelViewpoints", true);
  const ZKComponentSensor sensor = readSensor(r, c, path, instance);
  const std::string why = r.unreadable(source);
  if (!why.empty()) r.fail(path + ".geometry", "cannot read '" + geometry + "': " + why);
  std::string fault;
  SoSeparator* graph = readGeometry(world, source, carried, fault);
  if (imported && !fault.empty()) r.fail(path + ".geometry", fault);
  if (!fault.empty()) r.fail(path + ".geometry", "cannot read '" + geometry + "': " + fault);
  if (!graph) r.fail(path + ".geometry", "cannot read '" + geometry + "'");
  world.geometrySources[carried] = source.string();

  // A model's copy keeps its images' addresses apart from the read graph's;
  // it is a VRML graph, which the component takes.
  auto* component =
      world.importedImages.count(carried)
          ? new ZKComponent(instance.c_str(), type.c_str(), carried.c_str(),
                            ZKGeometryImporter::copyScene(graph), world.db.get())
          : new ZKComponent(instance.c_str(), type.c_str(), carried.c_str(),
                            ZKComponent::SharedGeometry{graph}, world.db.get());
  component->ref();
  world.components.push_back(component);
  component->setComponentSensor(sensor);

  const std::string description = r.optionalText(c, path, "description");
  if (!description.empty()) {
    const fs::path file = r.resolve(description);
    const std::string unread = r.unreadable(file);
    if (!unread.empty())
      r.fail(path + ".description", "cannot read '" + description + "': " + unread);
    component->loadDescriptionFile(file.c_str());
    if (std::find(world.descriptionFiles.begin(), world.descriptionFiles.end(), file.string()) ==
        world.descriptionFiles.end())
      world.descriptionFiles.push_back(file.string());
  }

  SoTransform* t = component->getTransform();
  if (c.contains("translation")) {
    const std::vector<float> v = r.numbers(c["translation"], path + ".translation", 3);
    t->translation.setValue(v[0], v[1], v[2]);
  }
  if (c.contains("rotation")) {
    const std::vector<float> v = r.numbers(c["rotation"], path + ".rotation", 4);
    t->rotation.setValue(SbVec3f(v[0], v[1], v[2]), v[3]);
  }
  if (c.contains("scale")) {
    const std::vector<float> v = r.numbers(c["scale"], path + ".scale", 3);
    t->scaleFactor.setValue(v[0], v[1], v[2]);
  }
  // Made and placed before it enters the world, so that what changes in it
  // meanwhile is told to the component alone, not to the whole scene.
  world.db->addComponent(component, active ? 1 : 0, nullptr);
  component->objectIsDirty();
  component->partsAreDirty();
  if (imported && active && (modelLights || modelViewpoints))
    fromModels.push_back({component, &world.geometryRead.at(source.string()), modelLights,
                          modelViewpoints});

  const json& attributes = r.list(c, path, "attributes");
  for (size_t i = 0; i < attributes.size(); ++i) {
    const std::string at = path + ".attributes[" + std::to_string(i) + "]";
    const std::string name = r.text(attributes[i], at, "name");
    if (component->isValidAttribute(name.c_str()))
      r.fail(at + ".name", "duplicate attribute name '" + name + "'");
    const bool hidden = r.flag(attributes[i], at, "hidden", false);
    ZKAttribute* a = makeAttribute(r, attributes[i], at);
    a->setName(name.c_str());
    a->setIsHidden(hidden ? 1 : 0);
    component->addAttribute(name.c_str(), a);
    ++world.attributes;
  }

  const json& behaviors = r.list(c, path, "behaviors");
  std::vector<std::string> startup;
  for (size_t i = 0; i < behaviors.size(); ++i) {
    const std::string at = path + ".behaviors[" + std::to_string(i) + "]";
    const std::string name = r.text(behaviors[i], at, "name");
    if (component->isValidBehavior(name.c_str()))
      r.fail(at + ".name", "duplicate behaviour name '" + name + "'");
    ZKBehavior behavior = requestBehavior(r, *world.db, behaviors[i], at);
    component->addBehavior(name.c_str(), behavior);
    if (behaviorNames.insert(behavior.getName().str()).second) world.behaviors.push_back(behavior);
    if (r.flag(behaviors[i], at, "startup", false)) startup.push_back(name);
  }

  const json& rules = r.list(c, path, "rules");
  for (size_t i = 0; i < rules.size(); ++i) {
    const std::string at = path + ".rules[" + std::to_string(i) + "]";
    const std::string source = r.text(rules[i], at, "source");
    const std::string target = r.text(rules[i], at, "target");
    for (const auto& [key, name] : {std::pair{"source", source}, std::pair{"target", target}}) {
      if (!component->isValidBehavior(name.c_str()))
        r.fail(at + "." + key, "no behaviour '" + name + "' on component '" + instance + "'");
    }
    component->addRule(source.c_str(), target.c_str(),
                       ruleType(r, r.text(rules[i], at, "type"), at + ".type"));
  }

  for (const std::string& name : startup) world.db->activateBehavior(component, name.c_str(), 1);
  world.parts += component->getNumParts();
}

SbVec3f vec3(const Reader& r, const json& object, const std::string& path, const char* key,
             const SbVec3f& fallback) {
  if (!object.contains(key)) return fallback;
  const std::vector<float> v = r.numbers(object[key], path + "." + key, 3);
  return SbVec3f(v[0], v[1], v[2]);
}

SbRotation rotation(const Reader& r, const json& object, const std::string& path,
                    const char* key) {
  if (!object.contains(key)) return SbRotation::identity();
  const std::vector<float> v = r.numbers(object[key], path + "." + key, 4);
  return SbRotation(SbVec3f(v[0], v[1], v[2]), v[3]);
}

float scalar(const Reader& r, const json& object, const std::string& path, const char* key,
             float fallback) {
  auto it = object.find(key);
  return it == object.end() ? fallback : static_cast<float>(r.number(*it, path + "." + key));
}

// A world light for a light of a model, at `location` facing `direction`.
SoLight* makeLight(const ImportLight& from, const SbVec3f& location, const SbVec3f& direction) {
  SoLight* light = nullptr;
  if (from.kind == ImportLight::directional) {
    auto* directional = new SoDirectionalLight;
    directional->direction = direction;
    light = directional;
  } else if (from.kind == ImportLight::spot) {
    auto* spot = new SoSpotLight;
    spot->location = location;
    spot->direction = direction;
    spot->cutOffAngle = from.cutOffAngle;
    spot->dropOffRate =
        from.cutOffAngle > 0 ? std::clamp(1 - from.beamWidth / from.cutOffAngle, 0.0f, 1.0f) : 0.0f;
    light = spot;
  } else {
    auto* point = new SoPointLight;
    point->location = location;
    light = point;
  }
  light->color = from.color;
  light->intensity = std::clamp(from.intensity, 0.0f, 1.0f);
  return light;
}

void readLights(const Reader& r, BuiltWorld& world, const json& lights) {
  for (size_t i = 0; i < lights.size(); ++i) {
    const std::string at = "lights[" + std::to_string(i) + "]";
    const json& l = lights[i];
    const std::string name = r.text(l, at, "name");
    if (world.db->getLight(name.c_str()))
      r.fail(at + ".name", "duplicate light name '" + name + "'");
    const std::string kind = r.text(l, at, "kind");
    const SbVec3f location = vec3(r, l, at, "location", SbVec3f(0, 0, 1));
    const SbVec3f direction = vec3(r, l, at, "direction", SbVec3f(0, 0, -1));
    // Every member is read before the light is made, so a fault leaves none.
    const SbVec3f color = vec3(r, l, at, "color", SbVec3f(1, 1, 1));
    const float intensity = scalar(r, l, at, "intensity", 1.0f);
    const bool on = r.flag(l, at, "on", true);
    SoLight* light = nullptr;
    if (kind == "point") {
      auto* point = new SoPointLight;
      point->location = location;
      light = point;
    } else if (kind == "directional") {
      auto* directional = new SoDirectionalLight;
      directional->direction = direction;
      light = directional;
    } else if (kind == "spot") {
      auto* spot = new SoSpotLight;
      spot->location = location;
      spot->direction = direction;
      light = spot;
    } else {
      r.fail(at + ".kind", "unknown light kind '" + kind + "' (point, directional, spot)");
    }
    light->color = color;
    light->intensity = intensity;
    light->on = on ? TRUE : FALSE;
    world.db->addLight(name.c_str(), light);
    world.lights.push_back(ZKComponentDB::normalizeLightName(name.c_str()).str());
    if (l.contains("attach")) {
      const json& a = l["attach"];
      const std::string component = r.text(a, at + ".attach", "component");
      const std::string part = r.text(a, at + ".attach", "part");
      ZKComponent* c = world.db->getComponent(component.c_str());
      if (!c) r.fail(at + ".attach.component", "no component '" + component + "'");
      ZKPart* target = c->getLogicalPart(part.c_str());
      if (!target)
        r.fail(at + ".attach.part", "component '" + component + "' has no part '" + part + "'");
      world.db->attachLight(name.c_str(), component.c_str(), part.c_str());
      // Attaching moves nothing: a touch of the part puts the light in place.
      static_cast<SoNode*>(target)->touch();
    }
  }
}

void readViews(const Reader& r, BuiltWorld& world, const json& description) {
  const json& viewpoints = r.list(description, "", "viewpoints");
  for (size_t i = 0; i < viewpoints.size(); ++i) {
    const std::string at = "viewpoints[" + std::to_string(i) + "]";
    const json& v = viewpoints[i];
    // Held here until the world takes it, so a fault in its members frees it.
    auto viewpoint = std::make_unique<ZKViewpoint>();
    const std::string name = r.text(v, at, "name");
    viewpoint->setName(name.c_str());
    viewpoint->setDescription(r.optionalText(v, at, "description").c_str());
    viewpoint->setPosition(vec3(r, v, at, "position", SbVec3f(0, 0, 10)));
    viewpoint->setOrientation(rotation(r, v, at, "orientation"));
    viewpoint->setFieldOfView(scalar(r, v, at, "fieldOfView", 0.785398f));
    viewpoint->setJump(r.flag(v, at, "jump", true) ? 1 : 0);
    if (!world.db->addViewpoint(viewpoint.get()))
      r.fail(at + ".name", "duplicate viewpoint name '" + name + "'");
    viewpoint.release();
  }
  const json& sensors = r.list(description, "", "proximitySensors");
  for (size_t i = 0; i < sensors.size(); ++i) {
    const std::string at = "proximitySensors[" + std::to_string(i) + "]";
    const json& p = sensors[i];
    auto sensor = std::make_unique<ZKProximitySensor>();
    const std::string name = r.text(p, at, "name");
    sensor->setName(name.c_str());
    sensor->setCenter(vec3(r, p, at, "center", SbVec3f(0, 0, 0)));
    sensor->setSize(vec3(r, p, at, "size", SbVec3f(0, 0, 0)));
    sensor->setEnabled(r.flag(p, at, "enabled", true) ? 1 : 0);
    if (!world.db->addProximitySensor(sensor.get()))
      r.fail(at + ".name", "duplicate proximity sensor name '" + name + "'");
    sensor.release();
  }
  const json& paths = r.list(description, "", "paths");
  for (size_t i = 0; i < paths.size(); ++i) {
    const std::string at = "paths[" + std::to_string(i) + "]";
    const std::string name = r.text(paths[i], at, "name");
    ZKNavigationPath held;
    if (world.db->getNavigationPath(name.c_str(), held))
      r.fail(at + ".name", "duplicate path name '" + name + "'");
    ZKNavigationPath path(name.c_str());
    const json& positions = r.list(paths[i], at, "positions");
    for (size_t k = 0; k < positions.size(); ++k) {
      const std::string pat = at + ".positions[" + std::to_string(k) + "]";
      ZKPosition position;
      position.setPoint(vec3(r, positions[k], pat, "point", SbVec3f(0, 0, 0)));
      position.setOrientation(rotation(r, positions[k], pat, "orientation"));
      path.appendPosition(position);
    }
    world.db->addNavigationPath(path);
    world.paths.push_back(name);
  }
}

// `base`, or `base` with the first "_N" after it that no name in `taken`
// has, ignoring case; the name chosen is then taken.
std::string freeName(std::set<std::string>& taken, const std::string& base) {
  std::string name = base;
  for (int n = 2; taken.count(lowered(name)); ++n) name = base + "_" + std::to_string(n);
  taken.insert(lowered(name));
  return name;
}

// Every name the description gives an object a route or the written
// world may name, in lower case.
std::set<std::string> namesInUse(const BuiltWorld& world, const json& description) {
  std::set<std::string> names;
  for (ZKComponent* c : world.components) {
    names.insert(lowered(c->getName().getString()));
    names.insert(lowered(std::string(c->getName().getString()) + "Sensor"));
  }
  for (const std::string& light : world.lights) names.insert(lowered(light));
  for (int i = 0; i < world.db->getNumViewpoints(); ++i)
    names.insert(lowered(world.db->getViewpointAt(unsigned(i))->getName().str()));
  for (int i = 0; i < world.db->getNumProximitySensors(); ++i)
    names.insert(lowered(world.db->getProximitySensorAt(unsigned(i))->getName()));
  for (const std::string& path : world.paths) names.insert(lowered(path));
  auto routes = description.find("routes");
  if (routes != description.end() && routes->is_array())
    for (const json& route : *routes)
      if (route.is_object() && route.contains("name") && route["name"].is_string())
        names.insert(lowered(route["name"].get<std::string>()));
  return names;
}

// The lights and cameras of the models become world lights and viewpoints
// named instance_node. A light is attached to the part its node became; a
// viewpoint stands where the camera is in the world.
void addModelItems(BuiltWorld& world, const json& description,
                   const std::vector<ModelItems>& fromModels) {
  std::set<std::string> taken = namesInUse(world, description);
  for (const ModelItems& items : fromModels) {
    ZKComponent* c = items.component;
    const std::string instance = c->getName().getString();
    SoTransform* t = c->getTransform();
    SbMatrix place;
    place.setTransform(t->translation.getValue(), t->rotation.getValue(), t->scaleFactor.getValue(),
                       t->scaleOrientation.getValue(), t->center.getValue());
    for (const ZKGeometryImporter::Light& from : items.read->lights) {
      if (!items.lights) break;
      const std::string name = freeName(taken, instance + "_" + from.name);
      ZKPart* part = c->getLogicalPart(from.name.c_str());
      SbVec3f location(0, 0, 0), direction = from.light.direction;
      if (!part) {
        place.multVecMatrix(from.location, location);
        place.multDirMatrix(from.direction, direction);
      }
      world.db->addLight(name.c_str(), makeLight(from.light, location, direction));
      world.lights.push_back(ZKComponentDB::normalizeLightName(name.c_str()).str());
      if (!part) continue;
      world.db->attachLight(name.c_str(), instance.c_str(), from.name.c_str());
      static_cast<SoNode*>(part)->touch();
    }
    if (!items.cameras) continue;
    for (const ZKGeometryImporter::Camera& camera : items.read->cameras) {
      auto viewpoint = std::make_unique<ZKViewpoint>();
      viewpoint->setName(freeName(taken, instance + "_" + camera.name).c_str());
      viewpoint->setDescription(camera.name.c_str());
      SbVec3f position;
      place.multVecMatrix(camera.position, position);
      viewpoint->setPosition(position);
      viewpoint->setOrientation(camera.orientation * t->rotation.getValue());
      viewpoint->setFieldOfView(camera.fieldOfView);
      viewpoint->setJump(1);
      if (world.db->addViewpoint(viewpoint.get())) viewpoint.release();
    }
  }
}

void readRoutes(const Reader& r, BuiltWorld& world, const json& routes) {
  for (size_t i = 0; i < routes.size(); ++i) {
    const std::string at = "routes[" + std::to_string(i) + "]";
    const json& route = routes[i];
    const std::string name = r.text(route, at, "name");
    std::string ends[2][2];
    const char* sides[2] = {"from", "to"};
    for (int e = 0; e < 2; ++e) {
      const json& end = r.member(route, at, sides[e]);
      const std::string eat = at + "." + sides[e];
      ends[e][0] = r.text(end, eat, "name");
      ends[e][1] = r.text(end, eat, "event");
    }
    if (world.db->getRoute(name.c_str())) r.fail(at + ".name", "duplicate route name '" + name + "'");
    if (!world.db->addRoute(name.c_str(), ends[0][0].c_str(), ends[0][1].c_str(),
                            ends[1][0].c_str(), ends[1][1].c_str()))
      r.fail(at, "names or events longer than 51 characters");
    const ZKRoute* made = world.db->getRoute(name.c_str());
    const ZKRoute::RoutePoint* points[2] = {&made->getSourcePoint(), &made->getTargetPoint()};
    for (int e = 0; e < 2; ++e) {
      if (points[e]->pointType == ZKRoute::unresolved_point)
        r.fail(at + "." + sides[e] + ".name",
               "no component, light or proximity sensor '" + ends[e][0] + "'");
    }
    ++world.routes;
  }
}

}  // namespace

BuiltWorld readWorld(const std::string& file, const std::vector<std::string>& moduleDirs,
                     const std::function<void(int, int)>& progress) {
  const std::string why = unreadable(file);
  if (!why.empty()) throw InputError(file, "", "cannot read the world description: " + why);
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  if (!in) throw InputError(file, "", "cannot read the file");
  std::string text(static_cast<size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
  in.seekg(0);
  if (!in.read(text.data(), static_cast<std::streamsize>(text.size())))
    throw InputError(file, "", "cannot read the file");
  return readWorldText(file, text, moduleDirs, progress);
}

BuiltWorld readWorldText(const std::string& file, const std::string& text,
                         const std::vector<std::string>& moduleDirs,
                         const std::function<void(int, int)>& progress) {
  json description = parseText(file, text);
  checkNames(file, description);
  std::vector<fs::path> dirs;
  for (const std::string& dir : moduleDirs) dirs.push_back(fs::absolute(dir));
  const Reader r(file, fs::absolute(file).parent_path(), dirs);
  if (!description.is_object()) r.fail("", "expected a JSON object at the top");

  // Nobody edits the input files while one world is built from them, so
  // each description and contents file is looked up and read once.
  const ZKStableFiles stable;
  BuiltWorld world;
  world.db = std::make_unique<ZKComponentDB>();
  world.db->setWorldName(r.optionalText(description, "", "name").c_str());
  world.db->setWorldVersion(r.optionalText(description, "", "version").c_str());

  std::set<std::string> behaviorNames;
  std::vector<ModelItems> fromModels;
  // Each component's description is dropped once it is built, so the
  // parsed text and the world are not held in full side by side.
  json none = json::array();
  json& components =
      r.list(description, "", "components").empty() ? none : description["components"];
  const int total = static_cast<int>(components.size());
  progress(0, total);
  for (size_t i = 0; i < components.size(); ++i) {
    readComponent(r, world, components[i], "components[" + std::to_string(i) + "]",
                  behaviorNames, fromModels);
    components[i] = nullptr;
    progress(static_cast<int>(i + 1), total);
  }

  readLights(r, world, r.list(description, "", "lights"));
  readViews(r, world, description);
  addModelItems(world, description, fromModels);
  readRoutes(r, world, r.list(description, "", "routes"));

  const json& databases = r.list(description, "", "externalDatabases");
  for (size_t i = 0; i < databases.size(); ++i) {
    const std::string at = "externalDatabases[" + std::to_string(i) + "]";
    world.db->addExternalDatabase(r.text(databases[i], at, "name").c_str(),
                                  r.text(databases[i], at, "path").c_str());
  }
  return world;
}
