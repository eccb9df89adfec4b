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

// A component named "car" made from a data file, not yet referenced. An
// Inventor graph stays the caller's; a VRML graph's reference is handed over.
ZKComponent* load(const std::string& file, int partFlagA = 0, ZKComponentDB* world = nullptr) {
  SoSeparator* geometry = readData(file);
  ZKComponent* c = new ZKComponent("car", "Car", file, geometry, world, nullptr, partFlagA);
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
// The place and size of the first box below `display`.
std::string shownBox(SoNode* display) {
  SoCube* cube = named<SoCube>(display, "bbox_cube");
  SoTransform* xform = named<SoTransform>(display, "bbox_xform");
  if (!cube || !xform) return "no box";
  SbVec3f size(cube->width.getValue(), cube->height.getValue(), cube->depth.getValue());
  return vec(xform->translation.getValue()) + " / " + vec(size);
}

TEST(ComponentConstruction, DefaultsNamesAndGeometryFileName) {
  Ref<ZKComponent> plain(new ZKComponent);
  EXPECT_EQ(plain->getTypeId().getParent(), SoType::fromName("ZKPart"));
  EXPECT_STREQ(plain->getName().getString(), "ZKNamelessComponent");
  EXPECT_EQ(plain->getGeometryFile() + " " + (plain->isFromDatabase() ? "db" : "-"), RWCString("ZKNoFile -"));
  EXPECT_EQ(plain->getNumParts() + plain->getNumItems() + plain->getNumKeywords(), 0);
  EXPECT_EQ(Ref<ZKComponent>(new ZKComponent("truck", "Truck", "ZKNoFile", nullptr, nullptr, "depot"))
                ->isFromDatabase(), 1);
  // Directories separated by backslashes are dropped (the loader still sees
  // the suffix); forward slashes are kept, and the setter keeps everything.
  Ref<SoSeparator> geometry(readData("twoparts.iv"));
  geometry->unref();
  Ref<ZKComponent> dos(new ZKComponent("van", "Van", "C:\\models\\twoparts.iv", geometry));
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
  Ref<SoSeparator> geometry(readData("twoparts.iv"));
  geometry->unref();
  {
    Ref<ZKComponent> c(new ZKComponent("car", "Car", "twoparts.iv", geometry));
    EXPECT_EQ(c->getPart("contents", FALSE), geometry);
    EXPECT_STREQ(c->getSwitchNode()->getName().getString(), "Lights");
    EXPECT_EQ(partNames(c), "Left Right");
  }
  EXPECT_EQ(geometry->getRefCount(), 1);
  // The VRML loader takes over exactly one reference and puts the children
  // under a separator of its own.
  Ref<SoSeparator> vrml(readData("twoparts.wrl"));
  Ref<ZKComponent> boat(new ZKComponent("boat", "Boat", "twoparts.wrl", vrml));
  EXPECT_EQ(vrml->getRefCount(), 1);
  EXPECT_NE(boat->getPart("contents", FALSE), vrml);
  EXPECT_EQ(partNames(boat) + (boat->getSwitchNode() ? " switch" : ""), "Left Right");
  // A VRML Transform on top becomes the component's own transform; Left,
  // box (-3,-1,-1)..(-1,1,1), is scaled by 2 and raised by 5.
  SoVRMLTransform* top = new SoVRMLTransform;
  top->translation.setValue(0, 5, 0);
  top->scale.setValue(2, 2, 2);
  Ref<SoSeparator> read(readData("twoparts.wrl"));
  read->unref();
  for (int i = 0; i < read->getNumChildren(); ++i) top->addChild(read->getChild(i));
  Ref<ZKComponent> raft(new ZKComponent("raft", "Raft", "raft.wrl", top));
  EXPECT_EQ(place(raft->getTransform()), "0 5 0 / 0 0 1 0 / 0 0 0 / 2 2 2 / 0 0 1 0");
  EXPECT_EQ(contentsOf(raft)->getNumChildren(), 2);
  EXPECT_EQ(partBox(raft, "Left"), "-6 3 -2 / -2 7 2");
  // A part-tree flag reaches the builder; both suffixes run both loaders,
  // Inventor first, the reference handed over.
  EXPECT_EQ(partNames(Ref<ZKComponent>(load("parts.wrl", 1))), "Base Part0000");
  Ref<ZKComponent> kart(new ZKComponent("kart", "Kart", "kart.iv.wrl", readData("twoparts.iv")));
  EXPECT_EQ(partNames(kart) + " / " + box(kart->getBoundingBox()), "Left Right / -3 -2 -1 / 4 2 1");
}

// The nodes of a type at or below `root`, inside kits and under every
// switch choice, one entry per path.
void collect(SoNode* node, SoType type, std::vector<SoNode*>& found) {
  if (node->isOfType(type)) found.push_back(node);
  if (SoChildList* children = node->getChildren()) {
    for (int i = 0; i < children->getLength(); ++i) collect((*children)[i], type, found);
  }
}

std::vector<SoNode*> allOf(SoNode* root, SoType type) {
  std::vector<SoNode*> found;
  collect(root, type, found);
  return found;
}

TEST(ComponentConstruction, SharedGraphBuildsWhatItsCopyBuilds) {
  // Named, unnamed and nested VRML groups, an appearance and a transform
  // used twice, a switch; the second graph also uses a replaced transform
  // under its switch, which is built from a full copy.
  const std::string body =
      "DEF Top Transform { translation 0 1 0 children [\n"
      "  Shape { appearance DEF Look Appearance { material Material { } } geometry Box { } }\n"
      "  Transform { translation 2 0 0 children Shape { appearance USE Look geometry Sphere { } } }\n"
      "] }\n"
      "DEF Twice Transform { children Shape { geometry Cone { } } }\n"
      "Group { children USE Twice }\n"
      "Switch { whichChoice 0 choice DEF Inner Transform { children Shape { } } }\n";
  for (const std::string extra : {"", "Switch { choice USE Twice }"}) {
    Ref<SoGroup> read(
        fromText<SoGroup>("#VRML V2.0 utf8\nGroup { children [" + body + extra + "] }"));
    const std::string before = shape(read);
    SoNode* look = allOf(read, SoType::fromName("VRMLAppearance"))[0];
    const int twiceRefs = SoNode::getByName("Twice")->getRefCount();
    for (int flag : {0, 1}) {
      Ref<ZKComponent> copied(new ZKComponent("car", "Car", "car.wrl", static_cast<SoGroup*>(read->copy()),
                                              nullptr, nullptr, flag, flag));
      Ref<ZKComponent> shared(new ZKComponent("car", "Car", "car.wrl", ZKComponent::SharedGeometry{read},
                                              nullptr, nullptr, flag, flag));
      Ref<ZKComponent> again(new ZKComponent("van", "Car", "car.wrl", ZKComponent::SharedGeometry{read},
                                             nullptr, nullptr, flag, flag));
      EXPECT_EQ(shape(shared), shape(copied)) << extra << flag;
      EXPECT_EQ(partNames(shared), partNames(copied)) << extra << flag;
      // The appearance stays one node in each component, its own copy.
      std::vector<SoNode*> looks = allOf(shared, look->getTypeId());
      std::vector<SoNode*> others = allOf(again, look->getTypeId());
      ASSERT_EQ(looks.size(), 2u);
      EXPECT_EQ(looks[0], looks[1]);
      EXPECT_NE(looks[0], look);
      EXPECT_NE(looks[0], others[0]);
    }
    // The graph read is unchanged and holds no more references.
    EXPECT_EQ(shape(read), before);
    EXPECT_EQ(read->getRefCount(), 1);
    EXPECT_EQ(SoNode::getByName("Twice")->getRefCount(), twiceRefs);
  }
  // Inventor geometry is copied whole; the caller keeps its reference.
  Ref<SoSeparator> inventor(readData("twoparts.iv"));
  inventor->unref();
  EXPECT_EQ(partNames(Ref<ZKComponent>(new ZKComponent("kart", "Kart", "kart.iv.wrl",
                                                       ZKComponent::SharedGeometry{inventor}))),
            "Left Right");
  EXPECT_EQ(inventor->getRefCount(), 1);
}

TEST(ComponentConstruction, NoGeometryLoaded) {
  // No loader runs for the nameless marker, the no-file marker, a file name
  // with neither suffix (in this case) or a null graph; an empty one gives
  // nothing. The caller keeps its graph.
  const struct { const char* name; const char* file; } cases[] = {{"ZKNamelessComponent", "a.iv"},
      {"car", "ZKNoFile"}, {"car", "a.obj"}, {"car", "a.IV"}, {"car", "empty.iv"}};
  for (const auto& k : cases) {
    Ref<SoSeparator> geometry(std::string(k.file) == "empty.iv" ? separatorOf({}) : readData("twoparts.iv"));
    if (geometry->getRefCount() == 2) geometry->unref();
    EXPECT_EQ(partNames(Ref<ZKComponent>(new ZKComponent(k.name, "Car", k.file, geometry))), "") << k.file;
    EXPECT_EQ(geometry->getRefCount(), 1) << k.file;
  }
  for (const char* file : {"none.iv", "none.wrl"}) {
    EXPECT_TRUE(Ref<ZKComponent>(new ZKComponent("car", "Car", file, nullptr))->getBoundingBox().isEmpty());
  }
}

TEST(ComponentLogicalParts, EnteredLookedUpRenamedAndRemoved) {
  // Named separators are parts (not plain groups or what is under a switch).
  Ref<ZKComponent> c(load("parts.iv"));
  EXPECT_EQ(partNames(c), "Body Lamp Stand Wheel");
  ZKPart* wheel = c->getLogicalPart("Wheel");
  EXPECT_EQ(*c->getLogicalPartName(wheel), RWCString("Wheel"));
  EXPECT_EQ(c->isValidPart("Wheel") * 10 + c->isValidPart("wheel"), 10);
  EXPECT_EQ(c->getLogicalPartName(nullptr), nullptr);
  EXPECT_EQ(c->getPartBoundingBoxes().entries(), 3u);  // leaf parts only
  EXPECT_EQ(partBox(c, "Body"), "no box");
  // Renaming onto a used name, or from an unknown one, changes nothing; the
  // node keeps its own name.
  c->setLogicalPartName(wheel, RWCString("Lamp"));
  c->setLogicalPartName(RWCString("Ghost"), RWCString("Phantom"));
  EXPECT_EQ(partNames(c), "Body Lamp Stand Wheel");
  c->setLogicalPartName(wheel, RWCString("FrontWheel"));
  EXPECT_EQ(partNames(c) + " " + nameOf(wheel), "Body FrontWheel Lamp Stand Wheel");
  EXPECT_EQ(c->getLogicalPart("FrontWheel"), wheel);
  c->setLogicalPartName(RWCString("FrontWheel"), RWCString("Wheel"));
  // Removal takes the part out of its parent's geometry and releases it;
  // unknown names and null do nothing. addPart hangs a part under its
  // parent's contents and names it; a null part adds nothing.
  ZKPart* body = c->getLogicalPart("Body");
  Ref<ZKPart> held(wheel);
  c->removePart(RWCString("Wheel"));
  c->removePart(RWCString("Ghost"));
  c->removePart(static_cast<ZKPart*>(nullptr));
  EXPECT_EQ(contentsOf(body)->findChild(wheel), -1);
  EXPECT_EQ(wheel->getRefCount(), 1);
  ZKPart* extra = new ZKPart;
  c->addPart("Extra", extra, body);
  c->addPart("Nothing", nullptr, nullptr);
  EXPECT_EQ(partNames(c) + " " + nameOf(extra), "Body Extra Lamp Stand Extra");
  EXPECT_GE(contentsOf(body)->findChild(extra), 0);
}

TEST(ComponentLogicalParts, NewPartNames) {
  Ref<ZKComponent> c(new ZKComponent("car", "Car"));
  Ref<ZKPart> part(new ZKPart);
  RWCString name;
  EXPECT_EQ(c->getNewPartName(name), -1);
  EXPECT_EQ(name, RWCString("Part0000"));
  // The first free number; with every name up to 9998 taken none is left,
  // and the name for 9999 comes back with the failure.
  char text[16];
  for (int i = 0; i <= 9998; ++i) {
    std::snprintf(text, sizeof text, "Part%04i", i);
    if (i != 1) c->addPart(text, part, nullptr);
    if (i == 2) EXPECT_EQ(c->getNewPartName(name) == -1 && name == "Part0001", true);
  }
  c->addPart("Part0001", part, nullptr);
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
  EXPECT_EQ(tool->getRefCount() * 10 + c->getNumItems(), 31);
  EXPECT_TRUE(c->getItem("Tool") == tool && !c->getItem("tool"));
  c->removeItem(tool);
  c->removeItem(tool);
  EXPECT_EQ(tool->getRefCount() * 10 + c->isValidItem(tool), 20);
  // A component item names its container until it is removed; another item
  // under a held name takes the entry and releases the first.
  Ref<ZKComponent> car(new ZKComponent("car", "Car"));
  c->addItem(car);
  EXPECT_EQ(car->getParentContainer(), RWCString("garage"));
  c->removeItem(car);
  EXPECT_EQ(car->getParentContainer(), RWCString(""));
  Ref<ZKPart> first(new ZKPart), second(new ZKPart);
  first->setName("Box");
  second->setName("Box");
  c->addItem(first);
  c->addItem(second);
  EXPECT_EQ(c->getItem("Box"), second);
  EXPECT_EQ(first->getRefCount() * 10 + second->getRefCount(), 12);
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
  EXPECT_EQ(list->getNumChildren() * 10 + second->getRefCount(), 1);
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
  // Keywords and event names add to the caller's list, sub-component names
  // replace it; empty names are dropped except as keywords.
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
  SbRotation quarter(SbVec3f(0, 0, 1), kPi / 2), tilt(SbVec3f(1, 0, 0), 0.3f);
  SbVec3f twiceX(2, 1, 1), at(1, 2, 3), step(1, 1, 1), centre(5, 0, 0);
  c->rotate(&quarter);
  c->rotate(&quarter);
  c->scale(&twiceX);
  c->scale(&twiceX);
  c->setPosition(&at);
  c->incrementPosition(&step);
  c->setScaleOrientation(&tilt);
  EXPECT_EQ(place(c->getTransform()), "2 3 4 / 0 0 1 3.1416 / 0 0 0 / 4 1 1 / 1 0 0 0.3");
  EXPECT_EQ(vec(c->getPosition()), "2 3 4");
  // Recentring keeps the overall effect; null arguments change nothing.
  const std::string before = matrixOf(c->getTransform());
  c->setCenter(&centre);
  EXPECT_EQ(vec(c->getTransform()->center.getValue()), "5 0 0");
  EXPECT_EQ(matrixOf(c->getTransform()), before);
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
  Ref<ZKComponent> c(load(GetParam()));
  const auto boxes = [&] {
    return box(c->getBoundingBox()) + " | " + partBox(c, "Left") + " | " + partBox(c, "Right");
  };
  EXPECT_EQ(boxes(), "-3 -2 -1 / 4 2 1 | -3 -1 -1 / -1 1 1 | 2 -2 -1 / 4 2 1");
  SbVec3f at(10, 0, 0);  // a move marks both kinds of box dirty
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
  // Scaling comes before the rotation; a part's own transform is on the way
  // down to it (Right turned a quarter alone is x 1..5, y -1..1).
  SbVec3f stretch(2, 1, 3);
  c->scale(&stretch);
  c->objectIsDirty();
  c->partsAreDirty();
  EXPECT_EQ(boxes(), "8 -6 -3 / 12 8 3 | 9 -6 -3 / 11 -2 3 | 8 4 -3 / 12 8 3");
  c->getLogicalPart("Right")->rotate(quarter);
  c->objectIsDirty();
  c->partsAreDirty();
  EXPECT_EQ(boxes(), "9 -6 -3 / 11 10 3 | 9 -6 -3 / 11 -2 3 | 9 2 -3 / 11 10 3");
}

INSTANTIATE_TEST_SUITE_P(InventorAndVRML, ComponentBoxes,
                         ::testing::Values("twoparts.iv", "twoparts.wrl"));

TEST(ComponentBoxes, PointsInWorldSpace) {
  Ref<ZKComponent> c(load("twoparts.iv"));
  SbVec3f at(10, 0, 0);
  c->setPosition(&at);
  c->addPoint(SbVec3f(1, 0, 0));
  c->getLogicalPart("Left")->addPoint(SbVec3f(0, 1, 0));
  SoGetMatrixAction action{SbViewportRegion()};
  const RWTValOrderedVector<SbVec3f>& points = c->getPoints(&action);
  ASSERT_EQ(points.entries(), 2u);
  EXPECT_EQ(vec(points(0)) + " / " + vec(points(1)), "11 0 0 / 8 1 0");
  EXPECT_EQ(c->getPoints(nullptr).entries(), 0u);  // no action, no points
}

TEST(ComponentBoxes, DisplayUnderTheWorldScene) {
  ZKComponentDB world;
  SoGroup* scene = world.getComponentSceneRoot();
  Ref<ZKComponent> c(load("twoparts.iv", 0, &world));
  // The box display is a fourth child of the scene root, shown once; a move
  // refits it on the next query.
  c->showObjectBoundingBox();
  c->showObjectBoundingBox();
  ASSERT_EQ(scene->getNumChildren(), 4);
  auto* display = static_cast<SoGroup*>(scene->getChild(3));
  SoNode* objectBox = display->getChild(0);
  EXPECT_EQ(shownBox(objectBox), "0.5 0 0 / 7 4 2");
  SbVec3f at(0, 0, 5);
  c->setPosition(&at);
  c->getBoundingBox();
  EXPECT_EQ(shownBox(objectBox), "0.5 0 5 / 7 4 2");
  // The part boxes, one per leaf in the order of the part boxes, replace the
  // component box, which stays out until the display is hidden.
  c->showPartBoundingBoxes();
  c->showObjectBoundingBox();
  EXPECT_EQ(scene->getChild(3), display);
  ASSERT_EQ(display->getNumChildren(), 1);
  auto* parts = static_cast<SoGroup*>(display->getChild(0));
  ASSERT_EQ(parts->getNumChildren(), 2);
  EXPECT_EQ(shownBox(parts->getChild(0)) + " | " + shownBox(parts->getChild(1)),
            "3 0 5 / 2 4 2 | -2 0 5 / 2 2 2");
  c->hideBoundingBoxes();
  c->hideBoundingBoxes();
  EXPECT_EQ(scene->getNumChildren(), 3);
  // A show fits the display only through a dirty box: one computed while
  // hidden leaves the display as last fitted, one computed before the first
  // show leaves the template's unit cube at the origin, until the component
  // is marked dirty and its boxes are asked for again.
  SbVec3f back(0, 0, 0);
  c->setPosition(&back);
  c->getBoundingBox();
  c->showObjectBoundingBox();
  EXPECT_EQ(shownBox(objectBox), "0.5 0 5 / 7 4 2");
  c->hideBoundingBoxes();
  Ref<ZKComponent> queried(load("twoparts.iv", 0, &world));
  queried->checkForPartCollisions(queried);
  queried->showObjectBoundingBox();
  SoNode* queriedBox = static_cast<SoGroup*>(scene->getChild(3))->getChild(0);
  EXPECT_EQ(shownBox(queriedBox), "0 0 0 / 1 1 1");
  queried->objectIsDirty();
  queried->getBoundingBox();
  EXPECT_EQ(shownBox(queriedBox), "0.5 0 0 / 7 4 2");
  queried->hideBoundingBoxes();
  queried->showPartBoundingBoxes();
  // The component box, hidden rather than replaced, stays before them.
  auto* queriedDisplay = static_cast<SoGroup*>(scene->getChild(3));
  ASSERT_EQ(queriedDisplay->getNumChildren(), 2);
  auto* queriedParts = static_cast<SoGroup*>(queriedDisplay->getChild(1));
  EXPECT_EQ(shownBox(queriedParts->getChild(0)) + " | " + shownBox(queriedParts->getChild(1)),
            "0 0 0 / 1 1 1 | 0 0 0 / 1 1 1");
  queried->partsAreDirty();
  queried->getPartBoundingBoxes();
  EXPECT_EQ(shownBox(queriedParts->getChild(0)) + " | " + shownBox(queriedParts->getChild(1)),
            "3 0 0 / 2 4 2 | -2 0 0 / 2 2 2");
  queried->hideBoundingBoxes();
  // An empty component shows a unit cube; one without a world shows nothing.
  Ref<ZKComponent> empty(new ZKComponent("ghost", "Ghost", "ZKNoFile", nullptr, &world));
  empty->showObjectBoundingBox();
  EXPECT_EQ(shownBox(scene->getChild(3)).substr(8), "1 1 1");
  empty->hideBoundingBoxes();
  Ref<ZKComponent> alone(new ZKComponent("alone", "Alone"));
  alone->showObjectBoundingBox();
  alone->showPartBoundingBoxes();
  EXPECT_EQ(scene->getNumChildren(), 3);
}

}  // namespace
