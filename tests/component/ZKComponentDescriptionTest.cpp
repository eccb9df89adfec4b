#include <zkcp/component/ZKComponent.h>
#include <zkcp/component/ZKStableFiles.h>

#include <Inventor/SoDB.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

class DescriptionFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SoDB::init();
    ZKComponent::initClass();
  }
  void SetUp() override {
    component = new ZKComponent("Holder", "Holder");
    component->ref();
  }
  void TearDown() override { component->unref(); }

  // Writes the description text to a scratch file and loads it.
  int load(const std::string& text) {
    // One file per process: ctest runs the tests of this program in parallel.
    const std::string path =
        ::testing::TempDir() + "zk_description_" + std::to_string(getpid()) + ".txt";
    std::ofstream(path) << text;
    return component->loadDescriptionFile(path.c_str());
  }
  static std::string geometry(const char* file) {
    return std::string(ZKCP_TEST_DATA_DIR) + "/" + file;
  }
  SoNodeKitListPart* childList(ZKPart* part) {
    return static_cast<SoNodeKitListPart*>(part->getPart("childList", FALSE));
  }

  ZKComponent* component = nullptr;
};

TEST_F(DescriptionFile, PartsWithParametersCommentsAndParents) {
  const std::string text =
      "# two parts\n"
      "part Base external\n"
      "  contents " + geometry("twoparts.iv") + "\n"
      "  transform#the value is on the next line\n"
      "\n"
      "     translation 1 2 3\n"
      "  parent NoSuchPart\n"
      "part Lid external\n"
      "  parent Base\n"
      "  contents\n" + geometry("parts.iv") + "\n"
      "  contents " + geometry("twoparts.iv") + "\n"
      "  parent Lid\n";
  EXPECT_EQ(load(text), 1);
  ZKPart* base = component->getLogicalPart("Base");
  ZKPart* lid = component->getLogicalPart("Lid");
  ASSERT_NE(base, nullptr);
  ASSERT_NE(lid, nullptr);
  EXPECT_STREQ(base->getName().getString(), "Base");
  EXPECT_EQ(base->getTransform()->translation.getValue(), SbVec3f(1, 2, 3));
  // Base sits in the component's child list, Lid under Base; the second
  // contents line and the late parent change nothing.
  EXPECT_GE(childList(component)->findChild(base), 0);
  EXPECT_LT(childList(component)->findChild(lid), 0);
  ASSERT_NE(childList(base), nullptr);
  EXPECT_GE(childList(base)->findChild(lid), 0);
  EXPECT_EQ(childList(component)->getNumChildren(), 1);
  // The geometry's own separators became logical parts too.
  EXPECT_NE(component->getLogicalPart("Left"), nullptr);
}

// Components of one type loading the same contents file each get a graph of
// their own, and a contents file that changed is read again.
TEST_F(DescriptionFile, ContentsFileReadOnceAndAgainWhenItChanges) {
  const std::string contents =
      ::testing::TempDir() + "zk_contents_" + std::to_string(getpid()) + ".iv";
  const auto write = [&](const char* cube) {
    std::ofstream(contents) << "#Inventor V2.1 ascii\nSeparator { Cube { width " << cube << " } }\n";
  };
  const std::string text = "part Box external\n  contents " + contents + "\n";
  write("2");
  ASSERT_EQ(load(text), 1);
  ZKComponent* other = new ZKComponent("Other", "Holder");
  other->ref();
  std::swap(component, other);
  ASSERT_EQ(load(text), 1);
  write("3.5");  // another size: the file is read again
  ZKComponent* third = new ZKComponent("Third", "Holder");
  third->ref();
  std::swap(component, third);
  ASSERT_EQ(load(text), 1);
  std::vector<SoNode*> boxes;
  for (ZKComponent* c : {other, third, component}) {
    ZKPart* box = c->getLogicalPart("Box");
    ASSERT_NE(box, nullptr);
    boxes.push_back(box->getPart("contents", FALSE));
  }
  EXPECT_NE(boxes[0], boxes[1]);
  const auto width = [](SoNode* contents) {
    return static_cast<SoCube*>(static_cast<SoGroup*>(contents)->getChild(0))->width.getValue();
  };
  EXPECT_EQ(width(boxes[0]), 2);
  EXPECT_EQ(width(boxes[1]), 2);
  EXPECT_EQ(width(boxes[2]), 3.5f);
  other->unref();
  third->unref();
  std::remove(contents.c_str());
}

// While files are declared stable, a description and its contents file are
// read once, edits to either go unseen, and a file that cannot be read stays
// unread; once the declaration ends, the edits are read.
TEST_F(DescriptionFile, StableFilesAreReadOnceUntilTheDeclarationEnds) {
  const std::string contents =
      ::testing::TempDir() + "zk_stable_" + std::to_string(getpid()) + ".iv";
  const auto write = [&](const char* cube) {
    std::ofstream(contents) << "#Inventor V2.1 ascii\nSeparator { Cube { width " << cube << " } }\n";
  };
  const auto width = [](ZKComponent* c, const char* part) {
    ZKPart* made = c->getLogicalPart(part);
    if (!made) return -1.0f;
    auto* group = static_cast<SoGroup*>(made->getPart("contents", FALSE));
    return static_cast<SoCube*>(group->getChild(0))->width.getValue();
  };
  std::vector<ZKComponent*> built;
  const auto build = [&](const std::string& text) {
    auto* next = new ZKComponent("Next", "Holder");
    next->ref();
    std::swap(component, next);
    built.push_back(next);
    EXPECT_EQ(load(text), 1);
  };
  write("2");
  {
    const ZKStableFiles stable;
    EXPECT_TRUE(ZKStableFiles::active());
    build("part Box external\n  contents " + contents + "\n");
    write("3.5");
    build("part Lid external\n  contents " + contents + "\n");
    EXPECT_EQ(width(component, "Box"), 2);
    EXPECT_EQ(width(component, "Lid"), -1);
    EXPECT_EQ(component->loadDescriptionFile("/no/such/description"), 1);
  }
  EXPECT_FALSE(ZKStableFiles::active());
  build("part Lid external\n  contents " + contents + "\n");
  EXPECT_EQ(width(component, "Lid"), 3.5f);
  for (ZKComponent* c : built) c->unref();
  std::remove(contents.c_str());
}

TEST_F(DescriptionFile, BadInputAddsNothingAndEnds) {
  const int before = component->getNumParts();
  EXPECT_EQ(component->loadDescriptionFile("/no/such/description"), 1);
  EXPECT_EQ(load("just words # and a comment\n#part A external\n"), 1);
  // A part type other than external ends the whole file.
  EXPECT_EQ(load("part A internal\npart B external\n contents " + geometry("parts.iv") + "\n"),
            1);
  // A contents file that cannot be read makes no part.
  EXPECT_EQ(load("part C external\n contents /no/such.iv\n transform translation 1 0 0\n"), 1);
  // Nor does one that includes itself, directly or through another file.
  EXPECT_EQ(load("part F external\n contents " + geometry("recurse_file.iv") +
                 "\npart G external\n contents " + geometry("cycle_a.wrl") + "\n"),
            1);
  EXPECT_EQ(component->getNumParts(), before);

  // An action section is skipped up to the next part; an unknown word
  // inside a part section ends the reading, keeping what was made.
  EXPECT_EQ(load("action open the door slowly\npart D external\n contents " + geometry("parts.iv") +
                 "\n bogus\npart E external\n contents " + geometry("parts.iv") + "\n"),
            1);
  EXPECT_NE(component->getLogicalPart("D"), nullptr);
  EXPECT_EQ(component->getLogicalPart("E"), nullptr);
}

}  // namespace
