// Geometry files whose names, or the names of the files they include, hold
// printf conversions: each missing file is reported with its name as it
// stands, and the read goes on or fails as for any other missing file. And
// nodes that USE themselves while they are read.
#include <zkcp/foundation/ZKGeometryInput.h>

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTexture3.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// What reading the text through a geometry input writes to standard error;
// `children` gets the number of children of the graph read, or -1.
std::string readErrors(const char* text, int* children = nullptr) {
  ::testing::internal::CaptureStderr();
  ZKGeometryInput in;
  in.setBuffer(text, std::strlen(text));
  SoSeparator* root = SoDB::readAll(&in);
  if (children) *children = root ? root->getNumChildren() : -1;
  if (root) {
    root->ref();
    root->unref();
  }
  return ::testing::internal::GetCapturedStderr();
}

}  // namespace

TEST(ZKGeometryInput, ConversionsInFileNamesArePrintedAsTheyStand) {
  SoDB::init();
  ::testing::internal::CaptureStderr();
  ZKGeometryInput in;
  EXPECT_FALSE(in.openFile("/no/%s%n%s.iv"));
  EXPECT_FALSE(in.openFile("/no/quiet%n.iv", TRUE));
  const std::string opened = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(opened.find("Coin read error: Could not find '/no/%s%n%s.iv' in any of the following"
                        " directories (from cwd '"),
            0u);
  EXPECT_EQ(opened.find("quiet"), std::string::npos);

  EXPECT_NE(readErrors("#Inventor V2.1 ascii\nSeparator { File { name \"/no/%s%n\" } }\n")
                .find("Could not find '/no/%s%n' in any"),
            std::string::npos);
  EXPECT_NE(readErrors("#VRML V2.0 utf8\nInline { url \"/no/%s%n.wrl\" }\n")
                .find("Could not find '/no/%s%n.wrl' in any"),
            std::string::npos);
  EXPECT_NE(readErrors("#Inventor V2.1 ascii\nTexture3 { filenames [ \"/no/%s%n\" ] }\n")
                .find("Could not read texture file #0: /no/%s%n\n"),
            std::string::npos);

  // Names given to a Texture3 node outside a read are loaded the same way.
  ::testing::internal::CaptureStderr();
  SoTexture3* texture = new SoTexture3;
  texture->ref();
  texture->filenames.setValue("/no/%s%n");
  texture->unref();
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("#0: /no/%s%n"), std::string::npos);
}

TEST(ZKGeometryInput, NodeUsedInsideItselfIsAnUnknownReference) {
  SoDB::init();
  int children = 0;
  for (const char* text : {"#Inventor V2.1 ascii\nDEF W Separator { Separator { USE W } }\n",
                           "#Inventor V2.1 ascii\nDEF W Separator { Separator { USE W ",
                           "#VRML V2.0 utf8\nDEF W Transform { children Group { children USE W "}) {
    EXPECT_NE(readErrors(text, &children).find("Unknown reference \"W\""), std::string::npos);
    EXPECT_EQ(children, -1) << text;
  }
  // A node used once its reading has ended is shared as before.
  EXPECT_EQ(readErrors("#Inventor V2.1 ascii\nDEF C Cube { } Separator { USE C } USE C\n", &children),
            "");
  EXPECT_EQ(children, 3);
}
