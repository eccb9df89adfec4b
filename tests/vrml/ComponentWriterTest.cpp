#include <zkcp/attribute/ZKLinearAttributes.h>
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/attribute/ZKStringAttributes.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/vrml/AttributeWriter.h>
#include <zkcp/vrml/BehaviorWriter.h>
#include <zkcp/vrml/ComponentWriter.h>
#include <zkcp/vrml/FieldWriter.h>

#include "GoldenText.h"

#include <Inventor/SoDB.h>

#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

namespace {

using zkcp_test::matchesGolden;
using zkcp_test::readFile;
using zkcp_test::sameText;
using zkcp_test::scratchPath;

// What one write in one mode puts into a file.
std::string written(zkofstream& (*mode)(zkofstream&),
                    const std::function<void(zkofstream&)>& write) {
  // One file per process: ctest runs the tests of this program in parallel.
  const std::string path = scratchPath("zk_component_writer_" + std::to_string(getpid()) + ".txt");
  {
    zkofstream os(path.c_str());
    os << mode;
    write(os);
  }
  return readFile(path);
}

const RWTValSlist<RWCString> kNoEvents;
const ZKBehavior::Dependencies kNoDependencies;

class ComponentWriterTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SoDB::init();
    ZKComponent::initClass();
  }
  void SetUp() override {
    door = new ZKComponent("door1", "Door", "door.wrl");
    door->ref();
  }
  void TearDown() override { door->unref(); }

  template <class A>
  A* add(const char* name) {
    auto* a = new A;
    a->setName(name);
    door->addAttribute(name, a);
    return a;
  }
  ZKBehavior behavior(const char* name, const char* library, const char* callback) {
    return ZKBehavior(name, library, callback, nullptr, kNoEvents, kNoDependencies, "", nullptr,
                      "", nullptr);
  }
  std::string component(zkofstream& (*mode)(zkofstream&)) {
    return written(mode, [this](zkofstream& os) { os << *door; });
  }

  ZKComponent* door = nullptr;
};

TEST_F(ComponentWriterTest, DoorPrototypeAndExternalPrototype) {
  add<ZKBoolAttribute>("open")->setValue(0);
  door->addBehavior("swing", behavior("Door:swing", "doorlib.dll", "swingDoor"));
  EXPECT_TRUE(matchesGolden(component(proto), "door_proto.arl"));
  EXPECT_TRUE(matchesGolden(component(vrmlexproto), "door_vrmlexproto.wrl"));
}

TEST_F(ComponentWriterTest, EmptyComponentAndExportedAttributesOnly) {
  EXPECT_TRUE(sameText(component(exproto),
                       "EXTERNPROTO Door[\n"
                       "] [ \"Door.arl#Door\" ]\n"));
  add<ZKFloatAttribute>("weight")->setValue(2.5f);
  add<ZKFloatAttribute>("secret")->setIsHidden(1);
  door->addAttribute("unnamed", new ZKFloatAttribute);
  EXPECT_TRUE(sameText(component(exproto),
                       "EXTERNPROTO Door[\n"
                       "  field          SFFloat        weight         \n"
                       "] [ \"Door.arl#Door\" ]\n"));
  // A string list ends its own line, so an empty line follows it.
  auto* list = add<ZKMFStringAttribute>("labels");
  list->getActualValue().set1Value(0, "a");
  EXPECT_TRUE(sameText(component(vrmlexproto).substr(0, 123),
                       "EXTERNPROTO Door[\n"
                       "  field          MFString       labels         \n"
                       "  field          SFFloat        weight         \n"
                       "  field  "));
  const std::string instance = component(ref);
  EXPECT_NE(instance.find("      labels          [              \"a\"            ]\n\n"),
            std::string::npos)
      << instance;
}

TEST_F(ComponentWriterTest, NativeInstance) {
  add<ZKFloatAttribute>("weight")->setValue(2.5f);
  door->addBehavior("swing", behavior("Door:swing2", "doorlib.dll", "swingDoor"));
  door->setActivatedAtStartup("swing", 1);
  SbVec3f at(1, 2, 3);
  door->setPosition(&at);
  EXPECT_TRUE(sameText(component(ref),
                       "Transform {\n"
                       "  children [     \n"
                       "\n"
                       "\t\n"
                       "    DEF door1 Door{\n"
                       "translation 1          2          3         \n"
                       "  rotation       0          0          1          0         \n"
                       "  scale          1          1          1         \n"
                       "  scaleOrientation 0          0          1          0         \n"
                       "  center         0          0          0         \n"
                       "      weight          2.5            \n"
                       "      swingActive TRUE      \n"
                       "    }\n"
                       "  ]\n"
                       "}\n"));
  // Words that select no component form write the native instance; their
  // attributes take the form the word selects for attributes.
  const std::string native = component(ref);
  const std::string fallback = component(zkref);
  EXPECT_EQ(fallback.substr(0, 60), native.substr(0, 60));
  EXPECT_NE(fallback.find("      # BAD STREAM MANIPULATOR\n"), std::string::npos) << fallback;
  EXPECT_NE(component(def).find("      ZKAttribute {\n    name    \"weight\""), std::string::npos);
}

TEST_F(ComponentWriterTest, VrmlInstanceTimersAndAnchor) {
  add<ZKFloatAttribute>("WalkSpeed")->setValue(2.0f);
  add<ZKFloatAttribute>("openSpeed")->setValue(4.0f);
  door->addBehavior("Walk", behavior("Door:walk", "m.dll", "walk"));
  door->addBehavior("open", behavior("Door:open", "m.dll", "open"));
  door->addBehavior("zz", behavior("Door:zz", "m.dll", "zz"));
  const std::string timed = component(vrmlref);
  EXPECT_NE(timed.find("    DEF door1_WalkTimer TimeSensor { \n"
                       "      cycleInterval         5\n"
                       "      loop                  TRUE\n"
                       "      startTime             0\n"
                       "    }\n\n"),
            std::string::npos)
      << timed;
  EXPECT_NE(timed.find("door1_openTimer TimeSensor { \n      cycleInterval         0.25\n"),
            std::string::npos);
  // A behaviour without a speed keeps the interval before it.
  EXPECT_NE(timed.find("door1_zzTimer TimeSensor { \n      cycleInterval         0.25\n"),
            std::string::npos);
  EXPECT_NE(timed.find("      timer      USE    mainTimer\n"
                       "      WalkTimer    USE    door1_WalkTimer\n"),
            std::string::npos);
  const std::string untimed = component(msvrmlref);
  for (const char* word : {"TimeSensor", "timer", "mainTimer"})
    EXPECT_EQ(untimed.find(word), std::string::npos) << word;
  EXPECT_EQ(untimed.find("Anchor"), std::string::npos);

  static_cast<ZKFloatAttribute*>(door->getAttribute("WalkSpeed"))->setValue(0.0f);
  EXPECT_NE(component(vrmlref).find("door1_WalkTimer TimeSensor { \n      cycleInterval         10\n"),
            std::string::npos);

  auto* url = add<ZKMFStringAttribute>("anchorUrl");
  url->getActualValue().set1Value(0, " ");
  EXPECT_EQ(component(msvrmlref).find("Anchor"), std::string::npos);
  url->getActualValue().set1Value(0, "next.wrl");
  add<ZKStringAttribute>("anchorDescription")->setValue("Next");
  const std::string anchored = component(msvrmlref);
  EXPECT_NE(anchored.find("\tAnchor {\n"
                          "\t\turl             [              \"next.wrl\"     ]\n\n"
                          "\t\tdescription     \"Next\"         \n"
                          "\t\tchildren [\n"
                          "    DEF door1 Door{\n"),
            std::string::npos)
      << anchored;
  EXPECT_NE(anchored.find("    }\n\t\t]\n\t}\n  ]\n}\n"), std::string::npos);
  EXPECT_EQ(url->getName(), "anchorUrl");
}

TEST_F(ComponentWriterTest, BehaviourAndAttributeForms) {
  ZKBehavior b = behavior("Door:b", "doorlib.dll", "swingDoor");
  auto behaviorText = [&](zkofstream& (*mode)(zkofstream&)) {
    return written(mode, [&](zkofstream& os) { os << b; });
  };
  EXPECT_TRUE(sameText(behaviorText(exproto),
                       "EXTERNPROTO doorlib_swingDoor [\n"
                       "field          SFBool         activate       \n"
                       "field          SFString       name           \n"
                       "] \"doorlib.arl#doorlib_swingDoor\"\n"));
  EXPECT_TRUE(sameText(behaviorText(vrmlexproto),
                       "EXTERNPROTO doorlib_swingDoor [\n"
                       "field          SFBool         activate       \n"
                       "field          SFString       name           \n"
                       "field          SFNode         component      \n"
                       "eventIn        SFFloat        tick           \n"
                       "] \"doorlib.wrl#doorlib_swingDoor\"\n"));
  EXPECT_EQ(behaviorText(vrmlref), "");
  EXPECT_EQ(behaviorText(zkref), "# BAD STREAM MANIPULATOR\n");

  // A library name of four characters or fewer has no stem: the native
  // prototype leaves the behaviour out, the VRML prototype does not.
  door->addBehavior("x", behavior("Door:x", ".dll", "act"));
  EXPECT_EQ(component(proto).find("_act"), std::string::npos);
  EXPECT_NE(component(vrmlproto).find("_act {\n\tname\t\"x\"\n\tcomponent\tUSE\tcomp\n"),
            std::string::npos);

  ZKTimeAttribute t;
  t.setName("when");
  t.setValue(1.5);
  auto attributeText = [&](zkofstream& (*mode)(zkofstream&)) {
    return written(mode, [&](zkofstream& os) { os << t; });
  };
  EXPECT_EQ(attributeText(msvrmlref), "when            1.5            ");
  EXPECT_EQ(attributeText(vrmlproto),
            "field          SFTime         when                     1.5            ");
  EXPECT_EQ(attributeText(def),
            "ZKAttribute {\n    name    \"when\"\n    type    \"time \"\n    value   IS when\n}\n");
  EXPECT_EQ(attributeText(geometry), "# BAD STREAM MANIPULATOR\n");

  std::ostringstream fields;
  fields << ZKField("speed", ZKField::SFFloat, nullptr) << ZKField("", ZKField::None, nullptr);
  EXPECT_EQ(fields.str(), "speed \n \n");
}

TEST_F(ComponentWriterTest, RulesInTheNativePrototype) {
  door->addBehavior("S", behavior("Door:S", "m.dll", "s"));
  door->addBehavior("T", behavior("Door:T", "m.dll", "t"));
  door->addRule("S", "T", ZKComponent::toggles);
  const std::string text = component(proto);
  EXPECT_NE(text.find("rules [\n"
                      "ZKRule {\n  source    \"S\"\n  target    \"T\"\n  type      \"toggles\"\n}\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("ZKRule {\n  source    \"T\"\n  target    \"S\"\n  type      \"toggles\"\n}\n"
                      "]\n}\n}\n"),
            std::string::npos)
      << text;
}

}  // namespace
