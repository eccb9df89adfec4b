#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKRoute.h>

#include <Inventor/nodes/SoPointLight.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class RouteEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ZKComponent::initClass(); }
};

const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new RouteEnvironment);

struct Resolved {
  void* point = nullptr;
  ZKRoute::RoutePointType pointType = ZKRoute::light_point;
  RWCString memberName = "stale";
  ZKRoute::RouteMemberType memberType = ZKRoute::attribute_member;
};

Resolved resolve(ZKComponentDB& world, const char* point, const char* event) {
  Resolved r;
  world.getRoutePointInfo(point, event, r.point, r.pointType, r.memberName, r.memberType);
  return r;
}

Resolved resolve(const ZKRoute::PointFinders& finders, const char* point, const char* event) {
  Resolved r;
  ZKRoute::resolvePoint(finders, point, event, r.point, r.pointType, r.memberName, r.memberType);
  return r;
}

// A world holding the active component "door" with the attribute "speed".
class RouteWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    door = new ZKComponent("door", "Door");
    door->ref();
    door->addAttribute("speed", new ZKFloatAttribute);
    world.addComponent(door, 1, nullptr);
  }
  ZKComponentDB world;
  ZKComponent* door = nullptr;
};

TEST(RouteRecord, FieldsNamesAndCapacity) {
  ZKRoute fresh;
  EXPECT_STREQ(fresh.getName(), "");
  EXPECT_EQ(fresh.getSource(), nullptr);
  EXPECT_EQ(fresh.getTargetType(), ZKRoute::unresolved_point);
  EXPECT_STREQ(fresh.getSourceEvent(), "");
  EXPECT_STREQ(fresh.getTargetMemberName(), "");

  int thing = 0;
  ZKRoute route("Opener");
  route.setSource(&thing, ZKRoute::component_point);
  route.setSourceEvent("set_openActive");
  route.setSourceMember("open", ZKRoute::behavior_member);
  route.setTargetEvent(nullptr);
  ZKRoute copy;
  copy = route;
  EXPECT_EQ(copy.getSource(), &thing);
  EXPECT_EQ(copy.getSourceType(), ZKRoute::component_point);
  EXPECT_STREQ(copy.getSourceEvent(), "set_openActive");
  EXPECT_STREQ(copy.getSourceMemberName(), "open");
  EXPECT_EQ(copy.getSourceMemberType(), ZKRoute::behavior_member);
  EXPECT_STREQ(copy.getTargetEvent(), "");

  // Identity is the name ignoring case.
  EXPECT_TRUE(route == ZKRoute("oPENER"));
  EXPECT_FALSE(route == ZKRoute("Opener2"));
  EXPECT_TRUE(ZKRoute("alpha") < ZKRoute("Beta"));
  EXPECT_FALSE(ZKRoute("Beta") < ZKRoute("alpha"));

  // Text longer than the arrays hold is cut to its first 51 characters.
  const std::string overlong(80, 'x');
  route.setName(overlong.c_str());
  route.setTargetEvent(overlong.c_str());
  route.setTargetMember(overlong.c_str(), ZKRoute::field_member);
  EXPECT_EQ(std::string(route.getName()), overlong.substr(0, 51));
  EXPECT_EQ(std::string(route.getTargetEvent()), overlong.substr(0, 51));
  EXPECT_EQ(std::string(route.getTargetMemberName()), overlong.substr(0, 51));
}

TEST(RouteResolution, LightsAndProximitySensorsThroughFinders) {
  SoPointLight* lamp = new SoPointLight;
  lamp->ref();
  ZKComponent* both = new ZKComponent("Lamp", "Lamp");
  both->ref();
  int sensor = 0;
  ZKRoute::PointFinders finders;
  finders.light = [&](const RWCString& n) { return n == "Lamp" ? lamp : nullptr; };
  finders.proximitySensor = [&](const RWCString& n) -> void* {
    return n == "porch" ? &sensor : nullptr;
  };
  finders.component = [&](const RWCString& n) { return n == "Lamp" ? both : nullptr; };

  // A light wins over a component of the same name; its member stays open.
  Resolved light = resolve(finders, "Lamp", "set_on");
  EXPECT_EQ(light.point, lamp);
  EXPECT_EQ(light.pointType, ZKRoute::light_point);
  EXPECT_EQ(light.memberType, ZKRoute::unresolved_member);
  EXPECT_EQ(light.memberName, RWCString(""));

  for (const char* event :
       {"isActive", "position_changed", "orientation_changed", "enterTime", "exitTime"}) {
    Resolved out = resolve(finders, "porch", event);
    EXPECT_EQ(out.point, &sensor) << event;
    EXPECT_EQ(out.pointType, ZKRoute::proximity_sensor_point) << event;
    EXPECT_EQ(out.memberType, ZKRoute::event_member) << event;
  }
  struct {
    const char* event;
    const char* member;
    ZKRoute::RouteMemberType type;
  } const fields[] = {{"center", "", ZKRoute::field_member},
                      {"set_center", "center", ZKRoute::field_member},
                      {"size_changed", "size", ZKRoute::field_member},
                      {"set_enabled", "enabled", ZKRoute::field_member},
                      {"set_colour", "colour", ZKRoute::unresolved_member},
                      {"isactive", "", ZKRoute::unresolved_member}};
  for (const auto& f : fields) {
    Resolved out = resolve(finders, "porch", f.event);
    EXPECT_EQ(out.pointType, ZKRoute::proximity_sensor_point) << f.event;
    EXPECT_EQ(out.memberName, RWCString(f.member)) << f.event;
    EXPECT_EQ(out.memberType, f.type) << f.event;
  }

  // Without finders nothing resolves.
  Resolved none = resolve(ZKRoute::PointFinders(), "Lamp", "set_on");
  EXPECT_EQ(none.point, nullptr);
  EXPECT_EQ(none.pointType, ZKRoute::unresolved_point);
  EXPECT_EQ(none.memberType, ZKRoute::unresolved_member);
  both->unref();
  lamp->unref();
}

TEST_F(RouteWorld, ComponentMembersAndComponentSensors) {
  struct {
    const char* event;
    const char* member;
    ZKRoute::RouteMemberType type;
  } const cases[] = {{"set_translation", "translation", ZKRoute::field_member},
                     {"translation_changed", "translation", ZKRoute::field_member},
                     {"set_scaleOrientation", "scaleOrientation", ZKRoute::field_member},
                     {"set_openActive", "open", ZKRoute::behavior_member},
                     {"openActive_changed", "open", ZKRoute::behavior_member},
                     {"set_Activeness", "Activeness", ZKRoute::unresolved_member},
                     {"set_speed", "speed", ZKRoute::attribute_member},
                     {"set_Speed", "Speed", ZKRoute::unresolved_member},
                     {"translation", "", ZKRoute::unresolved_member}};
  for (const auto& c : cases) {
    Resolved out = resolve(world, "door", c.event);
    EXPECT_EQ(out.point, door) << c.event;
    EXPECT_EQ(out.pointType, ZKRoute::component_point) << c.event;
    EXPECT_EQ(out.memberName, RWCString(c.member)) << c.event;
    EXPECT_EQ(out.memberType, c.type) << c.event;
  }

  Resolved sensor = resolve(world, "doorSensor", "isActive");
  EXPECT_EQ(sensor.point, door);
  EXPECT_EQ(sensor.pointType, ZKRoute::component_point);
  EXPECT_EQ(sensor.memberType, ZKRoute::sensor_member);
  EXPECT_EQ(sensor.memberName, RWCString("doorSensor"));

  // Names are matched with their case; unknown names resolve to nothing.
  for (const char* point : {"Door", "DoorSensor", "gateSensor", "doorsensor", ""}) {
    Resolved out = resolve(world, point, "set_translation");
    EXPECT_EQ(out.point, nullptr) << point;
    EXPECT_EQ(out.pointType, ZKRoute::unresolved_point) << point;
    EXPECT_EQ(out.memberName, RWCString("")) << point;
    EXPECT_EQ(out.memberType, ZKRoute::unresolved_member) << point;
  }
}

TEST_F(RouteWorld, AddingByNamesAndRefusals) {
  EXPECT_EQ(world.getRouteAt(0), nullptr);
  EXPECT_EQ(world.getRoute(nullptr), nullptr);

  ASSERT_EQ(world.addRoute("Open", "door", "set_openActive", "door", "translation_changed"), 1);
  ZKRoute* open = world.getRoute("open");
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(world.getRoute("OPEN"), open);
  EXPECT_EQ(world.getRouteAt(0), open);
  EXPECT_STREQ(open->getName(), "Open");
  EXPECT_STREQ(open->getSourceEvent(), "set_openActive");
  EXPECT_STREQ(open->getSourceMemberName(), "open");
  EXPECT_EQ(open->getSourceMemberType(), ZKRoute::behavior_member);
  EXPECT_EQ(open->getTarget(), door);
  EXPECT_EQ(open->getTargetMemberType(), ZKRoute::field_member);

  // Ends naming nothing the world holds are kept unresolved.
  ASSERT_EQ(world.addRoute("ghost", "nobody", "set_x", "nothing", "y_changed"), 1);
  ZKRoute* ghost = world.getRoute("ghost");
  EXPECT_EQ(ghost->getSourceType(), ZKRoute::unresolved_point);
  EXPECT_EQ(ghost->getSource(), nullptr);
  EXPECT_EQ(ghost->getTargetMemberType(), ZKRoute::unresolved_member);
  EXPECT_STREQ(ghost->getTargetEvent(), "y_changed");

  // A name taken ignoring case is refused in both forms.
  EXPECT_EQ(world.addRoute("OPEN", "door", "set_speed", "door", "set_speed"), 0);
  ZKRoute* twin = new ZKRoute("gHoSt");
  EXPECT_EQ(world.addRoute(twin), 0);
  delete twin;
  EXPECT_EQ(world.addRoute(static_cast<ZKRoute*>(nullptr)), 0);
  EXPECT_EQ(world.getNumRoutes(), 2);

  // Text that would not fit a route's arrays refuses the whole route.
  const std::string fits(51, 'a');
  const std::string overlong(52, 'a');
  EXPECT_EQ(world.addRoute(overlong.c_str(), "door", "set_speed", "door", "set_speed"), 0);
  EXPECT_EQ(world.addRoute("long event", "door", overlong.c_str(), "door", "set_speed"), 0);
  EXPECT_EQ(world.addRoute("long target", "door", "set_speed", "door", overlong.c_str()), 0);
  const std::string longSensor = "doorSensor" + std::string(42, 'x');
  EXPECT_EQ(resolve(world, longSensor.c_str(), "isActive").memberType, ZKRoute::sensor_member);
  EXPECT_EQ(world.addRoute("long member", longSensor.c_str(), "isActive", "door", "set_speed"), 0);
  EXPECT_EQ(world.getNumRoutes(), 2);
  EXPECT_EQ(world.getRoute(overlong.c_str()), nullptr);
  EXPECT_EQ(world.addRoute(fits.c_str(), "door", "set_speed", "door", fits.c_str()), 1);
  EXPECT_EQ(std::string(world.getRoute(fits.c_str())->getTargetEvent()), fits);
  EXPECT_EQ(world.getRouteAt(2), world.getRoute(fits.c_str()));
  EXPECT_EQ(world.getRouteAt(3), nullptr);
}

TEST_F(RouteWorld, SourceAndTargetQueriesAcrossRemovals) {
  int lamp = 0;
  ZKRoute* toLamp = new ZKRoute("toLamp");
  toLamp->setSource(door, ZKRoute::component_point);
  toLamp->setTarget(&lamp, ZKRoute::light_point);
  ASSERT_EQ(world.addRoute(toLamp), 1);
  ASSERT_EQ(world.addRoute("self", "door", "set_speed", "door", "set_speed"), 1);
  ASSERT_EQ(world.addRoute("fromNowhere", "nobody", "x_changed", "door", "set_speed"), 1);

  RWTPtrSlist<ZKRoute> out;
  out.append(toLamp);
  EXPECT_EQ(world.getRoutesWithSource(door, out), 2);
  ASSERT_EQ(out.entries(), 2u);
  EXPECT_EQ(out.at(0), toLamp);
  EXPECT_EQ(out.at(1), world.getRoute("self"));
  EXPECT_EQ(world.getNumRoutesWithTarget(door), 2);
  EXPECT_EQ(world.getNumRoutesWithTarget(&lamp), 1);
  EXPECT_EQ(world.getNumRoutesWithSource(&lamp), 0);
  EXPECT_EQ(world.getRoutesWithSource(nullptr, out), 0);
  EXPECT_TRUE(out.isEmpty());

  // Removal unlinks without destroying; a route of the same name will do.
  EXPECT_EQ(world.removeRoute(toLamp), 1);
  EXPECT_EQ(world.removeRoute(toLamp), 0);
  EXPECT_EQ(world.removeRoute(nullptr), 0);
  EXPECT_EQ(world.getRoutesWithSource(door, out), 1);
  EXPECT_EQ(out.at(0), world.getRoute("self"));
  EXPECT_EQ(world.getNumRoutesWithTarget(&lamp), 0);
  ZKRoute* self = world.getRoute("self");
  ZKRoute probe("SELF");
  EXPECT_EQ(world.removeRoute(&probe), 1);
  EXPECT_EQ(world.getNumRoutesWithSource(door), 0);
  EXPECT_EQ(world.getRoutesWithTarget(door, out), 1);
  EXPECT_STREQ(out.at(0)->getName(), "fromNowhere");
  EXPECT_EQ(world.getNumRoutes(), 1);
  EXPECT_EQ(world.getRouteAt(0), out.at(0));

  // A removed route can come back; the world's destructor deletes it.
  EXPECT_EQ(world.addRoute(toLamp), 1);
  EXPECT_EQ(world.getRouteAt(1), toLamp);
  delete self;
}

}  // namespace
