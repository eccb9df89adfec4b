#ifndef ZKCP_IMPORT_IMPORTFAULT_H
#define ZKCP_IMPORT_IMPORTFAULT_H

#include <cstddef>
#include <string>
#include <utility>

// What a format reader throws on a malformed model: the reason, without the
// file name, which the importer puts before it.
class ImportFault {
 public:
  explicit ImportFault(std::string what) : what_(std::move(what)) {}
  const std::string& what() const { return what_; }

 private:
  std::string what_;
};

// Deeper node trees are taken for a fault rather than followed.
constexpr size_t kMaxImportDepth = 256;

#endif
