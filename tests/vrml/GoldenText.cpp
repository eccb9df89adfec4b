#include "GoldenText.h"

#include <fstream>
#include <sstream>

namespace zkcp_test {

namespace {

std::string visible(const std::string& line) {
  std::string out;
  for (char c : line) {
    if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

// The line of text that holds byte offset `at` (without its newline).
std::string lineAround(const std::string& text, size_t at) {
  size_t begin = 0;
  if (at > 0) {
    size_t newline = text.rfind('\n', at - 1);
    if (newline != std::string::npos) begin = newline + 1;
  }
  if (begin >= text.size()) return std::string();
  size_t end = text.find('\n', begin);
  return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

}  // namespace

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string scratchPath(const std::string& name) { return ::testing::TempDir() + name; }

::testing::AssertionResult sameText(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  size_t at = 0;
  size_t line = 1;
  size_t column = 1;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
    if (actual[at] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
    ++at;
  }
  return ::testing::AssertionFailure()
         << "texts differ at line " << line << ", column " << column << " (byte " << at
         << "; expected " << expected.size() << " bytes, got " << actual.size() << ")\n"
         << "  expected: \"" << visible(lineAround(expected, at)) << "\""
         << (at >= expected.size() ? " <end of text>" : "") << "\n"
         << "  actual:   \"" << visible(lineAround(actual, at)) << "\""
         << (at >= actual.size() ? " <end of text>" : "");
}

::testing::AssertionResult matchesGolden(const std::string& actual, const std::string& goldenName) {
  std::string path = std::string(ZKCP_TEST_DATA_DIR) + "/golden/" + goldenName;
  std::ifstream probe(path, std::ios::binary);
  if (!probe) return ::testing::AssertionFailure() << "golden file missing: " << path;
  ::testing::AssertionResult result = sameText(actual, readFile(path));
  if (!result) return ::testing::AssertionFailure() << goldenName << ": " << result.message();
  return result;
}

}  // namespace zkcp_test
