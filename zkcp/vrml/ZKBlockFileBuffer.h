#ifndef ZKCP_VRML_ZKBLOCKFILEBUFFER_H
#define ZKCP_VRML_ZKBLOCKFILEBUFFER_H

#include <cstddef>
#include <memory>
#include <streambuf>

// An output buffer on a file that reaches the kernel only in whole blocks.
// A flush (the export's writers flush at every line end) keeps the bytes
// here; they go out when a block is full and when the buffer is closed, so
// a large export costs one write per block instead of one per line. The
// bytes written are those an ordinary file stream would write.
//
//   ZKBlockFileBuffer buffer("world.wrl");
//   zkofstream os(&buffer);
//   os << msvrmlref << component;
//   if (!buffer.close()) ...  // the file is incomplete
class ZKBlockFileBuffer : public std::streambuf {
 public:
  static constexpr std::size_t kBlockSize = 256 * 1024;

  // Opens the named file for output, created or truncated; is_open() tells
  // whether that worked. Output to a buffer that is not open is refused.
  explicit ZKBlockFileBuffer(const char* fileName);
  ZKBlockFileBuffer(const ZKBlockFileBuffer&) = delete;
  ZKBlockFileBuffer& operator=(const ZKBlockFileBuffer&) = delete;
  // Closes the file, writing what is held.
  ~ZKBlockFileBuffer() override;

  bool is_open() const { return fd_ >= 0; }
  // Writes what is held and closes the file. False when the file did not
  // open or any write failed: then the file is incomplete.
  bool close();

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize n) override;
  // Nothing reaches the kernel here: the bytes stay for the next block.
  int sync() override;

 private:
  bool writeOut(const char* bytes, std::size_t n);
  bool drain();

  int fd_ = -1;
  bool failed_ = false;
  std::unique_ptr<char[]> block_;
};

#endif
