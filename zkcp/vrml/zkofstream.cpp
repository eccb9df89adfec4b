#include <zkcp/vrml/zkofstream.h>

#include <zkcp/foundation/RWIndexError.h>

#include <ext/stdio_filebuf.h>
#include <unistd.h>

#include <algorithm>
#include <ostream>

namespace {

constexpr size_t kInitialStopCapacity = 10;
constexpr size_t kStopGrowth = 64;

std::streambuf* sharedBuffer(const zkofstream& os) {
  return static_cast<const std::ios&>(os).rdbuf();
}

}  // namespace

zkofstream::zkofstream(const char* fileName) : std::ofstream() {
  stops_.reserve(kInitialStopCapacity);
  stops_.push_back(0);
  if (fileName == nullptr) {
    setstate(std::ios::failbit);
    return;
  }
  open(fileName, std::ios::out | std::ios::trunc);
}

zkofstream::zkofstream(int fd) : std::ofstream() {
  stops_.reserve(kInitialStopCapacity);
  stops_.push_back(0);
  int own = fd >= 0 ? ::dup(fd) : -1;
  if (own < 0) {
    setstate(std::ios::failbit);
    return;
  }
  auto buffer = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(own, std::ios::out);
  if (!buffer->is_open()) {
    ::close(own);
    setstate(std::ios::failbit);
    return;
  }
  fdBuffer_ = std::move(buffer);
  std::ios::rdbuf(fdBuffer_.get());
}

zkofstream::zkofstream(std::streambuf* buffer) : std::ofstream() {
  stops_.reserve(kInitialStopCapacity);
  stops_.push_back(0);
  if (buffer == nullptr) {
    setstate(std::ios::failbit);
    return;
  }
  std::ios::rdbuf(buffer);
}

zkofstream::zkofstream(const zkofstream& other) : std::ios(), std::ofstream() {
  std::ios::rdbuf(sharedBuffer(other));
  copyStateFrom(other);
}

zkofstream& zkofstream::operator=(const zkofstream& other) {
  if (this == &other) return *this;
  std::ios::rdbuf(sharedBuffer(other));
  copyfmt(other);
  clear(other.rdstate());
  copyStateFrom(other);
  return *this;
}

zkofstream::~zkofstream() {
  if (std::ios::rdbuf() != nullptr) std::ios::rdbuf()->pubsync();
  // The base stream must not keep pointing at a buffer released before it.
  std::ios::rdbuf(std::ofstream::rdbuf());
}

void zkofstream::copyStateFrom(const zkofstream& other) {
  format_ = other.format_;
  level_ = other.level_;
  std::vector<int> stops;
  stops.reserve(std::max(other.stops_.capacity(), kInitialStopCapacity));
  stops.assign(other.stops_.begin(), other.stops_.end());
  stops_.swap(stops);
}

void zkofstream::addTabStop(const int& column) {
  auto at = std::lower_bound(stops_.begin(), stops_.end(), column);
  if (at != stops_.end() && *at == column) return;
  if (stops_.size() == stops_.capacity()) {
    size_t index = static_cast<size_t>(at - stops_.begin());
    stops_.reserve(stops_.capacity() + kStopGrowth);
    at = stops_.begin() + static_cast<std::ptrdiff_t>(index);
  }
  stops_.insert(at, column);
}

void zkofstream::removeTabStop(const int& column) {
  auto at = std::find(stops_.begin(), stops_.end(), column);
  if (at != stops_.end()) stops_.erase(at);
}

void zkofstream::removeAllTabsStops() {
  std::vector<int> empty;
  empty.reserve(kStopGrowth);
  stops_.swap(empty);
}

int zkofstream::getTabStopPos(const int& column) {
  auto at = std::find(stops_.begin(), stops_.end(), column);
  return at == stops_.end() ? -1 : static_cast<int>(at - stops_.begin());
}

int& zkofstream::getTabStop() {
  if (level_ < 0 || static_cast<size_t>(level_) >= stops_.size()) {
    throw RWIndexError(static_cast<size_t>(level_), stops_.size());
  }
  return stops_[static_cast<size_t>(level_)];
}

int zkofstream::nextIndent() {
  if (indenting() && level_ + 1 < getNumStops()) ++level_;
  return level_;
}

int zkofstream::backIndent() {
  if (indenting() && level_ - 1 >= 0) --level_;
  return level_;
}

zkofstream& zkofstream::writeIndentation() {
  if (!indenting()) return *this;
  static const char kBlanks[] = "                                                                ";
  constexpr int kChunk = sizeof(kBlanks) - 1;
  int remaining = getTabStop();
  while (remaining > 0) {
    int n = std::min(remaining, kChunk);
    write(kBlanks, n);
    remaining -= n;
  }
  return *this;
}

zkofstream& zkofstream::writeBadFormatComment() {
  *this << "# BAD STREAM MANIPULATOR";
  return ::endl(*this);
}

zkofstream& operator<<(zkofstream& os, const char* text) {
  static_cast<std::ostream&>(os) << (text != nullptr ? text : "");
  return os;
}

zkofstream& operator<<(zkofstream& os, const RWCString& text) {
  static_cast<std::ostream&>(os) << text.str();
  return os;
}

zkofstream& operator<<(zkofstream& os, zkofstream& (*manipulator)(zkofstream&)) {
  return manipulator != nullptr ? manipulator(os) : os;
}

namespace {

zkofstream& setMode(zkofstream& os, int mode) {
  os.setFormat(mode);
  return os;
}

}  // namespace

zkofstream& exproto(zkofstream& os) { return setMode(os, zkofstream::kExproto); }
zkofstream& proto(zkofstream& os) { return setMode(os, zkofstream::kProto); }
zkofstream& ref(zkofstream& os) { return setMode(os, zkofstream::kRef); }
zkofstream& zkref(zkofstream& os) { return setMode(os, zkofstream::kZkref); }
zkofstream& def(zkofstream& os) { return setMode(os, zkofstream::kDef); }
zkofstream& vrmlproto(zkofstream& os) { return setMode(os, zkofstream::kVrmlproto); }
zkofstream& vrmlexproto(zkofstream& os) { return setMode(os, zkofstream::kVrmlexproto); }
zkofstream& vrmlref(zkofstream& os) { return setMode(os, zkofstream::kVrmlref); }
zkofstream& msvrmlref(zkofstream& os) { return setMode(os, zkofstream::kMsvrmlref); }
zkofstream& geometry(zkofstream& os) { return setMode(os, zkofstream::kGeometry); }

zkofstream& indent(zkofstream& os) {
  return setMode(os, os.format() | zkofstream::kIndentFlag);
}

zkofstream& noindent(zkofstream& os) {
  return setMode(os, os.format() & ~zkofstream::kIndentFlag);
}

zkofstream& nextIndent(zkofstream& os) {
  os.nextIndent();
  return os;
}

zkofstream& backIndent(zkofstream& os) {
  os.backIndent();
  return os;
}

zkofstream& indentit(zkofstream& os) { return os.writeIndentation(); }

zkofstream& endl(zkofstream& os) {
  std::endl(static_cast<std::ostream&>(os));
  return os.writeIndentation();
}
