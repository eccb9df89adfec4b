#ifndef ZKCP_FOUNDATION_RWTVALSORTEDVECTOR_H
#define ZKCP_FOUNDATION_RWTVALSORTEDVECTOR_H

#include <zkcp/foundation/RWIndexError.h>

#include <algorithm>
#include <cstddef>
#include <vector>

// A vector kept in ascending order of operator<. An inserted value goes
// after the values equal to it. operator[] and removeAt are checked.
template <class T>
class RWTValSortedVector {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  RWTValSortedVector() = default;

  size_t entries() const { return v_.size(); }
  bool isEmpty() const { return v_.empty(); }

  const T& operator[](size_t i) const {
    if (i >= v_.size()) throw RWIndexError(i, v_.size());
    return v_[i];
  }
  const T& operator()(size_t i) const { return v_[i]; }
  // Writable access for a vector used as a buffer of texts; writing
  // through it does not keep the order.
  T& operator()(size_t i) { return v_[i]; }

  void insert(const T& value) { v_.insert(std::upper_bound(v_.begin(), v_.end(), value), value); }

  // Index of the first entry equal to value, or npos.
  size_t index(const T& value) const {
    auto it = std::lower_bound(v_.begin(), v_.end(), value);
    if (it == v_.end() || value < *it) return npos;
    return static_cast<size_t>(it - v_.begin());
  }
  bool contains(const T& value) const { return index(value) != npos; }

  bool remove(const T& value) {
    size_t i = index(value);
    if (i == npos) return false;
    v_.erase(v_.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
  }
  T removeAt(size_t i) {
    if (i >= v_.size()) throw RWIndexError(i, v_.size());
    T value = v_[i];
    v_.erase(v_.begin() + static_cast<std::ptrdiff_t>(i));
    return value;
  }
  void clear() { v_.clear(); }

  typename std::vector<T>::const_iterator begin() const { return v_.begin(); }
  typename std::vector<T>::const_iterator end() const { return v_.end(); }

 private:
  std::vector<T> v_;
};

#endif
