#ifndef ZKCP_FOUNDATION_ZKGEOMETRYINPUT_H
#define ZKCP_FOUNDATION_ZKGEOMETRYINPUT_H

#include <Inventor/SoInput.h>

#include <string>
#include <vector>

// An SoInput for geometry files that follows the files they include
// (Inventor File nodes, VRML 97 Inline read while reading) only when the
// included file is not already being read and nesting stays within
// kMaxDepth. A refused file is not read; getIncludeFault() then tells which
// file and why, and the caller treats the whole read as failed.
//
// A USE of a node whose own reading has not ended is refused as an unknown
// reference, since it would make the graph a cycle.
//
// Any name may hold a '%': a file that cannot be opened is reported here, in
// Coin's words, before Coin is asked to open it, since Coin writes the names
// into the format of its own message.
class ZKGeometryInput : public SoInput {
 public:
  static constexpr size_t kMaxDepth = 16;

  SbBool openFile(const char* fileName, SbBool okIfNotFound = FALSE);
  SbBool pushFile(const char* fileName) override;
  SbBool popFile() override;
  SoBase* findReference(const SbName& name) const override;

  // Empty when every included file was read.
  const std::string& getIncludeFault() const { return fault; }

 private:
  std::string fullName(const char* fileName) const;
  SbBool canOpen(const char* fileName, SbBool okIfNotFound);

  std::vector<std::string> reading;
  std::string fault;
};

#endif
