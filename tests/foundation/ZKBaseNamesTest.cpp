// Which Coin object carries which name: the record Coin's naming calls bind
// to, looked up by name in naming order, whatever the number of objects of
// one name, and from several threads.
#include <Inventor/SoDB.h>
#include <Inventor/lists/SoNodeList.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoSeparator.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<SoNode*> named(const char* name) {
  SoNodeList list;
  SoNode::getByName(name, list);
  std::vector<SoNode*> nodes;
  for (int i = 0; i < list.getLength(); ++i) nodes.push_back(list[i]);
  return nodes;
}

}  // namespace

TEST(ZKBaseNames, NamedObjectsInNamingOrder) {
  SoDB::init();
  for (const char* symbol : {"_ZNK6SoBase7getNameEv", "_ZN6SoBase7addNameEPS_PKc",
                             "_ZN6SoBase5PImpl14removeName2ObjEPS_PKc"}) {
    Dl_info where;
    ASSERT_TRUE(dladdr(dlsym(RTLD_DEFAULT, symbol), &where)) << symbol;
    EXPECT_NE(std::string(where.dli_fname).find("libzkcp"), std::string::npos) << symbol;
  }

  SoGroup* first = new SoGroup;
  SoSeparator* second = new SoSeparator;
  SoGroup* third = new SoGroup;
  for (SoNode* node : {static_cast<SoNode*>(first), static_cast<SoNode*>(second),
                       static_cast<SoNode*>(third)}) {
    node->ref();
    node->setName("baseNamesDoor");
  }
  EXPECT_EQ(first->getName(), SbName("baseNamesDoor"));
  EXPECT_EQ(first->getName().getString(), SbName("baseNamesDoor").getString());
  EXPECT_EQ(named("baseNamesDoor"), (std::vector<SoNode*>{first, second, third}));
  EXPECT_EQ(SoNode::getByName("baseNamesDoor"), third);

  // The last named decides alone whether a node of a type is found.
  third->setName("baseNamesOther");
  EXPECT_EQ(named("baseNamesDoor"), (std::vector<SoNode*>{first, second}));
  EXPECT_EQ(SoBase::getNamedBase("baseNamesDoor", SoSeparator::getClassTypeId()), second);
  third->setName("baseNamesDoor");
  EXPECT_EQ(SoBase::getNamedBase("baseNamesDoor", SoSeparator::getClassTypeId()), nullptr);
  EXPECT_EQ(named("baseNamesDoor"), (std::vector<SoNode*>{first, second, third}));

  second->setName("");
  EXPECT_EQ(second->getName(), SbName::empty());
  EXPECT_EQ(named("baseNamesDoor"), (std::vector<SoNode*>{first, third}));
  third->unref();
  EXPECT_EQ(named("baseNamesDoor"), (std::vector<SoNode*>{first}));
  EXPECT_EQ(named("baseNamesOther"), std::vector<SoNode*>{});
  first->unref();
  second->unref();
  EXPECT_EQ(SoNode::getByName("baseNamesDoor"), nullptr);

  // Bad input changes nothing.
  SoGroup* unnamed = new SoGroup;
  unnamed->ref();
  SoBase::addName(nullptr, "baseNamesDoor");
  SoBase::addName(unnamed, nullptr);
  SoBase::removeName(nullptr, "baseNamesDoor");
  SoBase::removeName(unnamed, "baseNamesDoor");
  EXPECT_EQ(SoNode::getByName("baseNamesDoor"), nullptr);
  EXPECT_EQ(unnamed->getName(), SbName::empty());
  unnamed->unref();
}

TEST(ZKBaseNames, ManyOfOneNameAndSeveralThreads) {
  SoDB::init();
  constexpr int kNodes = 30000;
  std::vector<SoGroup*> nodes;
  for (int i = 0; i < kNodes; ++i) {
    nodes.push_back(new SoGroup);
    nodes.back()->ref();
    nodes.back()->setName("baseNamesLeaf");
  }
  // Every other one renamed, then the rest destroyed from the back.
  for (int i = 0; i < kNodes; i += 2) nodes[i]->setName(("baseNamesLeaf" + std::to_string(i)).c_str());
  std::vector<SoNode*> odd;
  for (int i = 1; i < kNodes; i += 2) odd.push_back(nodes[i]);
  EXPECT_EQ(named("baseNamesLeaf"), odd);
  EXPECT_EQ(SoNode::getByName("baseNamesLeaf4000"), nodes[4000]);
  for (int i = kNodes - 1; i >= 0; --i) nodes[i]->unref();
  EXPECT_EQ(named("baseNamesLeaf"), std::vector<SoNode*>{});
  EXPECT_EQ(SoNode::getByName("baseNamesLeaf4000"), nullptr);

  // Threads naming nodes made beforehand, all through one shared name.
  constexpr int kThreads = 4, kEach = 5000;
  std::vector<std::vector<SoGroup*>> made(kThreads), kept(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kEach; ++i) {
      made[t].push_back(new SoGroup);
      made[t].back()->ref();
    }
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &made, &kept] {
      const std::string own = "baseNamesThread" + std::to_string(t);
      for (int i = 0; i < kEach; ++i) {
        SoGroup* node = made[t][i];
        node->setName("baseNamesShared");
        node->setName(i % 2 ? own.c_str() : "");
        if (i % 2) kept[t].push_back(node);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(named("baseNamesShared"), std::vector<SoNode*>{});
  for (int t = 0; t < kThreads; ++t) {
    const std::string name = "baseNamesThread" + std::to_string(t);
    EXPECT_EQ(named(name.c_str()), std::vector<SoNode*>(kept[t].begin(), kept[t].end()));
    for (SoGroup* node : made[t]) node->unref();
  }
}
