#ifndef ZKCP_FOUNDATION_RWINDEXERROR_H
#define ZKCP_FOUNDATION_RWINDEXERROR_H

#include <cstddef>
#include <stdexcept>

// Thrown by the checked element access of RWCString and the collections when
// an index is out of range. Nothing is changed when it is thrown.
class RWIndexError : public std::out_of_range {
 public:
  RWIndexError(size_t index, size_t size);

  size_t index() const { return index_; }
  size_t size() const { return size_; }

 private:
  size_t index_;
  size_t size_;
};

#endif
