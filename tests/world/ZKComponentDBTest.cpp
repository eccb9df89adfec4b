#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKComponentDB.h>

#include <Inventor/SoDB.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodekits/SoSeparatorKit.h>
#include <Inventor/nodes/SoEnvironment.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoTransform.h>

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>

namespace {

class WorldEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { SoDB::init(); }
};

const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new WorldEnvironment);

// A component that counts how many of its kind have been destroyed.
class CountedComponent : public ZKComponent {
 public:
  explicit CountedComponent(const char* name) : ZKComponent(name, "Counted") {}
  static int destroyed;

 protected:
  ~CountedComponent() override { ++destroyed; }
};
int CountedComponent::destroyed = 0;

// A component with the one reference its world will release.
ZKComponent* makeComponent(const char* name) {
  ZKComponent* c = new ZKComponent(name, "Car");
  c->ref();
  return c;
}

SoNodeKitListPart* componentList(ZKComponentDB& world) {
  return static_cast<SoNodeKitListPart*>(world.getComponentRoot()->getPart("childList", FALSE));
}

// Everything written to standard output while `run` runs.
template <class F>
std::string capturedOutput(F run) {
  std::ostringstream captured;
  std::streambuf* previous = std::cout.rdbuf(captured.rdbuf());
  run();
  std::cout.rdbuf(previous);
  return captured.str();
}

TEST(WorldScene, RootsAndDefaults) {
  ZKComponentDB world;
  SoGroup* root = world.getComponentSceneRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_STREQ(root->getName().getString(), "WorldScene_Root");
  EXPECT_EQ(root->getRefCount(), 1);
  ASSERT_EQ(root->getNumChildren(), 3);
  EXPECT_STREQ(root->getChild(0)->getName().getString(), "WorldEnvironment");
  EXPECT_STREQ(root->getChild(1)->getName().getString(), "WorldLightsRoot");
  EXPECT_STREQ(root->getChild(2)->getName().getString(), "WorldComponentRoot");
  EXPECT_EQ(root->getChild(0), world.getEnvironment());
  EXPECT_EQ(root->getChild(0)->getTypeId(), SoEnvironment::getClassTypeId());
  EXPECT_EQ(root->getChild(1)->getTypeId(), SoGroup::getClassTypeId());
  EXPECT_EQ(root->getChild(2), world.getComponentRoot());
  EXPECT_EQ(root->getChild(2)->getTypeId(), SoSeparatorKit::getClassTypeId());
  ASSERT_NE(componentList(world), nullptr);
  EXPECT_EQ(componentList(world)->getNumChildren(), 0);
  // The world registers the component type before anything else.
  EXPECT_NE(ZKComponent::getClassTypeId(), SoType::badType());

  EXPECT_EQ(world.getNumComponents(), 0);
  EXPECT_EQ(world.getNumActiveComponents(), 0);
  EXPECT_EQ(world.getDatabaseKind(), 1);
  EXPECT_EQ(world.getWorldName(), RWCString(""));
  EXPECT_EQ(world.getWorldVersion(), RWCString(""));
  EXPECT_EQ(world.getBackgroundColor(), SbColor(0, 0, 0));
  SbVec3f min, max;
  world.getWorldBounds(min, max);
  EXPECT_EQ(min, SbVec3f(-1000, -1000, -1000));
  EXPECT_EQ(max, SbVec3f(1000, 1000, 1000));

  // Properties are stored as given, bounds without any check.
  world.setWorldName("Harbour");
  world.setWorldVersion("2.1");
  world.setBackgroundColor(SbColor(0.2f, 0.4f, 0.6f));
  world.setWorldBounds(SbVec3f(5, 5, 5), SbVec3f(-5, -5, -5));
  EXPECT_EQ(world.getWorldName(), RWCString("Harbour"));
  EXPECT_EQ(world.getWorldVersion(), RWCString("2.1"));
  EXPECT_EQ(world.getBackgroundColor(), SbColor(0.2f, 0.4f, 0.6f));
  world.getWorldBounds(min, max);
  EXPECT_EQ(min, SbVec3f(5, 5, 5));
  EXPECT_EQ(max, SbVec3f(-5, -5, -5));
}

TEST(WorldComponents, ReferencesAcrossTheLifeOfAComponent) {
  CountedComponent::destroyed = 0;
  {
    ZKComponentDB world;
    // The application's one reference goes to the world.
    CountedComponent* c = new CountedComponent("car");
    c->ref();
    world.addComponent(c, 0, nullptr);
    EXPECT_EQ(c->getRefCount(), 1);
    world.activateComponent("car");
    EXPECT_EQ(c->getRefCount(), 2);
    world.activateComponent("car");
    EXPECT_EQ(c->getRefCount(), 2);
    world.deactivateComponent("car");
    EXPECT_EQ(c->getRefCount(), 1);
    world.activateComponent("car");
    world.changeComponentName("car", "automobile");
    EXPECT_EQ(c->getRefCount(), 2);
    world.purge();
    EXPECT_EQ(CountedComponent::destroyed, 1);
    EXPECT_EQ(world.getNumComponents(), 0);

    // An application that keeps a reference of its own destroys the
    // component with its own unref after the purge.
    CountedComponent* kept = new CountedComponent("kept");
    kept->ref();
    kept->ref();
    world.addComponent(kept, 1, nullptr);
    world.purge();
    EXPECT_EQ(CountedComponent::destroyed, 1);
    EXPECT_EQ(kept->getRefCount(), 1);
    kept->unref();
    EXPECT_EQ(CountedComponent::destroyed, 2);

    // Removal hands the component back without releasing it.
    CountedComponent* removed = new CountedComponent("removed");
    removed->ref();
    world.addComponent(removed, 1, nullptr);
    world.removeComponent(removed);
    EXPECT_EQ(removed->getRefCount(), 1);
    EXPECT_EQ(world.getNumComponents(), 0);
    EXPECT_EQ(componentList(world)->getNumChildren(), 0);
    removed->unref();
    EXPECT_EQ(CountedComponent::destroyed, 3);

    // The destructor releases what is still registered, active or not.
    CountedComponent* inactive = new CountedComponent("inactive");
    CountedComponent* active = new CountedComponent("active");
    inactive->ref();
    active->ref();
    world.addComponent(inactive, 0, nullptr);
    world.addComponent(active, 1, nullptr);
  }
  EXPECT_EQ(CountedComponent::destroyed, 5);
}

TEST(WorldComponents, RegistrationActivationAndLookups) {
  ZKComponentDB world;
  SoNodeKitListPart* list = componentList(world);
  ZKComponent* car = makeComponent("Car");
  ZKComponent* boat = makeComponent("boat");
  ZKComponent* plane = makeComponent("plane");

  world.addComponent(car, 0, nullptr);
  EXPECT_EQ(world.getComponent("Car"), car);
  EXPECT_EQ(world.getComponent("car"), nullptr);
  EXPECT_EQ(world.getActiveComponent("Car"), nullptr);
  EXPECT_EQ(list->getNumChildren(), 0);

  // A transform given with the component places it.
  SoTransform* place = new SoTransform;
  place->ref();
  place->translation.setValue(1, 2, 3);
  world.addComponent(boat, 1, place);
  place->unref();
  EXPECT_EQ(boat->getPosition(), SbVec3f(1, 2, 3));
  world.addComponent(plane, 1, nullptr);
  world.activateComponent("Car");
  // Active components are children in the order of their activation.
  ASSERT_EQ(list->getNumChildren(), 3);
  EXPECT_EQ(list->getChild(0), boat);
  EXPECT_EQ(list->getChild(1), plane);
  EXPECT_EQ(list->getChild(2), car);
  EXPECT_EQ(world.getNumComponents(), 3);
  EXPECT_EQ(world.getNumActiveComponents(), 3);
  EXPECT_EQ(world.getActiveComponent("plane"), plane);

  // The same component twice, or another under a registered name, changes
  // nothing; the first stays.
  world.addComponent(boat, 1, nullptr);
  ZKComponent* twin = makeComponent("boat");
  SoTransform* elsewhere = new SoTransform;
  elsewhere->ref();
  elsewhere->translation.setValue(9, 9, 9);
  world.addComponent(twin, 1, elsewhere);
  elsewhere->unref();
  EXPECT_EQ(world.getComponent("boat"), boat);
  EXPECT_EQ(twin->getPosition(), SbVec3f(0, 0, 0));
  EXPECT_EQ(list->getNumChildren(), 3);
  EXPECT_EQ(world.getNumComponents(), 3);
  EXPECT_EQ(twin->getRefCount(), 1);
  twin->unref();
  world.addComponent(nullptr, 1, nullptr);
  EXPECT_EQ(world.getNumComponents(), 3);

  // Deactivation leaves the registration; unknown or inactive names are
  // ignored.
  world.deactivateComponent("plane");
  world.deactivateComponent("plane");
  world.deactivateComponent("ghost");
  world.activateComponent("ghost");
  EXPECT_EQ(world.getActiveComponent("plane"), nullptr);
  EXPECT_EQ(world.getComponent("plane"), plane);
  ASSERT_EQ(list->getNumChildren(), 2);
  EXPECT_EQ(list->getChild(0), boat);
  EXPECT_EQ(list->getChild(1), car);

  world.removeComponent("boat");
  world.removeComponent("ghost");
  world.removeComponent(static_cast<ZKComponent*>(nullptr));
  EXPECT_EQ(world.getComponent("boat"), nullptr);
  EXPECT_EQ(world.getActiveComponent("boat"), nullptr);
  EXPECT_EQ(world.getNumComponents(), 2);
  EXPECT_EQ(world.getNumActiveComponents(), 1);
  ASSERT_EQ(list->getNumChildren(), 1);
  EXPECT_EQ(list->getChild(0), car);
  boat->unref();
}

TEST(WorldComponents, Renaming) {
  ZKComponentDB world;
  SoNodeKitListPart* list = componentList(world);
  ZKComponent* first = makeComponent("first");
  ZKComponent* car = makeComponent("car");
  ZKComponent* boat = makeComponent("boat");
  world.addComponent(first, 1, nullptr);
  world.addComponent(car, 1, nullptr);
  world.addComponent(boat, 0, nullptr);

  // An active component keeps its place among the children.
  std::string out = capturedOutput([&] { world.changeComponentName("car", "automobile"); });
  EXPECT_EQ(out, "");
  EXPECT_EQ(world.getComponent("automobile"), car);
  EXPECT_EQ(world.getActiveComponent("automobile"), car);
  EXPECT_EQ(world.getComponent("car"), nullptr);
  EXPECT_EQ(world.getActiveComponent("car"), nullptr);
  EXPECT_STREQ(car->getName().getString(), "automobile");
  EXPECT_EQ(list->findChild(car), 1);
  EXPECT_EQ(world.getNumComponents(), 3);
  EXPECT_EQ(world.getNumActiveComponents(), 2);

  // An inactive component stays inactive.
  world.changeComponentName("boat", "ship");
  EXPECT_EQ(world.getComponent("ship"), boat);
  EXPECT_EQ(world.getActiveComponent("ship"), nullptr);
  EXPECT_EQ(world.getNumActiveComponents(), 2);

  // An unknown name writes one line and changes nothing.
  out = capturedOutput([&] { world.changeComponentName("Car", "van"); });
  EXPECT_EQ(out,
            "****ERROR****ZKComponentDB::changeComponentName-Component /Car/ not found in "
            "allComponents database\n");
  EXPECT_EQ(world.getComponent("van"), nullptr);
  EXPECT_EQ(world.getNumComponents(), 3);

  // A name held by another component is refused: both keep their names
  // and entries, and nothing is written.
  out = capturedOutput([&] { world.changeComponentName("ship", "automobile"); });
  EXPECT_EQ(out, "");
  EXPECT_EQ(world.getComponent("automobile"), car);
  EXPECT_EQ(world.getComponent("ship"), boat);
  EXPECT_STREQ(boat->getName().getString(), "ship");
  EXPECT_EQ(world.getNumComponents(), 3);
  EXPECT_EQ(world.getNumActiveComponents(), 2);
  // Renaming to its own name keeps it.
  world.changeComponentName("ship", "ship");
  EXPECT_EQ(world.getComponent("ship"), boat);
  EXPECT_EQ(world.getNumComponents(), 3);

  // The renamed entries are released once each by the world.
  car->ref();
  boat->ref();
  world.purge();
  EXPECT_EQ(car->getRefCount(), 1);
  EXPECT_EQ(boat->getRefCount(), 1);
  car->unref();
  boat->unref();
}

TEST(WorldExternalDatabases, PathsAndPurge) {
  ZKComponentDB world;
  EXPECT_EQ(world.getExternalDatabasePath("parts"), RWCString(""));
  world.addExternalDatabase("parts", "/data/parts");
  world.addExternalDatabase("parts", "/data/parts2");
  world.addExternalDatabase("Parts", "/data/upper");
  EXPECT_EQ(world.getExternalDatabasePath("parts"), RWCString("/data/parts2"));
  EXPECT_EQ(world.getExternalDatabasePath("Parts"), RWCString("/data/upper"));
  world.removeExternalDatabase("parts");
  world.removeExternalDatabase("ghost");
  EXPECT_EQ(world.getExternalDatabasePath("parts"), RWCString(""));
  EXPECT_EQ(world.getExternalDatabasePath("Parts"), RWCString("/data/upper"));

  // Purge forgets components and databases; the scene roots and the world's
  // own properties stay.
  world.setWorldName("Harbour");
  world.addComponent(makeComponent("car"), 1, nullptr);
  world.purge();
  EXPECT_EQ(world.getExternalDatabasePath("Parts"), RWCString(""));
  EXPECT_EQ(world.getNumComponents(), 0);
  EXPECT_EQ(componentList(world)->getNumChildren(), 0);
  EXPECT_EQ(world.getComponentSceneRoot()->getNumChildren(), 3);
  EXPECT_EQ(world.getWorldName(), RWCString("Harbour"));
  world.purge();
}

TEST(WorldDescriptor, EqualityOrderAndHash) {
  ZKComponentDB world, other;
  typedef ZKComponentDB::ComponentPartDescriptor Descriptor;
  Descriptor wheel("Car", "Wheel", &world);
  Descriptor lower("car", "wheel", &other);
  Descriptor door("Car", "Door", &world);
  Descriptor empty;
  EXPECT_EQ(empty.getComponentName(), RWCString(""));
  EXPECT_EQ(empty.getPartName(), RWCString(""));
  EXPECT_EQ(empty.getWorld(), nullptr);

  EXPECT_EQ(wheel == lower, 1);
  EXPECT_EQ(wheel == door, 0);
  EXPECT_EQ(door < wheel, 1);
  EXPECT_EQ(wheel < door, 0);
  EXPECT_EQ(wheel < lower, 0);
  EXPECT_EQ(lower < wheel, 0);
  EXPECT_EQ(Descriptor("boat", "Z", nullptr) < Descriptor("Car", "A", nullptr), 1);

  // The hash follows the component name as stored, exactly, and nothing else.
  EXPECT_EQ(Descriptor::hash(wheel), Descriptor::hash(door));
  EXPECT_EQ(Descriptor::hash(wheel), Descriptor::hash(Descriptor("Car", "Wheel", nullptr)));
  EXPECT_EQ(Descriptor::hash(wheel), ZKComponent::hash("Car"));
  EXPECT_EQ(Descriptor::hash(lower), ZKComponent::hash("car"));

  Descriptor copy(wheel);
  EXPECT_EQ(copy.getWorld(), &world);
  copy = lower;
  EXPECT_EQ(copy.getComponentName(), RWCString("car"));
  EXPECT_EQ(copy.getWorld(), &other);
}

TEST(WorldScene, BoxDisplayUnderTheSceneRoot) {
  ZKComponentDB world;
  ZKComponent* c = new ZKComponent("car", "Car", "ZKNoFile", nullptr, &world);
  c->ref();
  world.addComponent(c, 1, nullptr);
  c->showObjectBoundingBox();
  SoGroup* root = world.getComponentSceneRoot();
  ASSERT_EQ(root->getNumChildren(), 4);
  EXPECT_STREQ(root->getChild(2)->getName().getString(), "WorldComponentRoot");
  c->hideBoundingBoxes();
  EXPECT_EQ(root->getNumChildren(), 3);
  c->showPartBoundingBoxes();
  EXPECT_EQ(root->getNumChildren(), 4);
  c->hideBoundingBoxes();
}

}  // namespace
