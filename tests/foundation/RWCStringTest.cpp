#include <zkcp/foundation/RWCString.h>
#include <zkcp/foundation/RWIndexError.h>
#include <zkcp/foundation/RWTPtrSlist.h>
#include <zkcp/foundation/RWTValOrderedVector.h>
#include <zkcp/foundation/RWTValSlist.h>
#include <zkcp/foundation/RWTValSortedVector.h>
#include <zkcp/foundation/Std_CString.h>
#include <zkcp/foundation/Std_List.h>
#include <zkcp/foundation/ZKModuleLoader.h>

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(RWCString, ExactAndIgnoreCaseComparisonAndHash) {
  RWCString door("Door"), lower("door"), other("Doors");
  EXPECT_NE(door.compareTo(lower), 0);
  EXPECT_LT(door.compareTo(lower), 0);  // 'D' sorts before 'd'
  EXPECT_EQ(door.compareTo(lower, RWCString::ignoreCase), 0);
  EXPECT_LT(door.compareTo(other, RWCString::ignoreCase), 0);
  EXPECT_GT(other.compareTo("door", RWCString::ignoreCase), 0);
  EXPECT_EQ(door.compareTo(nullptr) > 0, true);

  EXPECT_EQ(door.hash(), RWCString("Door").hash());
  EXPECT_NE(door.hash(), lower.hash());
  EXPECT_EQ(door.hash(RWCString::ignoreCase), lower.hash(RWCString::ignoreCase));
  EXPECT_EQ(door.hash(), RWCString::hash("Door"));

  EXPECT_TRUE(door == "Door");
  EXPECT_FALSE(door == "door");
  EXPECT_TRUE(RWCString(nullptr) == "");
  EXPECT_TRUE(RWCString(nullptr).isNull());
}

TEST(RWCString, SearchSubstringCaseAndOutput) {
  RWCString file("models\\Chair.WRL");
  EXPECT_EQ(file.index(".WRL"), 12u);
  EXPECT_EQ(file.index(".wrl"), RWCString::npos);
  EXPECT_EQ(file.index(".wrl", 0, RWCString::ignoreCase), 12u);
  EXPECT_TRUE(file.contains("Chair"));
  EXPECT_FALSE(file.contains("chair"));
  EXPECT_EQ(file.index("", 3), 3u);
  EXPECT_EQ(file.index("x", 99), RWCString::npos);

  EXPECT_EQ(file(7, 5), RWCString("Chair"));
  EXPECT_EQ(file(12, 100), RWCString(".WRL"));
  EXPECT_EQ(file(100, 2), RWCString(""));

  RWCString copy = file;
  copy.toLower();
  EXPECT_EQ(copy, RWCString("models\\chair.wrl"));
  EXPECT_EQ(file, RWCString("models\\Chair.WRL"));
  EXPECT_EQ(toUpper(RWCString("a1-b")), RWCString("A1-B"));

  RWCString joined = RWCString("a") + "b" + RWCString("c");
  joined += 'd';
  joined.prepend("<");
  EXPECT_EQ(joined, RWCString("<abcd"));
  EXPECT_EQ(joined.length(), 5u);

  std::ostringstream out;
  out << RWCString("with \"quotes\" and blanks ");
  EXPECT_EQ(out.str(), "with \"quotes\" and blanks ");

  EXPECT_EQ(joined[1], 'a');
  EXPECT_THROW(joined[5], RWIndexError);
  const RWCString& constant = joined;
  EXPECT_THROW(constant[99], RWIndexError);
}

// Checked access throws our index error out of range, in every collection.
TEST(Collections, CheckedAccessThrowsIndexError) {
  RWTValOrderedVector<int> ordered;
  ordered.append(2);
  ordered.prepend(1);
  ordered.insertAt(2, 3);
  EXPECT_EQ(ordered[0], 1);
  EXPECT_EQ(ordered[2], 3);
  EXPECT_THROW(ordered[3], RWIndexError);
  EXPECT_THROW(ordered.removeAt(3), RWIndexError);
  EXPECT_THROW(ordered.insertAt(5, 0), RWIndexError);
  EXPECT_EQ(ordered.removeAt(1), 2);
  EXPECT_EQ(ordered.index(3), 1u);
  EXPECT_EQ(ordered.index(9), RWTValOrderedVector<int>::npos);

  RWTValSortedVector<RWCString> sorted;
  for (const char* s : {"b", "C", "a"}) sorted.insert(s);
  EXPECT_EQ(sorted[0], RWCString("C"));
  EXPECT_EQ(sorted[1], RWCString("a"));
  EXPECT_EQ(sorted[2], RWCString("b"));
  EXPECT_THROW(sorted[3], RWIndexError);
  EXPECT_TRUE(sorted.remove("a"));
  EXPECT_FALSE(sorted.remove("a"));
  EXPECT_EQ(sorted.index("b"), 1u);

  RWTValSlist<int> slist;
  EXPECT_THROW(slist.first(), RWIndexError);
  slist.append(5);
  slist.prepend(4);
  EXPECT_EQ(slist.first(), 4);
  EXPECT_EQ(slist.last(), 5);
  EXPECT_THROW(slist.at(2), RWIndexError);

  int a = 1, b = 2;
  RWTPtrSlist<int> pointers;
  pointers.append(&a);
  pointers.prepend(&b);
  EXPECT_EQ(pointers[0], &b);
  EXPECT_THROW(pointers[2], RWIndexError);
  EXPECT_TRUE(pointers.remove(&b));
  EXPECT_EQ(pointers.index(&a), 0u);

  try {
    ordered[10];
    FAIL();
  } catch (const std::out_of_range& e) {
    EXPECT_NE(std::string(e.what()), "");
  }
}

TEST(StdTypes, TextAndListKeepWhatTheyAreGiven) {
  Std_CString none(nullptr);
  EXPECT_EQ(none.length(), 0u);
  EXPECT_TRUE(none == "");
  EXPECT_TRUE(none == nullptr);
  Std_CString name("speed");
  Std_CString copy = name;
  copy = "rate";
  EXPECT_STREQ(static_cast<const char*>(name), "speed");
  EXPECT_TRUE(copy != name);

  Std_List<Std_CString> list;
  list.append("b");
  list.append("a");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_TRUE(*list.begin() == "b");
}

TEST(ZKModuleLoader, OpensFindsAndClosesAndRefusesBadNames) {
  EXPECT_EQ(ZKModuleLoader::load(nullptr), nullptr);
  EXPECT_EQ(ZKModuleLoader::load("no_such_module.dll"), nullptr);
  EXPECT_EQ(ZKModuleLoader::load("/no/such/dir/m.dll"), nullptr);
  EXPECT_EQ(ZKModuleLoader::symbol(nullptr, "strlen"), nullptr);
  ZKModuleLoader::unload(nullptr);

  // A bare name not in the current directory comes from the search path.
  void* libc = ZKModuleLoader::load("libc.so.6");
  ASSERT_NE(libc, nullptr);
  EXPECT_NE(ZKModuleLoader::symbol(libc, "strlen"), nullptr);
  EXPECT_EQ(ZKModuleLoader::symbol(libc, "zkcp_no_such_function"), nullptr);
  EXPECT_EQ(ZKModuleLoader::symbol(libc, nullptr), nullptr);
  ZKModuleLoader::unload(libc);
}

}  // namespace
