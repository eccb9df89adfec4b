#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKRoute.h>

#include <Inventor/nodes/SoPointLight.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using Point = ZKRoute::RoutePointType;
using Member = ZKRoute::RouteMemberType;
constexpr Point kLight = ZKRoute::light_point, kComponent = ZKRoute::component_point,
                kPorch = ZKRoute::proximity_sensor_point, kNowhere = ZKRoute::unresolved_point;
constexpr Member kField = ZKRoute::field_member, kBehavior = ZKRoute::behavior_member,
                 kAttribute = ZKRoute::attribute_member, kEvent = ZKRoute::event_member,
                 kSensor = ZKRoute::sensor_member, kNone = ZKRoute::unresolved_member;

struct Resolved {
  void* point = nullptr;
  Point pointType = kLight;
  RWCString memberName = "stale";
  Member memberType = kAttribute;
};

void expectEnd(const Resolved& r, const void* point, Point pointType, const char* member,
               Member memberType) {
  EXPECT_EQ(r.point, point);
  EXPECT_EQ(r.pointType, pointType);
  EXPECT_EQ(r.memberName, RWCString(member));
  EXPECT_EQ(r.memberType, memberType);
}

// An event, and the member it resolves to.
struct Case {
  const char* event;
  const char* member;
  Member type;
};

// A world holding the active component "door" with the attribute "speed".
class Routes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ZKComponent::initClass(); }
  void SetUp() override {
    door = new ZKComponent("door", "Door");
    door->ref();
    door->addAttribute("speed", new ZKFloatAttribute);
    world.addComponent(door, 1, nullptr);
  }
  // Through the world's own lookup, or through `finders` when given.
  Resolved resolve(const char* point, const char* event,
                   const ZKRoute::PointFinders* finders = nullptr) {
    Resolved r;
    if (finders) {
      ZKRoute::resolvePoint(*finders, point, event, r.point, r.pointType, r.memberName,
                            r.memberType);
    } else {
      world.getRoutePointInfo(point, event, r.point, r.pointType, r.memberName, r.memberType);
    }
    return r;
  }
  ZKComponentDB world;
  ZKComponent* door = nullptr;
};

TEST_F(Routes, RecordCopiesComparesByNameAndCutsLongText) {
  int thing = 0;
  ZKRoute route("Opener");
  route.setSource(&thing, kComponent);
  route.setSourceEvent("set_openActive");
  route.setSourceMember("open", kBehavior);
  ZKRoute copy;
  copy = route;
  EXPECT_EQ(copy.getSource(), &thing);
  EXPECT_STREQ(copy.getSourceMemberName(), "open");
  // Identity is the name ignoring case.
  EXPECT_TRUE(route == ZKRoute("oPENER"));
  EXPECT_FALSE(route == ZKRoute("Opener2"));
  EXPECT_TRUE(ZKRoute("alpha") < ZKRoute("Beta"));
  EXPECT_FALSE(ZKRoute("Beta") < ZKRoute("alpha"));
  // Text longer than the arrays hold is cut to its first 51 characters.
  const std::string overlong(80, 'x');
  route.setName(overlong.c_str());
  route.setTargetMember(overlong.c_str(), kField);
  EXPECT_EQ(std::string(route.getName()), overlong.substr(0, 51));
  EXPECT_EQ(std::string(route.getTargetMemberName()), overlong.substr(0, 51));
}

TEST_F(Routes, LightsAndProximitySensorsThroughFinders) {
  SoPointLight* lamp = new SoPointLight;
  lamp->ref();
  int sensor = 0;
  ZKRoute::PointFinders finders;
  finders.light = [&](const RWCString& n) { return n == "Lamp" ? lamp : nullptr; };
  finders.proximitySensor = [&](const RWCString& n) { return n == "porch" ? &sensor : nullptr; };
  finders.component = [&](const RWCString& n) { return n == "Lamp" ? door : nullptr; };
  // A light wins over a component of the same name; its member stays open.
  expectEnd(resolve("Lamp", "set_on", &finders), lamp, kLight, "", kNone);
  const Case cases[] = {
      {"isActive", "", kEvent}, {"exitTime", "", kEvent}, {"orientation_changed", "", kEvent},
      {"center", "", kField}, {"set_center", "center", kField}, {"size_changed", "size", kField},
      {"set_enabled", "enabled", kField}, {"set_colour", "colour", kNone},
      {"isactive", "", kNone}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.event);
    Resolved out = resolve("porch", c.event, &finders);
    EXPECT_EQ(out.pointType, kPorch);
    EXPECT_EQ(out.point, &sensor);
    if (c.type != kEvent) EXPECT_EQ(out.memberName, RWCString(c.member));
    EXPECT_EQ(out.memberType, c.type);
  }
  // Without finders nothing resolves.
  const ZKRoute::PointFinders none;
  expectEnd(resolve("Lamp", "set_on", &none), nullptr, kNowhere, "", kNone);
  lamp->unref();
}

TEST_F(Routes, ComponentMembersAndComponentSensors) {
  const Case cases[] = {
      {"set_translation", "translation", kField}, {"translation_changed", "translation", kField},
      {"set_scaleOrientation", "scaleOrientation", kField}, {"set_openActive", "open", kBehavior},
      {"openActive_changed", "open", kBehavior}, {"set_Activeness", "Activeness", kNone},
      {"set_speed", "speed", kAttribute}, {"set_Speed", "Speed", kNone},
      {"translation", "", kNone}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.event);
    expectEnd(resolve("door", c.event), door, kComponent, c.member, c.type);
  }
  expectEnd(resolve("doorSensor", "isActive"), door, kComponent, "doorSensor", kSensor);
  // Names are matched with their case; unknown names resolve to nothing.
  for (const char* point : {"Door", "DoorSensor", "gateSensor", "doorsensor", ""}) {
    SCOPED_TRACE(point);
    expectEnd(resolve(point, "set_translation"), nullptr, kNowhere, "", kNone);
  }
}

TEST_F(Routes, AddingByNamesAndRefusals) {
  EXPECT_EQ(world.getRoute(nullptr), nullptr);
  ASSERT_EQ(world.addRoute("Open", "door", "set_openActive", "door", "translation_changed"), 1);
  ZKRoute* open = world.getRoute("OPEN");
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(world.getRouteAt(0), open);
  EXPECT_STREQ(open->getName(), "Open");
  EXPECT_EQ(open->getTarget(), door);
  EXPECT_EQ(open->getTargetMemberType(), kField);
  // Ends naming nothing the world holds are kept unresolved.
  ASSERT_EQ(world.addRoute("ghost", "nobody", "set_x", "nothing", "y_changed"), 1);
  ZKRoute* ghost = world.getRoute("ghost");
  EXPECT_EQ(ghost->getSourceType(), kNowhere);
  EXPECT_EQ(ghost->getTargetMemberType(), kNone);
  EXPECT_STREQ(ghost->getTargetEvent(), "y_changed");
  // A name taken ignoring case is refused in both forms, and so is text that
  // would not fit a route's arrays.
  ZKRoute twin("gHoSt");
  EXPECT_EQ(world.addRoute(&twin), 0);
  EXPECT_EQ(world.addRoute(static_cast<ZKRoute*>(nullptr)), 0);
  const std::string fits(51, 'a'), overlong(52, 'a');
  const std::string longSensor = "doorSensor" + std::string(42, 'x');
  EXPECT_EQ(resolve(longSensor.c_str(), "isActive").memberType, kSensor);
  const char* const refused[][5] = {
      {"OPEN", "door", "set_speed", "door", "set_speed"},
      {overlong.c_str(), "door", "set_speed", "door", "set_speed"},
      {"long event", "door", overlong.c_str(), "door", "set_speed"},
      {"long target", "door", "set_speed", "door", overlong.c_str()},
      {"long member", longSensor.c_str(), "isActive", "door", "set_speed"}};
  for (const auto& r : refused) EXPECT_EQ(world.addRoute(r[0], r[1], r[2], r[3], r[4]), 0) << r[0];
  EXPECT_EQ(world.getNumRoutes(), 2);
  EXPECT_EQ(world.addRoute(fits.c_str(), "door", "set_speed", "door", fits.c_str()), 1);
  EXPECT_EQ(std::string(world.getRoute(fits.c_str())->getTargetEvent()), fits);
  EXPECT_EQ(world.getRouteAt(2), world.getRoute(fits.c_str()));
  EXPECT_EQ(world.getRouteAt(3), nullptr);
}

TEST_F(Routes, SourceAndTargetQueriesAcrossRemovals) {
  int lamp = 0;
  ZKRoute* toLamp = new ZKRoute("toLamp");
  toLamp->setSource(door, kComponent);
  toLamp->setTarget(&lamp, kLight);
  ASSERT_EQ(world.addRoute(toLamp), 1);
  ASSERT_EQ(world.addRoute("self", "door", "set_speed", "door", "set_speed"), 1);
  ASSERT_EQ(world.addRoute("fromNowhere", "nobody", "x_changed", "door", "set_speed"), 1);
  ZKRoute* self = world.getRoute("self");

  RWTPtrSlist<ZKRoute> out;
  out.append(toLamp);
  EXPECT_EQ(world.getRoutesWithSource(door, out), 2);
  ASSERT_EQ(out.entries(), 2u);
  EXPECT_EQ(out.at(0), toLamp);
  EXPECT_EQ(out.at(1), self);
  EXPECT_EQ(world.getNumRoutesWithTarget(door), 2);
  EXPECT_EQ(world.getNumRoutesWithTarget(&lamp), 1);
  EXPECT_EQ(world.getNumRoutesWithSource(&lamp), 0);
  EXPECT_EQ(world.getRoutesWithSource(nullptr, out), 0);
  EXPECT_TRUE(out.isEmpty());

  // Removal unlinks without destroying; a route of the same name will do.
  EXPECT_EQ(world.removeRoute(toLamp), 1);
  EXPECT_EQ(world.removeRoute(toLamp), 0);
  EXPECT_EQ(world.removeRoute(nullptr), 0);
  EXPECT_EQ(world.getNumRoutesWithTarget(&lamp), 0);
  ZKRoute probe("SELF");
  EXPECT_EQ(world.removeRoute(&probe), 1);
  EXPECT_EQ(world.getNumRoutesWithSource(door), 0);
  EXPECT_EQ(world.getRoutesWithTarget(door, out), 1);
  EXPECT_STREQ(out.at(0)->getName(), "fromNowhere");
  EXPECT_EQ(world.getRouteAt(0), out.at(0));
  // A removed route can come back; the world's destructor deletes it.
  EXPECT_EQ(world.addRoute(toLamp), 1);
  EXPECT_EQ(world.getRouteAt(1), toLamp);
  delete self;
}

}  // namespace
