#include <zkcp/component/ZKComponentSensor.h>
#include <zkcp/vrml/ComponentSensorWriter.h>

#include "GoldenText.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

ZKComponentSensor sensor(ZKComponentSensor::SensorType type, const char* name, int enabled) {
  ZKComponentSensor s;
  s.setType(type);
  s.setName(name);
  s.setEnabled(enabled);
  return s;
}

std::string text(const ZKComponentSensor& s) {
  std::ostringstream out;
  out << s;
  return out.str();
}

TEST(ComponentSensorWriter, EveryKindAsItsVRMLSensorNode) {
  ZKComponentSensor knob = sensor(ZKComponentSensor::cylinder_sensor, "knob", 1);
  knob.setMinAngle(-1.5f);
  knob.setMaxAngle(1.5f);
  knob.setDiskAngle(0.262f);
  knob.setOffset(10.0f / 3.0f);
  knob.setAutoOffset(1);
  ZKComponentSensor slider = sensor(ZKComponentSensor::plane_sensor, "slider", 0);
  slider.setMinPosition(SbVec2f(0, -1));
  slider.setMaxPosition(SbVec2f(2, 1));
  slider.setOffset(SbVec3f(0.5f, 0, 0));
  slider.setAutoOffset(0);
  // Any stored value of 1 or more reads as TRUE.
  ZKComponentSensor ball = sensor(ZKComponentSensor::sphere_sensor, "ball", 2);
  ball.setOffset(SbRotation(SbVec3f(0, 0, 1), 0.5f));
  ball.setAutoOffset(1);
  ZKComponentSensor touch = sensor(ZKComponentSensor::touch_sensor, "t", 1);
  ZKComponentSensor eye = sensor(ZKComponentSensor::visibility_sensor, "eye", -1);
  eye.setCenter(SbVec3f(1, 2, 3));
  eye.setSize(SbVec3f(10, 10, 10));
  std::ostringstream out;
  out << knob << slider << ball << touch << eye;
  EXPECT_TRUE(zkcp_test::matchesGolden(out.str(), "vrml_component_sensors.wrl"));
  EXPECT_EQ(text(touch), "DEF t TouchSensor {\n\tenabled\t\tTRUE\n}\n");
}

TEST(ComponentSensorWriter, NoKindAndUnknownKinds) {
  EXPECT_EQ(text(sensor(ZKComponentSensor::no_sensor, "none", 1)), "");
  EXPECT_EQ(text(ZKComponentSensor()), "");
  EXPECT_EQ(text(sensor(static_cast<ZKComponentSensor::SensorType>(7), "odd", 1)), "DEF odd ");
  // The DEF prefix is written even for an unnamed sensor.
  EXPECT_EQ(text(sensor(ZKComponentSensor::touch_sensor, "", 0)),
            "DEF  TouchSensor {\n\tenabled\t\tFALSE\n}\n");
}

}  // namespace
