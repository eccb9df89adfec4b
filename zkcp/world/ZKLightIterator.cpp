#include <zkcp/world/ZKLightIterator.h>

#include <zkcp/world/ZKComponentDB.h>

#include <Inventor/nodekits/SoLightKit.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSpotLight.h>

ZKLightIterator::ZKLightIterator(ZKComponentDB* world, Filter_t filter)
    : world(world), filter(filter) {}

void ZKLightIterator::reset() {
  light = nullptr;
  kit = nullptr;
  name = nullptr;
  started = false;
}

int ZKLightIterator::operator++(int) {
  if (!world) return 0;
  if (!started) {
    next = world->lights.begin();
    started = true;
  }
  while (next != world->lights.end()) {
    auto it = next++;
    light = nullptr;
    name = &it->key();
    kit = it->value();
    light = static_cast<SoLight*>(kit->getPart("light", FALSE));
    if (!light) return 0;
    const SoType type = light->getTypeId();
    switch (filter) {
      case all_lights:
        return 1;
      case directional_lights:
        if (type == SoDirectionalLight::getClassTypeId()) return 1;
        break;
      case point_lights:
        if (type == SoPointLight::getClassTypeId()) return 1;
        break;
      case spot_lights:
        if (type == SoSpotLight::getClassTypeId()) return 1;
        break;
      default:
        light = nullptr;
        return 0;
    }
  }
  light = nullptr;
  return 0;
}
