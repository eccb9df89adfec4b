#include <zkcp/world/ZKViewpoint.h>

#include <Inventor/VRMLnodes/SoVRMLViewpoint.h>

#include <cstring>

ZKViewpoint::ZKViewpoint()
    : description{}, position(0, 0, 0), orientation(SbRotation::identity()), fieldOfView(0),
      jump(0) {}

ZKViewpoint::ZKViewpoint(const RWCString& name, const char* description,
                         const SbVec3f& position, const SbRotation& orientation,
                         float fieldOfView, int jump)
    : name(name),
      description{},
      position(position),
      orientation(orientation),
      fieldOfView(fieldOfView),
      jump(jump) {
  setDescription(description);
}

ZKViewpoint& ZKViewpoint::operator=(const SoVRMLViewpoint& node) {
  name = node.getName().getString();
  position = node.position.getValue();
  orientation = node.orientation.getValue();
  fieldOfView = node.fieldOfView.getValue();
  setDescription(node.description.getValue().getString());
  jump = node.jump.getValue() ? 1 : 0;
  return *this;
}

void ZKViewpoint::setDescription(const char* text) {
  std::strncpy(description, text ? text : "", kMaxDescription);
  description[kMaxDescription] = '\0';
}

int ZKViewpoint::operator==(const ZKViewpoint& other) const {
  return name.compareTo(other.name, RWCString::ignoreCase) == 0;
}

int ZKViewpoint::operator<(const ZKViewpoint& other) const {
  return name.compareTo(other.name, RWCString::ignoreCase) < 0;
}
