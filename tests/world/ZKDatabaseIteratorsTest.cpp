#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKDatabaseIterators.h>

#include <Inventor/SoDB.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> kNames = {"gate", "Tower", "bridge", "well", "Mill", "barn", "inn"};

class Iterators : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SoDB::init(); }

  // Registers a component, an external database and a path under each
  // name, in that order; the components at even places are active, with the
  // parent models "House" (every fourth from the first) and "Tree".
  static void fill(ZKComponentDB& world, const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i) {
      ZKComponent* c = new ZKComponent(names[i].c_str(), "Building");
      c->ref();
      c->setParentModel(i % 4 == 0 ? "House" : "Tree");
      world.addComponent(c, i % 2 == 0, nullptr);
      world.addExternalDatabase(names[i].c_str(), ("/db/" + names[i]).c_str());
      world.addNavigationPath(ZKNavigationPath(names[i].c_str()));
    }
  }
};

std::string nameOf(const ZKComponentIterator& it) { return it.getValue()->getName().getString(); }
std::string nameOf(const ZKDatabaseIterator& it) {
  return it.getValue()->name->str() + " " + it.getValue()->path->str();
}
std::string nameOf(const ZKNavigationPathIterator& it) {
  EXPECT_EQ(it.getName(), it.getNavigationPath().getName());
  return it.getName().str();
}

// The names of the elements from here to the end.
template <class Iterator>
std::vector<std::string> walk(Iterator& it) {
  std::vector<std::string> seen;
  while (it++) seen.push_back(nameOf(it));
  return seen;
}

// By the bucket of the name's exact hash (and insertion within a bucket).
bool inTableOrder(const std::vector<std::string>& names) {
  auto bucket = [](const std::string& name) { return ZKComponent::hash(name.c_str()) % 64; };
  for (size_t i = 1; i < names.size(); ++i) {
    if (bucket(names[i - 1]) > bucket(names[i])) return false;
  }
  return true;
}

TEST_F(Iterators, EmptyTablesYieldNothing) {
  ZKComponentDB world;
  ZKComponent* idle = new ZKComponent("idle", "Building");
  idle->ref();
  world.addComponent(idle, 0, nullptr);
  ZKComponentIterator components(&world, ZKComponentIterator::all_active_components, "");
  ZKDatabaseIterator databases(&world);
  ZKNavigationPathIterator paths(&world);
  EXPECT_EQ(components++, 0);
  EXPECT_EQ(databases++, 0);
  EXPECT_EQ(paths++, 0);
  EXPECT_EQ(ZKNavigationPathIterator(nullptr)++, 0);
}

TEST_F(Iterators, TableOrderIndependentOfInsertionAndStableOverResets) {
  ZKComponentDB first;
  ZKComponentDB second;
  fill(first, kNames);
  fill(second, std::vector<std::string>(kNames.rbegin(), kNames.rend()));
  ZKNavigationPathIterator paths(&first);
  ZKNavigationPathIterator otherPaths(&second);
  const std::vector<std::string> order = walk(paths);
  EXPECT_EQ(order.size(), kNames.size());
  EXPECT_TRUE(inTableOrder(order));
  EXPECT_NE(order, kNames);
  EXPECT_EQ(walk(otherPaths), order);
  EXPECT_EQ(paths++, 0);
  paths.reset();
  EXPECT_EQ(walk(paths), order);

  ZKDatabaseIterator databases(&first);
  std::vector<std::string> expected;
  for (const std::string& name : order) expected.push_back(name + " /db/" + name);
  EXPECT_EQ(walk(databases), expected);

  ZKComponentIterator active(&first, ZKComponentIterator::all_active_components, "");
  const std::vector<std::string> seen = walk(active);
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_TRUE(inTableOrder(seen));
}

TEST_F(Iterators, ComponentsOfOneModelIgnoringCase) {
  ZKComponentDB world;
  fill(world, kNames);
  // Active: gate (House), bridge (Tree), Mill (House), inn (Tree).
  ZKComponentIterator houses(&world, ZKComponentIterator::components_of_model, "hOUSE");
  std::vector<std::string> seen = walk(houses);
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"Mill", "gate"}));
  ZKComponentIterator oddFilter(&world, static_cast<ZKComponentIterator::Filter_t>(7), "House");
  EXPECT_EQ(walk(oddFilter).size(), 4u);
}

TEST_F(Iterators, ChangesDuringTheWalk) {
  ZKComponentDB world;
  fill(world, kNames);
  // A change in the number of active components starts the walk over.
  ZKComponentIterator active(&world, ZKComponentIterator::all_active_components, "");
  ASSERT_EQ(active++, 1);
  world.activateComponent("Tower");
  EXPECT_EQ(walk(active).size(), 5u);
  // Removing the path the walk stands on goes on with the next.
  ZKNavigationPathIterator paths(&world);
  ASSERT_EQ(paths++, 1);
  world.removeNavigationPath(paths.getName());
  EXPECT_EQ(walk(paths).size(), kNames.size() - 1);
}

}  // namespace
