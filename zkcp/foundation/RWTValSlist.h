#ifndef ZKCP_FOUNDATION_RWTVALSLIST_H
#define ZKCP_FOUNDATION_RWTVALSLIST_H

#include <zkcp/foundation/RWIndexError.h>

#include <algorithm>
#include <cstddef>
#include <vector>

// A list of values in the order they were put in: append is constant time,
// prepend moves the entries up; at() and operator[] are checked. An empty
// list holds no storage (a component and each attribute keep several).
template <class T>
class RWTValSlist {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  size_t entries() const { return d_.size(); }
  bool isEmpty() const { return d_.empty(); }

  const T& at(size_t i) const {
    if (i >= d_.size()) throw RWIndexError(i, d_.size());
    return d_[i];
  }
  T& at(size_t i) {
    if (i >= d_.size()) throw RWIndexError(i, d_.size());
    return d_[i];
  }
  const T& operator[](size_t i) const { return at(i); }
  T& operator[](size_t i) { return at(i); }
  const T& first() const { return at(0); }
  const T& last() const { return at(d_.empty() ? 0 : d_.size() - 1); }

  void append(const T& value) { d_.push_back(value); }
  void insert(const T& value) { d_.push_back(value); }
  void prepend(const T& value) { d_.insert(d_.begin(), value); }

  T removeAt(size_t i) {
    if (i >= d_.size()) throw RWIndexError(i, d_.size());
    T value = d_[i];
    d_.erase(d_.begin() + static_cast<std::ptrdiff_t>(i));
    return value;
  }
  // Removes the first entry equal to value; false when there is none.
  bool remove(const T& value) {
    auto it = std::find(d_.begin(), d_.end(), value);
    if (it == d_.end()) return false;
    d_.erase(it);
    return true;
  }
  size_t index(const T& value) const {
    auto it = std::find(d_.begin(), d_.end(), value);
    return it == d_.end() ? npos : static_cast<size_t>(it - d_.begin());
  }
  bool contains(const T& value) const { return index(value) != npos; }
  void clear() { d_.clear(); }

  typename std::vector<T>::const_iterator begin() const { return d_.begin(); }
  typename std::vector<T>::const_iterator end() const { return d_.end(); }

  bool operator==(const RWTValSlist& other) const { return d_ == other.d_; }

 private:
  std::vector<T> d_;
};

#endif
