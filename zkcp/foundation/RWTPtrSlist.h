#ifndef ZKCP_FOUNDATION_RWTPTRSLIST_H
#define ZKCP_FOUNDATION_RWTPTRSLIST_H

#include <zkcp/foundation/RWIndexError.h>

#include <algorithm>
#include <cstddef>
#include <vector>

// A list of pointers in insertion order. The list does not own what the
// pointers point to unless clearAndDestroy() is called.
template <class T>
class RWTPtrSlist {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  size_t entries() const { return d_.size(); }
  bool isEmpty() const { return d_.empty(); }

  T* at(size_t i) const {
    if (i >= d_.size()) throw RWIndexError(i, d_.size());
    return d_[i];
  }
  T* operator[](size_t i) const { return at(i); }

  void append(T* p) { d_.push_back(p); }
  void insert(T* p) { d_.push_back(p); }
  void prepend(T* p) { d_.insert(d_.begin(), p); }

  T* removeAt(size_t i) {
    if (i >= d_.size()) throw RWIndexError(i, d_.size());
    T* p = d_[i];
    d_.erase(d_.begin() + static_cast<std::ptrdiff_t>(i));
    return p;
  }
  // Removes the first entry that is the pointer p; false when there is none.
  bool remove(const T* p) {
    auto it = std::find(d_.begin(), d_.end(), p);
    if (it == d_.end()) return false;
    d_.erase(it);
    return true;
  }
  size_t index(const T* p) const {
    auto it = std::find(d_.begin(), d_.end(), p);
    return it == d_.end() ? npos : static_cast<size_t>(it - d_.begin());
  }
  bool contains(const T* p) const { return index(p) != npos; }
  void clear() { d_.clear(); }
  // Deletes every pointee, then empties the list.
  void clearAndDestroy() {
    for (T* p : d_) delete p;
    d_.clear();
  }

  typename std::vector<T*>::const_iterator begin() const { return d_.begin(); }
  typename std::vector<T*>::const_iterator end() const { return d_.end(); }

 private:
  std::vector<T*> d_;
};

#endif
