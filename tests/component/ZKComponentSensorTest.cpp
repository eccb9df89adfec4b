#include <zkcp/component/ZKComponentSensor.h>

#include <gtest/gtest.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/VRMLnodes/SoVRMLCylinderSensor.h>
#include <Inventor/VRMLnodes/SoVRMLPlaneSensor.h>
#include <Inventor/VRMLnodes/SoVRMLSphereSensor.h>
#include <Inventor/VRMLnodes/SoVRMLTouchSensor.h>
#include <Inventor/VRMLnodes/SoVRMLVisibilitySensor.h>
#include <Inventor/nodes/SoSeparator.h>

namespace {

class SensorFile : public ::testing::Test {
 protected:
  void SetUp() override {
    SoDB::init();
    SoInput in;
    ASSERT_TRUE(in.openFile(ZKCP_TEST_DATA_DIR "/sensors.wrl"));
    root = SoDB::readAll(&in);
    ASSERT_NE(root, nullptr);
    root->ref();
  }
  void TearDown() override {
    if (root) root->unref();
  }
  template <class Node>
  const Node& node(const char* name) {
    SoNode* found = SoNode::getByName(name);
    EXPECT_NE(found, nullptr) << name;
    EXPECT_TRUE(found->isOfType(Node::getClassTypeId())) << name;
    return *static_cast<Node*>(found);
  }

  SoSeparator* root = nullptr;
};

// A fresh record: no sensor, enabled, empty name, zero rotation offset.
TEST(ZKComponentSensor, DefaultsAndSetters) {
  ZKComponentSensor s;
  EXPECT_EQ(s.getType(), ZKComponentSensor::no_sensor);
  EXPECT_EQ(s.getEnabled(), 1);
  EXPECT_EQ(s.getAutoOffset(), 0);
  EXPECT_EQ(s.getName(), RWCString(""));
  SbVec3f axis;
  float angle = -1;
  s.getRotOffset().getValue(axis, angle);
  EXPECT_FLOAT_EQ(angle, 0);
  EXPECT_EQ(s.getCenter(), SbVec3f(0, 0, 0));
  EXPECT_EQ(s.getSize(), SbVec3f(0, 0, 0));
  EXPECT_EQ(s.getVecOffset(), SbVec3f(0, 0, 0));
  EXPECT_EQ(s.getMinPosition(), SbVec2f(0, 0));
  EXPECT_EQ(s.getMaxPosition(), SbVec2f(0, 0));
  EXPECT_EQ(s.getOffset(), 0);
  EXPECT_EQ(s.getDiskAngle(), 0);
  EXPECT_EQ(s.getMinAngle(), 0);
  EXPECT_EQ(s.getMaxAngle(), 0);

  // The three offsets are separate members chosen by argument type.
  s.setOffset(2.5f);
  s.setOffset(SbVec3f(1, 2, 3));
  s.setOffset(SbRotation(SbVec3f(1, 0, 0), 1));
  EXPECT_EQ(s.getOffset(), 2.5f);
  EXPECT_EQ(s.getVecOffset(), SbVec3f(1, 2, 3));
  EXPECT_TRUE(s.getRotOffset().equals(SbRotation(SbVec3f(1, 0, 0), 1), 1e-6f));

  s.setName("Handle");
  ZKComponentSensor copy(s);
  ZKComponentSensor assigned;
  assigned = s;
  EXPECT_EQ(copy.getName(), RWCString("Handle"));
  EXPECT_EQ(assigned.getOffset(), 2.5f);
  EXPECT_EQ(assigned.getVecOffset(), SbVec3f(1, 2, 3));
}

// Each sensor node sets its kind and its own members; the name and every
// member the kind does not use keep their values.
TEST_F(SensorFile, FilledFromEachVRMLSensorNode) {
  ZKComponentSensor s;
  s.setName("Keep");
  s.setCenter(SbVec3f(9, 9, 9));
  s.setSize(SbVec3f(8, 8, 8));

  s = node<SoVRMLCylinderSensor>("Crank");
  EXPECT_EQ(s.getType(), ZKComponentSensor::cylinder_sensor);
  EXPECT_EQ(s.getAutoOffset(), 0);
  EXPECT_FLOAT_EQ(s.getDiskAngle(), 0.5f);
  EXPECT_EQ(s.getEnabled(), 0);
  EXPECT_FLOAT_EQ(s.getMaxAngle(), 1.5f);
  EXPECT_FLOAT_EQ(s.getMinAngle(), -1.5f);
  EXPECT_FLOAT_EQ(s.getOffset(), 0.25f);
  EXPECT_EQ(s.getCenter(), SbVec3f(9, 9, 9));
  EXPECT_EQ(s.getName(), RWCString("Keep"));

  s = node<SoVRMLPlaneSensor>("Slider");
  EXPECT_EQ(s.getType(), ZKComponentSensor::plane_sensor);
  EXPECT_EQ(s.getAutoOffset(), 1);
  EXPECT_EQ(s.getEnabled(), 1);
  EXPECT_EQ(s.getMinPosition(), SbVec2f(-1, -2));
  EXPECT_EQ(s.getMaxPosition(), SbVec2f(3, 4));
  EXPECT_EQ(s.getVecOffset(), SbVec3f(1, 2, 3));
  EXPECT_FLOAT_EQ(s.getOffset(), 0.25f);
  EXPECT_FLOAT_EQ(s.getDiskAngle(), 0.5f);

  s = node<SoVRMLSphereSensor>("Ball");
  EXPECT_EQ(s.getType(), ZKComponentSensor::sphere_sensor);
  EXPECT_EQ(s.getAutoOffset(), 0);
  EXPECT_TRUE(s.getRotOffset().equals(SbRotation(SbVec3f(1, 0, 0), 0.5f), 1e-6f));
  EXPECT_EQ(s.getVecOffset(), SbVec3f(1, 2, 3));

  s = node<SoVRMLVisibilitySensor>("Sight");
  EXPECT_EQ(s.getType(), ZKComponentSensor::visibility_sensor);
  EXPECT_EQ(s.getCenter(), SbVec3f(1, 2, 3));
  EXPECT_EQ(s.getSize(), SbVec3f(4, 5, 6));
  EXPECT_EQ(s.getEnabled(), 1);

  // A touch sensor changes only the kind and the enabled flag.
  ZKComponentSensor before = s;
  s = node<SoVRMLTouchSensor>("Button");
  EXPECT_EQ(s.getType(), ZKComponentSensor::touch_sensor);
  EXPECT_EQ(s.getEnabled(), 0);
  EXPECT_EQ(s.getAutoOffset(), before.getAutoOffset());
  EXPECT_EQ(s.getCenter(), before.getCenter());
  EXPECT_EQ(s.getSize(), before.getSize());
  EXPECT_EQ(s.getMinPosition(), before.getMinPosition());
  EXPECT_EQ(s.getMaxPosition(), before.getMaxPosition());
  EXPECT_EQ(s.getVecOffset(), before.getVecOffset());
  EXPECT_EQ(s.getRotOffset(), before.getRotOffset());
  EXPECT_EQ(s.getOffset(), before.getOffset());
  EXPECT_EQ(s.getDiskAngle(), before.getDiskAngle());
  EXPECT_EQ(s.getMinAngle(), before.getMinAngle());
  EXPECT_EQ(s.getMaxAngle(), before.getMaxAngle());
  EXPECT_EQ(s.getName(), RWCString("Keep"));
}

}  // namespace
