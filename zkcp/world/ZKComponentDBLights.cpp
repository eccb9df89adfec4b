// The world's lights and their attachment to parts of components.
#include <zkcp/world/ZKComponentDB.h>

#include <zkcp/component/ZKComponent.h>

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoPath.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodekits/SoLightKit.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSpotLight.h>
#include <Inventor/nodes/SoTransform.h>
#include <Inventor/sensors/SoNodeSensor.h>

#include <cctype>
#include <iostream>
#include <memory>

// What the world keeps for an attached light: where it is attached, its
// name, and its sensors: one on the part node, and one on the component,
// whose own moves carry the part along without changing it (none when the
// part is the component itself).
struct ZKComponentDB::LightAttachment {
  ComponentPartDescriptor descriptor;
  RWCString light;
  std::unique_ptr<SoNodeSensor> sensor;
  std::unique_ptr<SoNodeSensor> componentSensor;
};

unsigned ZKComponentDB::DescriptorHash::operator()(const ComponentPartDescriptor& d) const {
  return ComponentPartDescriptor::hash(d);
}

bool ZKComponentDB::DescriptorEqual::operator()(const ComponentPartDescriptor& a,
                                                 const ComponentPartDescriptor& b) const {
  return a == b;
}

RWCString ZKComponentDB::normalizeLightName(const RWCString& name) {
  std::string text = name.str();
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return RWCString(std::move(text));
}

void ZKComponentDB::addLight(const RWCString& name, SoLight* light) {
  if (!light) return;
  const RWCString key = normalizeLightName(name);
  auto* kit = new SoLightKit;
  kit->setPart("light", light);
  light->setName(key.data());
  lights.insert(key, kit);
  lightsRoot->addChild(kit);
}

void ZKComponentDB::removeLight(const RWCString& name) {
  SoLightKit* kit = nullptr;
  if (lights.remove(normalizeLightName(name), &kit)) lightsRoot->removeChild(kit);
}

SoLightKit* ZKComponentDB::getLightKit(const RWCString& name) const {
  SoLightKit* const* kit = lights.find(normalizeLightName(name));
  return kit ? *kit : nullptr;
}

SoLight* ZKComponentDB::getLight(const RWCString& name) const {
  SoLightKit* kit = getLightKit(name);
  return kit ? static_cast<SoLight*>(kit->getPart("light", TRUE)) : nullptr;
}

int ZKComponentDB::getNumLights() const { return static_cast<int>(lights.entries()); }

void ZKComponentDB::setLightState(const RWCString& name, int on) {
  if (SoLight* light = getLight(name)) light->on = on ? TRUE : FALSE;
}

void ZKComponentDB::changeLightName(const RWCString& oldName, const RWCString& newName) {
  const RWCString from = normalizeLightName(oldName);
  const RWCString to = normalizeLightName(newName);
  SoLightKit* kit = nullptr;
  if (!lights.remove(from, &kit)) {
    std::cout << "****ERROR****ZKComponentDB::changeLightName-" << "Light /" << from.str()
              << "/ not found in lights database" << std::endl;
    return;
  }
  if (SoNode* light = kit->getPart("light", FALSE)) light->setName(to.data());
  lights.insert(to, kit);
  LightAttachment* attachment = nullptr;
  if (lightAttachments.remove(from, &attachment)) {
    attachment->light = to;
    lightAttachments.insert(to, attachment);
  }
}

void ZKComponentDB::attachLight(const RWCString& light, const RWCString& component,
                                const RWCString& part) {
  const RWCString name = normalizeLightName(light);
  ZKComponent* c = getComponent(component);
  ZKPart* target = c ? c->getLogicalPart(part) : nullptr;
  if (!target || !getLight(name) || lightAttachments.contains(name)) return;
  auto* attachment = new LightAttachment;
  attachment->descriptor = ComponentPartDescriptor(component, part, this);
  attachment->light = name;
  lightAttachments.insert(name, attachment);
  // A light already on an equal part stays attached, but the part is now
  // followed by this one; the earlier light's sensors would only move this
  // light a second time on every change.
  if (LightAttachment** earlier = attachedLights.find(attachment->descriptor)) {
    (*earlier)->sensor.reset();
    (*earlier)->componentSensor.reset();
  }
  attachedLights.insert(attachment->descriptor, attachment);
  attachment->sensor = std::make_unique<SoNodeSensor>(&ZKComponentDB::partMotionCallback, attachment);
  attachment->sensor->setPriority(0);
  attachment->sensor->attach(target);
  if (target != c) {
    attachment->componentSensor =
        std::make_unique<SoNodeSensor>(&ZKComponentDB::partMotionCallback, attachment);
    attachment->componentSensor->setPriority(0);
    attachment->componentSensor->attach(c);
  }
}

void ZKComponentDB::detachLight(const RWCString& name) { forgetAttachment(normalizeLightName(name)); }

int ZKComponentDB::getLightAttachment(const RWCString& light, ComponentPartDescriptor& where,
                                      SbVec3f& direction) const {
  LightAttachment* const* attachment = lightAttachments.find(normalizeLightName(light));
  SoLight* found = attachment ? getLight(light) : nullptr;
  if (!found) return 0;
  where = (*attachment)->descriptor;
  direction = SbVec3f(0, 0, -1);
  if (found->isOfType(SoSpotLight::getClassTypeId()))
    direction = static_cast<SoSpotLight*>(found)->direction.getValue();
  else if (found->isOfType(SoDirectionalLight::getClassTypeId()))
    direction = static_cast<SoDirectionalLight*>(found)->direction.getValue();
  // The light's direction is held in world space; the part's own space is
  // what a light placed under the part's transform needs.
  SbMatrix matrix;
  if (partWorldMatrix(where, matrix)) {
    SbVec3f translation, scale;
    SbRotation rotation, scaleOrientation;
    matrix.getTransform(translation, rotation, scale, scaleOrientation);
    rotation.inverse().multVec(SbVec3f(direction), direction);
  }
  return 1;
}

void ZKComponentDB::forgetAttachment(const RWCString& light) {
  LightAttachment* attachment = nullptr;
  if (!lightAttachments.remove(light, &attachment)) return;
  LightAttachment** follower = attachedLights.find(attachment->descriptor);
  if (follower && *follower == attachment) attachedLights.remove(attachment->descriptor);
  delete attachment;
}

void ZKComponentDB::forgetAllAttachments() {
  attachedLights.clear();
  for (auto& entry : lightAttachments) delete entry.value();
  lightAttachments.clear();
}

void ZKComponentDB::partMotionCallback(void* data, SoSensor* sensor) {
  const auto* attachment = static_cast<const LightAttachment*>(data);
  ZKComponentDB* world = attachment ? attachment->descriptor.getWorld() : nullptr;
  if (!world) return;
  // The component's sensor answers changes of the component's own
  // transform; changes inside the part reach the part's own sensor, and the
  // component's other changes (its attributes, its other parts) are not
  // followed.
  if (sensor == attachment->componentSensor.get()) {
    auto* component = static_cast<SoBaseKit*>(attachment->componentSensor->getAttachedNode());
    SoNode* trigger = attachment->componentSensor->getTriggerNode();
    if (!component || !trigger || trigger != component->getPart("transform", FALSE)) return;
  }
  world->moveAttachedLight(*attachment);
}

// The part's world transform: the transforms above it in the world scene,
// then its own. A part that is not in the scene (its component is not
// active) moves nothing.
int ZKComponentDB::partWorldMatrix(const ComponentPartDescriptor& where, SbMatrix& matrix) const {
  ZKComponent* c = getComponent(where.getComponentName());
  ZKPart* part = c ? c->getLogicalPart(where.getPartName()) : nullptr;
  if (!part) return 0;
  SoSearchAction search;
  search.setNode(part);
  search.setSearchingAll(TRUE);
  search.apply(sceneRoot);
  SoPath* path = search.getPath();
  if (!path) return 0;
  SoGetMatrixAction above{SbViewportRegion()};
  above.apply(path);
  matrix = SbMatrix::identity();
  if (auto* t = static_cast<SoTransform*>(part->getPart("transform", FALSE))) {
    matrix.setTransform(t->translation.getValue(), t->rotation.getValue(),
                        t->scaleFactor.getValue(), t->scaleOrientation.getValue(),
                        t->center.getValue());
  }
  matrix.multRight(above.getMatrix());
  return 1;
}

void ZKComponentDB::moveAttachedLight(const LightAttachment& attachment) {
  LightAttachment* const* follower = attachedLights.find(attachment.descriptor);
  SoLight* light = follower ? getLight((*follower)->light) : nullptr;
  SbMatrix matrix;
  if (!light || !partWorldMatrix(attachment.descriptor, matrix)) return;
  SbVec3f translation, scale;
  SbRotation rotation, scaleOrientation;
  matrix.getTransform(translation, rotation, scale, scaleOrientation);
  // The rotation turns the direction the light has now.
  SbVec3f direction;
  if (light->isOfType(SoSpotLight::getClassTypeId())) {
    auto* spot = static_cast<SoSpotLight*>(light);
    rotation.multVec(spot->direction.getValue(), direction);
    spot->direction = direction;
    spot->location = translation;
  } else if (light->isOfType(SoPointLight::getClassTypeId())) {
    static_cast<SoPointLight*>(light)->location = translation;
  } else if (light->isOfType(SoDirectionalLight::getClassTypeId())) {
    auto* directional = static_cast<SoDirectionalLight*>(light);
    rotation.multVec(directional->direction.getValue(), direction);
    directional->direction = direction;
  }
}
