#include <zkcp/foundation/RWCString.h>

#include <zkcp/foundation/RWIndexError.h>

#include <functional>
#include <ostream>

namespace {

inline unsigned char fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

int compareBytes(std::string_view a, std::string_view b, RWCString::caseCompare mode) {
  if (mode == RWCString::exact) {
    int r = a.compare(b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  }
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = fold(static_cast<unsigned char>(a[i]));
    unsigned char y = fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

size_t findBytes(std::string_view hay, std::string_view pattern, size_t start,
                 RWCString::caseCompare mode) {
  if (start > hay.size()) return RWCString::npos;
  if (mode == RWCString::exact) return hay.find(pattern, start);
  if (pattern.size() > hay.size()) return RWCString::npos;
  for (size_t i = start; i + pattern.size() <= hay.size(); ++i) {
    if (compareBytes(hay.substr(i, pattern.size()), pattern, RWCString::ignoreCase) == 0) return i;
  }
  return RWCString::npos;
}

}  // namespace

char RWCString::operator[](size_t i) const {
  if (i >= s_.size()) throw RWIndexError(i, s_.size());
  return s_[i];
}

char& RWCString::operator[](size_t i) {
  if (i >= s_.size()) throw RWIndexError(i, s_.size());
  return s_[i];
}

int RWCString::compareTo(const RWCString& other, caseCompare mode) const {
  return compareBytes(s_, other.s_, mode);
}

int RWCString::compareTo(const char* other, caseCompare mode) const {
  return compareBytes(s_, other ? std::string_view(other) : std::string_view(), mode);
}

unsigned RWCString::hash(caseCompare mode) const { return hash(s_, mode); }

// The exact hash is the standard library's byte hash, which reads a word at a
// time; the ignoreCase hash is FNV-1a over the folded bytes. Both keep 32 bits.
unsigned RWCString::hash(std::string_view bytes, caseCompare mode) {
  if (mode == exact) return static_cast<unsigned>(std::hash<std::string_view>()(bytes));
  unsigned h = 2166136261u;
  for (unsigned char c : bytes) h = (h ^ fold(c)) * 16777619u;
  return h;
}

size_t RWCString::index(const char* pattern, size_t start, caseCompare mode) const {
  return findBytes(s_, pattern ? std::string_view(pattern) : std::string_view(), start, mode);
}

size_t RWCString::index(const RWCString& pattern, size_t start, caseCompare mode) const {
  return findBytes(s_, pattern.s_, start, mode);
}

RWCString RWCString::operator()(size_t start, size_t length) const {
  if (start >= s_.size()) return RWCString();
  return RWCString(s_.substr(start, length));
}

RWCString& RWCString::toLower() {
  for (char& c : s_) c = static_cast<char>(fold(static_cast<unsigned char>(c)));
  return *this;
}

RWCString& RWCString::toUpper() {
  for (char& c : s_) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
  }
  return *this;
}

RWCString& RWCString::append(const char* text, size_t length) {
  if (text) s_.append(text, length);
  return *this;
}

RWCString& RWCString::operator+=(const char* text) {
  if (text) s_.append(text);
  return *this;
}

RWCString toLower(const RWCString& text) {
  RWCString r(text);
  return r.toLower();
}

RWCString toUpper(const RWCString& text) {
  RWCString r(text);
  return r.toUpper();
}

RWCString operator+(const RWCString& a, const RWCString& b) {
  RWCString r(a);
  return r.append(b);
}

RWCString operator+(const RWCString& a, const char* b) {
  RWCString r(a);
  r += b;
  return r;
}

RWCString operator+(const char* a, const RWCString& b) {
  RWCString r(a);
  return r.append(b);
}

std::ostream& operator<<(std::ostream& os, const RWCString& s) {
  return os.write(s.data(), static_cast<std::streamsize>(s.length()));
}
