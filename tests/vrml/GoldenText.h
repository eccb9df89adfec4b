#ifndef ZKCP_TESTS_VRML_GOLDENTEXT_H
#define ZKCP_TESTS_VRML_GOLDENTEXT_H

#include <gtest/gtest.h>

#include <string>

namespace zkcp_test {

// The whole content of a file, read as bytes; empty when it cannot be read.
std::string readFile(const std::string& path);

// A path for a scratch file of the test run.
std::string scratchPath(const std::string& name);

// Compares text byte for byte with tests/data/golden/<goldenName>. On a
// difference the failure names the first differing line and column (both
// from 1) and shows that line on both sides, tabs written as \t.
::testing::AssertionResult matchesGolden(const std::string& actual, const std::string& goldenName);

// The same comparison against text given in the test itself.
::testing::AssertionResult sameText(const std::string& actual, const std::string& expected);

}  // namespace zkcp_test

#endif
