#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKComponentDB.h>

#include "../TestScene.h"

#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSwitch.h>

#include <string>
#include <vector>

namespace {

using namespace zkcp_test;

class ComponentEnvironment : public ::testing::Environment {
  void SetUp() override { ZKComponent::initClass(); }
};
const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ComponentEnvironment);

const float kPi = 3.14159265358979f;

// A component that counts the touches of its transform.
class TouchCountingComponent : public ZKComponent {
 public:
  using ZKComponent::ZKComponent;
  int touches = 0;
  void touch(ZKPart*) override { ++touches; }
};

// A referenced component named "car" made from a data file. An Inventor
// graph stays the caller's; a VRML graph's reference is handed over.
ZKComponent* loadComponent(const std::string& file, int partFlagA = 0, ZKComponentDB* world = nullptr) {
  SoSeparator* geometry = readData(file);
  ZKComponent* c = new ZKComponent("car", "Car", file, geometry, world, nullptr, partFlagA);
  c->ref();
  if (file.find(".wrl") == std::string::npos) geometry->unref();
  return c;
}

std::string names(const RWTValSortedVector<RWCString>& list) {
  std::string out;
  for (size_t i = 0; i < list.entries(); ++i) out += std::string(i ? " " : "") + list(i).data();
  return out;
}
std::string partNames(ZKComponent* c) {
  RWTValSortedVector<RWCString> parts;
  c->getLogicalPartNames(parts);
  return names(parts);
}
std::string partBox(ZKComponent* c, const char* name) {
  for (const auto& pair : c->getPartBoundingBoxes()) {
    if (pair.part == c->getLogicalPart(name)) return box(pair.box);
  }
  return "no box";
}
// The named node below `root` (a box display's "bbox_cube" or "bbox_xform").
template <class T>
T* named(SoNode* root, const char* name) {
  SoSearchAction search;
  search.setName(SbName(name));
  search.setSearchingAll(TRUE);
  search.apply(root);
  return search.getPath() ? static_cast<T*>(search.getPath()->getTail()) : nullptr;
}
std::string cubeSize(SoNode* display) {
  SoCube* cube = named<SoCube>(display, "bbox_cube");
  if (!cube) return "no cube";
  SbVec3f size(cube->width.getValue(), cube->height.getValue(), cube->depth.getValue());
  return vec(size);
}

TEST(ComponentConstruction, DefaultsNamesAndGeometryFileName) {
  Ref<ZKComponent> plain(new ZKComponent);
  EXPECT_EQ(plain->getTypeId(), SoType::fromName("ZKComponent"));
  EXPECT_EQ(plain->getTypeId().getParent(), SoType::fromName("ZKPart"));
  EXPECT_STREQ(plain->getName().getString(), "ZKNamelessComponent");
  EXPECT_EQ(plain->getGeometryFile(), RWCString("ZKNoFile"));
  EXPECT_EQ(plain->isFromDatabase(), 0);
  EXPECT_EQ(plain->getNumParts() + plain->getNumItems() + plain->getNumKeywords(), 0);
  EXPECT_EQ(plain->getSwitchNode(), nullptr);
  ZKComponentDB world;
  Ref<ZKComponent> named(new ZKComponent("truck", "Truck", "ZKNoFile", nullptr, &world, "depot"));
  EXPECT_STREQ(named->getName().getString(), "truck");
  EXPECT_STREQ(named->getComponentName(), "Truck");
  EXPECT_EQ(named->getWorld(), &world);
  EXPECT_EQ(named->isFromDatabase(), 1);
  // Directories separated by backslashes are dropped (the loader still sees
  // the suffix); forward slashes are kept, and the setter keeps everything.
  Ref<SoSeparator> geometry(readData("twoparts.iv"));
  geometry->unref();
  Ref<ZKComponent> dos(new ZKComponent("van", "Van", "C:\\models\\cars\\twoparts.iv", geometry));
  EXPECT_EQ(dos->getGeometryFile(), RWCString("twoparts.iv"));
  EXPECT_EQ(dos->getNumParts(), 2);
  dos->setGeometryFile("D:\\other\\van.iv");
  EXPECT_EQ(dos->getGeometryFile(), RWCString("D:\\other\\van.iv"));
  EXPECT_EQ(Ref<ZKComponent>(new ZKComponent("bus", "Bus", "models/bus.iv"))->getGeometryFile(),
            RWCString("models/bus.iv"));
}

TEST(ComponentConstruction, LoaderChosenByFileName) {
  // The Inventor loader keeps the graph as "contents", notes the first
  // switch and enters the named separators; destruction gives the graph's
  // references back.
  SoSeparator* geometry = readData("twoparts.iv");
  ZKComponent* c = new ZKComponent("car", "Car", "twoparts.iv", geometry);
  c->ref();
  EXPECT_EQ(c->getPart("contents", FALSE), geometry);
  EXPECT_STREQ(c->getSwitchNode()->getName().getString(), "Lights");
  EXPECT_EQ(partNames(c), "Left Right");
  c->unref();
  EXPECT_EQ(geometry->getRefCount(), 1);
  geometry->unref();
  // The VRML loader takes over exactly one reference and puts the children
  // under a separator of its own.
  Ref<SoSeparator> vrml(readData("twoparts.wrl"));
  Ref<ZKComponent> boat(new ZKComponent("boat", "Boat", "twoparts.wrl", vrml));
  EXPECT_EQ(vrml->getRefCount(), 1);
  EXPECT_NE(boat->getPart("contents", FALSE), vrml);
  EXPECT_EQ(partNames(boat), "Left Right");
  EXPECT_EQ(boat->getSwitchNode(), nullptr);
  // A VRML Transform on top becomes the component's own transform; Left,
  // box (-3,-1,-1)..(-1,1,1), is scaled by 2 and raised by 5.
  Ref<SoSeparator> read(readData("twoparts.wrl"));
  SoVRMLTransform* top = new SoVRMLTransform;
  top->translation.setValue(0, 5, 0);
  top->scale.setValue(2, 2, 2);
  for (int i = 0; i < read->getNumChildren(); ++i) top->addChild(read->getChild(i));
  Ref<ZKComponent> raft(new ZKComponent("raft", "Raft", "raft.wrl", top));
  EXPECT_EQ(vec(raft->getPosition()) + " / " + vec(raft->getTransform()->scaleFactor.getValue()),
            "0 5 0 / 2 2 2");
  EXPECT_EQ(contentsOf(raft)->getNumChildren(), 2);
  EXPECT_EQ(partBox(raft, "Left"), "-6 3 -2 / -2 7 2");
  // A part-tree flag reaches the builder; unnamed transforms are named.
  Ref<ZKComponent> flagged(loadComponent("parts.wrl", 1));
  flagged->unref();
  EXPECT_EQ(partNames(flagged), "Base Part0000");
  // Both suffixes: both loaders run, Inventor first, the reference handed over.
  Ref<ZKComponent> kart(new ZKComponent("kart", "Kart", "kart.iv.wrl", readData("twoparts.iv")));
  EXPECT_EQ(kart->getNumParts(), 2);
  EXPECT_EQ(box(kart->getBoundingBox()), "-3 -2 -1 / 4 2 1");
}

TEST(ComponentConstruction, NoGeometryLoaded) {
  // No loader runs for the nameless marker, the no-file marker, a file name
  // with neither suffix (in this case) or a null graph; an empty one gives
  // nothing.
  const struct { const char* name; const char* file; } cases[] = {{"ZKNamelessComponent", "twoparts.iv"},
      {"car", "ZKNoFile"}, {"car", "twoparts.obj"}, {"car", "twoparts.IV"}, {"car", "empty.iv"}};
  for (const auto& k : cases) {
    const bool empty = std::string(k.file) == "empty.iv";
    SoSeparator* geometry = empty ? separatorOf({}) : readData("twoparts.iv");
    if (empty) geometry->ref();
    {
      Ref<ZKComponent> c(new ZKComponent(k.name, "Car", k.file, geometry));
      EXPECT_EQ(c->getNumParts(), 0) << k.file;
      EXPECT_TRUE(c->getBoundingBox().isEmpty()) << k.file;
    }
    EXPECT_EQ(geometry->getRefCount(), 1) << k.file;  // the caller keeps its graph
    geometry->unref();
  }
  for (const char* file : {"none.iv", "none.wrl"}) {
    EXPECT_EQ(Ref<ZKComponent>(new ZKComponent("car", "Car", file, nullptr))->getNumParts(), 0);
  }
}

TEST(ComponentLogicalParts, EnteredLookedUpRenamedAndRemoved) {
  // Nested named separators are parts; a named plain group and a part under
  // a switch are not; only leaf parts get a box.
  Ref<ZKComponent> c(loadComponent("parts.iv"));
  c->unref();
  EXPECT_EQ(partNames(c), "Body Lamp Stand Wheel");
  ZKPart* wheel = c->getLogicalPart("Wheel");
  EXPECT_EQ(*c->getLogicalPartName(wheel), RWCString("Wheel"));
  EXPECT_EQ(c->isValidPart("Wheel") + c->isValidPart("wheel"), 1);
  for (const char* absent : {"wheel", "Frame", "Spare"}) EXPECT_EQ(c->getLogicalPart(absent), nullptr);
  EXPECT_EQ(c->getLogicalPartName(nullptr), nullptr);
  EXPECT_EQ(c->getPartBoundingBoxes().entries(), 3u);
  EXPECT_EQ(partBox(c, "Body"), "no box");
  // Renaming onto a used name, or from an unknown one, changes nothing.
  c->setLogicalPartName(wheel, RWCString("Lamp"));
  c->setLogicalPartName(RWCString("Ghost"), RWCString("Phantom"));
  EXPECT_EQ(partNames(c), "Body Lamp Stand Wheel");
  EXPECT_EQ(c->getLogicalPart("Wheel"), wheel);
  c->setLogicalPartName(wheel, RWCString("FrontWheel"));
  EXPECT_EQ(partNames(c), "Body FrontWheel Lamp Stand");
  EXPECT_EQ(c->getLogicalPart("FrontWheel"), wheel);
  EXPECT_STREQ(wheel->getName().getString(), "Wheel");  // the node keeps its name
  c->setLogicalPartName(RWCString("FrontWheel"), RWCString("Wheel"));
  // Removal takes the part out of its parent's geometry and releases it;
  // unknown names and null do nothing.
  ZKPart* body = c->getLogicalPart("Body");
  Ref<ZKPart> held(wheel);
  c->removePart(RWCString("Wheel"));
  c->removePart(RWCString("Ghost"));
  c->removePart(static_cast<ZKPart*>(nullptr));
  EXPECT_EQ(partNames(c), "Body Lamp Stand");
  EXPECT_EQ(contentsOf(body)->findChild(wheel), -1);
  EXPECT_EQ(wheel->getRefCount(), 1);
  // addPart hangs a part under its parent's contents and names it; null adds nothing.
  ZKPart* extra = new ZKPart;
  c->addPart("Extra", extra, body);
  c->addPart("Nothing", nullptr, nullptr);
  EXPECT_EQ(partNames(c), "Body Extra Lamp Stand");
  EXPECT_STREQ(extra->getName().getString(), "Extra");
  EXPECT_GE(contentsOf(body)->findChild(extra), 0);
}

TEST(ComponentLogicalParts, NewPartNames) {
  Ref<ZKComponent> c(new ZKComponent("car", "Car"));
  Ref<ZKPart> part(new ZKPart);
  RWCString name;
  EXPECT_EQ(c->getNewPartName(name), -1);
  EXPECT_EQ(name, RWCString("Part0000"));
  c->addPart("Part0000", part, nullptr);
  c->addPart("Part0001", part, nullptr);
  EXPECT_EQ(c->getNewPartName(name), -1);
  EXPECT_EQ(name, RWCString("Part0002"));
  // With every name up to 9998 taken there is none left; the name for 9999
  // comes back with the failure.
  char text[16];
  for (int i = 2; i <= 9998; ++i) {
    std::snprintf(text, sizeof text, "Part%04i", i);
    c->addPart(text, part, nullptr);
  }
  EXPECT_EQ(c->getNewPartName(name), 0);
  EXPECT_EQ(name, RWCString("Part9999"));
}

TEST(ComponentItems, OneReferencePerInsertion) {
  ZKComponent* c = new ZKComponent("garage", "Garage");
  c->ref();
  Ref<ZKPart> tool(new ZKPart);
  tool->setName("Tool");
  c->addItem(tool);
  c->addItem(tool);
  EXPECT_EQ(tool->getRefCount(), 3);
  EXPECT_EQ(c->getNumItems(), 1);
  EXPECT_EQ(c->getItem("Tool"), tool);
  EXPECT_EQ(c->getItem("tool"), nullptr);
  c->removeItem(tool);
  c->removeItem(tool);
  EXPECT_EQ(tool->getRefCount(), 2);
  EXPECT_EQ(c->isValidItem(tool), 0);
  // A component item names its container until it is removed.
  Ref<ZKComponent> car(new ZKComponent("car", "Car"));
  c->addItem(car);
  EXPECT_EQ(car->getParentContainer(), RWCString("garage"));
  c->removeItem(car);
  EXPECT_EQ(car->getParentContainer(), RWCString(""));
  // Another item under a held name takes the entry and releases the first.
  Ref<ZKPart> first(new ZKPart), second(new ZKPart);
  first->setName("Box");
  second->setName("Box");
  c->addItem(first);
  c->addItem(second);
  EXPECT_EQ(c->getItem("Box"), second);
  EXPECT_EQ(first->getRefCount() + second->getRefCount(), 3);
  // The child list holds the visible items, each once, until removal.
  auto* list = static_cast<SoNodeKitListPart*>(c->getPart("childList", TRUE));
  c->setItemVisibility(second, 1);
  c->setItemVisibility(second, 1);
  c->setItemVisibility(nullptr, 1);
  EXPECT_EQ(list->getNumChildren(), 1);
  c->setItemVisibility(second, 0);
  EXPECT_EQ(list->getNumChildren(), 0);
  c->setItemVisibility(second, 1);
  c->removeItem(second);
  EXPECT_EQ(list->getNumChildren(), 0);
  EXPECT_EQ(second->getRefCount(), 1);
  // Null is ignored; the component's destruction releases what it holds.
  c->addItem(nullptr);
  c->removeItem(nullptr);
  c->addItem(car);
  c->addItem(first);
  c->unref();
  EXPECT_EQ(car->getRefCount() + first->getRefCount(), 2);
}

TEST(ComponentNames, KeywordsEventsAndSubComponentsSorted) {
  Ref<ZKComponent> c(new ZKComponent("car", "Car"));
  for (const char* k : {"fast", "Blue", "fast", "alpha", ""}) c->addKeyword(k);
  c->removeKeyword("fast");
  c->removeKeyword("missing");
  for (const char* e : {"open", "Close", "", "open"}) c->addEventIn(e);
  for (const char* e : {"opened", "Closed", "", "opened"}) c->addEventOut(e);
  for (const char* s : {"wheel", "Door", "", "wheel"}) c->addComponent(s);
  // Keywords and event names are added to what the caller's list holds,
  // sub-component names replace it. Empty names are dropped except as
  // keywords.
  RWTValSortedVector<RWCString> keywords, in, out, subs;
  for (auto* list : {&keywords, &in, &out, &subs}) list->insert("zz");
  c->getKeywords(keywords);
  c->getEventInNames(in);
  c->getEventOutNames(out);
  c->getSubComponentNames(subs);
  EXPECT_EQ(c->getNumKeywords(), 3);
  EXPECT_EQ(names(keywords) + " | " + names(in) + " | " + names(out) + " | " + names(subs),
            " Blue alpha zz | Close open zz | Closed opened zz | Door wheel");
}

TEST(ComponentTransform, OperationsAndTouches) {
  Ref<TouchCountingComponent> c(new TouchCountingComponent("car", "Car"));
  SbRotation quarter(SbVec3f(0, 0, 1), kPi / 2);
  SbVec3f twiceX(2, 1, 1), at(1, 2, 3), step(1, 1, 1), centre(5, 0, 0);
  SbRotation tilt(SbVec3f(1, 0, 0), 0.3f);
  c->rotate(&quarter);
  c->rotate(&quarter);
  c->scale(&twiceX);
  c->scale(&twiceX);
  c->setPosition(&at);
  c->incrementPosition(&step);
  c->setScaleOrientation(&tilt);
  EXPECT_EQ(place(c->getTransform()), "2 3 4 / 0 0 1 3.1416 / 0 0 0 / 4 1 1 / 1 0 0 0.3");
  EXPECT_EQ(vec(c->getPosition()), "2 3 4");
  // Recentring keeps the transform's overall effect; every operation touches.
  const std::string before = matrixOf(c->getTransform());
  c->setCenter(&centre);
  EXPECT_EQ(vec(c->getTransform()->center.getValue()), "5 0 0");
  EXPECT_EQ(matrixOf(c->getTransform()), before);
  EXPECT_EQ(c->touches, 8);
  // Null arguments change nothing and touch nothing.
  c->rotate(nullptr);
  c->scale(nullptr);
  c->incrementPosition(nullptr);
  c->setCenter(nullptr);
  c->setScaleOrientation(nullptr);
  c->setPosition(nullptr);
  EXPECT_EQ(c->touches, 8);
  EXPECT_EQ(matrixOf(c->getTransform()), before);
}

// The same two boxes from Inventor and from VRML geometry: "Left" a 2x2x2
// box centred at (-2, 0, 0), "Right" a 2x4x2 box centred at (3, 0, 0).
class ComponentBoxes : public ::testing::TestWithParam<const char*> {};

TEST_P(ComponentBoxes, MovedRotatedAndScaled) {
  Ref<ZKComponent> c(loadComponent(GetParam()));
  c->unref();
  const auto boxes = [&] {
    return box(c->getBoundingBox()) + " | " + partBox(c, "Left") + " | " + partBox(c, "Right");
  };
  EXPECT_EQ(boxes(), "-3 -2 -1 / 4 2 1 | -3 -1 -1 / -1 1 1 | 2 -2 -1 / 4 2 1");
  // A move marks both kinds of box dirty.
  SbVec3f at(10, 0, 0);
  c->setPosition(&at);
  EXPECT_EQ(boxes(), "7 -2 -1 / 14 2 1 | 7 -1 -1 / 9 1 1 | 12 -2 -1 / 14 2 1");
  // Other changes leave the boxes until the caller marks them dirty. A
  // quarter turn about z maps (x, y) to (-y, x), then the move applies.
  SbRotation quarter(SbVec3f(0, 0, 1), kPi / 2);
  c->rotate(&quarter);
  EXPECT_EQ(boxes(), "7 -2 -1 / 14 2 1 | 7 -1 -1 / 9 1 1 | 12 -2 -1 / 14 2 1");
  c->objectIsDirty();
  EXPECT_EQ(boxes(), "8 -3 -1 / 12 4 1 | 7 -1 -1 / 9 1 1 | 12 -2 -1 / 14 2 1");
  c->partsAreDirty();
  EXPECT_EQ(boxes(), "8 -3 -1 / 12 4 1 | 9 -3 -1 / 11 -1 1 | 8 2 -1 / 12 4 1");
  // Scaling comes before the rotation.
  SbVec3f stretch(2, 1, 3);
  c->scale(&stretch);
  c->objectIsDirty();
  c->partsAreDirty();
  EXPECT_EQ(boxes(), "8 -6 -3 / 12 8 3 | 9 -6 -3 / 11 -2 3 | 8 4 -3 / 12 8 3");
  // A part's own transform is on the way down to it: Right turned a quarter
  // on its own is x 1..5, y -1..1 before the component's transform.
  c->getLogicalPart("Right")->rotate(quarter);
  c->objectIsDirty();
  c->partsAreDirty();
  EXPECT_EQ(boxes(), "9 -6 -3 / 11 10 3 | 9 -6 -3 / 11 -2 3 | 9 2 -3 / 11 10 3");
}

INSTANTIATE_TEST_SUITE_P(InventorAndVRML, ComponentBoxes,
                         ::testing::Values("twoparts.iv", "twoparts.wrl"));

TEST(ComponentBoxes, PointsInWorldSpace) {
  Ref<ZKComponent> c(loadComponent("twoparts.iv"));
  c->unref();
  EXPECT_EQ(c->getPoints(nullptr).entries(), 0u);
  SbVec3f at(10, 0, 0);
  c->setPosition(&at);
  c->addPoint(SbVec3f(1, 0, 0));
  c->getLogicalPart("Left")->addPoint(SbVec3f(0, 1, 0));
  SoGetMatrixAction action{SbViewportRegion()};
  const RWTValOrderedVector<SbVec3f>& points = c->getPoints(&action);
  ASSERT_EQ(points.entries(), 2u);
  EXPECT_EQ(vec(points(0)) + " / " + vec(points(1)), "11 0 0 / 8 1 0");
  EXPECT_EQ(c->getPoints(nullptr).entries(), 0u);
}

TEST(ComponentBoxes, DisplayUnderTheWorldScene) {
  ZKComponentDB world;
  SoGroup* scene = world.getComponentSceneRoot();
  Ref<ZKComponent> c(loadComponent("twoparts.iv", 0, &world));
  c->unref();
  // The box display is a fourth child of the scene root, shown once; a
  // move refits it on the next query.
  c->showObjectBoundingBox();
  c->showObjectBoundingBox();
  ASSERT_EQ(scene->getNumChildren(), 4);
  SoNode* display = scene->getChild(3);
  SoTransform* xform = named<SoTransform>(display, "bbox_xform");
  ASSERT_NE(xform, nullptr);
  EXPECT_EQ(vec(xform->translation.getValue()) + " / " + cubeSize(display), "0.5 0 0 / 7 4 2");
  SbVec3f at(0, 0, 5);
  c->setPosition(&at);
  c->getBoundingBox();
  EXPECT_EQ(vec(xform->translation.getValue()), "0.5 0 5");
  // The part boxes, one per leaf, replace the component box in the display;
  // it stays out until the display is hidden.
  c->showPartBoundingBoxes();
  c->showObjectBoundingBox();
  EXPECT_EQ(scene->getChild(3), display);
  ASSERT_EQ(static_cast<SoGroup*>(display)->getNumChildren(), 1);
  auto* parts = static_cast<SoGroup*>(static_cast<SoGroup*>(display)->getChild(0));
  ASSERT_EQ(parts->getNumChildren(), 2);
  EXPECT_EQ(cubeSize(parts->getChild(0)) + " / " + cubeSize(parts->getChild(1)), "2 4 2 / 2 2 2");
  c->hideBoundingBoxes();
  c->hideBoundingBoxes();
  EXPECT_EQ(scene->getNumChildren(), 3);
  // A box computed while the display was hidden is the one shown next.
  SbVec3f back(0, 0, 0);
  c->setPosition(&back);
  c->getBoundingBox();
  c->showObjectBoundingBox();
  EXPECT_EQ(vec(xform->translation.getValue()), "0.5 0 0");
  c->hideBoundingBoxes();
  // A box queried before the first show is fitted when shown; an empty
  // component shows a unit cube; one without a world shows nothing.
  Ref<ZKComponent> queried(loadComponent("twoparts.iv", 0, &world));
  queried->unref();
  queried->getBoundingBox();
  queried->showObjectBoundingBox();
  EXPECT_EQ(cubeSize(scene->getChild(3)), "7 4 2");
  queried->hideBoundingBoxes();
  Ref<ZKComponent> empty(new ZKComponent("ghost", "Ghost", "ZKNoFile", nullptr, &world));
  empty->showObjectBoundingBox();
  EXPECT_EQ(cubeSize(scene->getChild(3)), "1 1 1");
  empty->hideBoundingBoxes();
  Ref<ZKComponent> alone(new ZKComponent("alone", "Alone"));
  alone->showObjectBoundingBox();
  alone->showPartBoundingBoxes();
  EXPECT_EQ(scene->getNumChildren(), 3);
  alone->hideBoundingBoxes();
}

}  // namespace
