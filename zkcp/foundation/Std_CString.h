#ifndef ZKCP_FOUNDATION_STD_CSTRING_H
#define ZKCP_FOUNDATION_STD_CSTRING_H

#include <string>

// The plain text string of the behaviour interface: built from text, copied,
// assigned, compared for equality with text and converted back to text.
class Std_CString {
 public:
  Std_CString() = default;
  Std_CString(const char* text) : s_(text ? text : "") {}
  Std_CString(const Std_CString&) = default;
  Std_CString& operator=(const Std_CString&) = default;
  Std_CString& operator=(const char* text) {
    s_ = text ? text : "";
    return *this;
  }

  operator const char*() const { return s_.c_str(); }
  const char* data() const { return s_.c_str(); }
  size_t length() const { return s_.size(); }

  bool operator==(const Std_CString& other) const { return s_ == other.s_; }
  bool operator!=(const Std_CString& other) const { return s_ != other.s_; }
  bool operator==(const char* text) const { return s_ == (text ? text : ""); }
  bool operator!=(const char* text) const { return !(*this == text); }

 private:
  std::string s_;
};

#endif
