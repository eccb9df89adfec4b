#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKComponentDB.h>

#include "../TestScene.h"

#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodekits/SoSeparatorKit.h>
#include <Inventor/nodes/SoEnvironment.h>

#include <iostream>
#include <string>

namespace {

using namespace zkcp_test;

class WorldEnvironment : public ::testing::Environment {
  void SetUp() override { SoDB::init(); }
};
const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new WorldEnvironment);

// A component that counts how many of its kind have been destroyed.
class CountedComponent : public ZKComponent {
 public:
  explicit CountedComponent(const char* name) : ZKComponent(name, "Counted") { ref(); }
  ~CountedComponent() override { ++destroyed; }
  static int destroyed;
};
int CountedComponent::destroyed = 0;

// A component with the one reference its world will release.
ZKComponent* made(const char* name) {
  ZKComponent* c = new ZKComponent(name, "Car");
  c->ref();
  return c;
}
// The names of the active components, in the order of the scene.
std::string active(ZKComponentDB& world) {
  auto* list = static_cast<SoNodeKitListPart*>(world.getComponentRoot()->getPart("childList", FALSE));
  std::string out;
  for (int i = 0; i < list->getNumChildren(); ++i) out += (i ? " " : "") + nameOf(list->getChild(i));
  return out;
}

TEST(WorldScene, RootsAndProperties) {
  // The world registers the component type before anything else.
  ZKComponentDB world;
  EXPECT_NE(ZKComponent::getClassTypeId(), SoType::badType());
  SoGroup* root = world.getComponentSceneRoot();
  EXPECT_EQ(shape(root), "Group#WorldScene_Root(Environment#WorldEnvironment Group#WorldLightsRoot()"
                         " SeparatorKit#WorldComponentRoot)");
  EXPECT_EQ(root->getRefCount(), 1);
  EXPECT_TRUE(root->getChild(0) == world.getEnvironment() && root->getChild(2) == world.getComponentRoot());
  EXPECT_EQ(world.getNumComponents() + world.getNumActiveComponents(), 0);
  SbVec3f min, max;
  world.getWorldBounds(min, max);
  EXPECT_EQ(vec(min) + " / " + vec(max), "-1000 -1000 -1000 / 1000 1000 1000");
  // Bounds are stored without any check.
  world.setWorldBounds(SbVec3f(5, 5, 5), SbVec3f(-5, -5, -5));
  world.getWorldBounds(min, max);
  EXPECT_EQ(vec(min) + " / " + vec(max), "5 5 5 / -5 -5 -5");
}

TEST(WorldComponents, ReferencesAcrossTheLifeOfAComponent) {
  CountedComponent::destroyed = 0;
  {
    // The application's one reference goes to the world; activation adds
    // one, once; purge releases the registration and the activation.
    ZKComponentDB world;
    CountedComponent* c = new CountedComponent("car");
    world.addComponent(c, 0, nullptr);
    EXPECT_EQ(c->getRefCount(), 1);
    world.activateComponent("car");
    world.activateComponent("car");
    world.deactivateComponent("car");
    EXPECT_EQ(c->getRefCount(), 1);
    world.activateComponent("car");
    world.changeComponentName("car", "automobile");
    EXPECT_EQ(c->getRefCount(), 2);
    world.purge();
    EXPECT_EQ(CountedComponent::destroyed, 1);
    // A reference the application keeps outlives the purge; removal hands
    // the component back without releasing it.
    CountedComponent* kept = new CountedComponent("kept");
    kept->ref();
    world.addComponent(kept, 1, nullptr);
    world.purge();
    EXPECT_EQ(kept->getRefCount(), 1);
    kept->unref();
    CountedComponent* removed = new CountedComponent("removed");
    world.addComponent(removed, 1, nullptr);
    world.removeComponent(removed);
    EXPECT_EQ(removed->getRefCount() + world.getNumComponents(), 1);
    EXPECT_EQ(active(world), "");
    removed->unref();
    EXPECT_EQ(CountedComponent::destroyed, 3);
    // The destructor releases what is still registered, active or not.
    world.addComponent(new CountedComponent("inactive"), 0, nullptr);
    world.addComponent(new CountedComponent("active"), 1, nullptr);
  }
  EXPECT_EQ(CountedComponent::destroyed, 5);
}

TEST(WorldComponents, RegistrationActivationAndLookups) {
  ZKComponentDB world;
  ZKComponent* car = made("Car");
  ZKComponent* boat = made("boat");
  world.addComponent(car, 0, nullptr);
  EXPECT_TRUE(world.getComponent("Car") == car && !world.getComponent("car"));
  EXPECT_EQ(world.getActiveComponent("Car"), nullptr);
  // A transform given with the component places it; active components are
  // in the scene in the order of their activation.
  Ref<SoTransform> place(new SoTransform);
  place->translation.setValue(1, 2, 3);
  world.addComponent(boat, 1, place);
  EXPECT_EQ(vec(boat->getPosition()), "1 2 3");
  world.addComponent(made("plane"), 1, nullptr);
  world.activateComponent("Car");
  EXPECT_EQ(active(world), "boat plane Car");
  EXPECT_EQ(world.getNumComponents() * 10 + world.getNumActiveComponents(), 33);
  // The same component twice, another under a registered name, or null
  // change nothing; the first stays and the other is not placed.
  world.addComponent(boat, 1, nullptr);
  Ref<ZKComponent> twin(new ZKComponent("boat", "Boat"));
  world.addComponent(twin, 1, place);
  world.addComponent(nullptr, 1, nullptr);
  EXPECT_EQ(world.getComponent("boat"), boat);
  EXPECT_EQ(vec(twin->getPosition()) + " " + std::to_string(twin->getRefCount()), "0 0 0 1");
  EXPECT_EQ(active(world), "boat plane Car");
  // Deactivation keeps the registration; unknown or inactive names are
  // ignored, and so are unknown names and null on removal.
  for (const char* name : {"plane", "plane", "ghost"}) world.deactivateComponent(name);
  world.activateComponent("ghost");
  EXPECT_NE(world.getComponent("plane"), nullptr);
  EXPECT_EQ(active(world), "boat Car");
  for (const char* name : {"boat", "ghost"}) world.removeComponent(name);
  world.removeComponent(static_cast<ZKComponent*>(nullptr));
  EXPECT_EQ(world.getComponent("boat"), nullptr);
  EXPECT_EQ(world.getNumComponents() * 10 + world.getNumActiveComponents(), 21);
  EXPECT_EQ(active(world), "Car");
  boat->unref();
}

TEST(WorldComponents, Renaming) {
  ZKComponentDB world;
  ZKComponent* car = made("car");
  ZKComponent* boat = made("boat");
  world.addComponent(made("first"), 1, nullptr);
  world.addComponent(car, 1, nullptr);
  world.addComponent(boat, 0, nullptr);
  // An active component keeps its place; an inactive one stays inactive.
  EXPECT_EQ(captured(std::cout, [&] { world.changeComponentName("car", "automobile"); }), "");
  world.changeComponentName("boat", "ship");
  EXPECT_TRUE(world.getActiveComponent("automobile") == car && !world.getComponent("car"));
  EXPECT_EQ(active(world), "first automobile");  // from the node name
  EXPECT_TRUE(world.getComponent("ship") == boat && !world.getActiveComponent("ship"));
  // An unknown name writes one line; a name held by another component, or
  // its own, is refused silently. Nothing changes either way.
  EXPECT_EQ(captured(std::cout, [&] { world.changeComponentName("Car", "van"); }),
            "****ERROR****ZKComponentDB::changeComponentName-Component /Car/ not found in "
            "allComponents database\n");
  EXPECT_EQ(captured(std::cout, [&] {
              world.changeComponentName("ship", "automobile");
              world.changeComponentName("ship", "ship");
            }), "");
  EXPECT_TRUE(world.getComponent("automobile") == car && world.getComponent("ship") == boat);
  EXPECT_STREQ(boat->getName().getString(), "ship");
  EXPECT_EQ(world.getNumComponents() * 10 + world.getNumActiveComponents(), 32);
  // The renamed entries are released once each by the world.
  Ref<ZKComponent> heldCar(car), heldBoat(boat);
  world.purge();
  EXPECT_EQ(car->getRefCount() + boat->getRefCount(), 2);
}

TEST(WorldExternalDatabases, PathsAndPurge) {
  ZKComponentDB world;
  EXPECT_EQ(world.getExternalDatabasePath("parts"), RWCString(""));
  world.addExternalDatabase("parts", "/data/parts");
  world.addExternalDatabase("parts", "/data/parts2");
  world.addExternalDatabase("Parts", "/data/upper");
  EXPECT_EQ(world.getExternalDatabasePath("parts"), RWCString("/data/parts2"));
  for (const char* name : {"parts", "ghost"}) world.removeExternalDatabase(name);
  EXPECT_EQ(world.getExternalDatabasePath("parts"), RWCString(""));
  EXPECT_EQ(world.getExternalDatabasePath("Parts"), RWCString("/data/upper"));
  // Purge forgets components and databases; the scene roots and the world's
  // own properties stay. A second purge finds nothing to do.
  world.setWorldName("Harbour");
  world.addComponent(made("car"), 1, nullptr);
  world.purge();
  world.purge();
  EXPECT_EQ(world.getExternalDatabasePath("Parts") + active(world), RWCString(""));
  EXPECT_EQ(world.getNumComponents(), 0);
  EXPECT_EQ(world.getComponentSceneRoot()->getNumChildren(), 3);
  EXPECT_EQ(world.getWorldName(), RWCString("Harbour"));
}

TEST(WorldDescriptor, EqualityOrderAndHash) {
  ZKComponentDB world, other;
  typedef ZKComponentDB::ComponentPartDescriptor Descriptor;
  Descriptor wheel("Car", "Wheel", &world), lower("car", "wheel", &other), door("Car", "Door", &world);
  // Both names compare ignoring case; the world is not compared.
  EXPECT_EQ((wheel == lower) * 10 + (wheel == door), 10);
  EXPECT_EQ((door < wheel) * 10 + (wheel < door), 10);
  EXPECT_EQ((wheel < lower) + (lower < wheel), 0);
  EXPECT_EQ(Descriptor("boat", "Z", nullptr) < Descriptor("Car", "A", nullptr), 1);
  // The hash is that of the component name as stored, exactly, alone.
  EXPECT_TRUE(Descriptor::hash(wheel) == Descriptor::hash(door) && Descriptor::hash(wheel) == ZKComponent::hash("Car"));
  EXPECT_EQ(Descriptor::hash(lower), ZKComponent::hash("car"));
}

TEST(WorldScene, BoxDisplayComesAfterTheThreeRoots) {
  ZKComponentDB world;
  ZKComponent* c = made("car");
  world.addComponent(c, 1, nullptr);
  Ref<ZKComponent> shown(new ZKComponent("box", "Box", "ZKNoFile", nullptr, &world));
  shown->showPartBoundingBoxes();
  EXPECT_EQ(nameOf(world.getComponentSceneRoot()->getChild(2)) +
                std::to_string(world.getComponentSceneRoot()->getNumChildren()), "WorldComponentRoot4");
  shown->hideBoundingBoxes();
  EXPECT_EQ(world.getComponentSceneRoot()->getNumChildren(), 3);
}

}  // namespace
