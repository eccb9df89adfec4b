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

// What the world keeps for a light that follows a part: where it is
// attached, the direction the light had when it was attached (which the
// part's rotation turns), and its sensors: one on the part node, and one on
// the component, whose own moves carry the part along without changing it.
struct ZKComponentDB::LightAttachment {
  ComponentPartDescriptor descriptor;
  RWCString light;
  SbVec3f direction;
  std::unique_ptr<SoNodeSensor> sensor;
  std::unique_ptr<SoNodeSensor> componentSensor;
};

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
  SoLight* node = target ? getLight(name) : nullptr;
  if (!node || lightAttachments.contains(name)) return;
  // A part is followed by one light: an earlier light on an equal part
  // stops following it.
  const ComponentPartDescriptor descriptor(component, part, this);
  for (auto& entry : lightAttachments) {
    if (entry.value()->descriptor == descriptor) {
      forgetAttachment(entry.key());
      break;
    }
  }
  auto* attachment = new LightAttachment;
  attachment->descriptor = descriptor;
  attachment->light = name;
  attachment->direction = SbVec3f(0, 0, -1);
  if (node->isOfType(SoDirectionalLight::getClassTypeId()))
    attachment->direction = static_cast<SoDirectionalLight*>(node)->direction.getValue();
  else if (node->isOfType(SoSpotLight::getClassTypeId()))
    attachment->direction = static_cast<SoSpotLight*>(node)->direction.getValue();
  attachment->sensor = std::make_unique<SoNodeSensor>(&ZKComponentDB::partMotionCallback, attachment);
  attachment->sensor->setPriority(0);
  attachment->sensor->attach(target);
  attachment->componentSensor =
      std::make_unique<SoNodeSensor>(&ZKComponentDB::partMotionCallback, attachment);
  attachment->componentSensor->setPriority(0);
  attachment->componentSensor->attach(c);
  lightAttachments.insert(name, attachment);
  moveAttachedLight(*attachment);
}

void ZKComponentDB::detachLight(const RWCString& name) { forgetAttachment(normalizeLightName(name)); }

int ZKComponentDB::getLightAttachment(const RWCString& light, ComponentPartDescriptor& where,
                                      SbVec3f& direction) const {
  LightAttachment* const* attachment = lightAttachments.find(normalizeLightName(light));
  if (!attachment) return 0;
  where = (*attachment)->descriptor;
  direction = (*attachment)->direction;
  return 1;
}

void ZKComponentDB::forgetAttachment(const RWCString& light) {
  LightAttachment* attachment = nullptr;
  if (lightAttachments.remove(light, &attachment)) delete attachment;
}

void ZKComponentDB::forgetAllAttachments() {
  for (auto& entry : lightAttachments) delete entry.value();
  lightAttachments.clear();
}

void ZKComponentDB::partMotionCallback(void* data, SoSensor*) {
  auto* attachment = static_cast<LightAttachment*>(data);
  attachment->descriptor.getWorld()->moveAttachedLight(*attachment);
}

// The part's world transform: the transforms above it in the world scene
// (or in its component when the component is not drawn), then its own.
void ZKComponentDB::moveAttachedLight(LightAttachment& attachment) {
  SoLight* light = getLight(attachment.light);
  ZKComponent* c = getComponent(attachment.descriptor.getComponentName());
  ZKPart* part = c ? c->getLogicalPart(attachment.descriptor.getPartName()) : nullptr;
  if (!light || !part) return;
  SoSearchAction search;
  search.setNode(part);
  search.setSearchingAll(TRUE);
  search.apply(sceneRoot);
  if (!search.getPath()) search.apply(c);
  SoPath* path = search.getPath();
  if (!path) return;
  SoGetMatrixAction above{SbViewportRegion()};
  above.apply(path);
  SbMatrix matrix = SbMatrix::identity();
  if (auto* t = static_cast<SoTransform*>(part->getPart("transform", FALSE))) {
    matrix.setTransform(t->translation.getValue(), t->rotation.getValue(),
                        t->scaleFactor.getValue(), t->scaleOrientation.getValue(),
                        t->center.getValue());
  }
  matrix.multRight(above.getMatrix());
  SbVec3f translation, scale;
  SbRotation rotation, scaleOrientation;
  matrix.getTransform(translation, rotation, scale, scaleOrientation);
  SbVec3f direction;
  rotation.multVec(attachment.direction, direction);
  if (light->isOfType(SoSpotLight::getClassTypeId())) {
    static_cast<SoSpotLight*>(light)->location = translation;
    static_cast<SoSpotLight*>(light)->direction = direction;
  } else if (light->isOfType(SoPointLight::getClassTypeId())) {
    static_cast<SoPointLight*>(light)->location = translation;
  } else if (light->isOfType(SoDirectionalLight::getClassTypeId())) {
    static_cast<SoDirectionalLight*>(light)->direction = direction;
  }
}
