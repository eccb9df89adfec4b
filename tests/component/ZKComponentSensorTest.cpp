#include <zkcp/component/ZKComponentSensor.h>

#include <gtest/gtest.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/VRMLnodes/SoVRMLNodes.h>
#include <Inventor/nodes/SoSeparator.h>

#include <sstream>
#include <string>

namespace {

template <class V>
std::string xyz(const V& v) {
  std::ostringstream out;
  for (size_t i = 0; i < sizeof(V) / sizeof(float); ++i) out << (i ? "," : "") << v[i];
  return out.str();
}

// Every member of a record in one line, in groups split by "|": type, name,
// enabled and auto offset; disk, min and max angle, offset; vector offset,
// rotation offset; min and max position; center, size.
std::string members(const ZKComponentSensor& s) {
  SbVec3f axis;
  float angle;
  s.getRotOffset().getValue(axis, angle);
  std::ostringstream out;
  out << s.getType() << " " << s.getName() << " " << s.getEnabled() << s.getAutoOffset() << "|"
      << s.getDiskAngle() << " " << s.getMinAngle() << " " << s.getMaxAngle() << " "
      << s.getOffset() << "|" << xyz(s.getVecOffset()) << " " << xyz(axis) << " " << angle << "|"
      << xyz(s.getMinPosition()) << " " << xyz(s.getMaxPosition()) << "|" << xyz(s.getCenter())
      << " " << xyz(s.getSize());
  return out.str();
}

// A fresh record: no sensor, enabled, empty name, zero rotation offset; the
// three offsets are separate members chosen by argument type.
TEST(ZKComponentSensor, DefaultsOffsetsAndCopies) {
  ZKComponentSensor s;
  EXPECT_EQ(members(s), "0  10|0 0 0 0|0,0,0 0,0,1 0|0,0 0,0|0,0,0 0,0,0");
  s.setOffset(2.5f);
  s.setOffset(SbVec3f(1, 2, 3));
  s.setOffset(SbRotation(SbVec3f(1, 0, 0), 1));
  s.setName("Handle");
  const std::string set = "0 Handle 10|0 0 0 2.5|1,2,3 1,0,0 1|0,0 0,0|0,0,0 0,0,0";
  EXPECT_EQ(members(s), set);
  ZKComponentSensor assigned;
  assigned = s;
  EXPECT_EQ(members(ZKComponentSensor(s)) + members(assigned), set + set);
}

// Each sensor node sets its kind and its own members; the name and every
// member the kind does not use keep their values.
TEST(ZKComponentSensor, FilledFromEachVRMLSensorNode) {
  SoDB::init();
  SoInput in;
  ASSERT_TRUE(in.openFile(ZKCP_TEST_DATA_DIR "/sensors.wrl"));
  SoSeparator* root = SoDB::readAll(&in);
  ASSERT_NE(root, nullptr);
  root->ref();
  const auto node = [](const char* name) { return SoNode::getByName(name); };
  ZKComponentSensor s;
  s.setName("Keep");
  s.setCenter(SbVec3f(9, 9, 9));
  s.setSize(SbVec3f(8, 8, 8));
  s = *static_cast<SoVRMLCylinderSensor*>(node("Crank"));
  EXPECT_EQ(members(s), "1 Keep 00|0.5 -1.5 1.5 0.25|0,0,0 0,0,1 0|0,0 0,0|9,9,9 8,8,8");
  s = *static_cast<SoVRMLPlaneSensor*>(node("Slider"));
  EXPECT_EQ(members(s), "2 Keep 11|0.5 -1.5 1.5 0.25|1,2,3 0,0,1 0|-1,-2 3,4|9,9,9 8,8,8");
  s = *static_cast<SoVRMLSphereSensor*>(node("Ball"));
  EXPECT_EQ(members(s), "3 Keep 10|0.5 -1.5 1.5 0.25|1,2,3 1,0,0 0.5|-1,-2 3,4|9,9,9 8,8,8");
  s = *static_cast<SoVRMLVisibilitySensor*>(node("Sight"));
  EXPECT_EQ(members(s), "5 Keep 10|0.5 -1.5 1.5 0.25|1,2,3 1,0,0 0.5|-1,-2 3,4|1,2,3 4,5,6");
  // A touch sensor changes only the kind and the enabled flag.
  s = *static_cast<SoVRMLTouchSensor*>(node("Button"));
  EXPECT_EQ(members(s), "4 Keep 00|0.5 -1.5 1.5 0.25|1,2,3 1,0,0 0.5|-1,-2 3,4|1,2,3 4,5,6");
  root->unref();
}

}  // namespace
