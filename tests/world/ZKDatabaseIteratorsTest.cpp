#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKComponentDB.h>
#include <zkcp/world/ZKDatabaseIterators.h>

#include <Inventor/SoDB.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;
const Names kNames = {"gate", "Tower", "bridge", "well", "Mill", "barn", "inn"};

// A world with a component, an external database and a path under each name,
// in that order; the components at even places are active, with the parent
// models "House" (every fourth from the first) and "Tree".
class Iterators : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SoDB::init(); }
  static void fill(ZKComponentDB& world, const Names& names) {
    for (size_t i = 0; i < names.size(); ++i) {
      ZKComponent* c = new ZKComponent(names[i].c_str(), "Building");
      c->ref();
      c->setParentModel(i % 4 == 0 ? "House" : "Tree");
      world.addComponent(c, i % 2 == 0, nullptr);
      world.addExternalDatabase(names[i].c_str(), ("/db/" + names[i]).c_str());
      world.addNavigationPath(ZKNavigationPath(names[i].c_str()));
    }
  }
  void SetUp() override { fill(world, kNames); }
  ZKComponentDB world;
};

std::string nameOf(const ZKComponentIterator& it) { return it.getValue()->getName().getString(); }
std::string nameOf(const ZKDatabaseIterator& it) {
  return it.getValue()->name->str() + " " + it.getValue()->path->str();
}
std::string nameOf(const ZKNavigationPathIterator& it) {
  EXPECT_EQ(it.getName(), it.getNavigationPath().getName());
  return it.getName().str();
}

ZKComponentIterator active(ZKComponentDB* world) {
  return ZKComponentIterator(world, ZKComponentIterator::all_active_components, "");
}

// The names of the elements from here to the end.
template <class Iterator>
Names walk(Iterator&& it) {
  Names seen;
  while (it++) seen.push_back(nameOf(it));
  return seen;
}

// By the bucket of the name's exact hash (and insertion within a bucket).
bool inTableOrder(const Names& names) {
  return std::is_sorted(names.begin(), names.end(), [](const auto& a, const auto& b) {
    return ZKComponent::hash(a.c_str()) % 64 < ZKComponent::hash(b.c_str()) % 64;
  });
}

TEST_F(Iterators, TableOrderIndependentOfInsertionAndStableOverResets) {
  ZKComponentDB reversed;
  fill(reversed, Names(kNames.rbegin(), kNames.rend()));
  ZKNavigationPathIterator paths(&world);
  const Names order = walk(paths);
  EXPECT_EQ(order.size(), kNames.size());
  EXPECT_TRUE(inTableOrder(order));
  EXPECT_NE(order, kNames);
  EXPECT_EQ(walk(ZKNavigationPathIterator(&reversed)), order);
  EXPECT_EQ(paths++, 0);  // until reset
  paths.reset();
  EXPECT_EQ(walk(paths), order);

  Names expected;
  for (const std::string& name : order) expected.push_back(name + " /db/" + name);
  EXPECT_EQ(walk(ZKDatabaseIterator(&world)), expected);
  const Names seen = walk(active(&world));
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_TRUE(inTableOrder(seen));
}

TEST_F(Iterators, EmptyTablesAndComponentsOfOneModelIgnoringCase) {
  ZKComponentDB idleOnly;
  ZKComponent* idle = new ZKComponent("idle", "Building");
  idle->ref();  // taken over by the world
  idleOnly.addComponent(idle, 0, nullptr);
  EXPECT_EQ(active(&idleOnly)++, 0);
  EXPECT_EQ(ZKDatabaseIterator(&idleOnly)++, 0);
  EXPECT_EQ(ZKNavigationPathIterator(&idleOnly)++, 0);
  EXPECT_EQ(ZKNavigationPathIterator(nullptr)++, 0);
  // Active: gate (House), bridge (Tree), Mill (House), inn (Tree).
  Names houses =
      walk(ZKComponentIterator(&world, ZKComponentIterator::components_of_model, "hOUSE"));
  std::sort(houses.begin(), houses.end());
  EXPECT_EQ(houses, (Names{"Mill", "gate"}));
  const auto oddFilter = static_cast<ZKComponentIterator::Filter_t>(7);
  EXPECT_EQ(walk(ZKComponentIterator(&world, oddFilter, "House")).size(), 4u);
}

TEST_F(Iterators, ChangesDuringTheWalk) {
  // A change in the number of active components starts the walk over.
  ZKComponentIterator components = active(&world);
  ASSERT_EQ(components++, 1);
  world.activateComponent("Tower");
  EXPECT_EQ(walk(components).size(), 5u);
  // Removing the path the walk stands on goes on with the next.
  ZKNavigationPathIterator paths(&world);
  ASSERT_EQ(paths++, 1);
  world.removeNavigationPath(paths.getName());
  EXPECT_EQ(walk(paths).size(), kNames.size() - 1);
}

}  // namespace
