// Uses the installed zkcp headers and library the way an outside program
// would. Exits non-zero, naming each failed check, when the library behaves
// wrongly or its symbols (the out-of-line RWCString members, the exception
// type thrown across the library boundary) are not usable from outside.
#include <zkcp/zkcp.h>

#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cstdio>
#include <string>

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
  check(name.compareTo("wheel_front", RWCString::ignoreCase) == 0, "ignoreCase comparison");
  check(name.compareTo("wheel_front") < 0, "exact comparison sorts upper case first");
  check(name.hash(RWCString::ignoreCase) == RWCString("WHEEL_FRONT").hash(RWCString::ignoreCase),
        "ignoreCase hash folds letters");
  check(name.index("front", 0, RWCString::ignoreCase) == 6, "ignoreCase search");
  check(name(6, 100) == "Front", "substring clipped at the end");
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
  ZKNameTable<int> table;
  for (int i = 0; i < 300; ++i) table.insert(RWCString("component") + std::to_string(i).c_str(), i);
  check(table.entries() == 300 && *table.find("component299") == 299, "inserted names are found");
  check(!table.insert("component7", 70) && *table.find("component7") == 70, "present name replaced");
  int removed = 0;
  check(table.remove("component8", &removed) && removed == 8 && !table.contains("component8"),
        "remove hands back the value");
  unsigned lastBucket = 0;
  bool ordered = true;
  for (const ZKNameTable<int>::Entry& e : table) {
    ordered = ordered && ZKNameTable<int>::bucketOf(e.key()) >= lastBucket;
    lastBucket = ZKNameTable<int>::bucketOf(e.key());
  }
  check(ordered, "iteration order is bucket by bucket");
}

// The node kits register their types from outside the library, and a world
// made here owns the component it is given.
void checkWorld() {
  ZKComponent::initClass();  // initializes the scene database too
  SoSeparator* geometry = new SoSeparator;
  geometry->setName("Crate");
  geometry->addChild(new SoCube);
  geometry->ref();
  ZKComponentDB* world = new ZKComponentDB;
  ZKComponent* crate = new ZKComponent("crate1", "Crate", "crate.iv", geometry, world);
  geometry->unref();
  crate->ref();  // the application's reference goes to the world
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
