#include <zkcp/zkcp.h>
#include <zkcp/x3d/ZKX3DWriter.h>

#include "../TestScene.h"
#include "../vrml/GoldenText.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSeparator.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace {

// A crate with a lid part and a caption that X3D is not given.
const char kCrate[] =
    "#VRML V2.0 utf8\n"
    "DEF Lid Transform { translation 0 1 0 children [\n"
    "  Shape { appearance Appearance { material Material { diffuseColor 1 0 0 } }\n"
    "          geometry Box { size 1 0.1 1 } } ] }\n"
    "Shape { geometry Text { string \"crate\" } }\n";

ZKComponent* crate(ZKComponentDB& world, const char* name, const SbVec3f& at, int active = 1) {
  SoInput in;
  in.setBuffer(kCrate, sizeof kCrate - 1);
  SoSeparator* graph = SoDB::readAll(&in);
  auto* c = new ZKComponent(name, "Crate", "crate.wrl", graph, &world);
  c->ref();
  world.addComponent(c, active, nullptr);
  SbVec3f place = at;
  c->setPosition(&place);
  return c;
}

}  // namespace

// Two crates, one with a name that is no ID, a hidden attribute, a light on
// a lid and routes with and without both ends in X3D.
TEST(ZKX3DWriter, WritesTheWorldAsAnX3DScene) {
  SoDB::init();
  ZKComponentDB world;
  world.setWorldName("Store");
  world.setWorldVersion("2");
  ZKComponent* first = crate(world, "USE", SbVec3f(1, 0, 0));
  auto* open = new ZKBoolAttribute;
  first->addAttribute("open", open);
  auto* code = new ZKStringAttribute;
  code->setIsHidden(1);
  first->addAttribute("code", code);
  crate(world, "crate2", SbVec3f(-1, 0, 0));
  world.addLight("desk lamp", new SoPointLight);
  world.attachLight("desk lamp", "USE", "Lid");
  world.addViewpoint(new ZKViewpoint("front view", "Front", SbVec3f(0, 1, 5), SbRotation(), 0.8f, 1));
  world.addRoute("follow", "USE", "translation_changed", "crate2", "set_translation");
  world.addRoute("lift", "USE", "translation_changed", "crate2", "set_liftActive");

  std::ostringstream messages;
  ZKX3DWriter writer(&world, messages);
  EXPECT_EQ(writer.text(), zkcp_test::readFile(std::string(ZKCP_TEST_DATA_DIR) + "/x3d/store.x3d"));
  EXPECT_EQ(messages.str(),
            "zkcp: X3D: component name /USE/ is written as ID /USE_/\n"
            "zkcp: X3D: viewpoint name /front view/ is written as ID /front_view/\n"
            "zkcp: X3D: geometry nodes of kind /VRMLText/ have no X3D counterpart and are "
            "left out\n"
            "zkcp: X3D: light name /Desk lamp/ is written as ID /Desk_lamp/\n");

  // Later writers reach the DEF'd Transforms by component and part.
  EXPECT_EQ(writer.transformId("USE"), "USE_");
  EXPECT_EQ(writer.transformId("crate2", "Lid"), "crate2_Lid");
  EXPECT_EQ(writer.transformId("nobody"), "");
  EXPECT_EQ(writer.addNode("crate2_Lid", "PositionInterpolator", {{"key", "0 1"}}, "crate2_Lid"),
            "crate2_Lid_2");
  EXPECT_EQ(writer.addNode("nowhere", "Group", {}, "g"), "");
  writer.addRoute("crate2_Lid_2", "value_changed", "crate2_Lid", "set_translation");
  const std::string text = writer.text();
  EXPECT_NE(text.find("<PositionInterpolator DEF=\"crate2_Lid_2\" key=\"0 1\" />\n      </Transform>"),
            std::string::npos);
  const size_t added = text.find("<ROUTE fromNode=\"crate2_Lid_2\"");
  const size_t leftOut = text.find("<!-- route lift");
  ASSERT_NE(added, std::string::npos);
  ASSERT_NE(leftOut, std::string::npos);
  EXPECT_EQ(text.rfind("<ROUTE fromNode=\"crate2_Lid_2\""), added);
  EXPECT_GT(added, leftOut);
}

// Each route that X3D cannot carry is a comment saying which end fails and
// why; a route between fields of one type is written.
TEST(ZKX3DWriter, SaysWhyARouteIsLeftOut) {
  SoDB::init();
  ZKComponentDB world;
  ZKComponent* a = crate(world, "a", SbVec3f(0, 0, 0));
  a->addAttribute("open", new ZKBoolAttribute);
  crate(world, "b", SbVec3f(1, 0, 0));
  crate(world, "hidden", SbVec3f(2, 0, 0), 0);
  world.addLight("lamp", new SoPointLight);
  auto* near = new ZKProximitySensor;
  near->setName("near");
  world.addProximitySensor(near);
  const char* routes[][5] = {
      {"ghost", "ghost", "translation_changed", "b", "set_translation"},
      {"inactive", "a", "translation_changed", "hidden", "set_translation"},
      {"attribute", "a", "open_changed", "b", "set_translation"},
      {"sensor", "aSensor", "isActive", "b", "set_translation"},
      {"field", "a", "translation_changed", "b", "set_color"},
      {"types", "a", "translation_changed", "b", "set_rotation"},
      {"light", "near", "isActive", "lamp", "set_on"},
  };
  for (const auto& r : routes) ASSERT_TRUE(world.addRoute(r[0], r[1], r[2], r[3], r[4])) << r[0];
  std::ostringstream messages;
  const std::string text = ZKX3DWriter(&world, messages).text();
  std::string written;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (line.find("<ROUTE") != std::string::npos || line.find("<!-- route") != std::string::npos)
      written += line.substr(line.find('<')) + "\n";
  EXPECT_EQ(written,
            "<!-- route ghost from translation_changed to set_translation of b is left out: its "
            "source is not in the world -->\n"
            "<!-- route inactive from translation_changed of a to set_translation is left out: "
            "its target is not in the scene -->\n"
            "<!-- route attribute from open_changed of a to set_translation of b is left out: its "
            "source is the attribute /open/, which X3D keeps as metadata -->\n"
            "<!-- route sensor from isActive of a to set_translation of b is left out: its source "
            "is a component sensor, which the component has not -->\n"
            "<!-- route field from translation_changed of a to set_color of b is left out: its "
            "target names a field that the X3D node has not -->\n"
            "<!-- route types from translation_changed of a to set_rotation of b is left out: its "
            "ends carry values of different types -->\n"
            "<ROUTE fromNode=\"near\" fromField=\"isActive\" toNode=\"Lamp\" toField=\"set_on\" />\n");
}

// Names that clean to one ID get IDs of their own; a document that cannot
// be saved says so.
TEST(ZKX3DWriter, KeepsCleanedNamesApartAndReportsAFailedSave) {
  SoDB::init();
  ZKComponentDB world;
  crate(world, "USE", SbVec3f(0, 0, 0));
  crate(world, "USE_", SbVec3f(1, 0, 0));
  std::ostringstream messages;
  ZKX3DWriter writer(&world, messages);
  EXPECT_EQ(writer.transformId("USE"), "USE_");
  EXPECT_EQ(writer.transformId("USE_"), "USE__2");
  EXPECT_EQ(messages.str(),
            "zkcp: X3D: component name /USE/ is written as ID /USE_/\n"
            "zkcp: X3D: component name /USE_/ is written as ID /USE__2/\n"
            "zkcp: X3D: geometry nodes of kind /VRMLText/ have no X3D counterpart and are "
            "left out\n");
  EXPECT_FALSE(writer.save(testing::TempDir() + "no such folder/world.x3d"));
  const std::string saved = testing::TempDir() + "zkcp_writer_test.x3d";
  ASSERT_TRUE(writer.save(saved));
  EXPECT_EQ(zkcp_test::readFile(saved), writer.text());
  std::remove(saved.c_str());
}

// Every geometry node kind the writer converts, from a VRML 97 and an
// Inventor file; each kind left out is said once.
TEST(ZKX3DWriter, ConvertsEveryGeometryNodeKind) {
  SoDB::init();
  ZKComponentDB world;
  for (const char* file : {"shapes.wrl", "shapes.iv"}) {
    const bool vrml = std::string(file).find(".wrl") != std::string::npos;
    SoInput in;
    ASSERT_TRUE(in.openFile((std::string(ZKCP_TEST_DATA_DIR) + "/x3d/" + file).c_str()));
    SoSeparator* graph = SoDB::readAll(&in);
    ASSERT_NE(graph, nullptr);
    graph->ref();
    // As zkcp-export does: a VRML 97 graph is handed over with its reference.
    auto* c = new ZKComponent(vrml ? "vrml" : "inventor", vrml ? "Vrml" : "Inventor", file, graph,
                              &world);
    c->ref();
    world.addComponent(c, 1, nullptr);
    if (!vrml) graph->unref();
  }
  std::ostringstream messages;
  ZKX3DWriter writer(&world, messages);
  EXPECT_EQ(writer.text(), zkcp_test::readFile(std::string(ZKCP_TEST_DATA_DIR) + "/x3d/shapes.x3d"));
  EXPECT_EQ(messages.str(),
            "zkcp: X3D: geometry nodes of kind /VRMLElevationGrid/ have no X3D counterpart and are "
            "left out\n"
            "zkcp: X3D: geometry nodes of kind /VRMLPixelTexture/ have no X3D counterpart and are "
            "left out\n"
            "zkcp: X3D: geometry nodes of kind /Text3/ have no X3D counterpart and are left out\n");
}

TEST(ZKX3DWriter, NullWorldWritesAnEmptyDocument) {
  std::ostringstream messages;
  ZKX3DWriter writer(nullptr, messages);
  EXPECT_EQ(writer.text(), "");
  EXPECT_EQ(writer.transformId("x"), "");
  EXPECT_EQ(writer.addNode("", "Group", {}, "g"), "");
  writer.addRoute("a", "b", "c", "d");
  EXPECT_TRUE(writer.textures().empty());
  EXPECT_EQ(messages.str(), "");
}

// One image name in the geometry of two folders is two textures; two types
// from one folder share theirs.
TEST(ZKX3DWriter, TexturesAreKnownByTheirFolder) {
  SoDB::init();
  ZKComponentDB world;
  zkcp_test::addTexturedInFolders(world, "tex/wood.png");
  std::ostringstream messages;
  ZKX3DWriter writer(&world, messages);
  std::string listed;
  for (const ZKX3DWriter::Texture& t : writer.textures())
    listed += t.component.str() + ": " + t.read + " as " + t.written + "\n";
  EXPECT_EQ(listed,
            "crate: tex/wood.png as textures/wood.png\n"
            "box: tex/wood.png as textures/2_wood.png\n");
}
