#ifndef ZKCP_IMPORT_ZKLENIENTREADER_H
#define ZKCP_IMPORT_ZKLENIENTREADER_H

#include <iosfwd>
#include <string>
#include <vector>

class SoSeparator;

// Reads a VRML 97 or Inventor geometry file as a browser reads it: unknown
// fields and nodes are left out with one warning each (withoutUnknownFields),
// in the file itself and in every file it includes through VRML 97 Inline or
// Inventor File nodes, each named in the warnings by its path from the
// folder of the first file. An included file that cannot be read is said
// on the message stream and left out; a file that includes itself, or
// includes nested deeper than kMaxDepth, refuses the whole read.
//
// Coin's own read errors go to the message stream too, naming the file that
// was read from memory after its unknown parts were left out.
//
// Making a reader turns off Coin's own reading of Inline files for the
// process (SoVRMLInline::setReadAsSoFile): Coin would read them again,
// unchecked and from the current folder, on every copy of a scene.
class ZKLenientReader {
 public:
  static constexpr size_t kMaxDepth = 16;

  explicit ZKLenientReader(std::ostream& messages);

  // The scene of `file`, named `shown` in messages, with one reference for
  // the caller; null when Coin cannot read it or an include refused it
  // (getFault() then says which file and why).
  SoSeparator* read(const std::string& file, const std::string& shown);

  // Empty unless an included file refused the last read.
  const std::string& getFault() const { return fault; }

 private:
  SoSeparator* readFile(const std::string& file, const std::string& shown);
  bool readIncludes(SoSeparator* root, const std::string& file, const std::string& shown);

  std::ostream& messages;
  std::string top;  // the folder of the first file
  std::vector<std::string> reading;
  std::string fault;
};

#endif
