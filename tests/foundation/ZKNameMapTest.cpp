// The process-wide name table behind SbName: one lasting address per
// distinct string, from any thread, and the one Coin's names go through;
// and the type look-ups by name answered beside it.
#include <Inventor/SbName.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoType.h>
#include <Inventor/nodes/SoSeparator.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>
#include <thread>
#include <vector>

extern "C" const char* cc_namemap_get_address(const char* name);
extern "C" const char* cc_namemap_peek_string(const char* name);

TEST(ZKNameMap, OneLastingAddressPerDistinctString) {
  Dl_info where;
  ASSERT_TRUE(dladdr(reinterpret_cast<void*>(&cc_namemap_get_address), &where));
  EXPECT_NE(std::string(where.dli_fname).find("libzkcp"), std::string::npos) << where.dli_fname;

  EXPECT_EQ(cc_namemap_peek_string("nameMapFirst"), nullptr);
  std::string text = "nameMapFirst";
  const char* first = cc_namemap_get_address(text.c_str());
  EXPECT_NE(first, text.c_str());
  text = "changed";
  EXPECT_STREQ(first, "nameMapFirst");
  EXPECT_STREQ(cc_namemap_get_address(text.c_str()), "changed");
  EXPECT_EQ(cc_namemap_peek_string("nameMapFirst"), first);
  EXPECT_EQ(SbName("nameMapFirst").getString(), first);
  EXPECT_NE(cc_namemap_get_address("nameMapfirst"), first);
  EXPECT_EQ(cc_namemap_get_address(""), SbName("").getString());

  for (int i = 0; i < 100000; ++i) cc_namemap_get_address(("nameMap" + std::to_string(i)).c_str());
  EXPECT_EQ(cc_namemap_get_address("nameMapFirst"), first);
  EXPECT_STREQ(first, "nameMapFirst");
  EXPECT_STREQ(cc_namemap_peek_string("nameMap99999"), "nameMap99999");

  // Threads entering the same fresh names all get one address per name.
  constexpr int kThreads = 4, kNames = 20000;
  std::vector<std::vector<const char*>> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &seen] {
      for (int i = 0; i < kNames; ++i) {
        const int n = (i * (t + 1)) % kNames;
        seen[t].push_back(cc_namemap_get_address(("nameMapThread" + std::to_string(n)).c_str()));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kNames; ++i) {
      const std::string name = "nameMapThread" + std::to_string((i * (t + 1)) % kNames);
      ASSERT_EQ(seen[t][i], cc_namemap_peek_string(name.c_str()));
      ASSERT_STREQ(seen[t][i], name.c_str());
    }
  }
}

TEST(ZKTypeNames, FoundByNameUntilRemoved) {
  SoDB::init();
  Dl_info where;
  ASSERT_TRUE(dladdr(reinterpret_cast<void*>(&SoType::fromName), &where));
  EXPECT_NE(std::string(where.dli_fname).find("libzkcp"), std::string::npos) << where.dli_fname;

  EXPECT_EQ(SoType::fromName("Separator"), SoSeparator::getClassTypeId());
  EXPECT_TRUE(SoType::fromName("ZKScratchType").isBad());
  const SoType made = SoType::createType(SoNode::getClassTypeId(), "ZKScratchType");
  EXPECT_EQ(SoType::fromName("ZKScratchType"), made);
  EXPECT_EQ(SoType::fromName("ZKScratchType"), made);
  EXPECT_TRUE(SoType::removeType("ZKScratchType"));
  EXPECT_TRUE(SoType::fromName("ZKScratchType").isBad());
  EXPECT_EQ(SoType::fromName("Separator"), SoSeparator::getClassTypeId());
}
