#include <zkcp/foundation/RWCString.h>
#include <zkcp/foundation/RWIndexError.h>
#include <zkcp/foundation/RWTPtrSlist.h>
#include <zkcp/foundation/RWTValOrderedVector.h>
#include <zkcp/foundation/RWTValSlist.h>
#include <zkcp/foundation/RWTValSortedVector.h>
#include <zkcp/foundation/Std_CString.h>
#include <zkcp/foundation/ZKModuleLoader.h>

#include <gtest/gtest.h>

namespace {

TEST(Text, ComparisonHashSearchAndIndexErrors) {
  RWCString door("Door");
  EXPECT_LT(door.compareTo("door"), 0);  // 'D' sorts before 'd'
  EXPECT_EQ(door.compareTo("door", RWCString::ignoreCase), 0);
  EXPECT_GT(door.compareTo(nullptr), 0);
  EXPECT_NE(door.hash(), RWCString("door").hash());
  EXPECT_EQ(door.hash(RWCString::ignoreCase), RWCString("DOOR").hash(RWCString::ignoreCase));
  EXPECT_TRUE(RWCString(nullptr) == "" && RWCString(nullptr).isNull());

  RWCString file("models\\Chair.WRL");
  EXPECT_EQ(file.index(".wrl"), RWCString::npos);
  EXPECT_EQ(file.index(".wrl", 0, RWCString::ignoreCase), 12u);
  EXPECT_EQ(file.index("x", 99), RWCString::npos);
  EXPECT_EQ(file(7, 5) + "|" + file(12, 100) + "|" + file(100, 2), RWCString("Chair|.WRL|"));
  RWCString joined = RWCString("a") + "b" + RWCString("c");
  joined += 'd';
  joined.prepend("<");
  EXPECT_EQ(joined, RWCString("<abcd"));
  EXPECT_THROW(joined[5], RWIndexError);

  Std_CString name("speed");
  Std_CString copy = name;
  copy = "rate";
  EXPECT_STREQ(static_cast<const char*>(name), "speed");
  EXPECT_TRUE(Std_CString(nullptr) == "");
}

TEST(Collections, OrderAndCheckedAccessThrowingIndexErrors) {
  RWTValOrderedVector<int> ordered;
  ordered.append(2);
  ordered.prepend(1);
  ordered.insertAt(2, 3);
  EXPECT_THROW(ordered[3], RWIndexError);
  EXPECT_THROW(ordered.removeAt(3), RWIndexError);
  EXPECT_THROW(ordered.insertAt(5, 0), RWIndexError);
  EXPECT_EQ(ordered.removeAt(1), 2);
  RWTValSortedVector<RWCString> sorted;
  for (const char* s : {"b", "C", "a"}) sorted.insert(s);
  EXPECT_EQ(sorted[0] + sorted[1] + sorted[2], RWCString("Cab"));
  EXPECT_THROW(sorted[3], RWIndexError);
  EXPECT_TRUE(sorted.remove("a") && !sorted.remove("a"));
  RWTValSlist<int> slist;
  EXPECT_THROW(slist.first(), RWIndexError);
  slist.append(5);
  slist.prepend(4);
  EXPECT_EQ(slist.first() * 10 + slist.last(), 45);
  EXPECT_THROW(slist.at(2), RWIndexError);
  int a = 1;
  RWTPtrSlist<int> pointers;
  pointers.append(&a);
  EXPECT_THROW(pointers[1], RWIndexError);
  EXPECT_THROW(ordered[10], std::out_of_range);  // the error is a standard one too
}

TEST(ZKModuleLoader, OpensFindsAndClosesAndRefusesBadNames) {
  EXPECT_FALSE(ZKModuleLoader::load(nullptr));
  for (const char* bad : {"no_such_module.dll", "/no/m.dll"}) EXPECT_FALSE(ZKModuleLoader::load(bad));
  EXPECT_EQ(ZKModuleLoader::symbol(nullptr, "strlen"), nullptr);
  ZKModuleLoader::unload(nullptr);
  void* libc = ZKModuleLoader::load("libc.so.6");
  ASSERT_NE(libc, nullptr);
  EXPECT_NE(ZKModuleLoader::symbol(libc, "strlen"), nullptr);
  EXPECT_EQ(ZKModuleLoader::symbol(libc, "zkcp_no_such_function"), nullptr);
  EXPECT_EQ(ZKModuleLoader::symbol(libc, nullptr), nullptr);
  ZKModuleLoader::unload(libc);
}

}  // namespace
