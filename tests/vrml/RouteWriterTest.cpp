#include <zkcp/component/ZKComponent.h>
#include <zkcp/vrml/RouteWriter.h>
#include <zkcp/world/ZKRoute.h>

#include "GoldenText.h"

#include <Inventor/nodes/SoPointLight.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

template <class T>
std::string text(const T& value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

TEST(RouteWriter, RouteStatementWithItsEnds) {
  ZKComponent::initClass();
  ZKComponent* door = new ZKComponent("door1", "Door");
  door->ref();
  SoPointLight* lamp = new SoPointLight;
  lamp->ref();
  lamp->setName("lamp");

  ZKRoute route("r1");
  route.setSource(door, ZKRoute::component_point);
  route.setSourceEvent("isActive");
  route.setTarget(lamp, ZKRoute::light_point);
  route.setTargetEvent("on");
  EXPECT_TRUE(zkcp_test::matchesGolden(text(route), "route_example.wrl"));
  EXPECT_EQ(text(route.getTargetPoint()), "lamp.on");

  // Ends without a known object are written as such, never dereferenced.
  ZKRoute loose("r2");
  loose.setSourceEvent("set_x");
  loose.setTarget(nullptr, ZKRoute::component_point);
  EXPECT_EQ(text(loose), "ROUTE UNKNOWN-TYPE.set_x TO UNKNOWN-TYPE. #0 r2");
  loose.setSource(door, static_cast<ZKRoute::RoutePointType>(9));
  EXPECT_EQ(text(loose.getSourcePoint()), "UNKNOWN-TYPE.set_x");

  lamp->unref();
  door->unref();
}

}  // namespace
