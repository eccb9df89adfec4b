// Geometry files whose names, or the names of the files they include, hold
// printf conversions: each missing file is reported with its name as it
// stands, and the read goes on or fails as for any other missing file.
#include <zkcp/foundation/ZKGeometryInput.h>

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTexture3.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// What reading the text through a geometry input writes to standard error.
std::string readErrors(const char* text) {
  ::testing::internal::CaptureStderr();
  ZKGeometryInput in;
  in.setBuffer(text, std::strlen(text));
  if (SoSeparator* root = SoDB::readAll(&in)) {
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
