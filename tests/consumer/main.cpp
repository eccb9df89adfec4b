// Uses the installed zkcp headers and library the way an outside program
// would. Exits non-zero, naming each failed check, when the library behaves
// wrongly or its symbols (the out-of-line RWCString members, the exception
// type thrown across the library boundary) are not usable from outside.
#include <zkcp/zkcp.h>

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int failures = 0;

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
  }
}

void checkStrings() {
  RWCString name("Wheel_Front");
  check(name.length() == 11, "length of a name");
  check(name.compareTo("wheel_front", RWCString::ignoreCase) == 0, "ignoreCase comparison");
  check(name.compareTo("wheel_front") < 0, "exact comparison sorts upper case first");
  check(name.hash(RWCString::ignoreCase) == RWCString("WHEEL_FRONT").hash(RWCString::ignoreCase),
        "ignoreCase hash folds letters");
  check(name.hash() == RWCString(std::string("Wheel_Front")).hash(), "exact hash is stable");
  check(name.index("front", 0, RWCString::ignoreCase) == 6, "ignoreCase search");
  check(name.index("front") == RWCString::npos, "exact search misses other case");
  check(name(6, 100) == "Front", "substring clipped at the end");
  check(toUpper(name) == "WHEEL_FRONT", "toUpper");

  bool thrown = false;
  try {
    (void)name[name.length()];
  } catch (const RWIndexError& e) {
    thrown = e.index() == 11 && e.size() == 11;
  } catch (...) {
  }
  check(thrown, "RWIndexError caught by its type outside the library");
}

void checkNameTable() {
  using Table = ZKNameTable<int>;
  Table table;
  std::vector<RWCString> names;
  for (int i = 0; i < 300; ++i) names.push_back(RWCString("component") + std::to_string(i).c_str());
  for (int i = 0; i < 300; ++i) check(table.insert(names[i], i), "insert of a new name");
  check(table.entries() == 300, "entry count");

  bool found = true;
  for (int i = 0; i < 300; ++i) {
    const int* v = table.find(names[i]);
    found = found && v && *v == i;
  }
  check(found, "every inserted name is found with its value");
  check(table.find("component300") == nullptr, "absent name is not found");

  check(!table.insert("component7", 70), "insert of a present name reports it");
  check(table.find("component7") && *table.find("component7") == 70, "present name gets new value");
  check(table.entries() == 300, "replacing adds no entry");

  int removed = 0;
  check(table.remove("component8", &removed) && removed == 8, "remove hands back the value");
  check(!table.contains("component8"), "removed name is gone");
  check(!table.remove("component8"), "second remove reports absence");

  // Iteration runs bucket 0 to 63, and within a bucket in insertion order.
  unsigned lastBucket = 0;
  int lastIndex = -1;
  size_t visited = 0;
  bool ordered = true;
  for (const Table::Entry& e : table) {
    unsigned b = RWCString(e.key()).hash() % 64;
    int index = std::stoi(e.key().str().substr(9));
    ordered = ordered && b == Table::bucketOf(e.key());
    if (b == lastBucket) {
      ordered = ordered && index > lastIndex;
    } else {
      ordered = ordered && b > lastBucket;
    }
    lastBucket = b;
    lastIndex = index;
    ++visited;
  }
  check(ordered, "iteration order is bucket by bucket, insertion order within");
  check(visited == 299, "iteration visits every entry once");
}

// The node kits register their types from outside the library, and a world
// made here owns the component it is given.
void checkWorld() {
  SoDB::init();
  ZKComponent::initClass();
  SoSeparator* geometry = new SoSeparator;
  geometry->setName("Crate");
  geometry->addChild(new SoCube);
  geometry->ref();
  ZKComponentDB* world = new ZKComponentDB;
  ZKComponent* crate = new ZKComponent("crate1", "Crate", "crate.iv", geometry, world);
  geometry->unref();
  // The application's reference goes to the world, which releases it when
  // it is deleted.
  crate->ref();
  world->addComponent(crate, 1, nullptr);
  check(world->getComponent("crate1") == crate, "component found in its world");
  check(world->getNumActiveComponents() == 1, "added component is active");
  delete world;
}

}  // namespace

int main() {
  checkStrings();
  checkNameTable();
  checkWorld();
  if (failures) {
    std::fprintf(stderr, "%d check(s) failed\n", failures);
    return 1;
  }
  std::printf("zkcp consumer: all checks passed\n");
  return 0;
}
