#include <zkcp/component/ZKComponent.h>
#include <zkcp/foundation/RWIndexError.h>
#include <zkcp/part/ZKPart.h>

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPath.h>
#include <Inventor/VRMLnodes/SoVRMLGroup.h>
#include <Inventor/VRMLnodes/SoVRMLLOD.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLSwitch.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodekits/SoNodekitCatalog.h>
#include <Inventor/nodekits/SoShapeKit.h>
#include <Inventor/nodes/SoAnnotation.h>
#include <Inventor/nodes/SoCone.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoCylinder.h>
#include <Inventor/nodes/SoFile.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSphere.h>
#include <Inventor/nodes/SoSwitch.h>
#include <Inventor/nodes/SoTransform.h>
#include <Inventor/nodes/SoTranslation.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char kInvalidNodeLine[] = "ZKPart::ZKPart: **** ERROR ****.  Invalid node passed in.\n";

// References a node kit holds on each of its parts: the part field and the
// group the part hangs under.
const int kKitHold = 2;

class PartEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    SoDB::init();
    if (ZKComponent::getClassTypeId() == SoType::badType()) ZKComponent::initClass();
  }
};

const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new PartEnvironment);

// A part that records what the part-tree builder reports to it and every
// touch of its transform.
class RecordingPart : public ZKPart {
 public:
  explicit RecordingPart(int flagA = 0, int flagB = 0) {
    partFlagA = flagA;
    partFlagB = flagB;
  }

  int flagA() const { return partFlagA; }
  int flagB() const { return partFlagB; }
  ZKComponent* ownerOf() const { return owner; }
  void setOwner(ZKComponent* component) { owner = component; }

  std::vector<ZKPart*> subParts;
  std::vector<ZKPart*> touched;

  void touch(ZKPart* part) override { touched.push_back(part); }

 protected:
  ~RecordingPart() override = default;
  void processNewSubPart(ZKPart* part) override { subParts.push_back(part); }
};

// The root of a data file, with one reference taken for the caller.
SoSeparator* readData(const char* file) {
  SoInput in;
  std::string path = std::string(ZKCP_TEST_DATA_DIR) + "/" + file;
  if (!in.openFile(path.c_str())) return nullptr;
  SoSeparator* root = SoDB::readAll(&in);
  if (root) root->ref();
  return root;
}

std::string nameOf(const SoNode* node) { return node->getName().getString(); }

SoGroup* contentsOf(ZKPart* part) { return static_cast<SoGroup*>(part->getPart("contents", FALSE)); }

SoTransform* transformOf(ZKPart* part) {
  return static_cast<SoTransform*>(part->getPart("transform", FALSE));
}

// The child at `index`, which must be a T; the test stops with a failure
// otherwise.
template <class T>
T* childAs(SoGroup* group, int index) {
  if (!group || index >= group->getNumChildren()) {
    throw std::logic_error("no child " + std::to_string(index));
  }
  SoNode* child = group->getChild(index);
  if (!child->isOfType(T::getClassTypeId())) {
    throw std::logic_error("child " + std::to_string(index) + " is a " +
                           child->getTypeId().getName().getString());
  }
  return static_cast<T*>(child);
}

ZKPart* partAt(SoGroup* group, int index) { return childAs<ZKPart>(group, index); }

std::string captureErrorStream(const std::function<void()>& action) {
  std::ostringstream captured;
  std::streambuf* saved = std::cerr.rdbuf(captured.rdbuf());
  action();
  std::cerr.rdbuf(saved);
  return captured.str();
}

// The matrix a node sees below `root`, found along the first path to it.
SbMatrix matrixAt(SoNode* root, SoNode* target) {
  SoSearchAction search;
  search.setNode(target);
  search.setSearchingAll(TRUE);
  search.apply(root);
  EXPECT_NE(search.getPath(), nullptr);
  SoGetMatrixAction matrix{SbViewportRegion()};
  if (search.getPath()) matrix.apply(search.getPath());
  return matrix.getMatrix();
}

// The matrix of a transform node on its own.
SbMatrix matrixOf(SoNode* transform) {
  SoGetMatrixAction matrix{SbViewportRegion()};
  matrix.apply(transform);
  return matrix.getMatrix();
}

void expectMatrix(const SbMatrix& actual, const float (&expected)[4][4]) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(actual[r][c], expected[r][c], 1e-5f) << "row " << r << ", column " << c;
    }
  }
}

void expectVec(const SbVec3f& actual, float x, float y, float z) {
  EXPECT_NEAR(actual[0], x, 1e-5f);
  EXPECT_NEAR(actual[1], y, 1e-5f);
  EXPECT_NEAR(actual[2], z, 1e-5f);
}

void expectRotation(const SbRotation& actual, const SbRotation& expected) {
  EXPECT_TRUE(actual.equals(expected, 1e-5f));
}

SoSeparator* separatorOf(std::initializer_list<SoNode*> children, const char* name = "") {
  SoSeparator* separator = new SoSeparator;
  separator->setName(name);
  for (SoNode* child : children) separator->addChild(child);
  return separator;
}

SoTransform* translation(float x, float y, float z) {
  SoTransform* t = new SoTransform;
  t->translation.setValue(x, y, z);
  return t;
}

SoTransform* rotationZ90() {
  SoTransform* t = new SoTransform;
  t->rotation.setValue(SbVec3f(0, 0, 1), static_cast<float>(M_PI / 2));
  return t;
}

}  // namespace

TEST(PartKit, TypeRegistrationAndDefaults) {
  SoType type = ZKPart::getClassTypeId();
  EXPECT_STREQ(type.getName().getString(), "ZKPart");
  EXPECT_EQ(type.getParent(), SoWrapperKit::getClassTypeId());
  EXPECT_EQ(SoType::fromName("ZKPart"), type);

  // Registering again (the world does so for every world it makes) keeps
  // the one type.
  ZKPart::initClass();
  EXPECT_EQ(ZKPart::getClassTypeId(), type);

  ZKPart* made = static_cast<ZKPart*>(type.createInstance());
  ASSERT_NE(made, nullptr);
  made->ref();
  EXPECT_EQ(made->getTypeId(), type);
  EXPECT_EQ(contentsOf(made), nullptr);
  made->unref();

  ZKPart* part = new ZKPart;
  part->ref();
  EXPECT_EQ(contentsOf(part), nullptr);
  EXPECT_EQ(transformOf(part), nullptr);
  EXPECT_EQ(part->getNumPoints(), 0);
  EXPECT_TRUE(part->getPoints().isEmpty());
  EXPECT_STREQ(part->getTag().data(), "");
  EXPECT_STREQ(nameOf(part).c_str(), "");
  EXPECT_FALSE(part->affectsState());

  // The catalog is the wrapper kit's, with no entry added; only the entry
  // for the kit itself ("this") names the new type.
  const SoNodekitCatalog* catalog = part->getNodekitCatalog();
  const SoNodekitCatalog* wrapper = SoWrapperKit::getClassNodekitCatalog();
  ASSERT_EQ(catalog->getNumEntries(), wrapper->getNumEntries());
  EXPECT_EQ(catalog->getType(0), type);
  for (int i = 1; i < catalog->getNumEntries(); ++i) {
    EXPECT_EQ(catalog->getName(i), wrapper->getName(i));
    EXPECT_EQ(catalog->getType(i), wrapper->getType(i));
  }
  EXPECT_EQ(catalog->getType(catalog->getPartNumber("transform")), SoTransform::getClassTypeId());
  part->unref();

  ZKPart* fromNull = new ZKPart(nullptr, 0, nullptr, 1, 1);
  fromNull->ref();
  EXPECT_EQ(contentsOf(fromNull), nullptr);
  EXPECT_EQ(transformOf(fromNull), nullptr);
  fromNull->unref();
}

TEST(PartKit, NamedSeparatorBecomesThePart) {
  SoCube* cube = new SoCube;
  SoTransform* placement = translation(1, 2, 3);
  SoSphere* sphere = new SoSphere;
  SoSeparator* group = separatorOf({cube, placement, sphere}, "Door");

  std::string errors;
  ZKPart* part = nullptr;
  errors = captureErrorStream([&] { part = new ZKPart(group); });
  part->ref();
  EXPECT_EQ(errors, "");
  EXPECT_STREQ(nameOf(part).c_str(), "Door");
  EXPECT_STREQ(nameOf(group).c_str(), "");
  EXPECT_EQ(transformOf(part), placement);
  EXPECT_EQ(part->getTransform(), placement);
  ASSERT_EQ(contentsOf(part), group);
  ASSERT_EQ(group->getNumChildren(), 2);
  EXPECT_EQ(group->getChild(0), cube);
  EXPECT_EQ(group->getChild(1), sphere);
  // The part holds the group and the transform, nothing else does.
  EXPECT_EQ(group->getRefCount(), kKitHold);
  EXPECT_EQ(placement->getRefCount(), kKitHold);
  part->unref();

  // Only a node whose type is exactly SoTransform is taken, and only the
  // first; other transformations stay in the contents.
  SoTranslation* shift = new SoTranslation;
  SoTransform* first = translation(1, 0, 0);
  SoTransform* second = translation(0, 1, 0);
  SoSeparator* several = separatorOf({shift, new SoCube, first, second});
  ZKPart* withSeveral = new ZKPart(several, 1);
  withSeveral->ref();
  EXPECT_EQ(transformOf(withSeveral), first);
  ASSERT_EQ(several->getNumChildren(), 3);
  EXPECT_EQ(several->getChild(0), shift);
  EXPECT_EQ(several->getChild(2), second);
  withSeveral->unref();

  SoSeparator* shifted = separatorOf({new SoTranslation, new SoCube});
  ZKPart* withShift = new ZKPart(shifted);
  withShift->ref();
  EXPECT_EQ(shifted->getNumChildren(), 2);
  expectMatrix(matrixOf(transformOf(withShift)),
               {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
  withShift->unref();
}

TEST(PartKit, EmptyGroupsMakeEmptyParts) {
  SoSeparator* separator = new SoSeparator;
  ZKPart* fromSeparator = new ZKPart(separator);
  fromSeparator->ref();
  EXPECT_EQ(contentsOf(fromSeparator), separator);
  EXPECT_EQ(separator->getNumChildren(), 0);
  ASSERT_NE(transformOf(fromSeparator), nullptr);
  expectVec(transformOf(fromSeparator)->translation.getValue(), 0, 0, 0);
  EXPECT_STREQ(fromSeparator->buildTag().data(), "1");
  fromSeparator->unref();

  SoVRMLGroup* vrmlGroup = new SoVRMLGroup;
  vrmlGroup->setName("Empty");
  ZKPart* fromGroup = new ZKPart(vrmlGroup);
  fromGroup->ref();
  EXPECT_STREQ(nameOf(fromGroup).c_str(), "Empty");
  ASSERT_NE(contentsOf(fromGroup), nullptr);
  EXPECT_EQ(contentsOf(fromGroup)->getTypeId(), SoSeparator::getClassTypeId());
  EXPECT_EQ(contentsOf(fromGroup)->getNumChildren(), 0);
  ASSERT_NE(transformOf(fromGroup), nullptr);
  expectVec(transformOf(fromGroup)->scaleFactor.getValue(), 1, 1, 1);
  fromGroup->unref();

  ZKPart* fromTransform = new ZKPart(new SoVRMLTransform);
  fromTransform->ref();
  EXPECT_EQ(contentsOf(fromTransform)->getNumChildren(), 0);
  ASSERT_NE(transformOf(fromTransform), nullptr);
  fromTransform->unref();
}

TEST(PartKit, InvalidGroupWritesOneErrorLine) {
  SoGroup* group = new SoGroup;
  group->ref();
  group->setName("Plain");
  SoSeparator* inner = separatorOf({new SoCube}, "Inner");
  group->addChild(inner);

  ZKPart* part = nullptr;
  std::string errors = captureErrorStream([&] { part = new ZKPart(group); });
  ASSERT_NE(part, nullptr);
  part->ref();
  EXPECT_EQ(errors, kInvalidNodeLine);
  EXPECT_STREQ(nameOf(part).c_str(), "Plain");
  EXPECT_STREQ(nameOf(group).c_str(), "");
  EXPECT_EQ(contentsOf(part), nullptr);
  EXPECT_EQ(transformOf(part), nullptr);
  // The group's sub-parts are found before it is turned down, and the group
  // stays the caller's.
  ZKPart* sub = partAt(group, 0);
  EXPECT_STREQ(nameOf(sub).c_str(), "Inner");
  EXPECT_EQ(group->getRefCount(), 1);
  part->unref();
  group->unref();

  // Skipping the tree leaves the group alone but still writes the line.
  SoGroup* untouched = new SoGroup;
  untouched->ref();
  untouched->addChild(separatorOf({}, "Kept"));
  errors = captureErrorStream([&] {
    ZKPart* skipped = new ZKPart(untouched, 1);
    skipped->ref();
    skipped->unref();
  });
  EXPECT_EQ(errors, kInvalidNodeLine);
  EXPECT_EQ(untouched->getChild(0)->getTypeId(), SoSeparator::getClassTypeId());
  untouched->unref();
}

TEST(PartKit, VRMLGroupIsHandedOverToThePart) {
  SoVRMLTransform* held = new SoVRMLTransform;
  held->translation.setValue(4, 5, 6);
  held->rotation.setValue(SbVec3f(0, 1, 0), 0.25f);
  held->center.setValue(1, 1, 0);
  held->scale.setValue(2, 3, 4);
  held->scaleOrientation.setValue(SbVec3f(1, 0, 0), 0.5f);
  SoVRMLShape* shape = new SoVRMLShape;
  held->addChild(shape);
  held->ref();
  held->ref();
  ZKPart* part = new ZKPart(held);
  part->ref();
  // One of the two references went to the part.
  EXPECT_EQ(held->getRefCount(), 1);
  SoGroup* contents = contentsOf(part);
  ASSERT_NE(contents, nullptr);
  EXPECT_EQ(contents->getTypeId(), SoSeparator::getClassTypeId());
  ASSERT_EQ(contents->getNumChildren(), 1);
  EXPECT_EQ(contents->getChild(0), shape);
  SoTransform* placement = transformOf(part);
  ASSERT_NE(placement, nullptr);
  expectVec(placement->translation.getValue(), 4, 5, 6);
  expectRotation(placement->rotation.getValue(), SbRotation(SbVec3f(0, 1, 0), 0.25f));
  expectVec(placement->center.getValue(), 1, 1, 0);
  expectVec(placement->scaleFactor.getValue(), 2, 3, 4);
  expectRotation(placement->scaleOrientation.getValue(), SbRotation(SbVec3f(1, 0, 0), 0.5f));
  held->unref();
  // The shape lives on in the part's own separator.
  EXPECT_EQ(shape->getRefCount(), 1);
  part->unref();

  // A VRML group nobody holds is freed by the part (the leak checker of the
  // sanitizer build watches this).
  SoVRMLGroup* loose = new SoVRMLGroup;
  loose->addChild(new SoVRMLShape);
  ZKPart* fromLoose = new ZKPart(loose);
  fromLoose->ref();
  EXPECT_EQ(contentsOf(fromLoose)->getNumChildren(), 1);
  fromLoose->unref();
}

TEST(PartKit, LongAndOddNames) {
  const std::string longName(10000, 'q');
  SoSeparator* group = separatorOf({new SoCube}, longName.c_str());
  ZKPart* part = new ZKPart(group);
  part->ref();
  EXPECT_EQ(nameOf(part), longName);
  EXPECT_STREQ(nameOf(group).c_str(), "");
  ZKPart::addPartToCompleteList(RWCString(longName.c_str()), part);
  EXPECT_EQ(ZKPart::getPartFromCompleteList(RWCString(longName.c_str())), part);
  EXPECT_EQ(ZKPart::getPartFromCompleteList(RWCString(std::string(9999, 'q').c_str())), nullptr);
  part->unref();

  // Inventor stores node names in its own spelling; the part bears exactly
  // what the group bore, and the list takes any text.
  const char odd[] = "odd name/with:chars{}\t\"";
  SoSeparator* oddGroup = separatorOf({}, odd);
  const std::string stored = nameOf(oddGroup);
  ASSERT_FALSE(stored.empty());
  ZKPart* oddPart = new ZKPart(oddGroup);
  oddPart->ref();
  EXPECT_EQ(nameOf(oddPart), stored);
  EXPECT_STREQ(nameOf(oddGroup).c_str(), "");
  ZKPart::addPartToCompleteList(odd, oddPart);
  EXPECT_EQ(ZKPart::getPartFromCompleteList(odd), oddPart);
  oddPart->unref();

  // A one-character name is a name like any other.
  SoSeparator* outer = separatorOf({separatorOf({}, "x")});
  ZKPart* withShort = new ZKPart(outer);
  withShort->ref();
  EXPECT_STREQ(nameOf(partAt(outer, 0)).c_str(), "x");
  withShort->unref();
}

TEST(PartTree, InventorFileBecomesTreeOfParts) {
  SoSeparator* root = readData("parts.iv");
  ASSERT_NE(root, nullptr);
  SoSeparator* bodyGroup = childAs<SoSeparator>(root, 0);
  SoSeparator* spare = childAs<SoSeparator>(childAs<SoSwitch>(bodyGroup, 5), 0);

  RecordingPart* builder = new RecordingPart;
  builder->ref();
  builder->setPart("contents", root);
  builder->updatePartTree(builder);
  root->unref();

  // Every sub-part is reported, parents before their children.
  ASSERT_EQ(builder->subParts.size(), 4u);
  EXPECT_STREQ(nameOf(builder->subParts[0]).c_str(), "Body");
  EXPECT_STREQ(nameOf(builder->subParts[1]).c_str(), "Wheel");
  EXPECT_STREQ(nameOf(builder->subParts[2]).c_str(), "Lamp");
  EXPECT_STREQ(nameOf(builder->subParts[3]).c_str(), "Stand");

  ASSERT_EQ(root->getNumChildren(), 2);
  ZKPart* body = partAt(root, 0);
  EXPECT_EQ(partAt(root, 1), builder->subParts[3]);
  EXPECT_EQ(body, builder->subParts[0]);
  EXPECT_EQ(contentsOf(body), bodyGroup);
  EXPECT_STREQ(nameOf(bodyGroup).c_str(), "");
  expectVec(transformOf(body)->translation.getValue(), 1, 0, 0);

  // Body's contents keep their order; each replacement sits at the index of
  // the node it replaced.
  SoGroup* bodyContents = contentsOf(body);
  ASSERT_EQ(bodyContents->getNumChildren(), 5);
  childAs<SoCube>(bodyContents, 0);
  ZKPart* wheel = partAt(bodyContents, 1);
  EXPECT_STREQ(nameOf(wheel).c_str(), "Wheel");
  expectVec(transformOf(wheel)->translation.getValue(), 0, -1, 0);
  ASSERT_EQ(contentsOf(wheel)->getNumChildren(), 1);
  childAs<SoCylinder>(contentsOf(wheel), 0);

  // The unnamed separator stays; the named one inside it is a part.
  SoSeparator* plain = childAs<SoSeparator>(bodyContents, 2);
  EXPECT_EQ(plain->getTypeId(), SoSeparator::getClassTypeId());
  ASSERT_EQ(plain->getNumChildren(), 2);
  childAs<SoSphere>(plain, 0);
  ZKPart* lamp = partAt(plain, 1);
  EXPECT_STREQ(nameOf(lamp).c_str(), "Lamp");
  childAs<SoCone>(contentsOf(lamp), 0);

  // A named plain group becomes an unnamed separator led by an identity
  // transform.
  SoSeparator* frame = childAs<SoSeparator>(bodyContents, 3);
  EXPECT_EQ(frame->getTypeId(), SoSeparator::getClassTypeId());
  EXPECT_STREQ(nameOf(frame).c_str(), "");
  ASSERT_EQ(frame->getNumChildren(), 2);
  SoTransform* identity = childAs<SoTransform>(frame, 0);
  expectMatrix(matrixOf(identity), {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
  EXPECT_FLOAT_EQ(childAs<SoCube>(frame, 1)->width.getValue(), 4.0f);

  // Nothing under the switch changed.
  SoSwitch* switcher = childAs<SoSwitch>(bodyContents, 4);
  ASSERT_EQ(switcher->getNumChildren(), 1);
  EXPECT_EQ(switcher->getChild(0), spare);
  EXPECT_EQ(spare->getTypeId(), SoSeparator::getClassTypeId());
  EXPECT_STREQ(nameOf(spare).c_str(), "Spare");

  // Walking a finished tree again reports the same parts and changes
  // nothing.
  builder->subParts.clear();
  builder->updatePartTree(builder);
  ASSERT_EQ(builder->subParts.size(), 4u);
  EXPECT_EQ(builder->subParts[0], body);
  EXPECT_EQ(builder->subParts[1], wheel);
  EXPECT_EQ(builder->subParts[2], lamp);
  EXPECT_EQ(bodyContents->getNumChildren(), 5);
  builder->unref();
}

TEST(PartTree, GroupsOtherThanPlainSeparatorsAreConverted) {
  // An unnamed separator of a derived kind, a plain group and a VRML LOD
  // become plain separators led by an identity transform; a named separator
  // of a derived kind becomes a part.
  SoAnnotation* annotation = new SoAnnotation;
  SoCube* annotated = new SoCube;
  annotation->addChild(annotated);
  SoAnnotation* namedAnnotation = new SoAnnotation;
  namedAnnotation->setName("Label");
  SoGroup* plain = new SoGroup;
  SoSphere* grouped = new SoSphere;
  plain->addChild(grouped);
  SoVRMLLOD* lod = new SoVRMLLOD;
  SoVRMLShape* level = new SoVRMLShape;
  lod->addLevel(level);
  SoSeparator* root = separatorOf({annotation, namedAnnotation, plain, lod});
  RecordingPart* builder = new RecordingPart;
  builder->ref();
  builder->setPart("contents", root);
  builder->updatePartTree(builder);

  ASSERT_EQ(root->getNumChildren(), 4);
  SoSeparator* fromAnnotation = childAs<SoSeparator>(root, 0);
  EXPECT_EQ(fromAnnotation->getTypeId(), SoSeparator::getClassTypeId());
  ASSERT_EQ(fromAnnotation->getNumChildren(), 2);
  childAs<SoTransform>(fromAnnotation, 0);
  EXPECT_EQ(fromAnnotation->getChild(1), annotated);
  ZKPart* label = partAt(root, 1);
  EXPECT_STREQ(nameOf(label).c_str(), "Label");
  EXPECT_EQ(contentsOf(label), namedAnnotation);
  SoSeparator* fromGroup = childAs<SoSeparator>(root, 2);
  ASSERT_EQ(fromGroup->getNumChildren(), 2);
  EXPECT_EQ(fromGroup->getChild(1), grouped);
  SoSeparator* fromLOD = childAs<SoSeparator>(root, 3);
  ASSERT_EQ(fromLOD->getNumChildren(), 2);
  EXPECT_EQ(fromLOD->getChild(1), level);
  ASSERT_EQ(builder->subParts.size(), 1u);
  EXPECT_EQ(builder->subParts[0], label);
  builder->unref();
}

TEST(PartTree, PartsHoldOnlyTheReferencesOfTheScene) {
  SoSeparator* root = readData("parts.iv");
  ASSERT_NE(root, nullptr);
  SoSeparator* wheelGroup = childAs<SoSeparator>(childAs<SoSeparator>(root, 0), 2);
  ZKPart* top = new ZKPart(root);
  root->unref();
  top->ref();
  EXPECT_EQ(top->getRefCount(), 1);
  EXPECT_EQ(root->getRefCount(), kKitHold);

  // A sub-part hangs in a plain group; its own nodes are held by it alone.
  ZKPart* body = partAt(root, 0);
  EXPECT_EQ(body->getRefCount(), 1);
  EXPECT_EQ(contentsOf(body)->getRefCount(), kKitHold);
  EXPECT_EQ(transformOf(body)->getRefCount(), kKitHold);
  ZKPart* wheel = partAt(contentsOf(body), 1);
  EXPECT_EQ(wheel->getRefCount(), 1);
  EXPECT_EQ(contentsOf(wheel), wheelGroup);
  EXPECT_EQ(wheelGroup->getRefCount(), kKitHold);
  EXPECT_EQ(partAt(root, 1)->getRefCount(), 1);
  ZKPart* lamp = partAt(childAs<SoSeparator>(contentsOf(body), 2), 1);
  EXPECT_EQ(lamp->getRefCount(), 1);

  // A VRML transform made into a part is gone once the part replaced it.
  SoSeparator* vrmlRoot = readData("parts.wrl");
  ASSERT_NE(vrmlRoot, nullptr);
  SoVRMLTransform* base = childAs<SoVRMLTransform>(vrmlRoot, 0);
  base->ref();
  ZKPart* vrmlTop = new ZKPart(vrmlRoot);
  vrmlRoot->unref();
  vrmlTop->ref();
  EXPECT_EQ(base->getRefCount(), 1);
  EXPECT_EQ(partAt(vrmlRoot, 0)->getRefCount(), 1);
  base->unref();

  // Releasing the tops frees the whole trees.
  vrmlTop->unref();
  top->unref();
}

TEST(PartTree, VRMLTransformsAndGroupsWithFlagsClear) {
  SoSeparator* root = readData("parts.wrl");
  ASSERT_NE(root, nullptr);
  SoVRMLTransform* base = childAs<SoVRMLTransform>(root, 0);
  SoNode* inner = childAs<SoVRMLSwitch>(base, 3)->getChoice(0);
  RecordingPart* builder = new RecordingPart;
  builder->ref();
  builder->setPart("contents", root);
  builder->updatePartTree(builder);
  root->unref();

  ASSERT_EQ(builder->subParts.size(), 1u);
  ZKPart* basePart = partAt(root, 0);
  EXPECT_EQ(builder->subParts[0], basePart);
  EXPECT_STREQ(nameOf(basePart).c_str(), "Base");
  expectVec(transformOf(basePart)->translation.getValue(), 0, 1, 0);

  SoGroup* contents = contentsOf(basePart);
  ASSERT_EQ(contents->getNumChildren(), 4);
  childAs<SoVRMLShape>(contents, 0);

  // The unnamed Transform is now a separator that starts with a copy of its
  // placement.
  SoSeparator* moved = childAs<SoSeparator>(contents, 1);
  EXPECT_EQ(moved->getTypeId(), SoSeparator::getClassTypeId());
  ASSERT_EQ(moved->getNumChildren(), 2);
  SoTransform* copied = childAs<SoTransform>(moved, 0);
  expectVec(copied->translation.getValue(), 2, 0, 0);
  expectRotation(copied->rotation.getValue(), SbRotation(SbVec3f(0, 0, 1), 1.5f));
  expectVec(copied->center.getValue(), 0.5f, 0, 0);
  expectVec(copied->scaleFactor.getValue(), 2, 3, 4);
  expectRotation(copied->scaleOrientation.getValue(), SbRotation(SbVec3f(0, 1, 0), 0.5f));
  childAs<SoVRMLShape>(moved, 1);

  // The Group is a separator with an identity transform first.
  SoSeparator* grouped = childAs<SoSeparator>(contents, 2);
  ASSERT_EQ(grouped->getNumChildren(), 2);
  expectMatrix(matrixOf(childAs<SoTransform>(grouped, 0)),
               {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
  childAs<SoVRMLShape>(grouped, 1);

  // The named Transform under the switch is left as it was.
  SoVRMLSwitch* switcher = childAs<SoVRMLSwitch>(contents, 3);
  ASSERT_EQ(switcher->getNumChildren(), 1);
  EXPECT_EQ(switcher->getChild(0), inner);
  EXPECT_EQ(inner->getTypeId(), SoVRMLTransform::getClassTypeId());
  EXPECT_STREQ(nameOf(inner).c_str(), "Inner");
  builder->unref();
}

TEST(PartTree, FlagsMakePartsThatTheComponentNames) {
  // partFlagA: every VRML Transform is a part; the unnamed one gets the
  // first free part name of the owning component.
  SoSeparator* root = readData("parts.wrl");
  ASSERT_NE(root, nullptr);
  ZKComponent* component =
      new ZKComponent("ZKNamelessComponent", "Kind", "ZKNoFile", nullptr, nullptr, nullptr, 1, 0);
  component->ref();
  component->updatePartTree(root);
  ZKPart* base = partAt(root, 0);
  SoGroup* contents = contentsOf(base);
  ZKPart* named = partAt(contents, 1);
  EXPECT_STREQ(nameOf(named).c_str(), "Part0000");
  expectVec(transformOf(named)->translation.getValue(), 2, 0, 0);
  expectVec(transformOf(named)->scaleFactor.getValue(), 2, 3, 4);
  EXPECT_EQ(component->getLogicalPart("Base"), base);
  EXPECT_EQ(component->getLogicalPart("Part0000"), named);
  EXPECT_EQ(component->getNumParts(), 2);
  SoSeparator* grouped = childAs<SoSeparator>(contents, 2);
  EXPECT_EQ(grouped->getTypeId(), SoSeparator::getClassTypeId());
  component->unref();
  root->unref();

  // partFlagB: every VRML Group, Transforms included, is a part.
  root = readData("parts.wrl");
  ASSERT_NE(root, nullptr);
  component =
      new ZKComponent("ZKNamelessComponent", "Kind", "ZKNoFile", nullptr, nullptr, nullptr, 0, 1);
  component->ref();
  component->updatePartTree(root);
  contents = contentsOf(partAt(root, 0));
  EXPECT_STREQ(nameOf(partAt(contents, 1)).c_str(), "Part0000");
  ZKPart* group = partAt(contents, 2);
  EXPECT_STREQ(nameOf(group).c_str(), "Part0001");
  childAs<SoVRMLShape>(contentsOf(group), 0);
  EXPECT_EQ(component->getNumParts(), 3);
  // Still nothing under the switch.
  EXPECT_EQ(childAs<SoVRMLSwitch>(contents, 3)->getChild(0)->getTypeId(),
            SoVRMLTransform::getClassTypeId());
  component->unref();
  root->unref();

  // Without an owner a flag still makes the part, which stays unnamed.
  SoSeparator* loose = separatorOf({new SoVRMLTransform});
  RecordingPart* builder = new RecordingPart(1, 0);
  builder->ref();
  builder->setPart("contents", loose);
  builder->updatePartTree(builder);
  ASSERT_EQ(builder->subParts.size(), 1u);
  EXPECT_EQ(partAt(loose, 0), builder->subParts[0]);
  EXPECT_STREQ(nameOf(builder->subParts[0]).c_str(), "");
  builder->unref();
}

TEST(PartTree, SeveralTransformsSplitIntoSeparators) {
  SoCube* a = new SoCube;
  SoTransform* t1 = translation(1, 0, 0);
  SoSphere* b = new SoSphere;
  SoTransform* t2 = rotationZ90();
  SoCone* c = new SoCone;
  SoSeparator* group = separatorOf({a, t1, b, t2, c}, "Arm");
  ZKPart* part = new ZKPart(group);
  part->ref();

  ASSERT_EQ(contentsOf(part), group);
  // The split happens before the part looks for its transform, so the
  // transforms stay inside the pieces.
  expectMatrix(matrixOf(transformOf(part)), {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
  ASSERT_EQ(group->getNumChildren(), 3);
  SoSeparator* first = childAs<SoSeparator>(group, 0);
  ASSERT_EQ(first->getNumChildren(), 1);
  EXPECT_EQ(first->getChild(0), a);
  SoSeparator* second = childAs<SoSeparator>(group, 1);
  ASSERT_EQ(second->getNumChildren(), 2);
  EXPECT_EQ(second->getChild(0), t1);
  EXPECT_EQ(second->getChild(1), b);
  SoSeparator* third = childAs<SoSeparator>(group, 2);
  ASSERT_EQ(third->getNumChildren(), 2);
  EXPECT_EQ(third->getChild(0), t2);
  EXPECT_EQ(third->getChild(1), c);

  // T1 is unchanged; T2 now stands for T1 followed by T2: the point is
  // moved by (1, 0, 0), then turned a quarter about z.
  expectMatrix(matrixOf(t1), {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1, 0, 0, 1}});
  expectMatrix(matrixOf(t2), {{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 1, 0}, {0, 1, 0, 1}});
  expectMatrix(matrixAt(part, b), {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1, 0, 0, 1}});
  expectMatrix(matrixAt(part, c), {{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 1, 0}, {0, 1, 0, 1}});
  expectMatrix(matrixAt(part, a), {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
  part->unref();

  // A transform in first place leaves an empty first separator; three
  // transforms accumulate.
  SoTransform* u1 = translation(1, 0, 0);
  SoTransform* u2 = translation(0, 2, 0);
  SoTransform* u3 = translation(0, 0, 3);
  SoCube* last = new SoCube;
  SoSeparator* leading = separatorOf({u1, new SoCube, u2, u3, last});
  ZKPart* leadingPart = new ZKPart(leading);
  leadingPart->ref();
  ASSERT_EQ(leading->getNumChildren(), 4);
  EXPECT_EQ(childAs<SoSeparator>(leading, 0)->getNumChildren(), 0);
  EXPECT_EQ(childAs<SoSeparator>(leading, 1)->getNumChildren(), 2);
  EXPECT_EQ(childAs<SoSeparator>(leading, 2)->getNumChildren(), 1);
  EXPECT_EQ(childAs<SoSeparator>(leading, 3)->getNumChildren(), 2);
  expectVec(u3->translation.getValue(), 1, 2, 3);
  expectMatrix(matrixAt(leadingPart, last), {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1, 2, 3, 1}});
  leadingPart->unref();

  // A sub-part takes its first transform, and a lone transform left in its
  // contents is not split off.
  SoTransform* own = translation(5, 0, 0);
  SoTransform* kept = translation(0, 5, 0);
  SoSeparator* holder = separatorOf({separatorOf({own, new SoCube, kept, new SoCube}, "Leg")});
  ZKPart* top = new ZKPart(holder);
  top->ref();
  ZKPart* leg = partAt(holder, 0);
  EXPECT_EQ(transformOf(leg), own);
  ASSERT_EQ(contentsOf(leg)->getNumChildren(), 3);
  EXPECT_EQ(contentsOf(leg)->getChild(1), kept);
  top->unref();
}

TEST(PartTree, SwitchesAreNeverEntered) {
  SoSeparator* hidden = separatorOf({new SoCube}, "Hidden");
  SoVRMLTransform* vrmlHidden = new SoVRMLTransform;
  SoGroup* plain = new SoGroup;
  SoSwitch* switcher = new SoSwitch;
  switcher->addChild(hidden);
  switcher->addChild(vrmlHidden);
  switcher->addChild(plain);
  SoVRMLSwitch* vrmlSwitch = new SoVRMLSwitch;
  SoSeparator* vrmlSwitchChild = separatorOf({}, "AlsoHidden");
  vrmlSwitch->addChoice(vrmlSwitchChild);
  SoSeparator* root = separatorOf({switcher, vrmlSwitch});
  root->ref();

  RecordingPart* builder = new RecordingPart(1, 1);
  builder->ref();
  builder->updatePartTree(root);
  builder->updatePartTree(switcher);
  builder->updatePartTreeChildren(switcher);
  builder->updatePartTree(vrmlSwitch);
  builder->updatePartTreeChildren(vrmlSwitch);
  EXPECT_TRUE(builder->subParts.empty());
  EXPECT_EQ(root->getChild(0), switcher);
  EXPECT_EQ(root->getChild(1), vrmlSwitch);
  EXPECT_EQ(switcher->getChild(0), hidden);
  EXPECT_EQ(switcher->getChild(1), vrmlHidden);
  EXPECT_EQ(switcher->getChild(2), plain);
  EXPECT_STREQ(nameOf(hidden).c_str(), "Hidden");
  EXPECT_EQ(vrmlSwitch->getChoice(0), vrmlSwitchChild);
  EXPECT_STREQ(nameOf(vrmlSwitchChild).c_str(), "AlsoHidden");

  // Null nodes and leaves are ignored.
  builder->updatePartTree(nullptr);
  builder->updatePartTreeChildren(nullptr);
  builder->updatePartTreeKit(nullptr);
  SoCube* leaf = new SoCube;
  leaf->ref();
  builder->updatePartTree(leaf);
  builder->updatePartTreeChildren(leaf);
  leaf->unref();
  EXPECT_TRUE(builder->subParts.empty());
  builder->unref();
  root->unref();
}

TEST(PartTree, ExistingPartsAndKitChildListsAreWalked) {
  // A part already in the graph is reported and its contents are examined.
  ZKPart* existing = new ZKPart(separatorOf({separatorOf({}, "Knob")}, "Drawer"));
  SoSeparator* root = separatorOf({existing});
  RecordingPart* builder = new RecordingPart;
  builder->ref();
  builder->setPart("contents", root);
  builder->updatePartTree(builder);
  ASSERT_EQ(builder->subParts.size(), 2u);
  EXPECT_EQ(builder->subParts[0], existing);
  EXPECT_STREQ(nameOf(builder->subParts[1]).c_str(), "Knob");
  EXPECT_EQ(root->getChild(0), existing);

  // Parts in the "childList" of a kit are found too, before its contents.
  ZKPart* listed = new ZKPart(separatorOf({}, "Listed"));
  SoNodeKitListPart* childList = static_cast<SoNodeKitListPart*>(builder->getPart("childList", TRUE));
  ASSERT_NE(childList, nullptr);
  childList->addChild(listed);
  SoShapeKit* shapeKit = new SoShapeKit;
  childList->addChild(shapeKit);
  builder->subParts.clear();
  builder->updatePartTree(builder);
  ASSERT_EQ(builder->subParts.size(), 3u);
  EXPECT_EQ(builder->subParts[0], listed);
  EXPECT_EQ(builder->subParts[1], existing);
  EXPECT_EQ(childList->getChild(1), shapeKit);
  builder->unref();
}

TEST(PartTransform, EditsTheTransformPart) {
  RecordingPart* part = new RecordingPart;
  part->ref();

  part->move(SbVec3f(1, 0, 0));
  part->move(SbVec3f(1, 0, 0));
  ASSERT_NE(transformOf(part), nullptr);
  expectVec(transformOf(part)->translation.getValue(), 2, 0, 0);
  expectMatrix(matrixOf(part->getTransform()), {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {2, 0, 0, 1}});
  ASSERT_EQ(part->touched.size(), 2u);
  EXPECT_EQ(part->touched[0], part);
  EXPECT_EQ(part->touched[1], part);

  part->move(SbVec3f(-2, 0, 0));
  part->scale(SbVec3f(2, 2, 2));
  part->scale(SbVec3f(0.5f, 1, 1));
  expectVec(transformOf(part)->scaleFactor.getValue(), 1, 2, 2);
  expectMatrix(matrixOf(part->getTransform()), {{1, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 2, 0}, {0, 0, 0, 1}});
  // Scaling does not touch.
  EXPECT_EQ(part->touched.size(), 3u);
  part->unref();

  // The current rotation is multiplied on the right: a quarter turn about z,
  // then one about x, sends x to z.
  RecordingPart* turned = new RecordingPart;
  turned->ref();
  turned->rotate(SbRotation(SbVec3f(0, 0, 1), static_cast<float>(M_PI / 2)));
  turned->rotate(SbRotation(SbVec3f(1, 0, 0), static_cast<float>(M_PI / 2)));
  expectMatrix(matrixOf(turned->getTransform()),
               {{0, 0, 1, 0}, {-1, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, 0, 1}});
  EXPECT_EQ(turned->touched.size(), 2u);

  // Recentering keeps the overall effect and moves the translation.
  turned->getTransform()->rotation.setValue(SbVec3f(0, 0, 1), static_cast<float>(M_PI / 2));
  SbMatrix before = matrixOf(turned->getTransform());
  turned->setCenter(SbVec3f(1, 0, 0));
  expectVec(transformOf(turned)->center.getValue(), 1, 0, 0);
  expectVec(transformOf(turned)->translation.getValue(), -1, 1, 0);
  EXPECT_TRUE(matrixOf(turned->getTransform()).equals(before, 1e-5f));
  EXPECT_EQ(turned->touched.size(), 3u);
  turned->unref();

  // A scale along x, turned a quarter about z, scales along y.
  RecordingPart* oriented = new RecordingPart;
  oriented->ref();
  oriented->getTransform()->scaleFactor.setValue(2, 1, 1);
  oriented->setScaleOrientation(SbRotation(SbVec3f(0, 0, 1), static_cast<float>(M_PI / 2)));
  expectMatrix(matrixOf(oriented->getTransform()),
               {{1, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
  EXPECT_EQ(oriented->touched.size(), 1u);
  oriented->unref();
}

TEST(PartTransform, SetTransformCopiesValues) {
  RecordingPart* part = new RecordingPart;
  part->ref();
  SoTransform* source = new SoTransform;
  source->ref();
  source->translation.setValue(1, 2, 3);
  source->rotation.setValue(SbVec3f(0, 1, 0), 0.5f);
  source->scaleFactor.setValue(4, 5, 6);
  source->scaleOrientation.setValue(SbVec3f(1, 0, 0), 0.25f);
  source->center.setValue(7, 8, 9);

  part->setTransform(source);
  SoTransform* own = part->getTransform();
  EXPECT_NE(own, source);
  EXPECT_EQ(transformOf(part), own);
  expectVec(own->translation.getValue(), 1, 2, 3);
  expectRotation(own->rotation.getValue(), source->rotation.getValue());
  expectVec(own->scaleFactor.getValue(), 4, 5, 6);
  expectRotation(own->scaleOrientation.getValue(), source->scaleOrientation.getValue());
  expectVec(own->center.getValue(), 7, 8, 9);
  EXPECT_EQ(source->getRefCount(), 1);
  EXPECT_EQ(part->touched.size(), 1u);

  // Later edits of the source do not reach the part; a null source is
  // ignored.
  source->translation.setValue(0, 0, 0);
  expectVec(own->translation.getValue(), 1, 2, 3);
  part->setTransform(nullptr);
  expectVec(own->translation.getValue(), 1, 2, 3);
  EXPECT_EQ(part->touched.size(), 1u);
  source->unref();

  // getTransform makes the part when needed.
  ZKPart* bare = new ZKPart;
  bare->ref();
  EXPECT_EQ(transformOf(bare), nullptr);
  SoTransform* made = bare->getTransform();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(transformOf(bare), made);
  EXPECT_EQ(bare->getTransform(), made);
  bare->unref();
  part->unref();
}

TEST(PartPoints, KeepInsertionOrderAndRefuseBadIndices) {
  ZKPart* part = new ZKPart;
  part->ref();
  part->addPoint(SbVec3f(1, 0, 0));
  part->addPoint(SbVec3f(2, 0, 0));
  part->addPoint(SbVec3f(3, 0, 0));
  part->addPoint(SbVec3f(2, 0, 0));
  ASSERT_EQ(part->getNumPoints(), 4);

  part->removePoint(1);
  ASSERT_EQ(part->getNumPoints(), 3);
  EXPECT_EQ(part->getPoints()[0], SbVec3f(1, 0, 0));
  EXPECT_EQ(part->getPoints()[1], SbVec3f(3, 0, 0));
  EXPECT_EQ(part->getPoints()[2], SbVec3f(2, 0, 0));

  EXPECT_THROW(part->removePoint(3), RWIndexError);
  EXPECT_THROW(part->removePoint(-1), RWIndexError);
  EXPECT_THROW(part->removePoint(1 << 30), RWIndexError);
  EXPECT_EQ(part->getNumPoints(), 3);

  part->removePoint(SbVec3f(9, 9, 9));
  EXPECT_EQ(part->getNumPoints(), 3);
  part->addPoint(SbVec3f(1, 0, 0));
  part->removePoint(SbVec3f(1, 0, 0));
  ASSERT_EQ(part->getNumPoints(), 3);
  EXPECT_EQ(part->getPoints()[0], SbVec3f(3, 0, 0));
  EXPECT_EQ(part->getPoints()[2], SbVec3f(1, 0, 0));

  ZKPart* empty = new ZKPart;
  empty->ref();
  EXPECT_THROW(empty->removePoint(0), RWIndexError);
  empty->removePoint(SbVec3f(0, 0, 0));
  EXPECT_EQ(empty->getNumPoints(), 0);
  empty->unref();
  part->unref();
}

TEST(PartTag, BuildTagRecordsNestingAndLeavesTheStoredTag) {
  ZKPart* leaf = new ZKPart(separatorOf({new SoCube}, "Leaf"));
  leaf->ref();
  EXPECT_STREQ(leaf->buildTag().data(), "1");
  EXPECT_STREQ(leaf->getTag().data(), "");
  leaf->setTag("1x");
  EXPECT_STREQ(leaf->getTag().data(), "1x");
  leaf->setTag("");
  EXPECT_STREQ(leaf->getTag().data(), "");
  leaf->unref();

  // One digit per part, in search order: the part itself, then every part
  // below it with the length of its path (kit parts included).
  SoSeparator* root = readData("parts.iv");
  ASSERT_NE(root, nullptr);
  ZKPart* top = new ZKPart(root);
  root->unref();
  top->ref();
  top->setTag("kept");
  EXPECT_STREQ(top->buildTag().data(), "14784");
  EXPECT_STREQ(top->getTag().data(), "kept");
  ZKPart* body = partAt(root, 0);
  EXPECT_STREQ(body->buildTag().data(), "145");
  ZKPart* wheel = partAt(contentsOf(body), 1);
  EXPECT_STREQ(wheel->buildTag().data(), "1");
  top->unref();
}

TEST(PartCompleteList, RegistersByExactNameWithOneReference) {
  ZKPart* first = new ZKPart;
  ZKPart* second = new ZKPart;
  first->ref();
  second->ref();

  ZKPart::addPartToCompleteList("Gear", first);
  EXPECT_EQ(first->getRefCount(), 2);
  EXPECT_EQ(ZKPart::getPartFromCompleteList("Gear"), first);
  EXPECT_EQ(ZKPart::getPartFromCompleteList("gear"), nullptr);
  EXPECT_EQ(ZKPart::getPartFromCompleteList("Gear "), nullptr);
  EXPECT_EQ(ZKPart::getPartFromCompleteList(""), nullptr);

  // Registering the same part again keeps one list reference.
  ZKPart::addPartToCompleteList("Gear", first);
  EXPECT_EQ(first->getRefCount(), 2);

  // A second part under the name replaces the first and releases it.
  ZKPart::addPartToCompleteList("Gear", second);
  EXPECT_EQ(first->getRefCount(), 1);
  EXPECT_EQ(second->getRefCount(), 2);
  EXPECT_EQ(ZKPart::getPartFromCompleteList("Gear"), second);

  // Names differing in case are separate entries.
  ZKPart::addPartToCompleteList("GEAR", first);
  EXPECT_EQ(ZKPart::getPartFromCompleteList("GEAR"), first);
  EXPECT_EQ(ZKPart::getPartFromCompleteList("Gear"), second);
  EXPECT_EQ(first->getRefCount(), 2);

  // Null parts and empty names change nothing.
  ZKPart::addPartToCompleteList("Gear", nullptr);
  EXPECT_EQ(ZKPart::getPartFromCompleteList("Gear"), second);
  ZKPart::addPartToCompleteList("", first);
  EXPECT_EQ(first->getRefCount(), 2);
  EXPECT_EQ(ZKPart::getPartFromCompleteList(""), nullptr);

  // The list keeps its parts alive after the caller lets go.
  first->unref();
  second->unref();
  EXPECT_EQ(ZKPart::getPartFromCompleteList("Gear")->getRefCount(), 1);

  EXPECT_EQ(ZKPart::hash("Gear"), RWCString("Gear").hash(RWCString::exact));
  EXPECT_EQ(ZKPart::hash(""), RWCString("").hash(RWCString::exact));
}

TEST(PartSearch, FindParentAndFindPartFromPath) {
  SoSeparator* root = readData("parts.iv");
  ASSERT_NE(root, nullptr);
  ZKPart* top = new ZKPart(root);
  root->unref();
  top->ref();
  ZKPart* body = partAt(root, 0);
  ZKPart* wheel = partAt(contentsOf(body), 1);
  ZKPart* lamp = partAt(childAs<SoSeparator>(contentsOf(body), 2), 1);

  EXPECT_EQ(body->findParent(top), top);
  EXPECT_EQ(wheel->findParent(top), body);
  EXPECT_EQ(lamp->findParent(top), body);
  EXPECT_EQ(lamp->findParent(body), body);
  EXPECT_EQ(top->findParent(top), nullptr);
  EXPECT_EQ(body->findParent(root), nullptr);
  EXPECT_EQ(body->findParent(wheel), nullptr);
  EXPECT_EQ(body->findParent(nullptr), nullptr);

  // A component above the parts counts as a parent too.
  ZKComponent* component = new ZKComponent;
  component->ref();
  component->setPart("contents", separatorOf({top}));
  EXPECT_EQ(top->findParent(component), component);
  EXPECT_EQ(body->findParent(component), top);

  SoSearchAction search;
  search.setType(SoCone::getClassTypeId());
  search.setSearchingAll(TRUE);
  search.apply(top);
  ASSERT_NE(search.getPath(), nullptr);
  EXPECT_EQ(ZKPart::findPartFromPath(search.getPath()), lamp);
  SoSearchAction toLamp;
  toLamp.setNode(lamp);
  toLamp.setSearchingAll(TRUE);
  toLamp.apply(top);
  ASSERT_NE(toLamp.getPath(), nullptr);
  EXPECT_EQ(ZKPart::findPartFromPath(toLamp.getPath()), lamp);
  SoSearchAction toStand;
  toStand.setType(SoCube::getClassTypeId());
  toStand.setInterest(SoSearchAction::LAST);
  toStand.setSearchingAll(TRUE);
  toStand.apply(top);
  ASSERT_NE(toStand.getPath(), nullptr);
  EXPECT_STREQ(nameOf(ZKPart::findPartFromPath(toStand.getPath())).c_str(), "Stand");
  // A path that holds no part below its head ends at the head part.
  SoSearchAction toFrame;
  toFrame.setType(SoCube::getClassTypeId());
  toFrame.setInterest(SoSearchAction::ALL);
  toFrame.setSearchingAll(TRUE);
  toFrame.apply(root);
  ASSERT_GE(toFrame.getPaths().getLength(), 1);
  EXPECT_EQ(ZKPart::findPartFromPath(toFrame.getPaths()[0]), body);

  SoPath* outside = new SoPath(root);
  outside->ref();
  EXPECT_EQ(ZKPart::findPartFromPath(outside), nullptr);
  outside->unref();
  SoPath* empty = new SoPath;
  empty->ref();
  EXPECT_EQ(ZKPart::findPartFromPath(empty), nullptr);
  empty->unref();
  EXPECT_EQ(ZKPart::findPartFromPath(nullptr), nullptr);

  component->unref();
  top->unref();
}

TEST(PartContents, FileNodesAreReplacedByWhatTheyRead) {
  const std::string path = std::string(ZKCP_TEST_DATA_DIR) + "/filed.iv";
  SoFile* file = new SoFile;
  file->name.setValue(path.c_str());
  SoFile* again = new SoFile;
  again->name.setValue(path.c_str());
  SoCube* cube = new SoCube;
  SoSphere* sphere = new SoSphere;
  SoSeparator* group = separatorOf({cube, file, sphere, again});
  ZKPart* part = new ZKPart(group);
  part->ref();
  file->ref();

  part->removeContentsFileNode();
  SoGroup* contents = contentsOf(part);
  ASSERT_EQ(contents->getNumChildren(), 6);
  EXPECT_EQ(contents->getChild(0), cube);
  EXPECT_EQ(contents->getChild(1), sphere);
  childAs<SoCone>(contents, 2);
  childAs<SoCylinder>(contents, 3);
  childAs<SoCone>(contents, 4);
  childAs<SoCylinder>(contents, 5);
  // Each file node gave copies of its own.
  EXPECT_NE(contents->getChild(2), contents->getChild(4));
  // The file node is out of the contents and keeps what it read.
  EXPECT_EQ(file->getRefCount(), 1);
  SoGroup* read = file->copyChildren();
  read->ref();
  EXPECT_EQ(read->getNumChildren(), 2);
  read->unref();
  file->unref();

  // A second call finds no file node.
  part->removeContentsFileNode();
  EXPECT_EQ(contents->getNumChildren(), 6);
  part->unref();

  // A part without contents is left as it is.
  ZKPart* bare = new ZKPart;
  bare->ref();
  bare->removeContentsFileNode();
  EXPECT_EQ(contentsOf(bare), nullptr);
  bare->unref();
}

TEST(PartCopy, CopiesSharesContentsAndOwnsItsTransform) {
  RecordingPart* source = new RecordingPart(1, 0);
  source->ref();
  ZKComponent* component = new ZKComponent;
  component->ref();
  source->setOwner(component);
  SoSeparator* geometry = separatorOf({new SoCube});
  source->setPart("contents", geometry);
  source->move(SbVec3f(1, 2, 3));
  source->addPoint(SbVec3f(4, 5, 6));
  source->setTag("13");

  ZKPart* copy = new ZKPart(*source);
  copy->ref();
  EXPECT_EQ(contentsOf(copy), geometry);
  EXPECT_EQ(geometry->getRefCount(), 2 * kKitHold);
  ASSERT_NE(transformOf(copy), nullptr);
  EXPECT_NE(transformOf(copy), transformOf(source));
  expectVec(transformOf(copy)->translation.getValue(), 1, 2, 3);
  ASSERT_EQ(copy->getNumPoints(), 1);
  EXPECT_EQ(copy->getPoints()[0], SbVec3f(4, 5, 6));
  EXPECT_STREQ(copy->getTag().data(), "13");
  // Moving the copy leaves the source where it is.
  copy->move(SbVec3f(1, 0, 0));
  expectVec(transformOf(source)->translation.getValue(), 1, 2, 3);

  // The flags and the owner come along: an unnamed VRML Transform becomes
  // a part named by the owner.
  SoSeparator* tree = separatorOf({new SoVRMLTransform});
  tree->ref();
  copy->updatePartTree(tree);
  ZKPart* made = partAt(tree, 0);
  EXPECT_STREQ(nameOf(made).c_str(), "Part0000");
  tree->unref();

  // Assignment replaces the values and the contents of the target.
  RecordingPart* target = new RecordingPart;
  target->ref();
  SoSeparator* oldGeometry = separatorOf({});
  oldGeometry->ref();
  target->setPart("contents", oldGeometry);
  target->addPoint(SbVec3f(0, 0, 0));
  target->addPoint(SbVec3f(1, 1, 1));
  static_cast<ZKPart&>(*target) = *source;
  EXPECT_EQ(contentsOf(target), geometry);
  ASSERT_NE(transformOf(target), nullptr);
  EXPECT_EQ(oldGeometry->getRefCount(), 1);
  EXPECT_EQ(geometry->getRefCount(), 3 * kKitHold);
  expectVec(transformOf(target)->translation.getValue(), 1, 2, 3);
  EXPECT_NE(transformOf(target), transformOf(source));
  EXPECT_EQ(target->getNumPoints(), 1);
  EXPECT_EQ(target->flagA(), 1);
  EXPECT_EQ(target->flagB(), 0);
  EXPECT_EQ(target->ownerOf(), component);
  EXPECT_STREQ(target->getTag().data(), "13");
  static_cast<ZKPart&>(*target) = static_cast<ZKPart&>(*target);
  EXPECT_EQ(contentsOf(target), geometry);

  // A source without contents or transform leaves the target without them.
  ZKPart* bare = new ZKPart;
  bare->ref();
  static_cast<ZKPart&>(*target) = *bare;
  EXPECT_EQ(contentsOf(target), nullptr);
  EXPECT_EQ(transformOf(target), nullptr);
  EXPECT_EQ(target->getNumPoints(), 0);
  EXPECT_EQ(geometry->getRefCount(), 2 * kKitHold);
  ZKPart* bareCopy = new ZKPart(*bare);
  bareCopy->ref();
  EXPECT_EQ(contentsOf(bareCopy), nullptr);
  EXPECT_EQ(transformOf(bareCopy), nullptr);
  bareCopy->unref();
  bare->unref();

  oldGeometry->unref();
  target->unref();
  copy->unref();
  source->unref();
  component->unref();
}
