#ifndef ZKCP_FOUNDATION_STD_LIST_H
#define ZKCP_FOUNDATION_STD_LIST_H

#include <cstddef>
#include <list>

// A list that keeps its elements in insertion order.
template <class T>
class Std_List {
 public:
  using const_iterator = typename std::list<T>::const_iterator;

  void append(const T& value) { l_.push_back(value); }
  size_t size() const { return l_.size(); }
  bool empty() const { return l_.empty(); }
  void clear() { l_.clear(); }

  const_iterator begin() const { return l_.begin(); }
  const_iterator end() const { return l_.end(); }

  bool operator==(const Std_List& other) const { return l_ == other.l_; }

 private:
  std::list<T> l_;
};

#endif
