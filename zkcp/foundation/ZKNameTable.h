#ifndef ZKCP_FOUNDATION_ZKNAMETABLE_H
#define ZKCP_FOUNDATION_ZKNAMETABLE_H

#include <zkcp/foundation/RWCString.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <utility>
#include <vector>

// The name table of the object model: a dictionary from a key (a name, as a
// rule) to a value with 64 buckets that never grow. The bucket of a key is
// its hash modulo 64; within a bucket the entries stay in insertion order,
// and iteration visits bucket 0 to bucket 63. A key is in the table at most
// once: inserting a present key keeps its entry (and its key) and replaces
// the value. Removal keeps the order of the other entries.
//
// The buckets fix the visiting order only. Lookup goes through a separate
// open-addressing index over the full hash, which grows with the table, so
// find, insert and remove are O(1) on average at any size. Only the buckets
// in use are kept, in bucket order, so a table of a few entries costs a few
// words a bucket rather than 64 buckets.
template <class V, class K = RWCString, class Hash = RWCStringHash, class Equal = std::equal_to<K>>
class ZKNameTable {
  struct Node;

 public:
  static constexpr unsigned kBuckets = 64;

  // One entry: the key the table holds and the value stored under it.
  class Entry {
   public:
    const K& key() const { return key_; }
    V& value() { return value_; }
    const V& value() const { return value_; }

   private:
    friend class ZKNameTable;
    Entry(const K& key, V value) : key_(key), value_(std::move(value)) {}
    K key_;
    V value_;
  };

  template <bool Const>
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Entry;
    using difference_type = std::ptrdiff_t;
    using reference = std::conditional_t<Const, const Entry&, Entry&>;
    using pointer = std::conditional_t<Const, const Entry*, Entry*>;
    using TablePtr = std::conditional_t<Const, const ZKNameTable*, ZKNameTable*>;

    Iterator() = default;
    reference operator*() const { return node_->entry; }
    pointer operator->() const { return &node_->entry; }
    Iterator& operator++() {
      node_ = table_->following(node_);
      return *this;
    }
    Iterator operator++(int) {
      Iterator old = *this;
      ++*this;
      return old;
    }
    bool operator==(const Iterator& o) const { return node_ == o.node_; }
    bool operator!=(const Iterator& o) const { return node_ != o.node_; }

   private:
    friend class ZKNameTable;
    Iterator(TablePtr table, Node* node) : table_(table), node_(node) {}
    TablePtr table_ = nullptr;
    Node* node_ = nullptr;
  };
  using iterator = Iterator<false>;
  using const_iterator = Iterator<true>;

  ZKNameTable() = default;
  ZKNameTable(const ZKNameTable& other) {
    for (const Entry& e : other) insert(e.key(), e.value());
  }
  ZKNameTable(ZKNameTable&& other) noexcept { swap(other); }
  ZKNameTable& operator=(const ZKNameTable& other) {
    if (this != &other) {
      ZKNameTable copy(other);
      swap(copy);
    }
    return *this;
  }
  ZKNameTable& operator=(ZKNameTable&& other) noexcept {
    if (this != &other) {
      clear();
      swap(other);
    }
    return *this;
  }
  ~ZKNameTable() { clear(); }

  void swap(ZKNameTable& other) noexcept {
    ends_.swap(other.ends_);
    slots_.swap(other.slots_);
    std::swap(count_, other.count_);
    std::swap(shift_, other.shift_);
  }

  static unsigned bucketOf(const K& key) { return Hash()(key) % kBuckets; }

  size_t entries() const { return count_; }
  bool isEmpty() const { return count_ == 0; }

  // The value stored under key, or null.
  V* find(const K& key) {
    Node* n = lookup(key, Hash()(key));
    return n ? &n->entry.value_ : nullptr;
  }
  const V* find(const K& key) const {
    Node* n = lookup(key, Hash()(key));
    return n ? &n->entry.value_ : nullptr;
  }
  // The entry of key, or null; its key() is the key object the table holds.
  const Entry* findEntry(const K& key) const {
    Node* n = lookup(key, Hash()(key));
    return n ? &n->entry : nullptr;
  }
  bool contains(const K& key) const { return lookup(key, Hash()(key)) != nullptr; }

  // Enters key with value. When key is present its entry keeps its place
  // and its key, gets the new value, and the result is false.
  bool insert(const K& key, V value) {
    unsigned h = Hash()(key);
    if (Node* n = lookup(key, h)) {
      n->entry.value_ = std::move(value);
      return false;
    }
    if ((count_ + 1) * 2 > slots_.size()) grow();
    Node* n = new Node(key, std::move(value), h);
    Ends& ends = endsOf(h % kBuckets);
    n->prev = ends.tail;
    if (ends.tail) {
      ends.tail->next = n;
    } else {
      ends.head = n;
    }
    ends.tail = n;
    place(n);
    ++count_;
    return true;
  }

  // Removes the entry of key; the value is moved to *removed when given.
  // False when key is absent.
  bool remove(const K& key, V* removed = nullptr) {
    unsigned h = Hash()(key);
    size_t i = findSlot(key, h);
    if (i == kNoSlot) return false;
    Node* n = slots_[i].node;
    eraseSlot(i);
    unlink(n);
    if (removed) *removed = std::move(n->entry.value_);
    delete n;
    --count_;
    return true;
  }

  void clear() {
    for (const Ends& ends : ends_) {
      Node* n = ends.head;
      while (n) {
        Node* next = n->next;
        delete n;
        n = next;
      }
    }
    std::vector<Ends>().swap(ends_);
    std::vector<Slot>().swap(slots_);
    shift_ = 64;
    count_ = 0;
  }

  iterator begin() { return iterator(this, firstFrom(0)); }
  iterator end() { return iterator(this, nullptr); }
  const_iterator begin() const { return const_iterator(this, firstFrom(0)); }
  const_iterator end() const { return const_iterator(this, nullptr); }

 private:
  struct Node {
    Node(const K& key, V value, unsigned h) : entry(key, std::move(value)), hash(h) {}
    Entry entry;
    unsigned hash;
    Node* prev = nullptr;
    Node* next = nullptr;
  };
  struct Slot {
    Node* node = nullptr;
    unsigned hash = 0;
  };
  // The first and last entry of a bucket in use.
  struct Ends {
    unsigned bucket;
    Node* head;
    Node* tail;
  };
  static constexpr size_t kNoSlot = static_cast<size_t>(-1);

  size_t home(unsigned h) const {
    return static_cast<size_t>((static_cast<uint64_t>(h) * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  size_t mask() const { return slots_.size() - 1; }

  size_t findSlot(const K& key, unsigned h) const {
    if (slots_.empty()) return kNoSlot;
    for (size_t i = home(h);; i = (i + 1) & mask()) {
      const Slot& s = slots_[i];
      if (!s.node) return kNoSlot;
      if (s.hash == h && Equal()(s.node->entry.key_, key)) return i;
    }
  }
  Node* lookup(const K& key, unsigned h) const {
    size_t i = findSlot(key, h);
    return i == kNoSlot ? nullptr : slots_[i].node;
  }

  void place(Node* n) {
    size_t i = home(n->hash);
    while (slots_[i].node) i = (i + 1) & mask();
    slots_[i].node = n;
    slots_[i].hash = n->hash;
  }

  void grow() {
    size_t size = slots_.empty() ? 4 : slots_.size() * 2;
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(size, Slot());
    shift_ = 64;
    for (size_t s = size; s > 1; s >>= 1) --shift_;
    for (const Slot& s : old) {
      if (s.node) place(s.node);
    }
  }

  // Backward-shift deletion keeps every probe sequence unbroken without
  // tombstones.
  void eraseSlot(size_t i) {
    size_t hole = i;
    for (size_t j = (i + 1) & mask(); slots_[j].node; j = (j + 1) & mask()) {
      size_t want = home(slots_[j].hash);
      bool movable = (hole <= j) ? (want <= hole || want > j) : (want <= hole && want > j);
      if (movable) {
        slots_[hole] = slots_[j];
        hole = j;
      }
    }
    slots_[hole] = Slot();
  }

  // The first bucket in use at or after b.
  typename std::vector<Ends>::const_iterator usedFrom(unsigned b) const {
    return std::lower_bound(ends_.begin(), ends_.end(), b,
                            [](const Ends& e, unsigned bucket) { return e.bucket < bucket; });
  }

  Ends& endsOf(unsigned b) {
    auto at = ends_.begin() + (usedFrom(b) - ends_.cbegin());
    if (at == ends_.end() || at->bucket != b) at = ends_.insert(at, Ends{b, nullptr, nullptr});
    return *at;
  }

  void unlink(Node* n) {
    const unsigned b = n->hash % kBuckets;
    auto at = ends_.begin() + (usedFrom(b) - ends_.cbegin());
    Ends& ends = *at;
    if (n->prev) {
      n->prev->next = n->next;
    } else {
      ends.head = n->next;
    }
    if (n->next) {
      n->next->prev = n->prev;
    } else {
      ends.tail = n->prev;
    }
    if (!ends.head) ends_.erase(at);
  }

  Node* firstFrom(unsigned b) const {
    auto at = usedFrom(b);
    return at == ends_.end() ? nullptr : at->head;
  }
  Node* following(Node* n) const { return n->next ? n->next : firstFrom(n->hash % kBuckets + 1); }

  std::vector<Ends> ends_;
  std::vector<Slot> slots_;
  size_t count_ = 0;
  unsigned shift_ = 64;
};

#endif
