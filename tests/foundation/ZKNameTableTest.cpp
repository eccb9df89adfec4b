#include <zkcp/foundation/ZKNameTable.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

typedef ZKNameTable<int> Table;

// Names numbered from `from` whose bucket is `bucket`.
std::vector<RWCString> namesInBucket(unsigned bucket, size_t count, int from = 0) {
  std::vector<RWCString> names;
  for (int i = from; names.size() < count; ++i) {
    RWCString name(("name" + std::to_string(i)).c_str());
    if (Table::bucketOf(name) == bucket) names.push_back(name);
  }
  return names;
}

std::vector<std::string> keysInOrder(const Table& table) {
  std::vector<std::string> keys;
  for (const auto& entry : table) keys.push_back(entry.key().str());
  return keys;
}

TEST(ZKNameTable, BucketIsHashModulo64) {
  for (const char* name : {"", "a", "Door", "door", "WorldComponentRoot"}) {
    RWCString key(name);
    EXPECT_EQ(Table::bucketOf(key), key.hash(RWCString::exact) % 64) << name;
  }
}

// Within one bucket, entries come back in insertion order; inserting a
// present name replaces the value but keeps the entry where it was.
TEST(ZKNameTable, OneBucketKeepsInsertionOrderAndReplacesInPlace) {
  std::vector<RWCString> names = namesInBucket(17, 5);
  Table table;
  for (size_t i = 0; i < names.size(); ++i) EXPECT_TRUE(table.insert(names[i], int(i)));

  std::vector<std::string> expected;
  for (const auto& n : names) expected.push_back(n.str());
  EXPECT_EQ(keysInOrder(table), expected);

  EXPECT_FALSE(table.insert(names[1], 100));
  EXPECT_EQ(table.entries(), 5u);
  EXPECT_EQ(keysInOrder(table), expected);
  EXPECT_EQ(*table.find(names[1]), 100);

  // Removal keeps the others in their order.
  int removed = -1;
  EXPECT_TRUE(table.remove(names[2], &removed));
  EXPECT_EQ(removed, 2);
  expected.erase(expected.begin() + 2);
  EXPECT_EQ(keysInOrder(table), expected);
  EXPECT_FALSE(table.remove(names[2]));
  EXPECT_EQ(table.find(names[2]), nullptr);

  // A name inserted again after removal goes to the end of its bucket.
  table.insert(names[2], 7);
  expected.push_back(names[2].str());
  EXPECT_EQ(keysInOrder(table), expected);
}

// Across buckets, iteration runs from bucket 0 up to bucket 63 whatever
// the order of insertion.
TEST(ZKNameTable, DifferentBucketsIterateFromBucketZeroUp) {
  RWCString high = namesInBucket(63, 1)[0];
  RWCString mid = namesInBucket(30, 1)[0];
  std::vector<RWCString> low = namesInBucket(0, 2);
  Table table;
  table.insert(high, 1);
  table.insert(low[1], 2);
  table.insert(mid, 3);
  table.insert(low[0], 4);
  EXPECT_EQ(keysInOrder(table),
            (std::vector<std::string>{low[1].str(), low[0].str(), mid.str(), high.str()}));

  table.remove(mid);
  EXPECT_EQ(keysInOrder(table), (std::vector<std::string>{low[1].str(), low[0].str(), high.str()}));

  Table copy(table);
  EXPECT_EQ(keysInOrder(copy), keysInOrder(table));
  table.clear();
  EXPECT_TRUE(table.isEmpty());
  EXPECT_EQ(table.begin(), table.end());
  EXPECT_EQ(copy.entries(), 3u);
}

// The key a table keeps is the one first inserted, even when a later
// insert uses a key that is only equal under the table's comparison.
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

// Many names, removals among them: every remaining name is found, every
// removed one is not, and each bucket still lists its names in order.
TEST(ZKNameTable, HundredThousandNamesAllFound) {
  const int n = 100000;
  Table table;
  for (int i = 0; i < n; ++i) table.insert(RWCString(("c" + std::to_string(i)).c_str()), i);
  ASSERT_EQ(table.entries(), size_t(n));
  for (int i = 0; i < n; i += 3) EXPECT_TRUE(table.remove(RWCString(("c" + std::to_string(i)).c_str())));
  for (int i = 0; i < n; ++i) {
    const int* v = table.find(RWCString(("c" + std::to_string(i)).c_str()));
    if (i % 3 == 0) {
      ASSERT_EQ(v, nullptr) << i;
    } else {
      ASSERT_NE(v, nullptr) << i;
      ASSERT_EQ(*v, i);
    }
  }
  unsigned lastBucket = 0;
  int lastInBucket = -1;
  size_t visited = 0;
  for (const auto& entry : table) {
    unsigned bucket = Table::bucketOf(entry.key());
    ASSERT_GE(bucket, lastBucket);
    if (bucket != lastBucket) lastInBucket = -1;
    ASSERT_GT(entry.value(), lastInBucket);
    lastBucket = bucket;
    lastInBucket = entry.value();
    ++visited;
  }
  EXPECT_EQ(visited, table.entries());
}

}  // namespace
