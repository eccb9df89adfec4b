#include <zkcp/foundation/RWIndexError.h>
#include <zkcp/vrml/zkofstream.h>

#include "GoldenText.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using zkcp_test::readFile;
using zkcp_test::sameText;
using zkcp_test::scratchPath;

TEST(Zkofstream, FreshStreamAndTabStops) {
  std::string path = scratchPath("zk_fresh.txt");
  zkofstream os(path.c_str());
  ASSERT_TRUE(os.good());
  EXPECT_EQ(os.getNumStops(), 1);
  EXPECT_EQ(os.getTabStop(), 0);
  EXPECT_EQ(os.format(), 0);
  EXPECT_EQ(os.nextIndent(), 0);
  os << indent;
  EXPECT_EQ(os.nextIndent(), 0);
  EXPECT_EQ(os.getIndentLevel(), 0);

  os.addTabStop(8);
  os.addTabStop(8);
  EXPECT_EQ(os.getNumStops(), 2);
  os.addTabStop(4);
  EXPECT_EQ(os.getNumStops(), 3);
  EXPECT_EQ(os.getTabStopPos(4), 1);
  EXPECT_EQ(os.getTabStopPos(8), 2);
  EXPECT_EQ(os.getTabStopPos(5), -1);

  os.removeTabStop(4);
  os.removeTabStop(99);
  EXPECT_EQ(os.getNumStops(), 2);
  EXPECT_EQ(os.getTabStopPos(8), 1);

  // Growing past the first and later capacities keeps the order.
  for (int column = 200; column > 8; column -= 2) os.addTabStop(column);
  EXPECT_EQ(os.getNumStops(), 2 + 96);
  EXPECT_EQ(os.getTabStopPos(10), 2);
  EXPECT_EQ(os.getTabStopPos(200), 97);
}

TEST(Zkofstream, IndentationAndLineEnds) {
  std::string path = scratchPath("zk_indent.txt");
  {
    zkofstream os(path.c_str());
    os.addTabStop(4);
    os.addTabStop(8);
    // With the flag clear the level does not move and nothing is indented.
    EXPECT_EQ(os.nextIndent(), 0);
    os << nextIndent << "a" << endl << indentit << "b";
    EXPECT_EQ(os.getIndentLevel(), 0);

    os << indent << nextIndent << nextIndent << endl;
    EXPECT_EQ(os.getIndentLevel(), 2);
    EXPECT_EQ(os.nextIndent(), 2);
    os << "c" << backIndent << endl << "d";
    EXPECT_EQ(os.getIndentLevel(), 1);
    EXPECT_EQ(os.backIndent(), 0);
    EXPECT_EQ(os.backIndent(), 0);
    os << indentit << "e" << endl;

    // The current stop is writable in place and is what indentation uses.
    os.nextIndent();
    os.getTabStop() = 2;
    os << "f" << endl << "g";
    EXPECT_EQ(os.getTabStopPos(2), 1);
    os << noindent << endl << "h" << indentit << endl;
  }
  EXPECT_TRUE(sameText(readFile(path), "a\nb\n        c\n    de\nf\n  g\nh\n"));
}

TEST(Zkofstream, ModeManipulatorsReplaceTheWholeWord) {
  zkofstream os(scratchPath("zk_modes.txt").c_str());
  struct Case {
    zkofstream& (*manipulator)(zkofstream&);
    int value;
  };
  const Case cases[] = {{exproto, 1},     {proto, 2},      {ref, 4},         {zkref, 8},
                        {def, 16},        {vrmlproto, 32}, {vrmlexproto, 64}, {vrmlref, 128},
                        {msvrmlref, 256}, {geometry, 512}};
  for (const Case& c : cases) {
    os << indent << c.manipulator;
    EXPECT_EQ(os.format(), c.value);
  }
  os << proto << indent;
  EXPECT_EQ(os.format(), 1026);
  os << indent;
  EXPECT_EQ(os.format(), 1026);
  os << noindent;
  EXPECT_EQ(os.format(), 2);
  os << noindent;
  EXPECT_EQ(os.format(), 2);
  os.setFormat(7 | zkofstream::kIndentFlag);
  EXPECT_EQ(os.format(), 1031);
  os << noindent;
  EXPECT_EQ(os.format(), 7);
  // A null manipulator is ignored.
  zkofstream& (*none)(zkofstream&) = nullptr;
  os << none;
  EXPECT_EQ(os.format(), 7);
}

TEST(Zkofstream, TextBadFormatCommentAndMissingStops) {
  std::string path = scratchPath("zk_text.txt");
  {
    zkofstream os(path.c_str());
    const char* none = nullptr;
    os << "x" << none << RWCString("yz") << RWCString();
    // Numbers are the base stream's: a literal 0 is a number, not a text.
    os << 0 << 10.0 / 3 << 'c';
    EXPECT_TRUE(os.good());
    // A pending width applies to the next text, right-justified by default.
    os.width(5);
    os << "ab" << "|";
    os << "\n";
    os.addTabStop(3);
    os.writeBadFormatComment();
    os << indent << nextIndent;
    os.writeBadFormatComment();
    os << "z";

    // Without a stop for the level, reading the stop throws and no blanks
    // are written; the level itself stays where it was.
    os.removeAllTabsStops();
    EXPECT_EQ(os.getNumStops(), 0);
    EXPECT_EQ(os.getIndentLevel(), 1);
    EXPECT_THROW(os.getTabStop(), RWIndexError);
    EXPECT_THROW(os << indentit, RWIndexError);
    EXPECT_THROW(os << endl, RWIndexError);
    os.addTabStop(6);
    EXPECT_EQ(os.backIndent(), 0);
    os << endl << "w" << noindent << endl;
    EXPECT_EQ(os.nextIndent(), 0);
  }
  EXPECT_TRUE(sameText(readFile(path),
                       "xyz03.33333c   ab|\n# BAD STREAM MANIPULATOR\n# BAD STREAM MANIPULATOR\n   z\n"
                       "\n      w\n"));
}

TEST(Zkofstream, FileDescriptorsAndFailedOpens) {
  std::string path = scratchPath("zk_fd.txt");
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  {
    zkofstream os(fd);
    EXPECT_TRUE(os.good());
    os << "one" << endl;
  }
  // The caller's descriptor stays open and usable after the stream is gone.
  EXPECT_EQ(::write(fd, "two\n", 4), 4);
  ::close(fd);
  EXPECT_EQ(readFile(path), "one\ntwo\n");

  zkofstream badFd(-1);
  EXPECT_TRUE(badFd.fail());
  badFd << "lost" << endl;
  zkofstream closedFd(fd);
  EXPECT_TRUE(closedFd.fail());

  zkofstream noDir("/nonexistent-zkcp-dir/out.wrl");
  EXPECT_TRUE(noDir.fail());
  noDir << indent << "lost" << endl;
  EXPECT_EQ(noDir.format(), 1024);
  const char* noName = nullptr;
  zkofstream unnamed(noName);
  EXPECT_TRUE(unnamed.fail());
}

TEST(Zkofstream, CopiesShareTheBufferAndCopyTheState) {
  std::string pathA = scratchPath("zk_copy_a.txt");
  std::string pathB = scratchPath("zk_copy_b.txt");
  {
    zkofstream a(pathA.c_str());
    a.addTabStop(2);
    a << vrmlref << indent << nextIndent;
    zkofstream copy(a);
    EXPECT_EQ(copy.format(), 128 + 1024);
    EXPECT_EQ(copy.getIndentLevel(), 1);
    EXPECT_EQ(copy.getNumStops(), 2);
    a << "1";
    copy << "2" << endl;
    a << "3";
    // The copy's state is its own.
    copy.addTabStop(5);
    copy << noindent;
    EXPECT_EQ(a.getNumStops(), 2);
    EXPECT_EQ(a.format(), 1152);

    zkofstream b(pathB.c_str());
    b << "b";
    b = a;
    EXPECT_EQ(b.format(), 1152);
    EXPECT_EQ(b.getNumStops(), 2);
    b << "4" << endl;
    b = b;
    b << "5";
    copy << "6";
  }
  EXPECT_EQ(readFile(pathA), "12\n  34\n  56");
  EXPECT_EQ(readFile(pathB), "b");
}

}  // namespace
