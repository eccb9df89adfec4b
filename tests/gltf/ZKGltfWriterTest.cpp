#include <zkcp/zkcp.h>
#include <zkcp/gltf/ZKGltfWriter.h>

#include "../TestScene.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// A crate whose lid turns about a hinge: a centre and a scale orientation
// that glTF nodes have not. Its texture is not there.
const char kCrate[] =
    "#VRML V2.0 utf8\n"
    "DEF Lid Transform { translation 0 1 0 center 0.5 0 0.5 rotation 1 0 0 0.3\n"
    "  scale 1 0.5 2 scaleOrientation 0 1 0 0.7 children [\n"
    "  Shape { appearance Appearance { material Material { diffuseColor 1 0 0 }\n"
    "                                  texture ImageTexture { url \"missing.png\" } }\n"
    "          geometry Box { size 1 0.1 1 } } ] }\n"
    "Shape { geometry IndexedLineSet { coord Coordinate { point [ 0 0 0, 1 1 1 ] }\n"
    "                                  coordIndex [ 0 1 ] } }\n";

ZKComponent* crate(ZKComponentDB& world, const char* name, const SbVec3f& at) {
  SoInput in;
  in.setBuffer(kCrate, sizeof kCrate - 1);
  auto* c = new ZKComponent(name, "Crate", "crate.wrl", SoDB::readAll(&in), &world);
  c->ref();
  world.addComponent(c, 1, nullptr);
  SbVec3f place = at;
  c->setPosition(&place);
  return c;
}

// The JSON chunk of a .glb and its binary chunk.
struct Glb {
  nlohmann::json json;
  std::string bin;
  explicit Glb(const std::string& bytes) {
    uint32_t length = 0;
    std::memcpy(&length, bytes.data() + 12, 4);
    json = nlohmann::json::parse(bytes.substr(20, length));
    if (bytes.size() > 28 + length) bin = bytes.substr(28 + length);
  }
  const nlohmann::json& node(const std::string& name) const {
    for (const auto& n : json["nodes"])
      if (n.value("name", "") == name) return n;
    throw std::runtime_error("no node " + name);
  }
  std::vector<float> floats(int accessor) const {
    const auto& a = json["accessors"][accessor];
    const auto& v = json["bufferViews"][a["bufferView"].get<int>()];
    std::vector<float> out(v["byteLength"].get<size_t>() / 4);
    std::memcpy(out.data(), bin.data() + v.value("byteOffset", 0), out.size() * 4);
    return out;
  }
  // The matrix of a node's translation, rotation and scale.
  static SbMatrix matrix(const nlohmann::json& n) {
    auto v = [&n](const char* key, std::vector<float> otherwise) {
      return n.contains(key) ? n[key].get<std::vector<float>>() : otherwise;
    };
    const auto t = v("translation", {0, 0, 0}), r = v("rotation", {0, 0, 0, 1}),
               s = v("scale", {1, 1, 1});
    SbMatrix m;
    m.setTransform(SbVec3f(t[0], t[1], t[2]), SbRotation(r[0], r[1], r[2], r[3]),
                   SbVec3f(s[0], s[1], s[2]));
    return m;
  }
};

}  // namespace

// Two crates of one type, a hidden attribute, a light on a lid and a
// viewpoint: named nodes, shared meshes, the lid's transform folded in
// exactly, the light under the lid, the camera.
TEST(ZKGltfWriter, WritesTheWorldAsAGltfScene) {
  SoDB::init();
  ZKComponentDB world;
  world.setWorldName("Store");
  world.setWorldVersion("2");
  ZKComponent* first = crate(world, "crate1", SbVec3f(1, 0, 0));
  first->addAttribute("open", new ZKBoolAttribute);
  auto* code = new ZKStringAttribute;
  code->setIsHidden(1);
  first->addAttribute("code", code);
  crate(world, "crate2", SbVec3f(-1, 0, 0));
  world.addLight("desk lamp", new SoPointLight);
  world.attachLight("desk lamp", "crate1", "Lid");
  world.addViewpoint(new ZKViewpoint("front view", "Front", SbVec3f(0, 1, 5), SbRotation(), 0.8f, 1));

  std::ostringstream messages;
  ZKGltfWriter writer(&world, messages);
  const Glb glb(writer.glb());
  const nlohmann::json& j = glb.json;
  EXPECT_EQ(messages.str(), "zkcp: glTF: texture image /missing.png/ cannot be read and is left out\n");
  EXPECT_EQ(j["asset"]["extras"]["zkcp"]["world"], "Store");
  EXPECT_EQ(j["asset"]["extras"]["zkcp"]["version"], "2");

  const auto& c1 = glb.node("crate1");
  EXPECT_EQ(c1["translation"], nlohmann::json({1.0, 0.0, 0.0}));
  EXPECT_EQ(c1["extras"]["zkcp"],
            nlohmann::json::parse(R"({"component": "Crate",
                                      "attributes": {"open": {"kind": "bool", "value": false}}})"));
  EXPECT_EQ(glb.node("crate2")["extras"]["zkcp"], nlohmann::json::parse(R"({"component": "Crate"})"));
  // One mesh for the crate (its lines) and one for the lid, shared.
  EXPECT_EQ(j["meshes"].size(), 2u);
  EXPECT_EQ(c1["mesh"], glb.node("crate2")["mesh"]);
  const auto& lid = j["nodes"][c1["children"][0].get<int>()];
  EXPECT_EQ(lid["name"], "Lid");

  // The lid's named node and the unnamed ones under it make its transform.
  ZKPart* part = first->getLogicalPart("Lid");
  SoTransform* t = part->getTransform();
  SbMatrix want;
  want.setTransform(t->translation.getValue(), t->rotation.getValue(), t->scaleFactor.getValue(),
                    t->scaleOrientation.getValue(), t->center.getValue());
  SbMatrix got = Glb::matrix(lid);
  const nlohmann::json* inner = &lid;
  while (inner->contains("children") && !(*inner)["children"].empty() &&
         !j["nodes"][(*inner)["children"][0].get<int>()].contains("name")) {
    inner = &j["nodes"][(*inner)["children"][0].get<int>()];
    got = Glb::matrix(*inner).multRight(got);
  }
  EXPECT_TRUE(got.equals(want, 1e-5f));
  EXPECT_TRUE(inner->contains("mesh"));
  EXPECT_EQ(j["nodes"][(*inner)["children"][0].get<int>()]["name"], "Desk lamp");

  const auto& light = j["extensions"]["KHR_lights_punctual"]["lights"][0];
  EXPECT_EQ(light["type"], "point");
  EXPECT_NEAR(light["intensity"].get<double>(), M_PI, 1e-6);
  EXPECT_EQ(j["extensionsUsed"], nlohmann::json({"KHR_materials_unlit", "KHR_lights_punctual"}));
  const auto& view = glb.node("front view");
  EXPECT_NEAR(j["cameras"][view["camera"].get<int>()]["perspective"]["yfov"].get<double>(), 0.8, 1e-6);
  EXPECT_EQ(view["translation"], nlohmann::json({0.0, 1.0, 5.0}));
}

// A run's rotation track as quaternions, LINEAR; a value that changes once
// in one step as STEP; tracks of lights and of nodes not in the scene left
// out.
TEST(ZKGltfWriter, AnimatesRecordedRuns) {
  SoDB::init();
  ZKComponentDB world;
  ZKComponent* c = crate(world, "crate1", SbVec3f(0, 0, 0));
  ZKGltfWriter writer(&world, std::cerr);
  using R = ZKWorldRecorder;
  R::Run_t run;
  run.behaviors = {{c, "open"}};
  run.steps = 4;
  run.timeStep = 0.5;
  R::Track_t turn{R::transform_subject, R::rotation_kind, c, "Lid", "", "rotation", {}, {}};
  for (int step = 0; step <= 2; ++step) {
    const float q[4] = {std::sin(step * 0.4f), 0, 0, std::cos(step * 0.4f)};
    turn.keys.push_back({step, {{{q[0], q[1], q[2], q[3]}}, ""}});
  }
  R::Track_t lift{R::transform_subject, R::vec3f_kind, c, "", "", "translation", {}, {}};
  lift.keys = {{2, {{{0, 0, 0, 0}}, ""}}, {3, {{{0, 1, 0, 0}}, ""}}};
  R::Track_t light{R::light_subject, R::float_kind, nullptr, "", "Desk", "intensity", {}, {}};
  light.keys = {{0, {{{1, 0, 0, 0}}, ""}}, {1, {{{0, 0, 0, 0}}, ""}}};
  run.tracks = {turn, lift, light};
  R::Run_t idle;
  idle.behaviors = {{c, "glow"}};
  idle.tracks = {light};
  EXPECT_EQ(writer.addAnimations({run, idle}),
            (std::vector<std::string>{"crate1.open at start-up: 2 channels",
                                      "crate1.glow at start-up: nothing it moves is in the scene"}));

  const Glb glb(writer.glb());
  ASSERT_EQ(glb.json["animations"].size(), 1u);
  const auto& a = glb.json["animations"][0];
  EXPECT_EQ(a["name"], "crate1.open at start-up");
  EXPECT_EQ(a["channels"][0]["target"]["path"], "rotation");
  EXPECT_EQ(glb.json["nodes"][a["channels"][0]["target"]["node"].get<int>()]["name"], "Lid");
  EXPECT_EQ(a["samplers"][0]["interpolation"], "LINEAR");
  EXPECT_EQ(glb.floats(a["samplers"][0]["input"]), (std::vector<float>{0, 0.5f, 1}));
  EXPECT_NEAR(glb.floats(a["samplers"][0]["output"])[11], std::cos(0.8f), 1e-6);
  EXPECT_EQ(a["channels"][1]["target"]["path"], "translation");
  EXPECT_EQ(a["samplers"][1]["interpolation"], "STEP");
  EXPECT_EQ(glb.floats(a["samplers"][1]["input"]), (std::vector<float>{1, 1.5f}));
}

// One image name in the geometry of two folders is two images, each with
// its material; two types from one folder share theirs.
TEST(ZKGltfWriter, ImagesAreKnownByTheirFolder) {
  SoDB::init();
  ZKComponentDB world;
  zkcp_test::addTexturedInFolders(world, "tile.png");
  // Folder "b" holds a copy of the same image, under another file name.
  const std::string tile = std::string(ZKCP_TEST_DATA_DIR) + "/gltf/tile.png";
  const std::string copy = ::testing::TempDir() + "zkcp_tile_copy.png";
  std::ofstream(copy, std::ios::binary) << std::ifstream(tile, std::ios::binary).rdbuf();
  std::ostringstream messages;
  ZKGltfWriter writer(&world, messages, [&](ZKComponent* c, const std::string& name) {
    return c->getGeometryFile().str()[0] == 'a' ? tile : copy;
  });
  const nlohmann::json& j = Glb(writer.glb()).json;
  EXPECT_EQ(messages.str(), "");
  EXPECT_EQ(j["images"].size(), 2u);
  EXPECT_EQ(j["materials"].size(), 2u);
  std::remove(copy.c_str());
}

TEST(ZKGltfWriter, NullWorldWritesNothing) {
  std::ostringstream messages;
  ZKGltfWriter writer(nullptr, messages);
  EXPECT_EQ(writer.glb(), "");
  EXPECT_FALSE(writer.save("never-written.glb"));
  EXPECT_EQ(writer.addAnimations({}), std::vector<std::string>{});
  EXPECT_EQ(messages.str(), "");
}
