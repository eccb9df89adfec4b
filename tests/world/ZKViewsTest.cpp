#include <zkcp/foundation/RWIndexError.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKNavigationPath.h>
#include <zkcp/world/ZKProximitySensor.h>
#include <zkcp/world/ZKViewpoint.h>

#include <Inventor/SoDB.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class WorldViews : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SoDB::init(); }
};

ZKProximitySensor* sensor(const char* name) {
  auto* s = new ZKProximitySensor;
  s->setName(name);
  return s;
}

ZKPosition at(float x) {
  ZKPosition p;
  p = SbVec3f(x, 0, 0);
  return p;
}

TEST_F(WorldViews, ViewpointsByNameIgnoringCaseAndByPosition) {
  ZKComponentDB world;
  EXPECT_EQ(world.getViewpointAt(0), nullptr);
  auto* hall = new ZKViewpoint("Hall", nullptr, SbVec3f(1, 2, 3), SbRotation::identity(), 1, 1);
  auto* roof = new ZKViewpoint("roof", "Up", SbVec3f(0, 9, 0), SbRotation::identity(), 1, 0);
  ZKViewpoint twin("HALL", "", SbVec3f(), SbRotation::identity(), 0, 0);
  EXPECT_EQ(world.addViewpoint(hall) + world.addViewpoint(roof), 2);
  EXPECT_EQ(world.addViewpoint(&twin) + world.addViewpoint(nullptr), 0);
  ASSERT_EQ(world.getNumViewpoints(), 2);
  EXPECT_EQ(world.getViewpoint("hAlL"), hall);
  EXPECT_EQ(world.getViewpoint(nullptr), nullptr);
  EXPECT_EQ(world.getViewpointAt(2), nullptr);
  // Removal hands the viewpoint back; purge leaves the others.
  EXPECT_EQ(world.removeViewpoint("HALL"), 1);
  EXPECT_EQ(world.removeViewpoint("hall"), 0);
  world.purge();
  EXPECT_EQ(world.getViewpointAt(0), roof);
  delete hall;
}

TEST_F(WorldViews, ProximitySensorsByNameIgnoringCaseAndByPosition) {
  ZKComponentDB world;
  EXPECT_EQ(world.getProximitySensorAt(0), nullptr);
  EXPECT_EQ(ZKProximitySensor().getSize(), SbVec3f(10, 10, 10));
  EXPECT_EQ(ZKProximitySensor().getEnabled(), 1);
  ZKProximitySensor* door = sensor("Door");
  ZKProximitySensor* stairs = sensor("Stairs");
  ZKProximitySensor twin;
  twin.setName("DOOR");
  EXPECT_EQ(world.addProximitySensor(door) + world.addProximitySensor(stairs), 2);
  EXPECT_EQ(world.addProximitySensor(&twin) + world.addProximitySensor(nullptr), 0);
  EXPECT_EQ(world.getProximitySensor("stairs"), stairs);
  EXPECT_EQ(world.getProximitySensor(nullptr), nullptr);
  EXPECT_EQ(world.removeProximitySensor("door"), 1);
  EXPECT_EQ(world.removeProximitySensor("door"), 0);
  EXPECT_EQ(world.getProximitySensorAt(0), stairs);
  delete door;
  // A name is kept to 35 characters, and found by the same 35.
  const std::string longName(40, 'x');
  ZKProximitySensor* far = sensor(longName.c_str());
  EXPECT_EQ(std::string(far->getName()), std::string(35, 'x'));
  EXPECT_EQ(world.addProximitySensor(far), 1);
  EXPECT_EQ(world.getProximitySensor(longName.c_str()), far);
}

TEST_F(WorldViews, PathPositionsInOrder) {
  ZKNavigationPath path("tour");
  path.prependPosition(at(1));
  path.appendPosition(at(3));
  path.insertPosition(at(2), 1);
  path.insertPosition(at(4), 99);
  ASSERT_EQ(path.numPositions(), 4u);
  for (unsigned i = 0; i < 4; ++i) EXPECT_EQ(path[i], at(i + 1));
  EXPECT_EQ(path[7], at(4));
  path.removePosition(0);
  EXPECT_THROW(path.removePosition(3), RWIndexError);
  EXPECT_EQ(path.numPositions(), 3u);
  EXPECT_EQ(path[0], at(2));
  ZKNavigationPath copy(path);
  copy.clearPositions();
  EXPECT_EQ(path.numPositions(), 3u);
  EXPECT_THROW(copy[0], RWIndexError);
  EXPECT_TRUE(copy == ZKNavigationPath("TOUR"));
}

TEST_F(WorldViews, PathsByExactName) {
  ZKComponentDB world;
  ZKNavigationPath tour("Tour");
  tour.appendPosition(at(1));
  world.addNavigationPath(tour);
  world.addNavigationPath(ZKNavigationPath("tour"));
  EXPECT_EQ(world.getNumNavigationPaths(), 2);
  ZKNavigationPath out("untouched");
  EXPECT_EQ(world.getNavigationPath("TOUR", out), 0);
  EXPECT_EQ(out.getName(), "untouched");
  // The world holds a copy, which a path of the same name replaces.
  tour.appendPosition(at(2));
  ASSERT_EQ(world.getNavigationPath("Tour", out), 1);
  EXPECT_EQ(out.numPositions(), 1u);
  world.addNavigationPath(tour);
  world.getNavigationPath("Tour", out);
  EXPECT_EQ(out.numPositions(), 2u);
  world.purge();
  EXPECT_EQ(world.removeNavigationPath("Tour"), 1);
  EXPECT_EQ(world.removeNavigationPath("Tour"), 0);
  EXPECT_EQ(world.getNumNavigationPaths(), 1);
}

}  // namespace
