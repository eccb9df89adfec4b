#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKLightIterator.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/nodekits/SoLightKit.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSpotLight.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

class WorldLights : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SoDB::init();
    ZKComponent::initClass();
  }
  // A component with the logical parts Left (at x -2) and Right (at x 3).
  ZKComponent* addCar(ZKComponentDB& world, const char* name) {
    SoInput in;
    if (!in.openFile((std::string(ZKCP_TEST_DATA_DIR) + "/twoparts.iv").c_str())) return nullptr;
    SoSeparator* geometry = SoDB::readAll(&in);
    geometry->ref();
    auto* c = new ZKComponent(name, "Car", "twoparts.iv", geometry, &world);
    c->ref();
    geometry->unref();
    world.addComponent(c, 1, nullptr);
    return c;
  }
  static SbVec3f at(SoLight* light) { return static_cast<SoPointLight*>(light)->location.getValue(); }
};

TEST_F(WorldLights, NamesAreNormalizedAndErrorsReported) {
  ZKComponentDB world;
  world.addLight("sUN", new SoDirectionalLight);
  world.addLight("null", nullptr);
  EXPECT_EQ(world.getNumLights(), 1);
  SoLight* sun = world.getLight("sun");
  ASSERT_NE(sun, nullptr);
  EXPECT_STREQ(sun->getName().getString(), "Sun");
  EXPECT_EQ(world.getLightKit("SUN")->getPart("light", FALSE), sun);

  world.setLightState("SUN", 0);
  EXPECT_FALSE(sun->on.getValue());
  world.setLightState("moon", 0);

  testing::internal::CaptureStdout();
  world.changeLightName("moon", "star");
  world.changeLightName("sun", "DAYLIGHT");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "****ERROR****ZKComponentDB::changeLightName-Light /Moon/ not found in lights database\n");
  EXPECT_EQ(world.getLight("sun"), nullptr);
  EXPECT_EQ(world.getLight("daylight"), sun);
  EXPECT_STREQ(sun->getName().getString(), "Daylight");

  // A second light under a held name replaces the entry; the first kit
  // stays under the lights root.
  world.addLight("daylight", new SoPointLight);
  EXPECT_EQ(world.getNumLights(), 1);
  EXPECT_NE(world.getLight("daylight"), sun);
  world.removeLight("Daylight");
  EXPECT_EQ(world.getNumLights(), 0);
}

TEST_F(WorldLights, AttachedLightFollowsItsPart) {
  ZKComponentDB world;
  ZKComponent* car = addCar(world, "car");
  ASSERT_NE(car, nullptr);
  world.addLight("head", new SoPointLight);
  world.addLight("tail", new SoPointLight);
  world.attachLight("head", "car", "Left");
  world.attachLight("head", "car", "Right");  // the first attachment stays
  world.attachLight("head", "nocar", "Left");
  // Attaching records only; the light moves with the part's next change.
  SoLight* head = world.getLight("head");
  EXPECT_EQ(at(head), SbVec3f(0, 0, 1));
  car->getLogicalPart("Left")->move(SbVec3f(0, 1, 0));
  EXPECT_EQ(at(head), SbVec3f(-2, 1, 0));
  SbVec3f to(10, 0, 0);
  car->setPosition(&to);
  EXPECT_EQ(at(head), SbVec3f(8, 1, 0));

  world.changeLightName("head", "front");
  to = SbVec3f(0, 0, 5);
  car->setPosition(&to);
  EXPECT_EQ(at(world.getLight("front")), SbVec3f(-2, 1, 5));

  // Two lights on one part: only the last follows, and the first stays
  // attached, so it cannot be attached elsewhere.
  world.attachLight("tail", "car", "Left");
  world.attachLight("front", "car", "Right");
  to = SbVec3f(0, 0, 0);
  car->setPosition(&to);
  car->getLogicalPart("Right")->move(SbVec3f(0, 1, 0));
  EXPECT_EQ(at(world.getLight("tail")), SbVec3f(-2, 1, 0));
  EXPECT_EQ(at(world.getLight("front")), SbVec3f(-2, 1, 5));

  // A part of an inactive component is not in the scene: nothing moves.
  world.deactivateComponent("car");
  car->getLogicalPart("Left")->move(SbVec3f(0, 1, 0));
  EXPECT_EQ(at(world.getLight("tail")), SbVec3f(-2, 1, 0));
  world.activateComponent("car");

  world.detachLight("tail");
  to = SbVec3f(1, 0, 0);
  car->setPosition(&to);
  EXPECT_EQ(at(world.getLight("tail")), SbVec3f(-2, 1, 0));

  // After a purge nothing fires on the parts.
  world.detachLight("front");
  world.attachLight("front", "car", "Right");
  world.purge();
  EXPECT_EQ(world.getNumLights(), 0);
}

TEST_F(WorldLights, PartRotationTurnsTheCurrentDirection) {
  auto world = std::make_unique<ZKComponentDB>();
  ZKComponent* car = addCar(*world, "car");
  ASSERT_NE(car, nullptr);
  car->ref();  // outlives the world
  auto* spot = new SoSpotLight;
  spot->ref();
  spot->direction = SbVec3f(0, 1, 0);
  world->addLight("spot", spot);
  world->attachLight("spot", "car", "Left");
  // Every change of the part turns the light by the part's rotation again.
  ZKPart* left = car->getLogicalPart("Left");
  left->rotate(SbRotation(SbVec3f(0, 0, 1), static_cast<float>(M_PI / 2)));
  EXPECT_TRUE(spot->direction.getValue().equals(SbVec3f(-1, 0, 0), 1e-5f));
  left->move(SbVec3f(0, 0, 1));
  EXPECT_TRUE(spot->direction.getValue().equals(SbVec3f(0, -1, 0), 1e-5f));
  EXPECT_TRUE(spot->location.getValue().equals(SbVec3f(-2, 0, 1), 1e-5f));

  // The world's attachments end with it.
  world.reset();
  left->move(SbVec3f(0, 0, 1));
  EXPECT_TRUE(spot->location.getValue().equals(SbVec3f(-2, 0, 1), 1e-5f));
  car->unref();
  spot->unref();
}

TEST_F(WorldLights, IteratorWalksTheTableByKind) {
  ZKComponentDB world;
  ZKLightIterator none(&world, ZKLightIterator::all_lights);
  EXPECT_EQ(none++, 0);
  world.addLight("a", new SoPointLight);
  world.addLight("b", new SoSpotLight);
  world.addLight("c", new SoDirectionalLight);
  world.addLight("d", new SoPointLight);
  auto walk = [&world](ZKLightIterator::Filter_t filter) {
    std::vector<std::string> names;
    ZKLightIterator it(&world, filter);
    while (it++) names.push_back(it.getName()->str());
    it.reset();
    EXPECT_EQ(it++, names.empty() ? 0 : 1);
    return names;
  };
  const std::vector<std::string> all = walk(ZKLightIterator::all_lights);
  EXPECT_EQ(all.size(), 4u);
  EXPECT_EQ(walk(ZKLightIterator::all_lights), all);
  std::vector<std::string> points;
  for (const std::string& n : all)
    if (n == "A" || n == "D") points.push_back(n);
  EXPECT_EQ(walk(ZKLightIterator::point_lights), points);
  EXPECT_EQ(walk(ZKLightIterator::spot_lights), std::vector<std::string>{"B"});
  EXPECT_TRUE(walk(static_cast<ZKLightIterator::Filter_t>(7)).empty());
}

}  // namespace
