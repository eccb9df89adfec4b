#ifndef ZKCP_VRML_ZKOFSTREAM_H
#define ZKCP_VRML_ZKOFSTREAM_H

#include <zkcp/foundation/RWCString.h>

#include <fstream>
#include <memory>
#include <streambuf>
#include <type_traits>
#include <vector>

// The output file stream of the VRML export. Besides the text it carries a
// format word (the mode that tells each object writer which form to write,
// plus the indent flag) and an indent level into a list of tab stops. The
// manipulators below set the mode, move the level and end lines with
// indentation; the stream itself knows nothing of VRML.
class zkofstream : public std::ofstream {
 public:
  // Values of the format word. A mode manipulator stores its value into the
  // whole word; kIndentFlag is the one bit that indent/noindent change.
  static constexpr int kNoFormat = 0;
  static constexpr int kExproto = 1;
  static constexpr int kProto = 2;
  static constexpr int kRef = 4;
  static constexpr int kZkref = 8;
  static constexpr int kDef = 16;
  static constexpr int kVrmlproto = 32;
  static constexpr int kVrmlexproto = 64;
  static constexpr int kVrmlref = 128;
  static constexpr int kMsvrmlref = 256;
  static constexpr int kGeometry = 512;
  static constexpr int kIndentFlag = 1024;

  // Opens the named file for output, created or truncated. A failed open
  // leaves the stream failed; later output is discarded.
  explicit zkofstream(const char* fileName);
  // Writes to an already open file descriptor. The stream writes through a
  // duplicate of it, so the caller's descriptor stays open and the caller's.
  explicit zkofstream(int fd);
  // Writes to the caller's buffer, which must outlive the stream; a null
  // buffer leaves the stream failed. With a ZKBlockFileBuffer the line ends'
  // flushes cost no system call.
  explicit zkofstream(std::streambuf* buffer);
  // A second stream on the same output buffer (shared, not duplicated) with
  // a copy of the source's format word, indent level and tab stops. The
  // source must outlive the copy's use of the buffer.
  zkofstream(const zkofstream& other);
  zkofstream& operator=(const zkofstream& other);
  ~zkofstream() override;

  int format() const { return format_; }
  void setFormat(int format) { format_ = format; }
  bool indenting() const { return (format_ & kIndentFlag) != 0; }

  // Inserts the column in ascending position unless it is already there.
  void addTabStop(const int& column);
  // Removes the first stop equal to the column, if any.
  void removeTabStop(const int& column);
  // Empties the list; the indent level is left as it is.
  void removeAllTabsStops();
  int getNumStops() const { return static_cast<int>(stops_.size()); }
  // Index of the first stop equal to the column, or -1.
  int getTabStopPos(const int& column);
  // The column of the current indent level, writable in place (the list is
  // not re-sorted). Throws RWIndexError when the level has no stop.
  int& getTabStop();
  int getIndentLevel() const { return level_; }

  // With the indent flag set, move the level one stop in or out when such a
  // stop exists; both return the (new or unchanged) level.
  int nextIndent();
  int backIndent();

  // Writes the blanks up to the current tab stop when indenting.
  zkofstream& writeIndentation();
  // The line that object writers write for a format word they have no form
  // for: "# BAD STREAM MANIPULATOR" and the stream's line end.
  zkofstream& writeBadFormatComment();

 private:
  void copyStateFrom(const zkofstream& other);

  std::unique_ptr<std::streambuf> fdBuffer_;
  int format_ = kNoFormat;
  int level_ = 0;
  std::vector<int> stops_;
};

zkofstream& operator<<(zkofstream& os, const char* text);
zkofstream& operator<<(zkofstream& os, const RWCString& text);
zkofstream& operator<<(zkofstream& os, zkofstream& (*manipulator)(zkofstream&));
// Numbers and single characters go through the base stream and the chain
// continues on it. (Spelled out so that a literal 0 is a number, not a null
// text pointer.)
template <class T, class = std::enable_if_t<std::is_arithmetic_v<T>>>
std::ostream& operator<<(zkofstream& os, T value) {
  return static_cast<std::ostream&>(os) << value;
}

// Mode manipulators: each replaces the whole format word (and so clears the
// indent flag).
zkofstream& exproto(zkofstream& os);
zkofstream& proto(zkofstream& os);
zkofstream& ref(zkofstream& os);
zkofstream& zkref(zkofstream& os);
zkofstream& def(zkofstream& os);
zkofstream& vrmlproto(zkofstream& os);
zkofstream& vrmlexproto(zkofstream& os);
zkofstream& vrmlref(zkofstream& os);
zkofstream& msvrmlref(zkofstream& os);
zkofstream& geometry(zkofstream& os);

// Indentation manipulators.
zkofstream& indent(zkofstream& os);
zkofstream& noindent(zkofstream& os);
zkofstream& nextIndent(zkofstream& os);
zkofstream& backIndent(zkofstream& os);
zkofstream& indentit(zkofstream& os);
// Newline and flush, then the indentation blanks when indenting.
zkofstream& endl(zkofstream& os);

#endif
