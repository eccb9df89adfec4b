#include <zkcp/component/ZKComponentSensor.h>

#include <Inventor/VRMLnodes/SoVRMLCylinderSensor.h>
#include <Inventor/VRMLnodes/SoVRMLPlaneSensor.h>
#include <Inventor/VRMLnodes/SoVRMLSphereSensor.h>
#include <Inventor/VRMLnodes/SoVRMLTouchSensor.h>
#include <Inventor/VRMLnodes/SoVRMLVisibilitySensor.h>

ZKComponentSensor::ZKComponentSensor()
    : autoOffset(0),
      center(0, 0, 0),
      enabled(1),
      diskAngle(0),
      minAngle(0),
      minPosition(0, 0),
      maxAngle(0),
      maxPosition(0, 0),
      offset(0),
      rotOffset(SbVec3f(0, 1, 0), 0),
      size(0, 0, 0),
      type(no_sensor),
      vecOffset(0, 0, 0) {}

ZKComponentSensor& ZKComponentSensor::operator=(const SoVRMLCylinderSensor& node) {
  type = cylinder_sensor;
  diskAngle = node.diskAngle.getValue();
  enabled = node.enabled.getValue() ? 1 : 0;
  maxAngle = node.maxAngle.getValue();
  minAngle = node.minAngle.getValue();
  offset = node.offset.getValue();
  autoOffset = node.autoOffset.getValue() ? 1 : 0;
  return *this;
}

ZKComponentSensor& ZKComponentSensor::operator=(const SoVRMLPlaneSensor& node) {
  type = plane_sensor;
  minPosition = node.minPosition.getValue();
  maxPosition = node.maxPosition.getValue();
  enabled = node.enabled.getValue() ? 1 : 0;
  vecOffset = node.offset.getValue();
  autoOffset = node.autoOffset.getValue() ? 1 : 0;
  return *this;
}

ZKComponentSensor& ZKComponentSensor::operator=(const SoVRMLSphereSensor& node) {
  type = sphere_sensor;
  enabled = node.enabled.getValue() ? 1 : 0;
  rotOffset = node.offset.getValue();
  autoOffset = node.autoOffset.getValue() ? 1 : 0;
  return *this;
}

ZKComponentSensor& ZKComponentSensor::operator=(const SoVRMLTouchSensor& node) {
  type = touch_sensor;
  enabled = node.enabled.getValue() ? 1 : 0;
  return *this;
}

ZKComponentSensor& ZKComponentSensor::operator=(const SoVRMLVisibilitySensor& node) {
  type = visibility_sensor;
  center = node.center.getValue();
  size = node.size.getValue();
  enabled = node.enabled.getValue() ? 1 : 0;
  return *this;
}
