#include <zkcp/foundation/ZKNameTable.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

typedef ZKNameTable<int> Table;

std::vector<RWCString> namesInBucket(unsigned bucket, size_t count) {
  std::vector<RWCString> names;
  for (int i = 0; names.size() < count; ++i) {
    RWCString name(("name" + std::to_string(i)).c_str());
    if (Table::bucketOf(name) == bucket) names.push_back(name);
  }
  return names;
}

// The values in iteration order.
std::string order(const Table& table) {
  std::string values;
  for (const auto& entry : table) values += std::to_string(entry.value()) + " ";
  return values;
}

TEST(ZKNameTable, BucketIsTheExactHashModulo64) {
  for (const char* name : {"", "a", "Door", "door", "WorldComponentRoot"}) {
    EXPECT_EQ(Table::bucketOf(name), RWCString(name).hash(RWCString::exact) % 64) << name;
  }
}

// A bucket keeps insertion order; a present name is replaced in place, one
// inserted again after removal goes to the end of its bucket.
TEST(ZKNameTable, OneBucketKeepsInsertionOrder) {
  std::vector<RWCString> n = namesInBucket(17, 4);
  Table table;
  for (size_t i = 0; i < n.size(); ++i) EXPECT_TRUE(table.insert(n[i], int(i)));
  EXPECT_EQ(order(table), "0 1 2 3 ");
  EXPECT_FALSE(table.insert(n[1], 100));
  EXPECT_EQ(order(table), "0 100 2 3 ");
  int removed = -1;
  EXPECT_TRUE(table.remove(n[2], &removed) && removed == 2);
  EXPECT_FALSE(table.remove(n[2]) || table.find(n[2]));
  table.insert(n[2], 7);
  EXPECT_EQ(order(table), "0 100 3 7 ");
}

// Iteration runs from bucket 0 up to 63 whatever the order of insertion.
TEST(ZKNameTable, DifferentBucketsIterateFromBucketZeroUp) {
  RWCString high = namesInBucket(63, 1)[0], mid = namesInBucket(30, 1)[0];
  std::vector<RWCString> low = namesInBucket(0, 2);
  Table table;
  int value = 0;
  for (const RWCString& name : {high, low[1], mid, low[0]}) table.insert(name, ++value);
  EXPECT_EQ(order(table), "2 4 3 1 ");
  table.remove(mid);
  Table copy(table);
  EXPECT_EQ(order(copy), "2 4 1 ");
  table.insert(mid, 5);
  EXPECT_EQ(order(table), "2 4 5 1 ");
  table.clear();
  EXPECT_TRUE(table.isEmpty() && table.begin() == table.end());
  EXPECT_EQ(copy.entries(), 3u);
}

// The first key is kept when a later one is only equal under the comparison.
TEST(ZKNameTable, ReplacingKeepsTheFirstKey) {
  struct FoldedHash {
    unsigned operator()(const RWCString& s) const { return s.hash(RWCString::ignoreCase); }
  };
  struct FoldedEqual {
    bool operator()(const RWCString& a, const RWCString& b) const {
      return a.compareTo(b, RWCString::ignoreCase) == 0;
    }
  };
  ZKNameTable<int, RWCString, FoldedHash, FoldedEqual> table;
  EXPECT_TRUE(table.insert("Lamp", 1));
  EXPECT_FALSE(table.insert("LAMP", 2));
  ASSERT_EQ(table.entries(), 1u);
  EXPECT_EQ(table.begin()->key(), RWCString("Lamp"));
  EXPECT_EQ(*table.find("lamp"), 2);
}

// Among many names and removals every remaining name is found, no removed one.
TEST(ZKNameTable, HundredThousandNamesAllFound) {
  const auto key = [](int i) { return RWCString(("c" + std::to_string(i)).c_str()); };
  Table table;
  for (int i = 0; i < 100000; ++i) table.insert(key(i), i);
  for (int i = 0; i < 100000; i += 3) ASSERT_TRUE(table.remove(key(i)));
  EXPECT_EQ(table.entries(), 66666u);
  for (int i = 0; i < 100000; ++i) {
    const int* v = table.find(key(i));
    ASSERT_EQ(v == nullptr, i % 3 == 0) << i;
    if (v) ASSERT_EQ(*v, i);
  }
}

}  // namespace
