#include <zkcp/foundation/RWIndexError.h>
#include <zkcp/vrml/ZKBlockFileBuffer.h>
#include <zkcp/vrml/zkofstream.h>

#include "GoldenText.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using zkcp_test::readFile;
using zkcp_test::scratchPath;

// The format word, the indent level and the tab stops of a stream.
std::string state(zkofstream& os) {
  std::string out = std::to_string(os.format()) + " " + std::to_string(os.getIndentLevel()) + " [";
  for (int column = 0; column <= 200; ++column) {
    if (os.getTabStopPos(column) >= 0) out += " " + std::to_string(column);
  }
  return out + " ]";
}

TEST(Zkofstream, TabStopsStaySortedAndUnique) {
  zkofstream os(scratchPath("zk_fresh.txt").c_str());
  ASSERT_TRUE(os.good());
  EXPECT_EQ(state(os), "0 0 [ 0 ]");
  os << indent;
  EXPECT_EQ(os.nextIndent(), 0);  // no stop to move to
  for (int column : {8, 8, 4}) os.addTabStop(column);
  EXPECT_EQ(os.getTabStopPos(8), 2);
  os.removeTabStop(4);
  os.removeTabStop(99);
  EXPECT_EQ(state(os), "1024 0 [ 0 8 ]");
  for (int column = 200; column > 8; column -= 2) os.addTabStop(column);  // past the capacity
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
    os << nextIndent << "a" << endl << indentit << "b";
    EXPECT_EQ(os.getIndentLevel(), 0);
    os << indent << nextIndent << nextIndent << endl;
    EXPECT_EQ(os.nextIndent(), 2);  // no stop further in
    os << "c" << backIndent << endl << "d";
    EXPECT_EQ(os.backIndent(), 0);  // at the first stop already
    os << indentit << "e" << endl;
    // The current stop is writable in place and is what indentation uses.
    os.nextIndent();
    os.getTabStop() = 2;
    os << "f" << endl << "g" << noindent << endl << "h" << indentit << endl;
    EXPECT_EQ(state(os), "0 1 [ 0 2 8 ]");
  }
  EXPECT_EQ(readFile(path), "a\nb\n        c\n    de\nf\n  g\nh\n");
}

TEST(Zkofstream, ModeManipulatorsReplaceTheWholeWord) {
  zkofstream os(scratchPath("zk_modes.txt").c_str());
  std::string values;
  for (auto* mode : {exproto, proto, ref, zkref, def, vrmlproto, vrmlexproto, vrmlref, msvrmlref, geometry}) {
    values += std::to_string((os << indent << mode).format()) + " ";
  }
  EXPECT_EQ(values, "1 2 4 8 16 32 64 128 256 512 ");
  // indent and noindent change only the indent flag, as often as given; a
  // null manipulator is ignored.
  os << proto << indent << indent;
  EXPECT_EQ(os.format(), 2 + zkofstream::kIndentFlag);
  os << noindent << noindent;
  EXPECT_EQ(os.format(), 2);
  os.setFormat(7 | zkofstream::kIndentFlag);
  zkofstream& (*none)(zkofstream&) = nullptr;
  os << noindent << none;
  EXPECT_EQ(os.format(), 7);
}

TEST(Zkofstream, TextBadFormatCommentAndMissingStops) {
  std::string path = scratchPath("zk_text.txt");
  {
    zkofstream os(path.c_str());
    const char* none = nullptr;
    // Numbers are the base stream's: a literal 0 is a number, not a text. A
    // pending width applies to the next text, right-justified by default.
    os << "x" << none << RWCString("yz") << RWCString() << 0 << 10.0 / 3 << 'c';
    os.width(5);
    os << "ab" << "|" << "\n";
    os.addTabStop(3);
    os.writeBadFormatComment();
    os << indent << nextIndent;
    os.writeBadFormatComment();
    os << "z";
    // Without a stop for the level, reading the stop throws and no blanks
    // are written; the level itself stays where it was.
    os.removeAllTabsStops();
    EXPECT_EQ(state(os), "1024 1 [ ]");
    EXPECT_THROW(os.getTabStop(), RWIndexError);
    EXPECT_THROW(os << indentit, RWIndexError);
    EXPECT_THROW(os << endl, RWIndexError);
    os.addTabStop(6);
    EXPECT_EQ(os.backIndent(), 0);
    os << endl << "w" << noindent << endl;
    EXPECT_TRUE(os.good());
  }
  EXPECT_EQ(readFile(path), "xyz03.33333c   ab|\n# BAD STREAM MANIPULATOR\n"
                            "# BAD STREAM MANIPULATOR\n   z\n\n      w\n");
}

TEST(Zkofstream, FileDescriptorsAndFailedOpens) {
  std::string path = scratchPath("zk_fd.txt");
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  zkofstream(fd) << "one" << endl;
  // The caller's descriptor stays open and usable after the stream is gone.
  EXPECT_EQ(::write(fd, "two\n", 4), 4);
  ::close(fd);
  EXPECT_EQ(readFile(path), "one\ntwo\n");
  // Failed streams discard what is written to them.
  const char* noName = nullptr;
  zkofstream badFd(-1), closedFd(fd), noDir("/nonexistent-zkcp-dir/out.wrl"), unnamed(noName);
  badFd << "lost" << endl;
  noDir << indent << "lost" << endl;
  EXPECT_TRUE(badFd.fail() && closedFd.fail() && noDir.fail() && unnamed.fail());
}

TEST(Zkofstream, BlockBufferKeepsLineEndsUntilABlockIsFull) {
  const std::string path = scratchPath("zk_block.txt");
  const std::string longLine(ZKBlockFileBuffer::kBlockSize + 17, 'x');
  {
    ZKBlockFileBuffer buffer(path.c_str());
    zkofstream os(&buffer);
    os.addTabStop(3);
    os << indent << nextIndent << "a" << endl << 1.5 << "b";
    os.flush();
    EXPECT_EQ(readFile(path), "");  // flushed, yet nothing written
    os << longLine.c_str() << endl << "c";
    EXPECT_TRUE(os.good());
    EXPECT_TRUE(buffer.close());
    EXPECT_FALSE(buffer.close());
  }
  EXPECT_EQ(readFile(path), "a\n   1.5b" + longLine + "\n   c");
  ZKBlockFileBuffer noDir("/nonexistent-zkcp-dir/out.wrl");
  zkofstream lost(&noDir), unbuffered(static_cast<std::streambuf*>(nullptr));
  lost << "lost" << endl;
  EXPECT_FALSE(noDir.is_open());
  EXPECT_TRUE(lost.fail() && unbuffered.fail());
}

TEST(Zkofstream, CopiesShareTheBufferAndCopyTheState) {
  std::string pathA = scratchPath("zk_copy_a.txt"), pathB = scratchPath("zk_copy_b.txt");
  {
    zkofstream a(pathA.c_str());
    a.addTabStop(2);
    a << vrmlref << indent << nextIndent;
    zkofstream copy(a);
    EXPECT_EQ(state(copy), "1152 1 [ 0 2 ]");
    a << "1";
    copy << "2" << endl;
    a << "3";
    copy.addTabStop(5);
    copy << noindent;
    EXPECT_EQ(state(a), "1152 1 [ 0 2 ]");  // the copy's state is its own
    // Assignment does the same; self-assignment changes nothing.
    zkofstream b(pathB.c_str());
    b << "b";
    b = a;
    EXPECT_EQ(state(b), "1152 1 [ 0 2 ]");
    b << "4" << endl;
    b = b;
    b << "5";
    copy << "6";
  }
  EXPECT_EQ(readFile(pathA), "12\n  34\n  56");
  EXPECT_EQ(readFile(pathB), "b");
}

}  // namespace
