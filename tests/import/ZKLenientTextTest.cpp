// Unknown fields and nodes are left out of VRML 97 and Inventor text with
// one message each naming the line, and Coin reads what remains; PROTO
// fields, Script declarations and node kit parts are known. Files included
// through Inline and File nodes are read the same way, each named by its
// path, and one that is missing is left out with a warning.
#include <zkcp/import/ZKLenientReader.h>
#include <zkcp/import/ZKLenientText.h>

#include <zkcp/component/ZKComponent.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/VRMLnodes/SoVRMLSphere.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoFile.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSphere.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

// Whether Coin reads the text, after the unknown parts are left out.
bool readsAfterCleaning(const std::string& text, std::string& messages,
                        const std::string& folder = "") {
  std::ostringstream said;
  const std::string kept = withoutUnknownFields(text, "m.wrl", said, folder);
  messages = said.str();
  SoInput in;
  in.setBuffer(kept.data(), kept.size());
  SoSeparator* root = SoDB::readAll(&in);
  if (!root) return false;
  root->ref();
  root->unref();
  return true;
}

TEST(ZKLenientText, UnknownFieldsAndNodesAreLeftOutWithTheirLines) {
  SoDB::init();
  ZKComponent::initClass();
  std::string messages;
  EXPECT_TRUE(readsAfterCleaning(
      "#VRML V2.0 utf8\n"
      "NavigationInfo { type \"EXAMINE\" vendorSpeed 3 }\n"
      "PROTO Lamp [ field SFColor tint 1 1 1 field SFNode shape NULL ] { Group { } }\n"
      "DEF Body Transform {\n"
      "  children [\n"
      "    Shape { appearance Appearance { blendMode \"ADD\"\n"
      "      texture ImageTexture { url [ \"a.png\" ] alphaChannel \"AUTO\" repeatS FALSE } } }\n"
      "    DEF Odd VendorNode { speed 2 children [ Box { } ] }\n"
      "    Shape { geometry USE Odd }\n"
      "    Lamp { tint 1 0 0 shape Shape { geometry Box { size 1 1 1 } } }\n"
      "    Script { field SFFloat speed 2 eventIn SFTime tick url \"x.js\" }\n"
      "    Box { madeUp 1 }\n"
      "  ]\n"
      "}\n"
      "ROUTE Odd.speed TO Body.set_translation\n",
      messages));
  EXPECT_EQ(messages,
            "m.wrl:2: unknown field 'vendorSpeed' of NavigationInfo skipped\n"
            "m.wrl:6: unknown field 'blendMode' of Appearance skipped\n"
            "m.wrl:7: unknown field 'alphaChannel' of ImageTexture skipped\n"
            "m.wrl:8: unknown node 'VendorNode' skipped\n"
            "m.wrl:12: unknown field 'madeUp' of Box skipped\n");

  EXPECT_TRUE(readsAfterCleaning(
      "#Inventor V2.1 ascii\n"
      "Separator {\n"
      "  DrawStyle { style LINES lineWidth 2 glow 1 }\n"
      "  ZKPart { transform Transform { translation 1 0 0 } }\n"
      "  Cube { width 2 }\n"
      "}\n",
      messages));
  EXPECT_EQ(messages, "m.wrl:3: unknown field 'glow' of DrawStyle skipped\n");

  // Prototypes whose file is not there go with their nodes; a node used
  // inside itself is left out there (an empty field of one node).
  EXPECT_TRUE(readsAfterCleaning(
      "#VRML V2.0 utf8\n"
      "EXTERNPROTO Panel [ exposedField SFColor tint ] [ \"urn:x:panel\" \"panels.wrl#Panel\" ]\n"
      "Panel { tint 1 0 0 }\n"
      "DEF S Script { field SFNode me USE S field MFNode all [ Group { } USE S ] }\n",
      messages, ZKCP_TEST_DATA_DIR "/lenient"));
  EXPECT_EQ(messages,
            "m.wrl:2: EXTERNPROTO 'Panel' (no file at 'urn:x:panel') skipped\n"
            "m.wrl:3: unknown node 'Panel' skipped\n"
            "m.wrl:4: USE of 'S' inside itself skipped\n");
  std::ostringstream kept;
  const std::string knob = "#VRML V2.0 utf8\nEXTERNPROTO Knob [ ] \"parts/knob.wrl#Knob\"\n";
  EXPECT_EQ(withoutUnknownFields(knob, "m.wrl", kept, ZKCP_TEST_DATA_DIR "/lenient"), knob);

  // Text that is not VRML or Inventor, or that the cleaner cannot follow,
  // is left for Coin to refuse.
  std::ostringstream said;
  for (const char* text : {"solid wedge\nendsolid\n", "#VRML V2.0 utf8\nShape { geometry Box {\n"})
    EXPECT_EQ(withoutUnknownFields(text, "m.wrl", said), text);
  EXPECT_EQ(said.str(), "");
}

// How many nodes of `type` the scene holds, counting those read through
// Inline and File nodes.
int count(SoNode* root, SoType type) {
  SoSearchAction search;
  search.setType(type);
  search.setInterest(SoSearchAction::ALL);
  search.setSearchingAll(TRUE);
  search.apply(root);
  return search.getPaths().getLength();
}

TEST(ZKLenientReader, IncludedFilesAreReadLenientlyAndNamedByTheirPath) {
  SoDB::init();
  SoFile::setSearchOK(TRUE);
  const std::string dir = ZKCP_TEST_DATA_DIR "/lenient/";
  std::ostringstream messages;
  ZKLenientReader reader(messages);
  SoSeparator* root = reader.read(dir + "top.wrl", "top.wrl");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(reader.getFault(), "");
  EXPECT_EQ(messages.str(),
            "top.wrl:4: unknown field 'blendMode' of Appearance skipped\n"
            "parts/knob.wrl:5: unknown field 'madeUp' of Sphere skipped\n"
            "parts/knob.wrl:6: unknown node 'VendorThing' skipped\n"
            "top.wrl: included file 'parts/gone.wrl' not found; left out\n");
  EXPECT_EQ(count(root, SoVRMLSphere::getClassTypeId()), 1);
  // A copy holds the inlined scene and reads no file again.
  const std::string said = messages.str();
  SoNode* copy = root->copy();
  copy->ref();
  EXPECT_EQ(count(copy, SoVRMLSphere::getClassTypeId()), 1);
  EXPECT_EQ(messages.str(), said);
  copy->unref();
  root->unref();

  messages.str("");
  root = reader.read(dir + "filed.iv", "filed.iv");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(messages.str(),
            "parts/knob.iv:2: unknown field 'glow' of Sphere skipped\n"
            "filed.iv: included file 'parts/none.iv' not found; left out\n");
  EXPECT_EQ(count(root, SoSphere::getClassTypeId()), 1);
  root->unref();

  EXPECT_EQ(reader.read(ZKCP_TEST_DATA_DIR "/cycle_a.wrl", "cycle_a.wrl"), nullptr);
  EXPECT_EQ(reader.getFault(), "'" ZKCP_TEST_DATA_DIR "/cycle_a.wrl' includes itself");
}

}  // namespace
