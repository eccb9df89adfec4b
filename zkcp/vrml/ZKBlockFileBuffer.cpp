#include <zkcp/vrml/ZKBlockFileBuffer.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

ZKBlockFileBuffer::ZKBlockFileBuffer(const char* fileName) {
  if (fileName == nullptr) return;
  fd_ = ::open(fileName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return;
  block_.reset(new char[kBlockSize]);
  setp(block_.get(), block_.get() + kBlockSize);
}

ZKBlockFileBuffer::~ZKBlockFileBuffer() { close(); }

bool ZKBlockFileBuffer::close() {
  if (fd_ < 0) return false;
  drain();
  if (::close(fd_) != 0) failed_ = true;
  fd_ = -1;
  setp(nullptr, nullptr);
  block_.reset();
  return !failed_;
}

bool ZKBlockFileBuffer::writeOut(const char* bytes, std::size_t n) {
  while (n > 0 && !failed_) {
    const ssize_t written = ::write(fd_, bytes, n);
    if (written < 0) {
      if (errno != EINTR) failed_ = true;
      continue;
    }
    bytes += written;
    n -= static_cast<std::size_t>(written);
  }
  return !failed_;
}

bool ZKBlockFileBuffer::drain() {
  const bool written = writeOut(pbase(), static_cast<std::size_t>(pptr() - pbase()));
  setp(block_.get(), block_.get() + kBlockSize);
  return written;
}

ZKBlockFileBuffer::int_type ZKBlockFileBuffer::overflow(int_type c) {
  if (fd_ < 0 || !drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

std::streamsize ZKBlockFileBuffer::xsputn(const char* text, std::streamsize n) {
  if (fd_ < 0 || n <= 0) return 0;
  const auto count = static_cast<std::size_t>(n);
  const auto room = static_cast<std::size_t>(epptr() - pptr());
  if (count <= room) {
    std::memcpy(pptr(), text, count);
    pbump(static_cast<int>(count));
    return n;
  }
  // Fill the block, write it, and write a long remainder straight through.
  std::memcpy(pptr(), text, room);
  pbump(static_cast<int>(room));
  if (!drain()) return static_cast<std::streamsize>(room);
  const std::size_t rest = count - room;
  if (rest >= kBlockSize) return writeOut(text + room, rest) ? n : static_cast<std::streamsize>(room);
  std::memcpy(pptr(), text + room, rest);
  pbump(static_cast<int>(rest));
  return n;
}

int ZKBlockFileBuffer::sync() { return fd_ >= 0 && !failed_ ? 0 : -1; }
