#include "../TestScene.h"

#include <zkcp/attribute/ZKLinearAttributes.h>
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/component/ZKComponentSensor.h>
#include <zkcp/live/ZKLiveWorld.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKProximitySensor.h>
#include <zkcp/x3d/ZKX3DWriter.h>

#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoTransform.h>
#include <Inventor/sensors/SoNodeSensor.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#ifdef ZKCP_SAMPLE_WORLD
#include "WorldReader.h"
#endif

namespace {

using Live = ZKLiveWorld;

// A world that keeps every activation and deactivation it is asked for.
class LoggingWorld : public ZKComponentDB {
 public:
  void activateBehavior(ZKComponent* c, const RWCString& b, int startup) override {
    log += "+" + b.str() + " ";
    ZKComponentDB::activateBehavior(c, b, startup);
  }
  void deactivateBehavior(ZKComponent* c, const RWCString& b) override {
    log += "-" + b.str() + " ";
    ZKComponentDB::deactivateBehavior(c, b);
  }
  using ZKComponentDB::activateBehavior;
  using ZKComponentDB::deactivateBehavior;
  std::string log;
};

Live::Value_t num(double d) {
  Live::Value_t v;
  v.v[0] = d;
  return v;
}

// A world of one component "box" made of twoparts.iv, whose behaviour
// "slide" is the mover module's (it sets "moving", moves the part "Right"
// on every second update and puts it back when it finishes), a light, a
// proximity sensor "near" of size 2 at the origin and a touch sensor on the
// box. Each test adds its routes before it starts the live world.
class LiveWorldTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SoDB::init();
    ZKComponent::initClass();
  }
  void SetUp() override {
    SoSeparator* root = zkcp_test::readData("twoparts.iv");
    box = new ZKComponent("box", "Two", "twoparts.iv", root, &world);
    root->unref();
    box->ref();
    world.addComponent(box, 1, nullptr);
    for (const char* name : {"moving", "lit"}) {
      auto* a = new ZKBoolAttribute;
      a->setName(name);
      box->addAttribute(name, a);
    }
    for (const char* name : {"a", "b", "calls"}) {
      auto* a = new ZKFloatAttribute;
      a->setName(name);
      box->addAttribute(name, a);
    }
    auto* place = new ZKVec3fAttribute;
    place->setName("place");
    box->addAttribute("place", place);
    testing::internal::CaptureStdout();
    box->addBehavior("slide", world.getBehavior("mover", "mover_step", "mover_start",
                                                "mover_stop", RWTValSlist<RWCString>(),
                                                ZKBehavior::Dependencies()));
    testing::internal::GetCapturedStdout();
    ZKComponentSensor touch;
    touch.setType(ZKComponentSensor::touch_sensor);
    touch.setName("boxSensor");
    box->setComponentSensor(touch);
    world.addLight("desk", new SoPointLight);
    auto* near = new ZKProximitySensor;
    near->setName("near");
    near->setSize(SbVec3f(2, 2, 2));
    world.addProximitySensor(near);
  }
  void route(const char* name, const char* from, const char* fromEvent, const char* to,
             const char* toEvent) {
    world.addRoute(name, from, fromEvent, to, toEvent);
  }
  // A second component like the box, without attributes or behaviours.
  ZKComponent* addTwin(const char* name) {
    SoSeparator* root = zkcp_test::readData("twoparts.iv");
    auto* twin = new ZKComponent(name, "Two", "twoparts.iv", root, &world);
    root->unref();
    twin->ref();
    world.addComponent(twin, 1, nullptr);
    return twin;
  }
  void start() { live = std::make_unique<Live>(&world); }
  Live::Id_t id(Live::Object_t type, const std::string& name, const std::string& member = "") {
    return live->find(type, name, member);
  }
  // A tick's changes and events as text: "id.field=v0[,v1,v2]" and
  // "+behaviour", "-behaviour", "^attribute" (a threshold crossed).
  std::string step(double seconds = 0.1) {
    Live::Tick_t t;
    EXPECT_TRUE(live->tick(seconds, t));
    std::ostringstream out;
    for (const Live::Event_t& e : t.events) {
      if (e.kind == Live::behavior_activated) out << "+" << live->object(e.subject)->name << " ";
      if (e.kind == Live::behavior_deactivated) out << "-" << live->object(e.subject)->name << " ";
      if (e.kind == Live::threshold_crossed) out << "^" << live->object(e.subject)->name << " ";
    }
    for (const Live::Change_t& c : t.changes) {
      const Live::Object* o = live->object(c.id);
      out << o->name;
      if (o->type != Live::attribute_object) out << "." << o->fields[c.field].name;
      out << "=" << c.value.v[0];
      if (o->fields[c.field].kind == Live::vec3f_kind)
        out << "," << c.value.v[1] << "," << c.value.v[2];
      out << " ";
    }
    return out.str();
  }
  bool attribute(const char* name) {
    return static_cast<ZKBoolAttribute*>(box->getAttribute(name))->getValue() != 0;
  }
  float number(const char* name) {
    return static_cast<ZKFloatAttribute*>(box->getAttribute(name))->getValue();
  }
  bool light() { return world.getLight("desk")->on.getValue() != 0; }

  LoggingWorld world;
  ZKComponent* box = nullptr;
  std::unique_ptr<Live> live;
  const SbRotation still = SbRotation::identity();
};

TEST_F(LiveWorldTest, ManifestNamesWhatTheExportDefines) {
  route("drag", "boxSensor", "hitPoint_changed", "box", "set_translation");
  start();
  std::string text;
  for (const Live::Object& o : live->manifest()) {
    ASSERT_EQ(live->object(o.id), &o);
    text += o.name + "/" + o.def + "/" + std::to_string(o.fields.size()) + " ";
  }
  EXPECT_EQ(text,
            "box/box/5 Left/box_Left/5 Right/box_Right/5 a/box/1 b/box/1 calls/box/1 lit/box/1 "
            "moving/box/1 place/box/1 slide//1 boxSensor/boxSensor/4 Desk/Desk/4 near/near/6 ");
  std::ostringstream quiet;
  ZKX3DWriter page(&world, quiet);
  Live named(&world, &page);
  ASSERT_EQ(named.manifest().size(), live->manifest().size());
  for (size_t i = 0; i < named.manifest().size(); ++i)
    EXPECT_EQ(named.manifest()[i].def, live->manifest()[i].def) << named.manifest()[i].name;
  EXPECT_NE(page.text().find("<TouchSensor DEF=\"boxSensor\" enabled=\"true\""), std::string::npos)
      << page.text();
  EXPECT_NE(page.text().find("<ROUTE fromNode=\"boxSensor\" fromField=\"hitPoint_changed\" "
                             "toNode=\"box\" toField=\"set_translation\" />"),
            std::string::npos);
}

// Two viewers share the sensor: the first in activates the behaviour, the
// last out deactivates it through the world, and its finishing runs.
TEST_F(LiveWorldTest, SensorToBehaviorFollowsFirstInAndLastOut) {
  route("approach", "near", "isActive", "box", "set_slideActive");
  start();
  const Live::Id_t near = id(Live::proximity_sensor_object, "near");
  EXPECT_TRUE(live->viewerMoved("ann", 1, SbVec3f(5, 0, 0), still));
  EXPECT_EQ(world.log, "");
  EXPECT_TRUE(live->viewerMoved("ann", 2, SbVec3f(0.5f, 0, 0), still));
  EXPECT_EQ(world.log, "+slide ");
  EXPECT_TRUE(attribute("moving"));
  EXPECT_TRUE(live->viewerMoved("bob", 3, SbVec3f(0, 0.5f, 0), still));
  EXPECT_TRUE(live->viewerMoved("ann", 4, SbVec3f(9, 0, 0), still));
  EXPECT_EQ(world.log, "+slide ");
  EXPECT_EQ(step(0), "+slide near.isActive=1 near.enterTime=2 moving=1 slide.active=1 calls=1 ");
  EXPECT_TRUE(live->viewerLeft("bob", 5));
  EXPECT_EQ(world.log, "+slide -slide ");
  EXPECT_FALSE(attribute("moving"));
  EXPECT_EQ(step(0), "-slide near.isActive=0 near.exitTime=5 moving=0 slide.active=0 ");
  // A caller that tests the boxes itself.
  EXPECT_TRUE(live->proximityEvent("cid", near, true, 6));
  EXPECT_EQ(world.log, "+slide -slide +slide ");
  EXPECT_FALSE(live->proximityEvent("cid", id(Live::component_object, "box"), true, 7));
}

TEST_F(LiveWorldTest, RoutesSetAttributesLightsAndTransforms) {
  route("show", "near", "isActive", "box", "set_lit");
  route("lamp", "box", "lit_changed", "desk", "set_on");
  route("move", "box", "place_changed", "box", "set_translation");
  route("wrong", "box", "place_changed", "desk", "set_on");
  world.getLight("desk")->on.setValue(FALSE);
  start();
  testing::internal::CaptureStderr();
  EXPECT_TRUE(live->viewerMoved("ann", 1, SbVec3f(0, 0, 0), still));
  EXPECT_TRUE(attribute("lit"));
  EXPECT_TRUE(light());
  Live::Value_t place;
  place.v = {1, 2, 3, 0};
  EXPECT_TRUE(live->setAttribute(id(Live::attribute_object, "box", "place"), place, 2));
  EXPECT_EQ(box->getTransform()->translation.getValue(), SbVec3f(1, 2, 3));
  place.v = {4, 5, 6, 0};
  EXPECT_TRUE(live->setAttribute(id(Live::attribute_object, "box", "place"), place, 3));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "zkcp: live: route /wrong/ to set_on cannot carry a vec3f value; it is skipped\n");
  EXPECT_EQ(step(), "near.isActive=1 near.enterTime=1 lit=1 Desk.on=1 place=4,5,6 "
                    "box.translation=4,5,6 ");
  EXPECT_EQ(step(), "");
}

// A threshold crosses once, when the value is set, after the activation
// that set it: a route starts the behaviour, whose start sets "moving",
// then the next route sets "lit"; the updates raise "calls" past 2.
TEST_F(LiveWorldTest, ThresholdsCrossOnceInOrderWithActivations) {
  route("approach", "near", "isActive", "box", "set_slideActive");
  route("show", "near", "isActive", "box", "set_lit");
  start();
  bool (*on)(const Live::Value_t&) = [](const Live::Value_t& v) { return v.v[0] != 0; };
  for (const char* name : {"moving", "lit"})
    EXPECT_TRUE(live->watchThreshold(id(Live::attribute_object, "box", name), on));
  EXPECT_TRUE(live->watchThreshold(id(Live::attribute_object, "box", "calls"),
                                   [](const Live::Value_t& v) { return v.v[0] >= 2; }));
  EXPECT_FALSE(live->watchThreshold(id(Live::behavior_object, "box", "slide"), on));
  EXPECT_FALSE(live->watchThreshold(id(Live::attribute_object, "box", "lit"), nullptr));
  EXPECT_TRUE(live->viewerMoved("ann", 1, SbVec3f(0, 0, 0), still));
  EXPECT_EQ(step(0), "+slide ^moving ^lit near.isActive=1 near.enterTime=1 moving=1 "
                     "slide.active=1 lit=1 calls=1 ");
  EXPECT_EQ(step(), "^calls calls=2 Right.translation=3.5,0,0 ");
  EXPECT_EQ(step(), "calls=3 ");
  // Out and in again between two ticks: the values end as they were, the
  // crossings are reported.
  EXPECT_TRUE(live->viewerLeft("ann", 2));
  EXPECT_TRUE(live->viewerMoved("bob", 2.5, SbVec3f(0, 0, 0), still));
  EXPECT_EQ(step(0), "-slide +slide ^moving ^lit near.exitTime=2 near.enterTime=2.5 calls=4 ");
}

// A translation routed to the sensor's centre moves the box that decides
// who is inside.
TEST_F(LiveWorldTest, TransformToProximitySensorField) {
  route("follow", "box", "translation_changed", "near", "set_center");
  start();
  EXPECT_TRUE(live->viewerMoved("ann", 1, SbVec3f(10, 0, 0), still));
  box->getTransform()->translation.setValue(10, 0, 0.5f);
  EXPECT_EQ(step(), "box.translation=10,0,0.5 near.isActive=1 near.enterTime=1.1 "
                    "near.center=10,0,0.5 ");
}

TEST_F(LiveWorldTest, ComponentSensorToBehavior) {
  route("press", "boxSensor", "isActive", "box", "set_slideActive");
  start();
  EXPECT_TRUE(live->sensorEvent("box", "isActive", 1, num(1)));
  EXPECT_EQ(world.log, "+slide ");
  EXPECT_TRUE(live->sensorEvent("box", "touchTime", 1, num(1)));
  EXPECT_FALSE(live->sensorEvent("box", "nonsense", 1, num(1)));
  EXPECT_FALSE(live->sensorEvent("nobody", "isActive", 1, num(1)));
  EXPECT_TRUE(live->sensorEvent("box", "isActive", 2, num(0)));
  EXPECT_EQ(world.log, "+slide -slide ");
}

// a sets b, b sets a: each route carries one event per time stamp, so the
// cascade ends; the next stamp runs it once more.
TEST_F(LiveWorldTest, LoopOfRoutesEnds) {
  route("ab", "box", "a_changed", "box", "set_b");
  route("ba", "box", "b_changed", "box", "set_a");
  start();
  EXPECT_TRUE(live->setAttribute(id(Live::attribute_object, "box", "a"), num(1), 1));
  EXPECT_EQ(number("a"), 1);
  EXPECT_EQ(number("b"), 1);
  EXPECT_TRUE(live->setAttribute(id(Live::attribute_object, "box", "b"), num(2), 2));
  EXPECT_EQ(number("a"), 2);
  EXPECT_EQ(step(), "a=2 b=2 ");
}

TEST_F(LiveWorldTest, SnapshotAtStartPlusChangesIsSnapshotNow) {
  route("approach", "near", "isActive", "box", "set_slideActive");
  start();
  std::vector<Live::Change_t> first, now;
  live->snapshot(first);
  std::map<std::pair<Live::Id_t, int>, Live::Value_t> applied;
  for (const auto& c : first) applied[{c.id, c.field}] = c.value;
  live->viewerMoved("ann", 0.5, SbVec3f(0, 0, 0), still);
  for (int i = 0; i < 8; ++i) {
    Live::Tick_t t;
    if (i == 5) live->viewerLeft("ann", live->now());
    ASSERT_TRUE(live->tick(0.25, t));
    EXPECT_EQ(t.sequence, static_cast<std::uint64_t>(i + 1));
    for (const auto& c : t.changes) applied[{c.id, c.field}] = c.value;
  }
  live->snapshot(now);
  ASSERT_EQ(now.size(), first.size());
  int differs = 0;
  for (const auto& c : now) {
    EXPECT_EQ((applied[{c.id, c.field}]), c.value) << live->object(c.id)->name;
    const auto& was = first[&c - now.data()];
    differs += was.value != c.value;
  }
  EXPECT_GT(differs, 0);
}

TEST_F(LiveWorldTest, CollisionsBeginAndEndBetweenMovedComponents) {
  ZKComponent* crate = addTwin("crate");
  crate->getTransform()->translation.setValue(100, 0, 0);
  start();
  live->setCollisionTesting(true);
  auto events = [&] {
    Live::Tick_t t;
    live->tick(0.1, t);
    std::string text;
    for (const Live::Event_t& e : t.events)
      text += (e.kind == Live::collision_began ? "began " : e.kind == Live::collision_ended ? "ended " : "") +
              live->object(e.subject)->name + "," + live->object(e.other)->name + " ";
    return text;
  };
  EXPECT_EQ(events(), "");
  crate->getTransform()->translation.setValue(0.5f, 0, 0);
  EXPECT_EQ(events(), "began box,crate ");
  crate->getTransform()->translation.setValue(0.6f, 0, 0);
  EXPECT_EQ(events(), "");
  crate->getTransform()->translation.setValue(100, 0, 0);
  EXPECT_EQ(events(), "ended box,crate ");
}

// Each field set is reported, also two of one transform in one tick, and a
// change told without naming its field (the node touched) reads them all.
TEST_F(LiveWorldTest, EveryTransformFieldSetIsReported) {
  start();
  SoTransform* t = box->getTransform();
  t->translation.setValue(1, 2, 3);
  t->scaleFactor.setValue(2, 2, 2);
  EXPECT_EQ(step(), "box.translation=1,2,3 box.scale=2,2,2 ");
  t->enableNotify(FALSE);
  t->center.setValue(4, 0, 0);
  t->translation.setValue(0, 0, 0);
  t->enableNotify(TRUE);
  t->touch();
  EXPECT_EQ(step(), "box.translation=0,0,0 box.center=4,0,0 ");
}

// In a tick, the scene root hears of everything that moved below the
// components once, after the updates, while each component hears of its own
// part as it moves; outside a tick, a change reaches the root at once.
TEST_F(LiveWorldTest, SceneRootHearsATickOnce) {
  ZKComponent* crate = addTwin("crate");
  crate->addBehavior("slide", box->getBehavior("slide"));
  start();
  int heard[3] = {0, 0, 0};  // the scene root, box, crate
  SoNode* watched[3] = {world.getComponentSceneRoot(), box, crate};
  std::vector<std::unique_ptr<SoNodeSensor>> sensors;
  for (int i = 0; i < 3; ++i) {
    sensors.push_back(std::make_unique<SoNodeSensor>(
        [](void* count, SoSensor*) { ++*static_cast<int*>(count); }, &heard[i]));
    sensors.back()->setPriority(0);
    sensors.back()->attach(watched[i]);
  }
  auto tick = [&] {
    heard[0] = heard[1] = heard[2] = 0;
    const std::string changes = step();
    return changes + "| " + std::to_string(heard[0]) + " " + std::to_string(heard[1] > 0) +
           std::to_string(heard[2] > 0);
  };
  ASSERT_TRUE(live->activateBehavior(id(Live::behavior_object, "box", "slide"), 0));
  ASSERT_TRUE(live->activateBehavior(id(Live::behavior_object, "crate", "slide"), 0));
  EXPECT_EQ(tick(), "+slide +slide moving=1 slide.active=1 slide.active=1 calls=1 | 1 00");
  EXPECT_EQ(tick(), "calls=2 Right.translation=3.5,0,0 Right.translation=3.5,0,0 | 1 11");
  heard[0] = 0;
  box->getTransform()->translation.setValue(1, 2, 3);
  EXPECT_EQ(heard[0], 1);
}

TEST_F(LiveWorldTest, BadInputIsRefusedAndChangesNothing) {
  Live none(nullptr);
  Live::Tick_t t;
  EXPECT_FALSE(none.isValid());
  EXPECT_FALSE(none.tick(1, t));
  EXPECT_FALSE(none.viewerMoved("ann", 1, SbVec3f(0, 0, 0), still));
  EXPECT_TRUE(none.manifest().empty());

  route("approach", "near", "isActive", "box", "set_slideActive");
  start();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(live->viewerMoved("ann", 1, SbVec3f(nan, 0, 0), still));
  EXPECT_FALSE(live->viewerMoved("ann", inf, SbVec3f(0, 0, 0), still));
  EXPECT_FALSE(live->tick(-1, t));
  EXPECT_FALSE(live->tick(nan, t));
  EXPECT_FALSE(live->viewerLeft("nobody", 1));
  EXPECT_FALSE(live->setAttribute(999, num(1), 1));
  EXPECT_FALSE(live->setAttribute(id(Live::attribute_object, "box", "a"), num(nan), 1));
  EXPECT_FALSE(live->activateBehavior(id(Live::attribute_object, "box", "a"), 1));
  EXPECT_TRUE(live->viewerMoved("ann", 5, SbVec3f(0, 0, 0), still));
  EXPECT_FALSE(live->viewerMoved("ann", 4, SbVec3f(9, 0, 0), still));  // time went back
  EXPECT_EQ(world.log, "+slide ");
  EXPECT_EQ(live->now(), 5);

  // The box leaves while ann is in the sensor: its objects stop.
  world.removeComponent(box);
  EXPECT_FALSE(live->activateBehavior(id(Live::behavior_object, "box", "slide"), 6));
  EXPECT_TRUE(live->viewerLeft("ann", 6));
  EXPECT_EQ(world.log, "+slide ");
  // isActive went up and down again between the ticks: not a change.
  EXPECT_EQ(step(), "+slide near.enterTime=5 moving=1 slide.active=1 near.exitTime=6 ");
  box->unref();
}

#ifdef ZKCP_SAMPLE_WORLD
// The sample room from viewer events alone: the door opens as a viewer
// comes near and shuts when the last one leaves; touching the lamp blinks
// it, and the desk light follows the lamp's "on".
TEST(LiveSampleRoom, DoorLampAndDeskLight) {
  testing::internal::CaptureStdout();
  BuiltWorld room = readWorld(ZKCP_SAMPLE_WORLD, {ZKCP_SAMPLE_BEHAVIORS_DIR}, [](int, int) {});
  testing::internal::GetCapturedStdout();
  Live live(room.db.get());
  const SbRotation still = SbRotation::identity();
  auto door = [&] {
    SbVec3f axis;
    float angle;
    room.db->getComponent("door1")->getTransform()->rotation.getValue().getValue(axis, angle);
    return static_cast<int>(std::lround(angle * 180 / M_PI));
  };
  Live::Tick_t t;
  ASSERT_TRUE(live.viewerMoved("ann", 0, SbVec3f(0, 1.6f, 5), still));
  ASSERT_TRUE(live.viewerMoved("bob", 0, SbVec3f(-1.5f, 1, -3), still));
  for (int i = 0; i < 8; ++i) live.tick(0.2, t);
  EXPECT_EQ(door(), 90);
  ASSERT_TRUE(live.viewerMoved("ann", 2, SbVec3f(-1.5f, 1.5f, -3), still));
  ASSERT_TRUE(live.viewerLeft("bob", 2));
  EXPECT_EQ(door(), 90);
  ASSERT_TRUE(live.viewerMoved("ann", 3, SbVec3f(0, 1.6f, 5), still));
  EXPECT_EQ(door(), 0);

  SoLight* desk = room.db->getLight("desk");
  ASSERT_TRUE(live.sensorEvent("lamp1", "isActive", 4, num(1)));
  std::string lit;
  for (int i = 0; i < 4; ++i) {
    live.tick(0.2, t);
    lit += desk->on.getValue() ? "1" : "0";
  }
  EXPECT_EQ(lit, "0101");
  ASSERT_TRUE(live.sensorEvent("lamp1", "isActive", 5, num(0)));
  live.tick(0.2, t);
  EXPECT_TRUE(desk->on.getValue());  // blinking ends, the lamp glows again
}
#endif

}  // namespace
