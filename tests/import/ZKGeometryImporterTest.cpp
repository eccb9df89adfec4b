// Models of every format read here become components whose parts carry the
// models' node names; malformed models are refused with the file and the
// reason, and nothing half-read is handed on.
#include <zkcp/import/VRMLSceneBuilder.h>
#include <zkcp/import/ZKGeometryImporter.h>

#include <zkcp/component/ZKComponent.h>

#include <Inventor/SoDB.h>
#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLColor.h>
#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedFaceSet.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoSeparator.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kData = ZKCP_TEST_DATA_DIR "/import/";

std::string slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void spit(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

template <class T>
T* find(SoNode* root, const char* name) {
  SoSearchAction search;
  if (name) search.setName(name);
  else search.setType(T::getClassTypeId());
  search.setInterest(SoSearchAction::FIRST);
  search.apply(root);
  SoPath* path = search.getPath();
  return path && path->getTail()->isOfType(T::getClassTypeId()) ? static_cast<T*>(path->getTail())
                                                                 : nullptr;
}

class Importer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SoDB::init();
    ZKComponent::initClass();
  }
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("zkcp-import-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path dir;
  std::ostringstream messages;
  ZKGeometryImporter importer{messages};
};

TEST_F(Importer, EveryFormatBecomesAComponentWithPartsNamedAfterItsNodes) {
  const std::vector<std::pair<std::string, std::vector<const char*>>> models = {
      {"lamp.gltf", {"Lamp", "Base", "Arm", "Shade_1", "Arm_1", "View"}},
      {"lamp.glb", {"Lamp", "Base", "Arm", "Shade_1", "Arm_1", "View"}},
      {"chair.obj", {"Seat", "Back"}},
      {"chair.dae", {"Chair", "Seat", "Back", "Light"}},
      {"chair.fbx", {"Chair", "Seat", "Back"}},
      {"part.stl", {"wedge"}},
      {"stool.ply", {"stool"}},
  };
  for (const auto& [file, parts] : models) {
    SCOPED_TRACE(file);
    SoSeparator* graph = importer.read(kData + file);
    ASSERT_NE(graph, nullptr) << importer.getError();
    EXPECT_NE(find<SoVRMLShape>(graph, nullptr), nullptr);
    // The component takes the caller's reference.
    auto* component = new ZKComponent("thing", "Thing", "thing.wrl", graph);
    component->ref();
    for (const char* part : parts) EXPECT_NE(component->getLogicalPart(part), nullptr) << part;
    component->unref();
  }
}

TEST_F(Importer, GltfKeepsColoursTexturesSparseValuesLightsAndCameras) {
  for (const char* file : {"lamp.gltf", "lamp.glb"}) {
    SCOPED_TRACE(file);
    messages.str("");
    SoSeparator* graph = importer.read(kData + file);
    ASSERT_NE(graph, nullptr) << importer.getError();
    EXPECT_EQ(messages.str(), std::string(file) + ": node 'Shade #1' is named 'Shade_1'\n");

    auto* base = find<SoVRMLTransform>(graph, "Base");
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(base->scale.getValue(), SbVec3f(1, 0.2f, 1));
    auto* faces = static_cast<SoVRMLIndexedFaceSet*>(
        static_cast<SoVRMLShape*>(base->getChild(0))->geometry.getValue());
    EXPECT_EQ(faces->coordIndex.getNum(), 48);
    ASSERT_NE(faces->color.getValue(), nullptr);
    EXPECT_EQ(static_cast<SoVRMLColor*>(faces->color.getValue())->color.getNum(), 24);

    auto* shade = find<SoVRMLTransform>(graph, "Shade_1");
    ASSERT_NE(shade, nullptr);
    auto* shadeFaces = static_cast<SoVRMLIndexedFaceSet*>(
        static_cast<SoVRMLShape*>(shade->getChild(0))->geometry.getValue());
    EXPECT_FALSE(shadeFaces->solid.getValue());
    auto* coord = static_cast<SoVRMLCoordinate*>(shadeFaces->coord.getValue());
    EXPECT_EQ(coord->point[8], SbVec3f(0.3f, 0.5f, 0.3f));
    EXPECT_EQ(coord->point[12], SbVec3f(-0.5f, -0.5f, -0.5f));

    auto* arm = find<SoVRMLTransform>(graph, "Arm");
    ASSERT_NE(arm, nullptr);
    auto* appearance = static_cast<SoVRMLAppearance*>(
        static_cast<SoVRMLShape*>(arm->getChild(0))->appearance.getValue());
    auto* texture = static_cast<SoVRMLImageTexture*>(appearance->texture.getValue());
    ASSERT_NE(texture, nullptr);
    ASSERT_EQ(importer.getImages().size(), 1u);
    const ImportImage& image = importer.getImages()[0];
    EXPECT_EQ(texture->url[0], SbString(image.url.c_str()));
    if (std::string(file) == "lamp.glb") {
      EXPECT_EQ(image.url, "lamp_glb_checker.png");
      EXPECT_EQ(std::string(image.bytes.begin(), image.bytes.end()), slurp(kData + "checker.png"));
    } else {
      EXPECT_EQ(image.url, "checker.png");
      EXPECT_TRUE(image.bytes.empty());
    }

    ASSERT_EQ(importer.getLights().size(), 1u);
    const ZKGeometryImporter::Light& light = importer.getLights()[0];
    EXPECT_EQ(light.name, "Arm_1");
    EXPECT_FLOAT_EQ(light.light.intensity, 2.0f / 3.14159265f);
    EXPECT_NEAR(light.location[1], 1.8f, 1e-5);
    ASSERT_EQ(importer.getCameras().size(), 1u);
    EXPECT_EQ(importer.getCameras()[0].position, SbVec3f(0, 1, 5));
    EXPECT_FLOAT_EQ(importer.getCameras()[0].fieldOfView, 0.8f);
    graph->unref();
  }
}

TEST_F(Importer, NamesAreValidVrmlAndNeverClash) {
  EXPECT_EQ(vrmlNodeName("Door Left #2"), "Door_Left_2");
  EXPECT_EQ(vrmlNodeName("3D-view"), "_3D-view");
  EXPECT_EQ(vrmlNodeName("T\xc3\xbcr"), "T_r");
  EXPECT_EQ(vrmlNodeName("TRUE"), "TRUE_");
  EXPECT_EQ(vrmlNodeName(""), "_");

  // Two nodes called "Leg", a node named what an unnamed one would derive.
  nlohmann::json doc = nlohmann::json::parse(slurp(kData + "lamp.gltf"));
  doc["nodes"][0]["name"] = "Leg";
  doc["nodes"][1]["name"] = "Leg";
  doc["nodes"][3]["name"] = "Arm_1";
  spit(dir / "lamp.bin", slurp(kData + "lamp.bin"));
  spit(dir / "checker.png", slurp(kData + "checker.png"));
  spit(dir / "legs.gltf", doc.dump());
  SoSeparator* graph = importer.read((dir / "legs.gltf").string());
  ASSERT_NE(graph, nullptr) << importer.getError();
  for (const char* name : {"Leg", "Leg_2", "Arm", "Arm_1", "Arm_1_2"})
    EXPECT_NE(find<SoVRMLTransform>(graph, name), nullptr) << name;
  EXPECT_EQ(messages.str(), "legs.gltf: node 'Leg' is named 'Leg_2' (the name is taken)\n");
  graph->unref();
}

TEST_F(Importer, MalformedModelsAreRefusedWithTheFileAndTheReason) {
  const std::string gltf = slurp(kData + "lamp.gltf");
  const std::string glb = slurp(kData + "lamp.glb");
  auto edited = [&](const std::function<void(nlohmann::json&)>& edit) {
    nlohmann::json doc = nlohmann::json::parse(gltf);
    edit(doc);
    return doc.dump();
  };
  struct Case {
    const char* file;
    std::string bytes;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"cut.glb", glb.substr(0, glb.size() - 100), "cut short: the header gives 3816 bytes, the file has 3716"},
      {"short.gltf", edited([](nlohmann::json& d) { d["accessors"][0]["count"] = 240; }),
       "accessor 0 ends beyond buffer view 0 (288 bytes)"},
      {"index.gltf", edited([](nlohmann::json& d) { d["accessors"][4]["bufferView"] = 0; }),
       "mesh 0 primitive 0: index 16128 (at 1) out of range for 24 vertices"},
      {"loop.gltf", edited([](nlohmann::json& d) {
         d["nodes"][0]["children"] = {1, 5};
         d["nodes"][3]["children"] = {2};
       }),
       "node 2 is its own ancestor"},
      {"self.gltf", edited([](nlohmann::json& d) { d["nodes"][1]["children"] = {1}; }),
       "node 1 is its own ancestor"},
      {"twice.gltf", edited([](nlohmann::json& d) { d["nodes"][1]["children"] = {3}; }),
       "node 3 is a child of both node 1 and node 2"},
      {"sparse.gltf", edited([](nlohmann::json& d) { d["accessors"][5]["sparse"]["count"] = 40; }),
       "accessor 5: sparse count 40 exceeds its count"},
      {"nobuffer.gltf", edited([](nlohmann::json& d) { d["buffers"][0]["uri"] = "none.bin"; }),
       "none.bin"},
      {"noimage.gltf", edited([](nlohmann::json& d) { d["images"][0]["uri"] = "none.png"; }),
       "image 0: cannot read 'none.png'"},
      {"escape.gltf", edited([](nlohmann::json& d) { d["images"][0]["uri"] = "../lamp/checker.png"; }),
       "image 0: '../lamp/checker.png' lies outside the model's folder"},
      {"empty.glb", "", "the file is empty"},
      {"empty.obj", "", "the file is empty"},
      {"image.glb", slurp(kData + "checker.png"), "not a binary glTF file (no 'glTF' header)"},
      {"binary.gltf", glb, "binary glTF under a .gltf name"},
      {"lamp.obj", glb, "not OBJ text as its extension says"},
      {"text.stl", "hello\n", "not STL (text 'solid' or a binary triangle count matching the size)"},
      {"lamp.ply", gltf, "not PLY (a 'ply' first line)"},
      {"lamp.dae", gltf, "not COLLADA (a <COLLADA> element) as its extension says"},
      {"lamp.fbx", gltf, "not FBX (binary or text) as its extension says"},
      {"absent.obj", "v 0 0 0\nv 1 0 0\nf 1 2 7\n", "OBJ: vertex index out of range"},
      {"lamp.wrl", gltf, "'.wrl' models are not read"},
  };
  spit(dir / "lamp.bin", slurp(kData + "lamp.bin"));
  spit(dir / "checker.png", slurp(kData + "checker.png"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path file = dir / c.file;
    spit(file, c.bytes);
    EXPECT_EQ(importer.read(file.string()), nullptr);
    EXPECT_EQ(importer.getError().rfind(file.string() + ": ", 0), 0u) << importer.getError();
    EXPECT_NE(importer.getError().find(c.reason), std::string::npos) << importer.getError();
  }
}

}  // namespace
