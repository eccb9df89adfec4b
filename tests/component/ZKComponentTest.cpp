#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKComponentDB.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>
#include <Inventor/nodes/SoTransform.h>

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

class ComponentEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    SoDB::init();
    ZKComponent::initClass();
  }
};

const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ComponentEnvironment);

const float kPi = 3.14159265358979f;
const float kTolerance = 1e-4f;

// The root of a data file, with one reference taken for the caller.
SoSeparator* readData(const std::string& file) {
  SoInput in;
  std::string path = std::string(ZKCP_TEST_DATA_DIR) + "/" + file;
  if (!in.openFile(path.c_str())) return nullptr;
  SoSeparator* root = SoDB::readAll(&in);
  if (root) root->ref();
  return root;
}

// A component that counts the touches of its transform.
class TouchCountingComponent : public ZKComponent {
 public:
  using ZKComponent::ZKComponent;
  int touches = 0;
  void touch(ZKPart*) override { ++touches; }

 protected:
  ~TouchCountingComponent() override = default;
};

// Makes a referenced component named "car" from a data file. An Inventor
// graph stays the caller's, so its reference is dropped once the component
// holds it; a VRML graph's reference is handed over with the call.
ZKComponent* loadComponent(const std::string& file, int partFlagA = 0) {
  SoSeparator* geometry = readData(file);
  if (!geometry) return nullptr;
  ZKComponent* c = new ZKComponent("car", "Car", file, geometry, nullptr, nullptr, partFlagA);
  c->ref();
  if (file.find(".wrl") == std::string::npos) geometry->unref();
  return c;
}

std::vector<std::string> names(const RWTValSortedVector<RWCString>& list) {
  std::vector<std::string> out;
  for (size_t i = 0; i < list.entries(); ++i) out.push_back(list(i).data());
  return out;
}

void expectBox(const SbBox3f& box, SbVec3f min, SbVec3f max) {
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(box.getMin()[i], min[i], kTolerance) << "min " << i;
    EXPECT_NEAR(box.getMax()[i], max[i], kTolerance) << "max " << i;
  }
}

SbBox3f partBox(ZKComponent* c, const char* name) {
  ZKPart* part = c->getLogicalPart(name);
  const RWTValOrderedVector<ZKComponent::PartBoxPair_t>& boxes = c->getPartBoundingBoxes();
  for (size_t i = 0; i < boxes.entries(); ++i) {
    if (boxes(i).part == part) return boxes(i).box;
  }
  ADD_FAILURE() << "no box for part " << name;
  return SbBox3f();
}

SoNode* findNamed(SoNode* root, const char* name) {
  SoSearchAction search;
  search.setName(SbName(name));
  search.setSearchingAll(TRUE);
  search.apply(root);
  return search.getPath() ? search.getPath()->getTail() : nullptr;
}

TEST(ComponentConstruction, DefaultsNamesAndGeometryFileName) {
  ZKComponent* plain = new ZKComponent;
  plain->ref();
  EXPECT_STREQ(plain->getName().getString(), "ZKNamelessComponent");
  EXPECT_STREQ(plain->getComponentName(), "");
  EXPECT_EQ(plain->getGeometryFile(), RWCString("ZKNoFile"));
  EXPECT_EQ(plain->getWorld(), nullptr);
  EXPECT_EQ(plain->isFromDatabase(), 0);
  EXPECT_STREQ(plain->getSourceDatabase(), "");
  EXPECT_STREQ(plain->getVersion(), "");
  EXPECT_EQ(plain->getParentContainer(), RWCString(""));
  EXPECT_EQ(plain->getParentModel(), RWCString(""));
  EXPECT_EQ(plain->getNumParts(), 0);
  EXPECT_EQ(plain->getNumItems(), 0);
  EXPECT_EQ(plain->getNumKeywords(), 0);
  EXPECT_EQ(plain->getSwitchNode(), nullptr);
  EXPECT_FALSE(plain->hasTextures());
  EXPECT_FALSE(plain->texturesChecked());
  EXPECT_EQ(plain->getPartBoundingBoxes().entries(), 0u);
  EXPECT_EQ(plain->affectsState(), FALSE);
  EXPECT_EQ(plain->getTypeId(), SoType::fromName("ZKComponent"));
  EXPECT_EQ(plain->getTypeId().getParent(), SoType::fromName("ZKPart"));
  plain->unref();

  ZKComponentDB world;
  ZKComponent* named = new ZKComponent("truck", "Truck", "ZKNoFile", nullptr, &world, "depot");
  named->ref();
  EXPECT_STREQ(named->getName().getString(), "truck");
  EXPECT_STREQ(named->getComponentName(), "Truck");
  EXPECT_EQ(named->getWorld(), &world);
  EXPECT_STREQ(named->getSourceDatabase(), "depot");
  EXPECT_EQ(named->isFromDatabase(), 1);
  named->unref();

  // Directories separated by backslashes are dropped; the loader still sees
  // the suffix. Forward slashes are kept, and the setter keeps everything.
  SoSeparator* geometry = readData("twoparts.iv");
  ASSERT_NE(geometry, nullptr);
  ZKComponent* dos = new ZKComponent("van", "Van", "C:\\models\\cars\\twoparts.iv", geometry);
  dos->ref();
  EXPECT_EQ(dos->getGeometryFile(), RWCString("twoparts.iv"));
  EXPECT_EQ(dos->getNumParts(), 2);
  dos->setGeometryFile("D:\\other\\van.iv");
  EXPECT_EQ(dos->getGeometryFile(), RWCString("D:\\other\\van.iv"));
  dos->unref();
  geometry->unref();

  ZKComponent* unix = new ZKComponent("bus", "Bus", "models/cars/bus.iv");
  EXPECT_EQ(unix->getGeometryFile(), RWCString("models/cars/bus.iv"));
  unix->ref();
  unix->unref();
}

TEST(ComponentConstruction, LoaderChosenByFileName) {
  // The Inventor loader keeps the graph as "contents", notes the first
  // switch under it and enters the named separators as logical parts; the
  // component's destruction gives the graph's references back.
  SoSeparator* geometry = readData("twoparts.iv");
  ASSERT_NE(geometry, nullptr);
  ZKComponent* c = new ZKComponent("car", "Car", "twoparts.iv", geometry);
  c->ref();
  EXPECT_EQ(c->getPart("contents", FALSE), geometry);
  ASSERT_NE(c->getSwitchNode(), nullptr);
  EXPECT_STREQ(c->getSwitchNode()->getName().getString(), "Lights");
  RWTValSortedVector<RWCString> parts;
  c->getLogicalPartNames(parts);
  EXPECT_EQ(names(parts), (std::vector<std::string>{"Left", "Right"}));
  c->unref();
  EXPECT_EQ(geometry->getRefCount(), 1);
  geometry->unref();

  // The VRML loader takes over exactly one reference on the graph and puts
  // its children under a separator of its own.
  SoSeparator* vrml = readData("twoparts.wrl");
  ASSERT_NE(vrml, nullptr);
  vrml->ref();
  ZKComponent* v = new ZKComponent("boat", "Boat", "twoparts.wrl", vrml);
  v->ref();
  EXPECT_EQ(vrml->getRefCount(), 1);
  EXPECT_NE(v->getPart("contents", FALSE), vrml);
  EXPECT_EQ(v->getNumParts(), 2);
  EXPECT_NE(v->getLogicalPart("Left"), nullptr);
  EXPECT_NE(v->getLogicalPart("Right"), nullptr);
  EXPECT_EQ(v->getSwitchNode(), nullptr);
  vrml->unref();
  v->unref();

  // A VRML Transform on top becomes the component's own transform; only
  // its children go under "contents".
  SoSeparator* read = readData("twoparts.wrl");
  ASSERT_NE(read, nullptr);
  SoVRMLTransform* top = new SoVRMLTransform;
  top->ref();
  top->translation.setValue(0, 5, 0);
  top->scale.setValue(2, 2, 2);
  for (int i = 0; i < read->getNumChildren(); ++i) top->addChild(read->getChild(i));
  read->unref();
  ZKComponent* placed = new ZKComponent("raft", "Raft", "raft.wrl", top);
  placed->ref();
  EXPECT_EQ(placed->getPosition(), SbVec3f(0, 5, 0));
  EXPECT_EQ(placed->getTransform()->scaleFactor.getValue(), SbVec3f(2, 2, 2));
  SoGroup* contents = static_cast<SoGroup*>(placed->getPart("contents", FALSE));
  ASSERT_NE(contents, nullptr);
  EXPECT_EQ(contents->getNumChildren(), 2);
  EXPECT_EQ(placed->getNumParts(), 2);
  // Left: box (-3,-1,-1)..(-1,1,1), scaled by 2 and raised by 5.
  expectBox(partBox(placed, "Left"), SbVec3f(-6, 3, -2), SbVec3f(-2, 7, 2));
  placed->unref();

  // A part-tree flag reaches the builder; unnamed transforms are named by
  // the component.
  ZKComponent* flagged = loadComponent("parts.wrl", 1);
  ASSERT_NE(flagged, nullptr);
  RWTValSortedVector<RWCString> flaggedParts;
  flagged->getLogicalPartNames(flaggedParts);
  EXPECT_EQ(names(flaggedParts), (std::vector<std::string>{"Base", "Part0000"}));
  flagged->unref();

  // Both suffixes: both loaders run on the same graph, Inventor first; the
  // graph's reference is handed over as for VRML.
  SoSeparator* both = readData("twoparts.iv");
  ASSERT_NE(both, nullptr);
  ZKComponent* twice = new ZKComponent("kart", "Kart", "kart.iv.wrl", both);
  twice->ref();
  EXPECT_EQ(twice->getNumParts(), 2);
  expectBox(twice->getBoundingBox(), SbVec3f(-3, -2, -1), SbVec3f(4, 2, 1));
  twice->unref();
}

TEST(ComponentConstruction, NoGeometryLoaded) {
  // No loader runs for the nameless marker, the no-file marker, a file name
  // with neither suffix, or a null graph; the caller keeps its graph.
  struct Case {
    const char* name;
    const char* file;
  } cases[] = {{"ZKNamelessComponent", "twoparts.iv"},
               {"car", "ZKNoFile"},
               {"car", "twoparts.obj"},
               {"car", "twoparts.IV"}};
  for (const Case& k : cases) {
    SoSeparator* geometry = readData("twoparts.iv");
    ASSERT_NE(geometry, nullptr);
    ZKComponent* c = new ZKComponent(k.name, "Car", k.file, geometry);
    c->ref();
    EXPECT_EQ(c->getNumParts(), 0) << k.name << " " << k.file;
    EXPECT_EQ(c->getPart("contents", FALSE), nullptr) << k.file;
    EXPECT_EQ(c->getPartBoundingBoxes().entries(), 0u);
    c->unref();
    EXPECT_EQ(geometry->getRefCount(), 1) << k.file;
    geometry->unref();
  }
  for (const char* file : {"none.iv", "none.wrl"}) {
    ZKComponent* c = new ZKComponent("car", "Car", file, nullptr);
    c->ref();
    EXPECT_EQ(c->getNumParts(), 0);
    EXPECT_TRUE(c->getBoundingBox().isEmpty());
    c->unref();
  }
  // An empty graph gives no parts and an empty box.
  SoSeparator* empty = new SoSeparator;
  empty->ref();
  ZKComponent* c = new ZKComponent("car", "Car", "empty.iv", empty);
  c->ref();
  EXPECT_EQ(c->getNumParts(), 0);
  EXPECT_TRUE(c->getBoundingBox().isEmpty());
  c->unref();
  empty->unref();
}

TEST(ComponentLogicalParts, EnteredLookedUpRenamedAndRemoved) {
  ZKComponent* c = loadComponent("parts.iv");
  ASSERT_NE(c, nullptr);
  // Nested named separators are parts too; a named plain group and a part
  // under a switch are not.
  RWTValSortedVector<RWCString> all;
  c->getLogicalPartNames(all);
  EXPECT_EQ(names(all), (std::vector<std::string>{"Body", "Lamp", "Stand", "Wheel"}));
  ZKPart* wheel = c->getLogicalPart("Wheel");
  ASSERT_NE(wheel, nullptr);
  EXPECT_STREQ(wheel->getName().getString(), "Wheel");
  ASSERT_NE(c->getLogicalPartName(wheel), nullptr);
  EXPECT_EQ(*c->getLogicalPartName(wheel), RWCString("Wheel"));
  EXPECT_EQ(c->isValidPart("Wheel"), 1);
  EXPECT_EQ(c->isValidPart("wheel"), 0);
  EXPECT_EQ(c->getLogicalPart("wheel"), nullptr);
  EXPECT_EQ(c->getLogicalPart("Frame"), nullptr);
  EXPECT_EQ(c->getLogicalPart("Spare"), nullptr);
  EXPECT_EQ(c->getLogicalPartName(nullptr), nullptr);

  // Only leaf parts get a box entry.
  std::set<ZKPart*> leaves;
  for (const auto& pair : c->getPartBoundingBoxes()) leaves.insert(pair.part);
  EXPECT_EQ(leaves, (std::set<ZKPart*>{c->getLogicalPart("Wheel"), c->getLogicalPart("Lamp"),
                                       c->getLogicalPart("Stand")}));

  // Renaming onto a used name, or from an unknown one, leaves both entries.
  c->setLogicalPartName(wheel, RWCString("Lamp"));
  c->setLogicalPartName(RWCString("Ghost"), RWCString("Phantom"));
  EXPECT_EQ(c->getLogicalPart("Wheel"), wheel);
  EXPECT_NE(c->getLogicalPart("Lamp"), wheel);
  EXPECT_EQ(c->getNumParts(), 4);
  c->setLogicalPartName(wheel, RWCString("FrontWheel"));
  EXPECT_EQ(c->getLogicalPart("FrontWheel"), wheel);
  EXPECT_EQ(c->getLogicalPart("Wheel"), nullptr);
  EXPECT_STREQ(wheel->getName().getString(), "Wheel");
  c->setLogicalPartName(RWCString("FrontWheel"), RWCString("Wheel"));
  EXPECT_EQ(c->getLogicalPart("Wheel"), wheel);

  // Removing a part takes it out of its parent's geometry and the table;
  // unknown names and null do nothing.
  ZKPart* body = c->getLogicalPart("Body");
  wheel->ref();
  c->removePart(RWCString("Wheel"));
  EXPECT_EQ(c->getLogicalPart("Wheel"), nullptr);
  EXPECT_EQ(c->getNumParts(), 3);
  EXPECT_EQ(static_cast<SoGroup*>(body->getPart("contents", FALSE))->findChild(wheel), -1);
  EXPECT_EQ(wheel->getRefCount(), 1);
  wheel->unref();
  c->removePart(RWCString("Ghost"));
  c->removePart(static_cast<ZKPart*>(nullptr));
  EXPECT_EQ(c->getNumParts(), 3);

  // addPart hangs a part under the contents of its parent (or of the
  // component) and names it; a null part adds nothing.
  ZKPart* extra = new ZKPart;
  c->addPart("Extra", extra, body);
  EXPECT_EQ(c->getLogicalPart("Extra"), extra);
  EXPECT_STREQ(extra->getName().getString(), "Extra");
  EXPECT_GE(static_cast<SoGroup*>(body->getPart("contents", FALSE))->findChild(extra), 0);
  c->addPart("Nothing", nullptr, nullptr);
  EXPECT_EQ(c->isValidPart("Nothing"), 0);
  c->unref();
}

TEST(ComponentLogicalParts, NewPartNames) {
  ZKComponent* c = new ZKComponent("car", "Car");
  c->ref();
  RWCString name;
  EXPECT_EQ(c->getNewPartName(name), -1);
  EXPECT_EQ(name, RWCString("Part0000"));
  ZKPart* part = new ZKPart;
  part->ref();
  c->addPart("Part0000", part, nullptr);
  c->addPart("Part0001", part, nullptr);
  EXPECT_EQ(c->getNewPartName(name), -1);
  EXPECT_EQ(name, RWCString("Part0002"));
  // With every name up to 9998 taken there is none left; the name for 9999
  // is handed back with the failure.
  char text[16];
  for (int i = 2; i <= 9998; ++i) {
    std::snprintf(text, sizeof text, "Part%04i", i);
    c->addPart(text, part, nullptr);
  }
  EXPECT_EQ(c->getNumParts(), 9999);
  EXPECT_EQ(c->getNewPartName(name), 0);
  EXPECT_EQ(name, RWCString("Part9999"));
  c->unref();
  part->unref();
}

TEST(ComponentItems, OneReferencePerInsertion) {
  ZKComponent* c = new ZKComponent("garage", "Garage");
  c->ref();
  ZKPart* tool = new ZKPart;
  tool->ref();
  tool->setName("Tool");

  c->addItem(tool);
  c->addItem(tool);
  EXPECT_EQ(tool->getRefCount(), 3);
  EXPECT_EQ(c->getNumItems(), 1);
  EXPECT_EQ(c->getItem("Tool"), tool);
  EXPECT_EQ(c->getItem("tool"), nullptr);
  EXPECT_EQ(c->isValidItem(tool), 1);
  c->removeItem(tool);
  EXPECT_EQ(tool->getRefCount(), 2);
  EXPECT_EQ(c->getNumItems(), 0);
  EXPECT_EQ(c->isValidItem(tool), 0);
  c->removeItem(tool);
  EXPECT_EQ(tool->getRefCount(), 2);
  tool->unref();

  // A component item names its container until it is removed.
  ZKComponent* car = new ZKComponent("car", "Car");
  car->ref();
  c->addItem(car);
  EXPECT_EQ(car->getParentContainer(), RWCString("garage"));
  c->removeItem(car);
  EXPECT_EQ(car->getParentContainer(), RWCString(""));
  EXPECT_EQ(car->getRefCount(), 1);

  // Another item under a name already held takes the entry and the first
  // one gets its reference back.
  ZKPart* first = new ZKPart;
  ZKPart* second = new ZKPart;
  first->ref();
  second->ref();
  first->setName("Box");
  second->setName("Box");
  c->addItem(first);
  c->addItem(second);
  EXPECT_EQ(c->getItem("Box"), second);
  EXPECT_EQ(first->getRefCount(), 1);
  EXPECT_EQ(second->getRefCount(), 2);

  // The child list holds the visible items, each once.
  c->getPart("childList", TRUE);
  SoNodeKitListPart* list = static_cast<SoNodeKitListPart*>(c->getPart("childList", FALSE));
  c->setItemVisibility(second, 1);
  c->setItemVisibility(second, 1);
  EXPECT_EQ(list->getNumChildren(), 1);
  c->setItemVisibility(second, 0);
  EXPECT_EQ(list->getNumChildren(), 0);
  c->setItemVisibility(nullptr, 1);
  c->setItemVisibility(second, 1);
  // Removing an item also takes it out of the child list.
  c->removeItem(second);
  EXPECT_EQ(list->getNumChildren(), 0);
  EXPECT_EQ(second->getRefCount(), 1);

  // Null is ignored; the component's destruction releases what it holds.
  c->addItem(nullptr);
  c->removeItem(nullptr);
  EXPECT_EQ(c->isValidItem(nullptr), 0);
  c->addItem(car);
  c->addItem(first);
  EXPECT_EQ(car->getRefCount(), 2);
  c->unref();
  EXPECT_EQ(car->getRefCount(), 1);
  EXPECT_EQ(first->getRefCount(), 1);
  car->unref();
  first->unref();
  second->unref();
}

TEST(ComponentNames, KeywordsEventsAndSubComponentsSorted) {
  ZKComponent* c = new ZKComponent("car", "Car");
  c->ref();
  for (const char* k : {"fast", "Blue", "fast", "alpha", ""}) c->addKeyword(k);
  EXPECT_EQ(c->getNumKeywords(), 4);
  RWTValSortedVector<RWCString> out;
  out.insert("zebra");
  c->getKeywords(out);
  EXPECT_EQ(names(out), (std::vector<std::string>{"", "Blue", "alpha", "fast", "zebra"}));
  c->removeKeyword("fast");
  c->removeKeyword("missing");
  EXPECT_EQ(c->getNumKeywords(), 3);

  for (const char* e : {"open", "Close", "", "open"}) c->addEventIn(e);
  for (const char* e : {"opened", "Closed", "", "opened"}) c->addEventOut(e);
  RWTValSortedVector<RWCString> in;
  in.insert("keep");
  c->getEventInNames(in);
  EXPECT_EQ(names(in), (std::vector<std::string>{"Close", "keep", "open"}));
  RWTValSortedVector<RWCString> outs;
  c->getEventOutNames(outs);
  EXPECT_EQ(names(outs), (std::vector<std::string>{"Closed", "opened"}));

  for (const char* s : {"wheel", "Door", "", "wheel"}) c->addComponent(s);
  RWTValSortedVector<RWCString> subs;
  subs.insert("stale");
  c->getSubComponentNames(subs);
  EXPECT_EQ(names(subs), (std::vector<std::string>{"Door", "wheel"}));
  c->unref();
}

TEST(ComponentTransform, OperationsAndTouches) {
  TouchCountingComponent* c = new TouchCountingComponent("car", "Car");
  c->ref();
  SbRotation quarter(SbVec3f(0, 0, 1), kPi / 2);
  c->rotate(&quarter);
  c->rotate(&quarter);
  SbVec3f axis;
  float angle;
  c->getTransform()->rotation.getValue().getValue(axis, angle);
  EXPECT_NEAR(angle, kPi, kTolerance);
  EXPECT_NEAR(axis[2], 1, kTolerance);

  SbVec3f twiceX(2, 1, 1);
  c->scale(&twiceX);
  c->scale(&twiceX);
  EXPECT_EQ(c->getTransform()->scaleFactor.getValue(), SbVec3f(4, 1, 1));

  SbVec3f at(1, 2, 3), step(1, 1, 1);
  c->setPosition(&at);
  c->incrementPosition(&step);
  EXPECT_EQ(c->getPosition(), SbVec3f(2, 3, 4));

  SbRotation tilt(SbVec3f(1, 0, 0), 0.3f);
  c->setScaleOrientation(&tilt);
  EXPECT_TRUE(c->getTransform()->scaleOrientation.getValue().equals(tilt, kTolerance));

  // Recentring keeps the transform's overall effect.
  SoTransform* t = c->getTransform();
  SoGetMatrixAction action{SbViewportRegion()};
  action.apply(t);
  SbMatrix before = action.getMatrix();
  SbVec3f centre(5, 0, 0);
  c->setCenter(&centre);
  EXPECT_EQ(t->center.getValue(), centre);
  action.apply(t);
  EXPECT_TRUE(action.getMatrix().equals(before, kTolerance));
  EXPECT_EQ(c->touches, 8);

  // Null arguments change nothing and touch nothing.
  c->rotate(nullptr);
  c->scale(nullptr);
  c->incrementPosition(nullptr);
  c->setCenter(nullptr);
  c->setScaleOrientation(nullptr);
  c->setPosition(nullptr);
  EXPECT_EQ(c->touches, 8);
  EXPECT_EQ(c->getPosition(), t->translation.getValue());
  c->unref();
}

// The same two boxes from Inventor and from VRML geometry: "Left" a 2x2x2
// box centred at (-2, 0, 0), "Right" a 2x4x2 box centred at (3, 0, 0).
class ComponentBoxes : public ::testing::TestWithParam<const char*> {};

TEST_P(ComponentBoxes, MovedRotatedAndScaled) {
  ZKComponent* c = loadComponent(GetParam());
  ASSERT_NE(c, nullptr);
  expectBox(c->getBoundingBox(), SbVec3f(-3, -2, -1), SbVec3f(4, 2, 1));
  expectBox(partBox(c, "Left"), SbVec3f(-3, -1, -1), SbVec3f(-1, 1, 1));
  expectBox(partBox(c, "Right"), SbVec3f(2, -2, -1), SbVec3f(4, 2, 1));

  // A move marks both boxes dirty: the next query gives the new boxes.
  SbVec3f at(10, 0, 0);
  c->setPosition(&at);
  expectBox(c->getBoundingBox(), SbVec3f(7, -2, -1), SbVec3f(14, 2, 1));
  expectBox(partBox(c, "Left"), SbVec3f(7, -1, -1), SbVec3f(9, 1, 1));

  // Other transform changes leave the boxes as they were until the caller
  // marks them dirty: a query on a clean box does not recompute it.
  SbRotation quarter(SbVec3f(0, 0, 1), kPi / 2);
  c->rotate(&quarter);
  expectBox(c->getBoundingBox(), SbVec3f(7, -2, -1), SbVec3f(14, 2, 1));
  expectBox(partBox(c, "Left"), SbVec3f(7, -1, -1), SbVec3f(9, 1, 1));
  c->objectIsDirty();
  // A quarter turn about z maps (x, y) to (-y, x), then the move applies.
  expectBox(c->getBoundingBox(), SbVec3f(8, -3, -1), SbVec3f(12, 4, 1));
  expectBox(partBox(c, "Left"), SbVec3f(7, -1, -1), SbVec3f(9, 1, 1));
  c->partsAreDirty();
  expectBox(partBox(c, "Left"), SbVec3f(9, -3, -1), SbVec3f(11, -1, 1));
  expectBox(partBox(c, "Right"), SbVec3f(8, 2, -1), SbVec3f(12, 4, 1));

  // Scaling comes before the rotation: Left becomes x -6..-2, z -3..3.
  SbVec3f stretch(2, 1, 3);
  c->scale(&stretch);
  c->objectIsDirty();
  c->partsAreDirty();
  expectBox(c->getBoundingBox(), SbVec3f(8, -6, -3), SbVec3f(12, 8, 3));
  expectBox(partBox(c, "Left"), SbVec3f(9, -6, -3), SbVec3f(11, -2, 3));
  expectBox(partBox(c, "Right"), SbVec3f(8, 4, -3), SbVec3f(12, 8, 3));

  // A part's own transform is on the way down to it: Right turned a quarter
  // on its own is x 1..5, y -1..1 before the component's transform.
  c->getLogicalPart("Right")->rotate(quarter);
  c->objectIsDirty();
  c->partsAreDirty();
  expectBox(partBox(c, "Right"), SbVec3f(9, 2, -3), SbVec3f(11, 10, 3));
  expectBox(c->getBoundingBox(), SbVec3f(9, -6, -3), SbVec3f(11, 10, 3));
  c->unref();
}

INSTANTIATE_TEST_SUITE_P(InventorAndVRML, ComponentBoxes,
                         ::testing::Values("twoparts.iv", "twoparts.wrl"));

TEST(ComponentBoxes, PointsInWorldSpace) {
  ZKComponent* c = loadComponent("twoparts.iv");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->getPoints(nullptr).entries(), 0u);
  SbVec3f at(10, 0, 0);
  c->setPosition(&at);
  c->addPoint(SbVec3f(1, 0, 0));
  c->getLogicalPart("Left")->addPoint(SbVec3f(0, 1, 0));
  SoGetMatrixAction action{SbViewportRegion()};
  const RWTValOrderedVector<SbVec3f>& points = c->getPoints(&action);
  ASSERT_EQ(points.entries(), 2u);
  EXPECT_EQ(points(0), SbVec3f(11, 0, 0));
  EXPECT_EQ(points(1), SbVec3f(8, 1, 0));
  EXPECT_EQ(c->getPoints(nullptr).entries(), 0u);
  c->unref();
}

TEST(ComponentBoxes, DisplayUnderTheWorldScene) {
  ZKComponentDB world;
  SoGroup* scene = world.getComponentSceneRoot();
  SoSeparator* geometry = readData("twoparts.iv");
  ASSERT_NE(geometry, nullptr);
  ZKComponent* c = new ZKComponent("car", "Car", "twoparts.iv", geometry, &world);
  c->ref();
  geometry->unref();

  c->showObjectBoundingBox();
  ASSERT_EQ(scene->getNumChildren(), 4);
  SoSeparator* display = static_cast<SoSeparator*>(scene->getChild(3));
  ASSERT_EQ(display->getNumChildren(), 1);
  SoTransform* xform = static_cast<SoTransform*>(findNamed(display, "bbox_xform"));
  SoCube* cube = static_cast<SoCube*>(findNamed(display, "bbox_cube"));
  ASSERT_NE(xform, nullptr);
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(xform->translation.getValue(), SbVec3f(0.5f, 0, 0));
  EXPECT_FLOAT_EQ(cube->width.getValue(), 7);
  EXPECT_FLOAT_EQ(cube->height.getValue(), 4);
  EXPECT_FLOAT_EQ(cube->depth.getValue(), 2);
  // A second show adds nothing; a move refits the shown box on the next query.
  c->showObjectBoundingBox();
  EXPECT_EQ(scene->getNumChildren(), 4);
  SbVec3f at(0, 0, 5);
  c->setPosition(&at);
  c->getBoundingBox();
  EXPECT_EQ(xform->translation.getValue(), SbVec3f(0.5f, 0, 5));

  // The part boxes replace the component box in the display, one per leaf.
  c->showPartBoundingBoxes();
  EXPECT_EQ(scene->getChild(3), display);
  ASSERT_EQ(display->getNumChildren(), 1);
  SoGroup* partsNode = static_cast<SoGroup*>(display->getChild(0));
  ASSERT_EQ(partsNode->getNumChildren(), 2);
  for (int i = 0; i < 2; ++i) {
    SoCube* partCube = static_cast<SoCube*>(findNamed(partsNode->getChild(i), "bbox_cube"));
    ASSERT_NE(partCube, nullptr);
    EXPECT_FLOAT_EQ(partCube->width.getValue(), 2);
    EXPECT_FLOAT_EQ(partCube->depth.getValue(), 2);
  }
  // The component box stays out until the display is hidden.
  c->showObjectBoundingBox();
  EXPECT_EQ(display->getNumChildren(), 1);
  c->hideBoundingBoxes();
  EXPECT_EQ(scene->getNumChildren(), 3);
  c->hideBoundingBoxes();
  EXPECT_EQ(scene->getNumChildren(), 3);
  // A box computed while the display was hidden is the one shown next.
  SbVec3f back(0, 0, 0);
  c->setPosition(&back);
  c->getBoundingBox();
  c->getPartBoundingBoxes();
  c->showObjectBoundingBox();
  EXPECT_EQ(scene->getNumChildren(), 4);
  EXPECT_EQ(xform->translation.getValue(), SbVec3f(0.5f, 0, 0));
  c->hideBoundingBoxes();
  c->showPartBoundingBoxes();
  SoTransform* partXform = static_cast<SoTransform*>(findNamed(partsNode->getChild(0), "bbox_xform"));
  ASSERT_NE(partXform, nullptr);
  EXPECT_EQ(partXform->translation.getValue()[2], 0);
  c->hideBoundingBoxes();
  c->unref();

  // A box queried before the first show is fitted when it is shown.
  SoSeparator* again = readData("twoparts.iv");
  ASSERT_NE(again, nullptr);
  ZKComponent* queried = new ZKComponent("bike", "Bike", "twoparts.iv", again, &world);
  queried->ref();
  again->unref();
  queried->getBoundingBox();
  queried->showObjectBoundingBox();
  ASSERT_EQ(scene->getNumChildren(), 4);
  SoCube* queriedCube = static_cast<SoCube*>(findNamed(scene->getChild(3), "bbox_cube"));
  ASSERT_NE(queriedCube, nullptr);
  EXPECT_FLOAT_EQ(queriedCube->width.getValue(), 7);
  queried->hideBoundingBoxes();
  queried->unref();

  // An empty component is shown as a unit cube; a component without a
  // world shows nothing.
  ZKComponent* empty = new ZKComponent("ghost", "Ghost", "ZKNoFile", nullptr, &world);
  empty->ref();
  empty->showObjectBoundingBox();
  ASSERT_EQ(scene->getNumChildren(), 4);
  SoNode* emptyDisplay = scene->getChild(3);
  SoCube* unit = static_cast<SoCube*>(findNamed(emptyDisplay, "bbox_cube"));
  ASSERT_NE(unit, nullptr);
  EXPECT_FLOAT_EQ(unit->width.getValue(), 1);
  EXPECT_FLOAT_EQ(unit->height.getValue(), 1);
  EXPECT_FLOAT_EQ(unit->depth.getValue(), 1);
  empty->hideBoundingBoxes();
  empty->unref();
  ZKComponent* alone = new ZKComponent("alone", "Alone");
  alone->ref();
  alone->showObjectBoundingBox();
  alone->showPartBoundingBoxes();
  alone->hideBoundingBoxes();
  alone->unref();
  EXPECT_EQ(scene->getNumChildren(), 3);
}

}  // namespace
