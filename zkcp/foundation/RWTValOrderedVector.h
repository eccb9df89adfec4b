#ifndef ZKCP_FOUNDATION_RWTVALORDEREDVECTOR_H
#define ZKCP_FOUNDATION_RWTVALORDEREDVECTOR_H

#include <zkcp/foundation/RWIndexError.h>

#include <algorithm>
#include <cstddef>
#include <vector>

// A vector of values kept in insertion order. operator[] and removeAt are
// checked and throw RWIndexError out of range; operator() is unchecked.
// Storage grows with the entries, so the many vectors that stay empty or
// small (a part's points, a component's part boxes) hold little or none.
template <class T>
class RWTValOrderedVector {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  size_t entries() const { return v_.size(); }
  bool isEmpty() const { return v_.empty(); }

  const T& operator[](size_t i) const {
    check(i);
    return v_[i];
  }
  T& operator[](size_t i) {
    check(i);
    return v_[i];
  }
  const T& operator()(size_t i) const { return v_[i]; }
  T& operator()(size_t i) { return v_[i]; }

  void insert(const T& value) { v_.push_back(value); }
  void append(const T& value) { v_.push_back(value); }
  void prepend(const T& value) { v_.insert(v_.begin(), value); }
  // Inserts before index i; i may equal entries() (append).
  void insertAt(size_t i, const T& value) {
    if (i > v_.size()) throw RWIndexError(i, v_.size());
    v_.insert(v_.begin() + static_cast<std::ptrdiff_t>(i), value);
  }

  // Removes the entry at i; later entries move down by one.
  T removeAt(size_t i) {
    check(i);
    T value = v_[i];
    v_.erase(v_.begin() + static_cast<std::ptrdiff_t>(i));
    return value;
  }
  // Removes the first entry equal to value; false when there is none.
  bool remove(const T& value) {
    auto it = std::find(v_.begin(), v_.end(), value);
    if (it == v_.end()) return false;
    v_.erase(it);
    return true;
  }

  size_t index(const T& value) const {
    auto it = std::find(v_.begin(), v_.end(), value);
    return it == v_.end() ? npos : static_cast<size_t>(it - v_.begin());
  }
  bool contains(const T& value) const { return index(value) != npos; }
  void clear() { v_.clear(); }

  typename std::vector<T>::const_iterator begin() const { return v_.begin(); }
  typename std::vector<T>::const_iterator end() const { return v_.end(); }

  bool operator==(const RWTValOrderedVector& other) const { return v_ == other.v_; }

 private:
  void check(size_t i) const {
    if (i >= v_.size()) throw RWIndexError(i, v_.size());
  }

  std::vector<T> v_;
};

#endif
