#ifndef ZKCP_FOUNDATION_ZKNAMETABLECURSOR_H
#define ZKCP_FOUNDATION_ZKNAMETABLECURSOR_H

#include <cstddef>
#include <type_traits>
#include <utility>

// A position in a ZKNameTable that survives changes to the table between
// steps. It stands before the first entry until the first next(), moves in
// the table's own order, and stays at the end once there. When the entry it
// stands on has been removed meanwhile, the walk goes on with the entry
// that now follows the ones already visited; entries added or removed
// elsewhere may therefore be seen or missed, but a step never touches a
// removed entry.
template <class Table>
class ZKNameTableCursor {
 public:
  using Entry = typename Table::Entry;
  using Key = std::remove_cv_t<std::remove_reference_t<decltype(std::declval<Entry>().key())>>;

  void reset() {
    current_ = nullptr;
    visited_ = 0;
    atEnd_ = false;
  }

  // The next entry of `table`, or null at the end.
  const Entry* next(const Table& table) {
    if (atEnd_) return nullptr;
    if (!current_) {
      it_ = table.begin();
    } else if (table.findEntry(key_) == current_) {
      ++it_;
    } else {
      --visited_;
      it_ = table.begin();
      for (size_t i = 0; i < visited_ && it_ != table.end(); ++i) ++it_;
    }
    if (it_ == table.end()) {
      current_ = nullptr;
      atEnd_ = true;
      return nullptr;
    }
    current_ = &*it_;
    key_ = current_->key();
    ++visited_;
    return current_;
  }

 private:
  typename Table::const_iterator it_;
  // The entry the cursor stands on and a copy of its key: the entry is
  // still there exactly when the table finds that key at that address.
  const Entry* current_ = nullptr;
  Key key_;
  size_t visited_ = 0;
  bool atEnd_ = false;
};

#endif
