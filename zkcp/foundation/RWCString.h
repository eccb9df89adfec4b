#ifndef ZKCP_FOUNDATION_RWCSTRING_H
#define ZKCP_FOUNDATION_RWCSTRING_H

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

// The string type of every name in the zkcp interface. A thin value type over
// std::string with the two comparison modes the object model is defined in:
// exact (byte for byte) and ignoreCase (ASCII letters folded).
class RWCString {
 public:
  enum caseCompare { exact, ignoreCase };

  // Returned by the search operations when nothing is found.
  static constexpr size_t npos = std::string::npos;

  RWCString() = default;
  RWCString(const char* text) : s_(text ? text : "") {}
  RWCString(const char* text, size_t length) : s_(text ? text : "", text ? length : 0) {}
  RWCString(std::string text) : s_(std::move(text)) {}
  RWCString(std::string_view text) : s_(text) {}
  RWCString(const RWCString&) = default;
  RWCString(RWCString&&) noexcept = default;
  RWCString& operator=(const RWCString&) = default;
  RWCString& operator=(RWCString&&) noexcept = default;
  RWCString& operator=(const char* text) {
    s_ = text ? text : "";
    return *this;
  }

  const char* data() const { return s_.c_str(); }
  size_t length() const { return s_.size(); }
  bool isNull() const { return s_.empty(); }
  const std::string& str() const { return s_; }
  std::string_view view() const { return s_; }

  // Checked element access: an index at or past length() throws RWIndexError.
  char operator[](size_t i) const;
  char& operator[](size_t i);

  // Negative, zero or positive as this string sorts before, equal to or
  // after `other` in the given mode.
  int compareTo(const RWCString& other, caseCompare mode = exact) const;
  int compareTo(const char* other, caseCompare mode = exact) const;

  // The string hash: exact hashes the bytes, ignoreCase hashes the folded
  // bytes, so strings equal under a mode hash alike under it.
  unsigned hash(caseCompare mode = exact) const;
  static unsigned hash(std::string_view bytes, caseCompare mode = exact);

  // Position of the first occurrence of `pattern` at or after `start`, or npos.
  size_t index(const char* pattern, size_t start = 0, caseCompare mode = exact) const;
  size_t index(const RWCString& pattern, size_t start = 0, caseCompare mode = exact) const;
  bool contains(const char* pattern, caseCompare mode = exact) const {
    return index(pattern, 0, mode) != npos;
  }
  bool contains(const RWCString& pattern, caseCompare mode = exact) const {
    return index(pattern, 0, mode) != npos;
  }

  // The `length` characters from `start` (clipped to the end of the string);
  // empty when `start` is past the end.
  RWCString operator()(size_t start, size_t length) const;

  // Case conversion of the ASCII letters, in place; each returns *this.
  RWCString& toLower();
  RWCString& toUpper();

  RWCString& append(const char* text, size_t length);
  RWCString& append(const RWCString& text) { return append(text.data(), text.length()); }
  RWCString& operator+=(const RWCString& text) { return append(text); }
  RWCString& operator+=(const char* text);
  RWCString& operator+=(char c) {
    s_.push_back(c);
    return *this;
  }
  RWCString& prepend(const RWCString& text) {
    s_.insert(0, text.s_);
    return *this;
  }

 private:
  std::string s_;
};

RWCString toLower(const RWCString& text);
RWCString toUpper(const RWCString& text);

RWCString operator+(const RWCString& a, const RWCString& b);
RWCString operator+(const RWCString& a, const char* b);
RWCString operator+(const char* a, const RWCString& b);

inline bool operator==(const RWCString& a, const RWCString& b) { return a.str() == b.str(); }
inline bool operator!=(const RWCString& a, const RWCString& b) { return !(a == b); }
inline bool operator<(const RWCString& a, const RWCString& b) { return a.str() < b.str(); }
inline bool operator>(const RWCString& a, const RWCString& b) { return b < a; }
inline bool operator<=(const RWCString& a, const RWCString& b) { return !(b < a); }
inline bool operator>=(const RWCString& a, const RWCString& b) { return !(a < b); }
inline bool operator==(const RWCString& a, const char* b) { return a.compareTo(b) == 0; }
inline bool operator!=(const RWCString& a, const char* b) { return !(a == b); }
inline bool operator==(const char* a, const RWCString& b) { return b == a; }
inline bool operator!=(const char* a, const RWCString& b) { return !(b == a); }

std::ostream& operator<<(std::ostream& os, const RWCString& s);

// Hash functor over the exact string hash, for the name tables.
struct RWCStringHash {
  unsigned operator()(const RWCString& s) const { return s.hash(RWCString::exact); }
};

#endif
