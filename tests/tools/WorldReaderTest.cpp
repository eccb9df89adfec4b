// Every refusal of the world description reader with its whole message:
// the file, the JSON path of the value and the reason. The cases are the
// lines of tests/data/reader/refusals.txt, one test per kind. The lights and
// cameras of models become world lights and viewpoints.
#include <WorldReader.h>

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoTransform.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string kDir = ZKCP_SAMPLE_WORLD_DIR;
const std::string kFile = kDir + "/refused.json";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::string expanded(std::string text) {
  text = replaced(text, "@door", R"("instance": "a", "component": "A", "geometry": "geometry/door.wrl")");
  text = replaced(text, "<NL>", "\n");
  text = replaced(text, "$DIR", kDir);
  text = replaced(text, "$DATA", ZKCP_TEST_DATA_DIR);
  text = replaced(text, "$MODULES", ZKCP_SAMPLE_BEHAVIORS_DIR);
  return replaced(text, "$CWD", std::filesystem::current_path().string());
}

struct Case {
  int line;
  std::string text;
  std::string message;
};

std::vector<Case> casesOf(const std::string& kind) {
  std::ifstream in(std::string(ZKCP_TEST_DATA_DIR) + "/reader/refusals.txt");
  std::vector<Case> cases;
  std::string line, section;
  for (int n = 1; std::getline(in, line); ++n) {
    if (line.empty() || line[0] == '#') continue;
    const size_t arrow = line.find(" => ");
    if (arrow != std::string::npos) {
      if (section == kind)
        cases.push_back({n, expanded(line.substr(0, arrow)), expanded(line.substr(arrow + 4))});
    } else if (line[0] == '[') {
      section = line.substr(1, line.size() - 2);
    }
  }
  return cases;
}

class WorldReaderRefuses : public testing::TestWithParam<const char*> {
 protected:
  static void SetUpTestSuite() {
    SoDB::init();
    ZKComponent::initClass();
  }
};

TEST_P(WorldReaderRefuses, WithFilePathAndReason) {
  const std::vector<Case> cases = casesOf(GetParam());
  ASSERT_FALSE(cases.empty());
  for (const Case& c : cases) {
    SCOPED_TRACE("refusals.txt:" + std::to_string(c.line));
    try {
      readWorldText(kFile, c.text, {ZKCP_SAMPLE_BEHAVIORS_DIR}, [](int, int) {});
      ADD_FAILURE() << "read without a refusal";
    } catch (const InputError& e) {
      EXPECT_EQ(e.what(), kFile + ": " + c.message);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, WorldReaderRefuses,
                         testing::Values("text", "names", "members", "types", "duplicates",
                                         "references", "files"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

TEST(WorldReader, RefusesADescriptionFileItCannotRead) {
  for (const auto& [file, reason] : {std::pair{kDir + "/nosuch.json", "No such file or directory"},
                                     std::pair{kDir, "a folder, not a file"}}) {
    try {
      readWorld(file, {}, [](int, int) {});
      ADD_FAILURE() << file << " read";
    } catch (const InputError& e) {
      EXPECT_EQ(e.what(), file + ": cannot read the world description: " + reason);
    }
  }
}

// lamp.glb holds a point light on an unnamed node under "Arm" (its part
// is Arm_1, 1.8 above the model's origin) and a camera "View" at (0, 1, 5).
TEST(WorldReader, ModelLightsAndCamerasJoinTheWorldUnderNamesOfTheirOwn) {
  const std::string text = R"({
    "components": [
      { "instance": "lamp1", "component": "Lamp", "geometry": "lamp.glb", "translation": [2, 0, 0] },
      { "instance": "lamp2", "component": "Lamp", "geometry": "lamp.glb", "modelViewpoints": false },
      { "instance": "lamp3", "component": "Lamp", "geometry": "lamp.glb", "modelLights": false },
      { "instance": "lamp4", "component": "Lamp", "geometry": "lamp.glb", "active": false }
    ],
    "lights": [ { "name": "lamp1_arm_1", "kind": "point" } ],
    "viewpoints": [ { "name": "LAMP1_VIEW" } ],
    "routes": [ { "name": "Lamp3_View", "from": { "kind": "light", "name": "lamp1_arm_1", "event": "on" },
                  "to": { "kind": "light", "name": "lamp2_Arm_1", "event": "set_on" } } ]
  })";
  BuiltWorld world =
      readWorldText(ZKCP_TEST_DATA_DIR "/import/lights.json", text, {}, [](int, int) {});
  EXPECT_EQ(world.lights, (std::vector<std::string>{"Lamp1_arm_1", "Lamp1_arm_1_2", "Lamp2_arm_1"}));
  auto* light = static_cast<SoPointLight*>(world.db->getLight("Lamp1_arm_1_2"));
  ASSERT_TRUE(light && light->isOfType(SoPointLight::getClassTypeId()));
  EXPECT_TRUE(light->location.getValue().equals(SbVec3f(2, 1.8f, 0), 1e-5f));
  EXPECT_NEAR(light->intensity.getValue(), 2 / 3.14159265, 1e-6);
  EXPECT_EQ(light->color.getValue(), SbColor(1, 0.9f, 0.7f));
  ZKComponentDB::ComponentPartDescriptor where;
  SbVec3f direction;
  ASSERT_TRUE(world.db->getLightAttachment("Lamp1_arm_1_2", where, direction));
  EXPECT_EQ(where.getPartName(), RWCString("Arm_1"));
  // The light follows its part.
  world.db->getComponent("lamp1")->getTransform()->translation.setValue(0, 0, 1);
  EXPECT_TRUE(light->location.getValue().equals(SbVec3f(0, 1.8f, 1), 1e-5f));

  ASSERT_EQ(world.db->getNumViewpoints(), 3);
  ZKViewpoint* view = world.db->getViewpointAt(1);
  EXPECT_EQ(view->getName().str(), "lamp1_View_2");
  EXPECT_STREQ(view->getDescription(), "View");
  EXPECT_EQ(view->getPosition(), SbVec3f(2, 1, 5));
  EXPECT_FLOAT_EQ(view->getFieldOfView(), 0.8f);
  EXPECT_EQ(world.db->getViewpointAt(2)->getName().str(), "lamp3_View_2");
}

}  // namespace
