// Every refusal of the world description reader with its whole message:
// the file, the JSON path of the value and the reason. The cases are the
// lines of tests/data/reader/refusals.txt, one test per kind.
#include <WorldReader.h>

#include <Inventor/SoDB.h>

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

}  // namespace
