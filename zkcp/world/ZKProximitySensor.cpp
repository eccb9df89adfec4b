#include <zkcp/world/ZKProximitySensor.h>

#include <zkcp/foundation/RWCString.h>

#include <Inventor/VRMLnodes/SoVRMLProximitySensor.h>

#include <cstring>

ZKProximitySensor::ZKProximitySensor()
    : center(0, 0, 0), enabled(1), name{}, size(10, 10, 10) {}

ZKProximitySensor& ZKProximitySensor::operator=(const SoVRMLProximitySensor& node) {
  setName(node.getName().getString());
  center = node.center.getValue();
  size = node.size.getValue();
  enabled = node.enabled.getValue() ? 1 : 0;
  return *this;
}

void ZKProximitySensor::setName(const char* text) {
  std::strncpy(name, text ? text : "", kMaxName);
  name[kMaxName] = '\0';
}

int ZKProximitySensor::operator==(const ZKProximitySensor& other) const {
  return RWCString(name).compareTo(other.name, RWCString::ignoreCase) == 0;
}

int ZKProximitySensor::operator<(const ZKProximitySensor& other) const {
  return RWCString(name).compareTo(other.name, RWCString::ignoreCase) < 0;
}
