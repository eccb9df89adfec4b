#include <zkcp/x3d/ZKX3DWriter.h>

#include <zkcp/attribute/ZKAttribute.h>
#include <zkcp/attribute/ZKLinearAttributes.h>
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/attribute/ZKStringAttributes.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/component/ZKComponentSensor.h>
#include <zkcp/live/LiveValues.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKDatabaseIterators.h>
#include <zkcp/world/ZKLightIterator.h>
#include <zkcp/world/ZKProximitySensor.h>
#include <zkcp/world/ZKViewpoint.h>
#include <zkcp/x3d/X3DGeometryWriter.h>
#include <zkcp/x3d/X3DIdTable.h>
#include <zkcp/x3d/X3DValues.h>

#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodekits/SoSeparatorKit.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSpotLight.h>
#include <Inventor/nodes/SoTransform.h>

#include <pugixml.hpp>

#include <map>
#include <ostream>
#include <sstream>
#include <unordered_map>

using x3d::number;
using x3d::rotation;
using x3d::vec;

namespace {

void set(pugi::xml_node n, const char* field, const std::string& value) {
  n.append_attribute(field) = value.c_str();
}

// The X3D field a route end names, without "set_" and "_changed".
std::string fieldOf(const std::string& event) {
  std::string f = event;
  if (f.compare(0, 4, "set_") == 0) f = f.substr(4);
  const std::string changed = "_changed";
  if (f.size() > changed.size() && f.compare(f.size() - changed.size(), changed.size(), changed) == 0)
    f.resize(f.size() - changed.size());
  return f;
}

// The X3D type of a field of the nodes that routes reach; empty when the
// node has no such field.
std::string fieldType(ZKRoute::RoutePointType point, const std::string& field) {
  static const std::map<std::string, std::string> transform = {
      {"translation", "SFVec3f"}, {"scale", "SFVec3f"},    {"center", "SFVec3f"},
      {"rotation", "SFRotation"}, {"scaleOrientation", "SFRotation"}};
  static const std::map<std::string, std::string> sensor = {
      {"isActive", "SFBool"},     {"enabled", "SFBool"},         {"enterTime", "SFTime"},
      {"exitTime", "SFTime"},     {"position", "SFVec3f"},       {"center", "SFVec3f"},
      {"size", "SFVec3f"},        {"orientation", "SFRotation"}, {"centerOfRotation", "SFVec3f"}};
  static const std::map<std::string, std::string> light = {
      {"on", "SFBool"},          {"intensity", "SFFloat"},   {"color", "SFColor"},
      {"location", "SFVec3f"},   {"direction", "SFVec3f"},   {"ambientIntensity", "SFFloat"}};
  const auto* table = point == ZKRoute::component_point          ? &transform
                      : point == ZKRoute::proximity_sensor_point ? &sensor
                      : point == ZKRoute::light_point            ? &light
                                                                 : nullptr;
  if (!table) return "";
  auto found = table->find(field);
  return found == table->end() ? "" : found->second;
}

// The X3D node of a component's sensor and the type of each of its fields
// that routes reach; null for a component without one.
const std::map<std::string, std::string>* sensorFields(ZKComponentSensor::SensorType type,
                                                       const char** node) {
  static const std::map<std::string, std::string> touch = {
      {"enabled", "SFBool"},     {"isActive", "SFBool"},           {"isOver", "SFBool"},
      {"touchTime", "SFTime"},   {"hitPoint_changed", "SFVec3f"}};
  static const std::map<std::string, std::string> plane = {
      {"enabled", "SFBool"},               {"isActive", "SFBool"},
      {"translation_changed", "SFVec3f"}, {"trackPoint_changed", "SFVec3f"}};
  static const std::map<std::string, std::string> turning = {
      {"enabled", "SFBool"},                {"isActive", "SFBool"},
      {"rotation_changed", "SFRotation"},  {"trackPoint_changed", "SFVec3f"}};
  static const std::map<std::string, std::string> visibility = {
      {"enabled", "SFBool"}, {"isActive", "SFBool"}, {"enterTime", "SFTime"}, {"exitTime", "SFTime"}};
  switch (type) {
    case ZKComponentSensor::touch_sensor: *node = "TouchSensor"; return &touch;
    case ZKComponentSensor::plane_sensor: *node = "PlaneSensor"; return &plane;
    case ZKComponentSensor::cylinder_sensor: *node = "CylinderSensor"; return &turning;
    case ZKComponentSensor::sphere_sensor: *node = "SphereSensor"; return &turning;
    case ZKComponentSensor::visibility_sensor: *node = "VisibilitySensor"; return &visibility;
    default: return nullptr;
  }
}

}  // namespace

struct ZKX3DWriter::Impl {
  Impl(ZKComponentDB* world, std::ostream& messages)
      : world(world), messages(messages), ids(messages),
        geometry(messages, [this](const std::string& base) { return ids.reserve(base); }) {}

  void build();
  void writeHead();
  void writeComponent(ZKComponent* c);
  void writePart(ZKComponent* c, ZKPart* part, pugi::xml_node& parent);
  void writeChildren(ZKPart* part, pugi::xml_node x, const X3DGeometryWriter::PartWriter& parts);
  void writeAttributes(ZKComponent* c, pugi::xml_node transform);
  void writeSensor(ZKComponent* c, pugi::xml_node transform);
  void writeLights();
  void writeViews();
  void writePath(const ZKNavigationPath& path);
  void writeRoute(const ZKRoute& route);
  std::string routeEnd(const ZKRoute::RoutePoint& end, bool source, std::string& node,
                       std::string& field);
  std::string sensorEnd(const ZKRoute::RoutePoint& end, bool source, std::string& node,
                        std::string& field);
  std::string endType(const ZKRoute::RoutePoint& end) const;
  pugi::xml_node append(pugi::xml_node parent, const char* type);
  void route(const std::string& from, const std::string& fromField, const std::string& to,
             const std::string& toField);

  ZKComponentDB* world;
  std::ostream& messages;
  X3DIdTable ids;
  X3DGeometryWriter geometry;
  pugi::xml_document doc;
  pugi::xml_node scene;
  pugi::xml_node firstRoute;  // nodes are added before it
  std::unordered_map<std::string, pugi::xml_node> byId;
  std::unordered_map<const ZKPart*, std::string> partIds;
  std::unordered_map<const void*, std::string> pointIds;  // route points written
  std::vector<Texture> textures;
};

pugi::xml_node ZKX3DWriter::Impl::append(pugi::xml_node parent, const char* type) {
  if (parent == scene && firstRoute) return scene.insert_child_before(type, firstRoute);
  return parent.append_child(type);
}

void ZKX3DWriter::Impl::route(const std::string& from, const std::string& fromField,
                              const std::string& to, const std::string& toField) {
  pugi::xml_node r = scene.append_child("ROUTE");
  set(r, "fromNode", from);
  set(r, "fromField", fromField);
  set(r, "toNode", to);
  set(r, "toField", toField);
  if (!firstRoute) firstRoute = r;
}

void ZKX3DWriter::Impl::build() {
  doc.append_child(pugi::node_declaration).append_attribute("version") = "1.0";
  doc.first_child().append_attribute("encoding") = "UTF-8";
  pugi::xml_node root = doc.append_child("X3D");
  set(root, "profile", "Immersive");
  set(root, "version", "4.0");
  writeHead();
  scene = root.append_child("Scene");
  const std::string name = world->getWorldName().str();
  pugi::xml_node info = scene.append_child("WorldInfo");
  set(info, "title", name);
  set(info, "info", x3d::strings({"version " + world->getWorldVersion().str()}));
  pugi::xml_node navigation = scene.append_child("NavigationInfo");
  set(navigation, "type", x3d::strings({"EXAMINE", "ANY"}));
  set(navigation, "headlight", world->getNumLights() > 0 ? "false" : "true");
  set(scene.append_child("Background"), "skyColor", vec(world->getBackgroundColor()));
  auto* list = static_cast<SoNodeKitListPart*>(world->getComponentRoot()->getPart("childList", FALSE));
  // Components keep their names before anything else is named.
  for (int i = 0; list && i < list->getNumChildren(); ++i)
    ids.idFor("component", list->getChild(i)->getName().getString());
  // Viewpoints first: the first one is bound at start-up.
  writeViews();
  for (int i = 0; list && i < list->getNumChildren(); ++i)
    if (list->getChild(i)->isOfType(ZKComponent::getClassTypeId()))
      writeComponent(static_cast<ZKComponent*>(list->getChild(i)));
  writeLights();
  for (int i = 0; i < world->getNumRoutes(); ++i) writeRoute(*world->getRouteAt(static_cast<unsigned>(i)));
}

void ZKX3DWriter::Impl::writeHead() {
  pugi::xml_node head = doc.child("X3D").append_child("head");
  auto meta = [&head](const char* name, const std::string& content) {
    pugi::xml_node m = head.append_child("meta");
    set(m, "name", name);
    set(m, "content", content);
  };
  meta("generator", "zkcp");
  meta("title", world->getWorldName().str());
  meta("version", world->getWorldVersion().str());
}

void ZKX3DWriter::Impl::writeComponent(ZKComponent* c) {
  const std::string id = ids.idFor("component", c->getName().getString());
  pugi::xml_node x = append(scene, "Transform");
  set(x, "DEF", id);
  byId[id] = x;
  pointIds[c] = id;
  SoTransform* t = c->getTransform();
  set(x, "translation", vec(t->translation.getValue()));
  set(x, "rotation", rotation(t->rotation.getValue()));
  set(x, "scale", vec(t->scaleFactor.getValue()));
  set(x, "scaleOrientation", rotation(t->scaleOrientation.getValue()));
  set(x, "center", vec(t->center.getValue()));
  writeAttributes(c, x);
  geometry.beginComponent(c->getComponentName(), c->getGeometryFile().str());
  const size_t texturesBefore = geometry.textures().size();
  auto parts = [this, c](ZKPart* part, pugi::xml_node& parent) { writePart(c, part, parent); };
  writeChildren(c, x, parts);
  writeSensor(c, x);
  for (size_t i = texturesBefore; i < geometry.textures().size(); ++i)
    textures.push_back({geometry.textures()[i].read, geometry.textures()[i].written, c->getName().getString()});
}

// A part's geometry, then the parts that its description file hangs under it.
void ZKX3DWriter::Impl::writeChildren(ZKPart* part, pugi::xml_node x,
                                      const X3DGeometryWriter::PartWriter& parts) {
  geometry.writeChildren(part->getPart("contents", FALSE), x, parts);
  auto* list = static_cast<SoNodeKitListPart*>(part->getPart("childList", FALSE));
  for (int i = 0; list && i < list->getNumChildren(); ++i) {
    pugi::xml_node under = x;
    geometry.write(list->getChild(i), under, parts);
  }
}

void ZKX3DWriter::Impl::writePart(ZKComponent* c, ZKPart* part, pugi::xml_node& parent) {
  const RWCString* logical = c->getLogicalPartName(part);
  const std::string name = logical ? logical->str() : std::string(part->getName().getString());
  const std::string id =
      ids.idFor("part", std::string(c->getName().getString()) + "_" + name);
  pugi::xml_node x = parent.append_child("Transform");
  set(x, "DEF", id);
  byId[id] = x;
  partIds[part] = id;
  if (auto* t = static_cast<SoTransform*>(part->getPart("transform", FALSE))) {
    set(x, "translation", vec(t->translation.getValue()));
    set(x, "rotation", rotation(t->rotation.getValue()));
    set(x, "scale", vec(t->scaleFactor.getValue()));
    set(x, "scaleOrientation", rotation(t->scaleOrientation.getValue()));
    set(x, "center", vec(t->center.getValue()));
  }
  writeChildren(part, x, [this, c](ZKPart* sub, pugi::xml_node& under) { writePart(c, sub, under); });
}

// The component's sensor beside its geometry, DEF'd with the sensor's name.
void ZKX3DWriter::Impl::writeSensor(ZKComponent* c, pugi::xml_node transform) {
  const ZKComponentSensor& s = c->getComponentSensor();
  const char* type = nullptr;
  if (!sensorFields(s.getType(), &type)) return;
  pugi::xml_node x = transform.append_child(type);
  const std::string id = ids.idFor("component sensor", live::sensorName(c));
  set(x, "DEF", id);
  byId[id] = x;
  pointIds[&s] = id;
  set(x, "enabled", s.getEnabled() ? "true" : "false");
  switch (s.getType()) {
    case ZKComponentSensor::cylinder_sensor:
      set(x, "autoOffset", s.getAutoOffset() ? "true" : "false");
      set(x, "diskAngle", number(s.getDiskAngle()));
      set(x, "minAngle", number(s.getMinAngle()));
      set(x, "maxAngle", number(s.getMaxAngle()));
      set(x, "offset", number(s.getOffset()));
      break;
    case ZKComponentSensor::plane_sensor: {
      set(x, "autoOffset", s.getAutoOffset() ? "true" : "false");
      const SbVec2f lo = s.getMinPosition(), hi = s.getMaxPosition();
      set(x, "minPosition", number(lo[0]) + " " + number(lo[1]));
      set(x, "maxPosition", number(hi[0]) + " " + number(hi[1]));
      set(x, "offset", vec(s.getVecOffset()));
      break;
    }
    case ZKComponentSensor::sphere_sensor:
      set(x, "autoOffset", s.getAutoOffset() ? "true" : "false");
      set(x, "offset", rotation(s.getRotOffset()));
      break;
    case ZKComponentSensor::visibility_sensor:
      set(x, "center", vec(s.getCenter()));
      set(x, "size", vec(s.getSize()));
      break;
    default:
      break;
  }
}

void ZKX3DWriter::Impl::writeAttributes(ZKComponent* c, pugi::xml_node transform) {
  RWTValSortedVector<RWCString> names;
  c->getAttributeNames(names);
  pugi::xml_node set_;
  for (const RWCString& name : names) {
    ZKAttribute* a = c->getAttribute(name);
    if (!a || a->isHidden() || name.isNull()) continue;
    const SoType type = a->getTypeId();
    const char* kind = nullptr;
    std::string value;
    if (type == ZKBoolAttribute::getClassTypeId()) {
      kind = "MetadataBoolean";
      value = static_cast<ZKBoolAttribute*>(a)->getValue() ? "true" : "false";
    } else if (type == ZKFloatAttribute::getClassTypeId()) {
      kind = "MetadataFloat";
      value = number(static_cast<ZKFloatAttribute*>(a)->getValue());
    } else if (type == ZKTimeAttribute::getClassTypeId()) {
      kind = "MetadataDouble";
      value = number(static_cast<ZKTimeAttribute*>(a)->getValue().getValue());
    } else if (type == ZKVec3fAttribute::getClassTypeId()) {
      kind = "MetadataFloat";
      value = vec(static_cast<ZKVec3fAttribute*>(a)->getValue());
    } else if (type == ZKColorAttribute::getClassTypeId()) {
      kind = "MetadataFloat";
      value = vec(static_cast<ZKColorAttribute*>(a)->getValue());
    } else if (type == ZKRotationAttribute::getClassTypeId()) {
      kind = "MetadataFloat";
      value = rotation(static_cast<ZKRotationAttribute*>(a)->getValue());
    } else if (type == ZKStringAttribute::getClassTypeId()) {
      kind = "MetadataString";
      value = x3d::strings({static_cast<ZKStringAttribute*>(a)->getValue().str()});
    } else if (type == ZKMFStringAttribute::getClassTypeId()) {
      kind = "MetadataString";
      const SoMFString& list = static_cast<ZKMFStringAttribute*>(a)->getValue();
      std::vector<std::string> values;
      for (int i = 0; i < list.getNum(); ++i) values.emplace_back(list[i].getString());
      value = x3d::strings(values);
    } else {
      continue;  // pointers mean nothing outside the process
    }
    if (!set_) {
      set_ = transform.append_child("MetadataSet");
      set(set_, "containerField", "metadata");
      set(set_, "name", "attributes");
    }
    pugi::xml_node m = set_.append_child(kind);
    set(m, "containerField", "value");
    set(m, "name", name.str());
    set(m, "value", value);
  }
}

void ZKX3DWriter::Impl::writeLights() {
  ZKLightIterator it(world, ZKLightIterator::all_lights);
  while (it++) {
    SoLight* light = it.getValue();
    const std::string name = it.getName()->str();
    ZKComponentDB::ComponentPartDescriptor where;
    SbVec3f localDirection;
    pugi::xml_node parent = scene;
    bool attached = false;
    if (world->getLightAttachment(name.c_str(), where, localDirection)) {
      ZKComponent* c = world->getActiveComponent(where.getComponentName());
      ZKPart* part = c ? c->getLogicalPart(where.getPartName()) : nullptr;
      auto found = part ? partIds.find(part) : partIds.end();
      if (found != partIds.end()) {
        parent = byId[found->second];
        attached = true;
      }
    }
    const char* type = light->isOfType(SoSpotLight::getClassTypeId())          ? "SpotLight"
                       : light->isOfType(SoPointLight::getClassTypeId())       ? "PointLight"
                       : light->isOfType(SoDirectionalLight::getClassTypeId()) ? "DirectionalLight"
                                                                               : nullptr;
    if (!type) continue;
    pugi::xml_node x = append(parent, type);
    const std::string id = ids.idFor("light", name);
    set(x, "DEF", id);
    byId[id] = x;
    pointIds[light] = id;
    set(x, "global", "true");
    set(x, "on", light->on.getValue() ? "true" : "false");
    set(x, "intensity", number(light->intensity.getValue()));
    set(x, "color", vec(light->color.getValue()));
    // An attached light stands at its part's origin and turns with it.
    if (light->isOfType(SoSpotLight::getClassTypeId())) {
      auto* spot = static_cast<SoSpotLight*>(light);
      set(x, "location", attached ? "0 0 0" : vec(spot->location.getValue()));
      set(x, "direction", vec(attached ? localDirection : spot->direction.getValue()));
      set(x, "cutOffAngle", number(spot->cutOffAngle.getValue()));
    } else if (light->isOfType(SoPointLight::getClassTypeId())) {
      set(x, "location", attached ? "0 0 0" : vec(static_cast<SoPointLight*>(light)->location.getValue()));
    } else {
      set(x, "direction", vec(attached ? localDirection
                                       : static_cast<SoDirectionalLight*>(light)->direction.getValue()));
    }
  }
}

void ZKX3DWriter::Impl::writeViews() {
  for (int i = 0; i < world->getNumViewpoints(); ++i) {
    ZKViewpoint* v = world->getViewpointAt(static_cast<unsigned>(i));
    pugi::xml_node x = append(scene, "Viewpoint");
    const std::string id = ids.idFor("viewpoint", v->getName().str());
    set(x, "DEF", id);
    byId[id] = x;
    set(x, "description", v->getDescription());
    set(x, "position", vec(v->getPosition()));
    set(x, "orientation", rotation(v->getOrientation()));
    set(x, "fieldOfView", number(v->getFieldOfView()));
    set(x, "jump", v->getJump() ? "true" : "false");
  }
  for (int i = 0; i < world->getNumProximitySensors(); ++i) {
    ZKProximitySensor* s = world->getProximitySensorAt(static_cast<unsigned>(i));
    pugi::xml_node x = append(scene, "ProximitySensor");
    const std::string id = ids.idFor("proximity sensor", s->getName());
    set(x, "DEF", id);
    byId[id] = x;
    pointIds[s] = id;
    set(x, "center", vec(s->getCenter()));
    set(x, "size", vec(s->getSize()));
    set(x, "enabled", s->getEnabled() ? "true" : "false");
  }
  ZKNavigationPathIterator paths(world);
  while (paths++) writePath(paths.getNavigationPath());
}

// A tour: a viewpoint that, while bound, goes round the path's positions
// and back to the first, five seconds from one to the next.
void ZKX3DWriter::Impl::writePath(const ZKNavigationPath& path) {
  const unsigned n = path.numPositions();
  if (n == 0) return;
  const std::string id = ids.idFor("navigation path", path.getName().str());
  pugi::xml_node v = append(scene, "Viewpoint");
  set(v, "DEF", id);
  byId[id] = v;
  set(v, "description", path.getName().str());
  set(v, "position", vec(path[0].getPoint()));
  set(v, "orientation", rotation(path[0].getOrientation()));
  std::string keys, points, turns;
  for (unsigned i = 0; i <= n; ++i) {
    const ZKPosition& p = path[i % n];
    if (i) {
      keys += ' ';
      points += ", ";
      turns += ", ";
    }
    keys += number(static_cast<double>(i) / n);
    points += vec(p.getPoint());
    turns += rotation(p.getOrientation());
  }
  const std::string clock = ids.reserve(id + "_clock");
  pugi::xml_node t = append(scene, "TimeSensor");
  set(t, "DEF", clock);
  set(t, "enabled", "false");
  set(t, "loop", "true");
  set(t, "cycleInterval", number(5.0 * n));
  const std::string moves = ids.reserve(id + "_points");
  pugi::xml_node pi = append(scene, "PositionInterpolator");
  set(pi, "DEF", moves);
  set(pi, "key", keys);
  set(pi, "keyValue", points);
  const std::string turnsId = ids.reserve(id + "_turns");
  pugi::xml_node oi = append(scene, "OrientationInterpolator");
  set(oi, "DEF", turnsId);
  set(oi, "key", keys);
  set(oi, "keyValue", turns);
  route(id, "isBound", clock, "set_enabled");
  route(clock, "fraction_changed", moves, "set_fraction");
  route(clock, "fraction_changed", turnsId, "set_fraction");
  route(moves, "value_changed", id, "set_position");
  route(turnsId, "value_changed", id, "set_orientation");
}

// The X3D node and field of a route end, or why it has none.
std::string ZKX3DWriter::Impl::routeEnd(const ZKRoute::RoutePoint& end, bool source,
                                        std::string& node, std::string& field) {
  if (end.pointType == ZKRoute::unresolved_point || !end.point)
    return "is not in the world";
  if (end.memberType == ZKRoute::sensor_member) return sensorEnd(end, source, node, field);
  auto found = pointIds.find(end.point);
  if (found == pointIds.end()) return "is not in the scene";
  node = found->second;
  if (end.memberType == ZKRoute::behavior_member)
    return std::string("is the behaviour /") + end.memberName + "/, which X3D does not run";
  if (end.memberType == ZKRoute::attribute_member)
    return std::string("is the attribute /") + end.memberName + "/, which X3D keeps as metadata";
  field = fieldOf(end.event);
  if (fieldType(end.pointType, field).empty()) return "names a field that the X3D node has not";
  field = source ? field + "_changed" : "set_" + field;
  if (end.pointType == ZKRoute::proximity_sensor_point && source &&
      (field == "isActive_changed" || field == "enterTime_changed" || field == "exitTime_changed"))
    field = fieldOf(end.event);
  return "";
}

// A route end at a component's sensor: its output events as the source,
// "enabled" as the target.
std::string ZKX3DWriter::Impl::sensorEnd(const ZKRoute::RoutePoint& end, bool source,
                                         std::string& node, std::string& field) {
  const ZKComponentSensor& s = static_cast<ZKComponent*>(end.point)->getComponentSensor();
  auto component = pointIds.find(end.point);
  if (component == pointIds.end()) return "is not in the scene";
  node = component->second;
  auto found = pointIds.find(&s);
  if (found == pointIds.end()) return "is a component sensor, which the component has not";
  node = found->second;
  const char* type = nullptr;
  const auto* fields = sensorFields(s.getType(), &type);
  field = source ? std::string(end.event) : fieldOf(end.event);
  if (!fields || !fields->count(field) || (source != (field != "enabled")))
    return "names a field that the X3D node has not";
  if (!source) field = "set_enabled";
  return "";
}

std::string ZKX3DWriter::Impl::endType(const ZKRoute::RoutePoint& end) const {
  if (end.memberType != ZKRoute::sensor_member)
    return fieldType(end.pointType, fieldOf(end.event));
  const char* type = nullptr;
  const auto* fields =
      sensorFields(static_cast<ZKComponent*>(end.point)->getComponentSensor().getType(), &type);
  auto found = fields ? fields->find(end.event) : decltype(fields->end())();
  if (fields && found != fields->end()) return found->second;
  return fields && fieldOf(end.event) == "enabled" ? "SFBool" : "";
}

void ZKX3DWriter::Impl::writeRoute(const ZKRoute& r) {
  std::string from, fromField, to, toField;
  const std::string source = routeEnd(r.getSourcePoint(), true, from, fromField);
  const std::string target = routeEnd(r.getTargetPoint(), false, to, toField);
  std::string why;
  if (!source.empty())
    why = std::string("its source ") + source;
  else if (!target.empty())
    why = std::string("its target ") + target;
  else if (endType(r.getSourcePoint()) != endType(r.getTargetPoint()))
    why = "its ends carry values of different types";
  if (why.empty()) {
    route(from, fromField, to, toField);
    return;
  }
  auto end = [](const char* event, const std::string& node) {
    return std::string(event) + (node.empty() ? std::string() : " of " + node);
  };
  const std::string text = std::string(" route ") + r.getName() + " from " +
                           end(r.getSourcePoint().event, from) + " to " +
                           end(r.getTargetPoint().event, to) + " is left out: " + why + " ";
  pugi::xml_node comment = scene.append_child(pugi::node_comment);
  comment.set_value(text.c_str());
  if (!firstRoute) firstRoute = comment;
}

ZKX3DWriter::ZKX3DWriter(ZKComponentDB* world, std::ostream& messages)
    : impl(std::make_unique<Impl>(world, messages)) {
  if (world) impl->build();
}

ZKX3DWriter::~ZKX3DWriter() = default;

std::string ZKX3DWriter::transformId(const RWCString& component, const RWCString& part) const {
  ZKComponentDB* world = impl->world;
  ZKComponent* c = world ? world->getActiveComponent(component) : nullptr;
  if (!c) return "";
  if (part.isNull()) {
    auto found = impl->pointIds.find(c);
    return found == impl->pointIds.end() ? "" : found->second;
  }
  auto found = impl->partIds.find(c->getLogicalPart(part));
  return found == impl->partIds.end() ? "" : found->second;
}

std::string ZKX3DWriter::pointId(const void* point) const {
  auto found = impl->pointIds.find(point);
  return found == impl->pointIds.end() ? "" : found->second;
}

std::string ZKX3DWriter::addNode(const std::string& parent, const std::string& type,
                                 const Fields& fields, const std::string& name) {
  pugi::xml_node under = impl->scene;
  if (!parent.empty()) {
    auto found = impl->byId.find(parent);
    if (found == impl->byId.end()) return "";
    under = found->second;
  }
  if (!under) return "";
  pugi::xml_node x = impl->append(under, type.c_str());
  const std::string id = impl->ids.reserve(name);
  set(x, "DEF", id);
  for (const auto& [field, value] : fields) set(x, field.c_str(), value);
  impl->byId[id] = x;
  return id;
}

void ZKX3DWriter::addRoute(const std::string& fromNode, const std::string& fromField,
                           const std::string& toNode, const std::string& toField) {
  if (impl->scene) impl->route(fromNode, fromField, toNode, toField);
}

void ZKX3DWriter::addComment(const std::string& text) {
  if (!impl->scene) return;
  pugi::xml_node c = impl->scene.append_child(pugi::node_comment);
  c.set_value((" " + text + " ").c_str());
  if (!impl->firstRoute) impl->firstRoute = c;
}

const std::vector<ZKX3DWriter::Texture>& ZKX3DWriter::textures() const { return impl->textures; }

std::string ZKX3DWriter::text() const {
  if (!impl->scene) return "";
  std::ostringstream out;
  impl->doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
  return out.str();
}

bool ZKX3DWriter::save(const std::string& path) const {
  if (!impl->scene) return false;
  return impl->doc.save_file(path.c_str(), "  ", pugi::format_default, pugi::encoding_utf8);
}
