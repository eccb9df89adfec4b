#include <zkcp/foundation/RWIndexError.h>

#include <string>

RWIndexError::RWIndexError(size_t index, size_t size)
    : std::out_of_range("index " + std::to_string(index) + " out of range for " +
                        std::to_string(size) + " entries"),
      index_(index),
      size_(size) {}
