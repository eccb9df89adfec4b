#include <zkcp/zkcp.h>
#include <zkcp/x3d/ZKX3DWriter.h>

#include "../TestScene.h"
#include "../vrml/GoldenText.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSeparator.h>

#include <gtest/gtest.h>

#include <sstream>

namespace {

// A crate with a lid part and a caption that X3D is not given.
const char kCrate[] =
    "#VRML V2.0 utf8\n"
    "DEF Lid Transform { translation 0 1 0 children [\n"
    "  Shape { appearance Appearance { material Material { diffuseColor 1 0 0 } }\n"
    "          geometry Box { size 1 0.1 1 } } ] }\n"
    "Shape { geometry Text { string \"crate\" } }\n";

ZKComponent* crate(ZKComponentDB& world, const char* name, const SbVec3f& at) {
  SoInput in;
  in.setBuffer(kCrate, sizeof kCrate - 1);
  SoSeparator* graph = SoDB::readAll(&in);
  auto* c = new ZKComponent(name, "Crate", "crate.wrl", graph, &world);
  c->ref();
  world.addComponent(c, 1, nullptr);
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
  EXPECT_EQ(text.rfind("<ROUTE fromNode=\"crate2_Lid_2\""),
            text.find("<ROUTE fromNode=\"crate2_Lid_2\""));
  EXPECT_GT(text.find("<ROUTE fromNode=\"crate2_Lid_2\""), text.find("<!-- route lift"));
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
