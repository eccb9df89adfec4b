#include "../TestScene.h"

#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKProximitySensor.h>
#include <zkcp/world/ZKWorldRecorder.h>
#include <zkcp/x3d/X3DAnimationWriter.h>

#include <Inventor/nodes/SoPointLight.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A world of one component made of twoparts.iv, whose behaviour "slide" is
// the mover module's, with a light and a route that activates "slide".
class WorldRecorderTest : public ::testing::Test {
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
    calls = new ZKFloatAttribute;
    box->addAttribute("calls", calls);
    moving = new ZKBoolAttribute;
    box->addAttribute("moving", moving);
    testing::internal::CaptureStdout();
    box->addBehavior("slide", world.getBehavior("mover", "mover_step", "mover_start",
                                                "mover_stop", RWTValSlist<RWCString>(),
                                                ZKBehavior::Dependencies()));
    testing::internal::GetCapturedStdout();
    world.addLight("desk", new SoPointLight);
    auto* near = new ZKProximitySensor;
    near->setName("near");
    world.addProximitySensor(near);
    world.addRoute("approach", "near", "isActive", "box", "set_slideActive");
  }

  // A track as one line: subject, names, then step:value for every key.
  static std::string text(const ZKWorldRecorder::Track_t& t) {
    std::ostringstream out;
    out << (t.subject == ZKWorldRecorder::transform_subject ? "T " : "A ")
        << (t.part.isNull() ? "-" : t.part.data()) << " " << t.member.data();
    const int n = t.kind == ZKWorldRecorder::vec3f_kind ? 3 : 1;
    for (const ZKWorldRecorder::Key_t& k : t.keys) {
      out << " " << k.step << ":" << k.value.v[0];
      for (int i = 1; i < n; ++i) out << "," << k.value.v[i];
    }
    return out.str();
  }
  static std::vector<std::string> texts(const ZKWorldRecorder::Run_t& run) {
    std::vector<std::string> out;
    for (const ZKWorldRecorder::Track_t& t : run.tracks) out.push_back(text(t));
    return out;
  }
  std::string rightAt() {
    std::ostringstream out;
    out << box->getLogicalPart("Right")->getTransform()->translation.getValue()[0];
    return out.str();
  }

  ZKComponentDB world;
  ZKComponent* box = nullptr;
  ZKFloatAttribute* calls = nullptr;
  ZKBoolAttribute* moving = nullptr;
};

TEST_F(WorldRecorderTest, RouteRunKeepsWhatChangedAndPutsTheWorldBack) {
  ZKWorldRecorder recorder(&world);
  ASSERT_EQ(recorder.record(8, 0.25), 1);
  const ZKWorldRecorder::Run_t& run = recorder.getRuns()[0];
  EXPECT_FALSE(run.atStartup);
  ASSERT_EQ(run.routes.size(), 1u);
  EXPECT_STREQ(run.routes[0]->getName(), "approach");
  EXPECT_EQ(run.behaviors[0].second, "slide");
  EXPECT_DOUBLE_EQ(run.duration(), 2.0);
  // "moving" jumps at the activation; "calls" counts every step; Right
  // holds between its moves; Left, the component and the light never move
  // and get nothing.
  EXPECT_EQ(texts(run), (std::vector<std::string>{
                            "A - moving 0:1",
                            "A - calls 0:0 1:1 2:2 3:3 4:4 5:5 6:6 7:7 8:8",
                            "T Right translation 0:3,0,0 1:3,0,0 2:3.5,0,0 3:3.5,0,0 4:4,0,0 "
                            "5:4,0,0 6:4.5,0,0"}));
  EXPECT_EQ(run.tracks[0].before.v[0], 0);
  // Still counting at the end; the finishing leaves "calls" changed.
  EXPECT_TRUE(run.keepsRunning);
  EXPECT_FALSE(run.undoneByFinish);
  // The world as before: values back, behaviour inactive, no watch left.
  EXPECT_EQ(rightAt(), "3");
  EXPECT_EQ(calls->getValue(), 0.0f);
  EXPECT_EQ(moving->getValue(), 0);
  RWTValSortedVector<RWCString> active;
  box->getActiveBehaviorNames(active);
  EXPECT_EQ(active.entries(), 0u);
  EXPECT_EQ(calls->getNumThresholds(), 0);
  EXPECT_EQ(moving->getNumThresholds(), 0);
}

TEST_F(WorldRecorderTest, StartupRunAndBadInput) {
  world.activateBehavior(box, "slide", 1);
  box->removeAttribute(calls);
  delete calls;
  ZKWorldRecorder recorder(&world);
  // The route's behaviour is active already: only the start-up run.
  ASSERT_EQ(recorder.record(3, 0.5), 1);
  const ZKWorldRecorder::Run_t& run = recorder.getRuns()[0];
  EXPECT_TRUE(run.atStartup);
  EXPECT_FALSE(run.keepsRunning);
  // The behaviour makes "calls" anew during the run: it is not watched.
  EXPECT_EQ(texts(run),
            (std::vector<std::string>{"T Right translation 0:3,0,0 1:3,0,0 2:3.5,0,0"}));
  EXPECT_EQ(rightAt(), "3");
  RWTValSortedVector<RWCString> active;
  box->getActiveBehaviorNames(active);
  EXPECT_EQ(active.entries(), 1u);

  EXPECT_EQ(recorder.record(0, 0.5), 0);
  EXPECT_EQ(ZKWorldRecorder(nullptr).record(5, 0.5), 0);
  recorder.recordActivation(box, "none", 2, 0.5);
  recorder.recordActivation(nullptr, "slide", 2, 0.5);
  EXPECT_TRUE(recorder.getRuns().empty());
}

TEST_F(WorldRecorderTest, RouteRunAsX3DAnimation) {
  // Without "calls" the finishing undoes the run: leaving runs it back.
  calls->setIsHidden(1);
  ZKWorldRecorder recorder(&world);
  ASSERT_EQ(recorder.record(8, 0.25), 1);
  // A scene that writes what it is given as lines and numbers the IDs.
  std::ostringstream written;
  int ids = 0;
  X3DAnimationScene scene;
  scene.transform = [](ZKComponent* c, const RWCString& part) {
    return part == "Left" ? std::string() : std::string(c->getName().getString()) + "_" + part.data();
  };
  scene.light = [](const RWCString& light) { return std::string(light.data()); };
  scene.proximitySensor = [](const char* sensor) { return std::string(sensor); };
  scene.addNode = [&](const std::string& type, const X3DAnimationScene::Fields& fields,
                      const std::string& name) {
    const std::string id = name + "#" + std::to_string(++ids);
    written << type << " " << id;
    for (const auto& f : fields) written << " " << f.first << "='" << f.second << "'";
    written << "\n";
    return id;
  };
  scene.addRoute = [&](const std::string& from, const std::string& out, const std::string& to,
                       const std::string& in) {
    written << "ROUTE " << from << "." << out << " TO " << to << "." << in << "\n";
  };
  scene.addComment = [&](const std::string& text) { written << "<!--" << text << "-->\n"; };
  EXPECT_EQ(writeX3DAnimation(scene, recorder.getRuns()),
            std::vector<std::string>{"box.slide on entering near, back on leaving it"});
  std::ifstream golden(std::string(ZKCP_TEST_DATA_DIR) + "/golden/x3d_animation.txt");
  std::stringstream expected;
  expected << golden.rdbuf();
  EXPECT_EQ(written.str(), expected.str());
}

}  // namespace
