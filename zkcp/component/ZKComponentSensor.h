#ifndef ZKCP_COMPONENT_ZKCOMPONENTSENSOR_H
#define ZKCP_COMPONENT_ZKCOMPONENTSENSOR_H

#include <zkcp/foundation/RWCString.h>

#include <Inventor/SbLinear.h>

class SoVRMLCylinderSensor;
class SoVRMLPlaneSensor;
class SoVRMLSphereSensor;
class SoVRMLTouchSensor;
class SoVRMLVisibilitySensor;

// Describes the pointing-device or visibility sensor a component carries.
// One record serves the five VRML sensor kinds, each using some members; it
// holds data only, nothing in the library drives the sensor.
class ZKComponentSensor {
 public:
  enum SensorType {
    no_sensor = 0,
    cylinder_sensor = 1,
    plane_sensor = 2,
    sphere_sensor = 3,
    touch_sensor = 4,
    visibility_sensor = 5
  };

  ZKComponentSensor();
  ZKComponentSensor(const ZKComponentSensor&) = default;
  ZKComponentSensor& operator=(const ZKComponentSensor&) = default;
  ~ZKComponentSensor() = default;

  // Each sets the type of the node's kind and copies the node's fields into
  // the members of the same meaning; the other members and the name stay.
  ZKComponentSensor& operator=(const SoVRMLCylinderSensor& node);
  ZKComponentSensor& operator=(const SoVRMLPlaneSensor& node);
  ZKComponentSensor& operator=(const SoVRMLSphereSensor& node);
  ZKComponentSensor& operator=(const SoVRMLTouchSensor& node);
  ZKComponentSensor& operator=(const SoVRMLVisibilitySensor& node);

  int getAutoOffset() const { return autoOffset; }
  void setAutoOffset(int v) { autoOffset = v; }
  SbVec3f getCenter() const { return center; }
  void setCenter(const SbVec3f& v) { center = v; }
  float getDiskAngle() const { return diskAngle; }
  void setDiskAngle(float v) { diskAngle = v; }
  int getEnabled() const { return enabled; }
  void setEnabled(int v) { enabled = v; }
  float getMaxAngle() const { return maxAngle; }
  void setMaxAngle(float v) { maxAngle = v; }
  float getMinAngle() const { return minAngle; }
  void setMinAngle(float v) { minAngle = v; }
  SbVec2f getMaxPosition() const { return maxPosition; }
  void setMaxPosition(const SbVec2f& v) { maxPosition = v; }
  SbVec2f getMinPosition() const { return minPosition; }
  void setMinPosition(const SbVec2f& v) { minPosition = v; }
  RWCString getName() const { return name; }
  void setName(const RWCString& v) { name = v; }
  float getOffset() const { return offset; }
  void setOffset(float v) { offset = v; }
  SbRotation getRotOffset() const { return rotOffset; }
  void setOffset(const SbRotation& v) { rotOffset = v; }
  SbVec3f getVecOffset() const { return vecOffset; }
  void setOffset(const SbVec3f& v) { vecOffset = v; }
  SbVec3f getSize() const { return size; }
  void setSize(const SbVec3f& v) { size = v; }
  SensorType getType() const { return type; }
  void setType(SensorType v) { type = v; }

 private:
  int autoOffset;
  SbVec3f center;
  int enabled;
  float diskAngle;
  float minAngle;
  SbVec2f minPosition;
  float maxAngle;
  SbVec2f maxPosition;
  RWCString name;
  float offset;
  SbRotation rotOffset;
  SbVec3f size;
  SensorType type;
  SbVec3f vecOffset;
};

#endif
