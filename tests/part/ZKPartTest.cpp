#include <zkcp/component/ZKComponent.h>
#include <zkcp/foundation/RWIndexError.h>

#include "../TestScene.h"

#include <Inventor/VRMLnodes/SoVRMLNodes.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodekits/SoShapeKit.h>
#include <Inventor/nodes/SoNodes.h>

#include <vector>

namespace {

using namespace zkcp_test;

const char kInvalidNodeLine[] = "ZKPart::ZKPart: **** ERROR ****.  Invalid node passed in.\n";
// A kit holds each part twice: by the part field and by the group it hangs in.
const int kKitHold = 2;
const float kQuarter = static_cast<float>(M_PI / 2);
const char kIdentity[] = "1 0 0 0 | 0 1 0 0 | 0 0 1 0 | 0 0 0 1";

class PartEnvironment : public ::testing::Environment {
  void SetUp() override { ZKComponent::initClass(); }
};
const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new PartEnvironment);

// A part that records the sub-parts the builder reports and every touch.
class RecordingPart : public ZKPart {
 public:
  explicit RecordingPart(int flagA = 0, int flagB = 0, ZKComponent* by = nullptr) {
    partFlagA = flagA, partFlagB = flagB, owner = by;
  }
  void touch(ZKPart* part) override { touched.push_back(part); }
  void processNewSubPart(ZKPart* part) override { subParts.push_back(part); }
  std::vector<ZKPart*> subParts, touched;
};

SoTransform* transformOf(SoNode* part) {
  return static_cast<SoTransform*>(static_cast<ZKPart*>(part)->getPart("transform", FALSE));
}
std::string translationOf(SoNode* part) { return vec(transformOf(part)->translation.getValue()); }
// The node reached from `node` by child indices, entering parts' contents.
SoNode* at(SoNode* node, std::initializer_list<int> path) {
  for (int index : path) {
    if (node->isOfType(ZKPart::getClassTypeId())) node = contentsOf(static_cast<ZKPart*>(node));
    node = static_cast<SoGroup*>(node)->getChild(index);
  }
  return node;
}
std::string namesOf(const std::vector<ZKPart*>& parts) {
  std::string out;
  for (ZKPart* part : parts) out += (out.empty() ? "" : " ") + nameOf(part);
  return out;
}
// What findPartFromPath gives for the first (or last) path below `root` to
// the node named `name`, or else to a node of `type`.
ZKPart* partOnPath(SoNode* root, const char* name, SoType type = SoType::badType(),
                   SoSearchAction::Interest interest = SoSearchAction::FIRST) {
  SoSearchAction search;
  search.setSearchingAll(TRUE);
  name ? search.setName(name) : search.setType(type);
  search.setInterest(interest);
  search.apply(root);
  return ZKPart::findPartFromPath(search.getPath());
}
// `part` with `contents`, after its part tree is walked.
template <class P>
P* built(P* part, SoNode* contents) {
  part->setPart("contents", contents);
  part->updatePartTree(part);
  return part;
}

TEST(PartKit, TypeRegistrationAndEmptyParts) {
  SoType type = ZKPart::getClassTypeId();
  EXPECT_STREQ(type.getName().getString(), "ZKPart");
  EXPECT_EQ(type.getParent(), SoWrapperKit::getClassTypeId());
  ZKPart::initClass();  // every new world registers again: still the one type
  EXPECT_EQ(SoType::fromName("ZKPart"), type);
  Ref<ZKPart> made(static_cast<ZKPart*>(type.createInstance()));
  Ref<ZKPart> fromNull(new ZKPart(nullptr, 0, nullptr, 1, 1));
  EXPECT_EQ(shape(made) + shape(fromNull), "@@");  // no contents
  // Each accepted kind of empty group gives empty contents, identity transform.
  SoSeparator* separator = separatorOf({});
  for (SoGroup* group :
       std::initializer_list<SoGroup*>{separator, new SoVRMLGroup, new SoVRMLTransform}) {
    Ref<ZKPart> part(new ZKPart(group));
    EXPECT_EQ(shape(part), "@{}");
    EXPECT_EQ(matrixOf(transformOf(part)), kIdentity);
    EXPECT_EQ(contentsOf(part) == separator, group == separator);
  }
}

// The part's caching and culling fields govern its top separator, whether
// set before the separator is made or after, and on a copy.
TEST(PartKit, SeparatorSettingsReachTheTopSeparator) {
  Ref<ZKPart> part(new ZKPart);
  part->renderCaching = SoSeparatorKit::OFF;
  part->setPart("contents", separatorOf({new SoCube}));
  part->pickCulling = SoSeparatorKit::ON;
  Ref<ZKPart> copy(new ZKPart(*part));
  copy->renderCulling = SoSeparatorKit::ON;
  for (ZKPart* made : {static_cast<ZKPart*>(part), static_cast<ZKPart*>(copy)}) {
    ASSERT_EQ(made->getChildren()->getLength(), 1);
    auto* top = static_cast<SoSeparator*>((*made->getChildren())[0]);
    EXPECT_EQ(top->renderCaching.getValue(), made->renderCaching.getValue());
    EXPECT_EQ(top->pickCulling.getValue(), made->pickCulling.getValue());
    EXPECT_EQ(top->renderCulling.getValue(), made->renderCulling.getValue());
    EXPECT_EQ(top->boundingBoxCaching.getValue(), SoSeparator::AUTO);
  }
  EXPECT_EQ(static_cast<SoSeparator*>((*copy->getChildren())[0])->renderCulling.getValue(),
            SoSeparator::ON);
}

TEST(PartKit, NamedSeparatorBecomesThePartAndSplitsAtItsTransforms) {
  auto* group = fromText<SoSeparator>("DEF Door Separator { Cube {} Transform {} Sphere {} }");
  SoNode* placement = at(group, {1});
  ZKPart* made = nullptr;
  EXPECT_EQ(captured(std::cerr, [&] { made = new ZKPart(group); }), "");
  Ref<ZKPart> part(made);
  // It takes the name, the group as contents and the transform out of it.
  EXPECT_EQ(shape(part) + nameOf(group), "@Door{Cube Sphere}");
  EXPECT_EQ(contentsOf(part), group);
  EXPECT_EQ(part->getTransform(), placement);
  EXPECT_EQ(group->getRefCount(), kKitHold);
  EXPECT_EQ(placement->getRefCount(), kKitHold);
  // A node not exactly of SoTransform's type is not taken; an identity
  // transform is made instead.
  Ref<ZKPart> other(new ZKPart(separatorOf({new SoTranslation})));
  EXPECT_EQ(shape(other) + " / " + matrixOf(transformOf(other)),
            std::string("@{Translation} / ") + kIdentity);

  // Several transforms split the group first: each starts a separator of its
  // own and comes to stand for all transforms up to it (here: move along x,
  // turn a quarter about z, move along z).
  Ref<ZKPart> arm(new ZKPart(fromText<SoSeparator>(
      "Separator { Cube {} Transform { translation 1 0 0 } Sphere {}"
      " Transform { rotation 0 0 1 1.5707963 } Cone {} Transform { translation 0 0 3 } }")));
  EXPECT_EQ(shape(arm), "@{Separator(Cube) Separator(Transform Sphere) Separator(Transform Cone)"
                        " Separator(Transform)}");
  EXPECT_EQ(matrixOf(transformOf(arm)), kIdentity);
  EXPECT_EQ(matrixOf(arm, at(arm, {1, 1})), "1 0 0 0 | 0 1 0 0 | 0 0 1 0 | 1 0 0 1");
  EXPECT_EQ(matrixOf(arm, at(arm, {2, 1})), "0 1 0 0 | -1 0 0 0 | 0 0 1 0 | 0 1 0 1");
  EXPECT_EQ(matrixOf(at(arm, {3, 0})), "0 1 0 0 | -1 0 0 0 | 0 0 1 0 | 0 1 3 1");
}

TEST(PartKit, InvalidGroupWritesOneErrorLine) {
  Ref<SoGroup> group(fromText<SoGroup>("DEF Plain Group { DEF Inner Separator { Cube {} } }"));
  ZKPart* made = nullptr;
  EXPECT_EQ(captured(std::cerr, [&] { made = new ZKPart(group); }), kInvalidNodeLine);
  Ref<ZKPart> part(made);
  // The name moves and the sub-parts are made before the group is turned
  // down; the group stays the caller's. Skipping the tree leaves it alone.
  EXPECT_EQ(shape(part) + " " + shape(group), "@Plain Group(@Inner{Cube})");
  EXPECT_EQ(transformOf(part), nullptr);
  EXPECT_EQ(group->getRefCount(), 1);
  Ref<SoGroup> untouched(fromText<SoGroup>("Group { DEF Kept Separator {} }"));
  EXPECT_EQ(captured(std::cerr, [&] { Ref<ZKPart> skipped(new ZKPart(untouched, 1)); }),
            kInvalidNodeLine);
  EXPECT_EQ(shape(untouched), "Group(Separator#Kept())");
}

TEST(PartKit, VRMLGroupIsHandedOverToThePart) {
  SoNode* held = fromText(
      "#VRML V2.0 utf8\nTransform { translation 4 5 6 rotation 0 1 0 0.25 center 1 1 0"
      " scale 2 3 4 scaleOrientation 1 0 0 0.5 children Shape {} }");
  SoNode* vrmlShape = at(held, {0});
  held->ref();
  held->ref();
  Ref<ZKPart> part(new ZKPart(static_cast<SoGroup*>(held)));
  EXPECT_EQ(held->getRefCount(), 1);  // one of the two went to the part
  EXPECT_EQ(shape(part), "@{VRMLShape}");
  EXPECT_EQ(place(transformOf(part)), "4 5 6 / 0 1 0 0.25 / 1 1 0 / 2 3 4 / 1 0 0 0.5");
  held->unref();
  EXPECT_EQ(at(part, {0}), vrmlShape);
  EXPECT_EQ(vrmlShape->getRefCount(), 1);  // held by the part's own separator
  // A VRML group nobody holds is freed by the part (the sanitizer build's
  // leak checker watches this).
  Ref<ZKPart> fromLoose(new ZKPart(new SoVRMLGroup));
}

TEST(PartTree, InventorFileBecomesTreeOfParts) {
  SoSeparator* root = readData("parts.iv");
  SoNode* wheelGroup = at(root, {0, 2});
  Ref<RecordingPart> top(built(new RecordingPart, root));
  root->unref();
  // Parents come before children, replacements sit where their node was, a
  // named plain group becomes a separator led by a transform, switches stay.
  EXPECT_EQ(namesOf(top->subParts), "Body Wheel Lamp Stand");
  const std::string tree = shape(top);
  EXPECT_EQ(tree, "@{@Body{Cube @Wheel{Cylinder} Separator(Sphere @Lamp{Cone})"
                  " Separator(Transform Cube) Switch(Separator#Spare(Cube))} @Stand{Cube}}");
  ZKPart* body = top->subParts[0];
  EXPECT_EQ(translationOf(body) + " / " + translationOf(top->subParts[1]), "1 0 0 / 0 -1 0");
  // Each part is held by the group it hangs in; its nodes by it alone.
  EXPECT_EQ(root->getRefCount(), kKitHold);
  for (ZKPart* part : top->subParts) EXPECT_EQ(part->getRefCount(), 1) << nameOf(part);
  EXPECT_EQ(contentsOf(top->subParts[1]), wheelGroup);
  EXPECT_EQ(wheelGroup->getRefCount(), kKitHold);
  // Walking the finished tree again reports the same parts and changes nothing.
  std::vector<ZKPart*> first = top->subParts;
  top->subParts.clear();
  top->updatePartTree(top);
  EXPECT_EQ(top->subParts, first);
  EXPECT_EQ(shape(top), tree);
}

TEST(PartTree, GroupsOtherThanPlainSeparatorsAreConverted) {
  // Unnamed derived separators, plain groups and VRML LODs become separators
  // led by an identity transform; a named derived separator becomes a part.
  auto* root = fromText<SoSeparator>("Separator { Annotation { Cube {} } DEF Label Annotation {}"
                                      " Group {} VRMLLOD { level VRMLShape {} } }");
  SoNode* annotated = at(root, {0, 0});
  SoNode* named = at(root, {1});
  Ref<RecordingPart> builder(built(new RecordingPart, root));
  EXPECT_EQ(shape(builder), "@{Separator(Transform Cube) @Label:Annotation{} Separator(Transform)"
                            " Separator(Transform VRMLShape)}");
  EXPECT_EQ(at(builder, {0, 1}), annotated);
  EXPECT_EQ(namesOf(builder->subParts), "Label");
  EXPECT_EQ(contentsOf(builder->subParts[0]), named);
}

TEST(PartTree, VRMLGroupsWithAndWithoutFlags) {
  // Flags clear: only the named Transform is a part (and is released); an
  // unnamed Transform becomes a separator led by a copy of its placement, a
  // Group one led by the identity.
  SoSeparator* root = readData("parts.wrl");
  Ref<SoNode> base(at(root, {0}));
  Ref<RecordingPart> builder(built(new RecordingPart, root));
  root->unref();
  EXPECT_EQ(base->getRefCount(), 1);
  EXPECT_EQ(shape(builder),
            "@{@Base{VRMLShape Separator(Transform VRMLShape) Separator(Transform VRMLShape)"
            " VRMLSwitch(VRMLTransform#Inner(VRMLShape))}}");
  EXPECT_EQ(namesOf(builder->subParts) + " " + translationOf(builder->subParts[0]), "Base 0 1 0");
  EXPECT_EQ(place(static_cast<SoTransform*>(at(root, {0, 1, 0}))),
            "2 0 0 / 0 0 1 1.5 / 0.5 0 0 / 2 3 4 / 0 1 0 0.5");
  EXPECT_EQ(matrixOf(at(root, {0, 2, 0})), kIdentity);
  // partFlagA makes every VRML Transform a part, partFlagB every VRML Group;
  // the owning component names the unnamed ones and enters them.
  const struct { int a, b, parts; const char* shape; } cases[] = {
      {1, 0, 2, "Separator(@Base{VRMLShape @Part0000{VRMLShape} Separator(Transform VRMLShape)"
                " VRMLSwitch(VRMLTransform#Inner(VRMLShape))})"},
      {0, 1, 3, "Separator(@Base{VRMLShape @Part0000{VRMLShape} @Part0001{VRMLShape}"
                " VRMLSwitch(VRMLTransform#Inner(VRMLShape))})"}};
  for (const auto& k : cases) {
    Ref<SoSeparator> graph(readData("parts.wrl"));
    graph->unref();
    Ref<ZKComponent> owner(new ZKComponent("ZKNamelessComponent", "Kind", "ZKNoFile", nullptr,
                                           nullptr, nullptr, k.a, k.b));
    owner->updatePartTree(graph);
    EXPECT_EQ(shape(graph), k.shape);
    EXPECT_EQ(owner->getNumParts(), k.parts);
    EXPECT_EQ(owner->getLogicalPart("Part0000"), at(graph, {0, 1}));
  }
  // Without an owner the part made stays unnamed.
  Ref<RecordingPart> flagged(built(new RecordingPart(1, 0), separatorOf({new SoVRMLTransform})));
  EXPECT_EQ(shape(flagged) + namesOf(flagged->subParts), "@{@{}}");
}

TEST(PartTree, WhatTheBuilderWalks) {
  // Switches are never entered, whatever the flags; nulls and leaves are
  // ignored.
  Ref<SoSeparator> root(fromText<SoSeparator>(
      "Separator { Switch { DEF Off Separator {} VRMLTransform {} }"
      " VRMLSwitch { choice DEF Out Separator {} } Cube {} }"));
  Ref<RecordingPart> builder(new RecordingPart(1, 1));
  for (SoNode* node : {at(root, {}), at(root, {0}), at(root, {1}), at(root, {2}),
                       at(nullptr, {})}) {
    builder->updatePartTree(node);
    builder->updatePartTreeChildren(node);
  }
  builder->updatePartTreeKit(nullptr);
  EXPECT_EQ(shape(root) + namesOf(builder->subParts),
            "Separator(Switch(Separator#Off() VRMLTransform()) VRMLSwitch(Separator#Out()) Cube)");
  // A part already in the graph is reported and its contents examined; the
  // parts in a kit's "childList" come before its contents.
  ZKPart* existing = new ZKPart(separatorOf({separatorOf({}, "Knob")}, "Drawer"));
  built<RecordingPart>(builder, separatorOf({existing}));
  EXPECT_EQ(namesOf(builder->subParts), "Drawer Knob");
  EXPECT_EQ(at(builder, {0}), existing);
  auto* childList = static_cast<SoNodeKitListPart*>(builder->getPart("childList", TRUE));
  childList->addChild(new ZKPart(separatorOf({}, "Listed")));
  childList->addChild(new SoShapeKit);
  builder->subParts.clear();
  builder->updatePartTree(builder);
  EXPECT_EQ(namesOf(builder->subParts), "Listed Drawer Knob");
}

TEST(PartTransform, EditsOfTheTransformPart) {
  Ref<RecordingPart> part(new RecordingPart);
  part->move(SbVec3f(1, 0, 0));
  part->move(SbVec3f(1, 0, 0));
  part->scale(SbVec3f(2, 2, 2));
  part->scale(SbVec3f(0.5f, 1, 1));
  EXPECT_EQ(matrixOf(transformOf(part)), "1 0 0 0 | 0 2 0 0 | 0 0 2 0 | 2 0 0 1");
  EXPECT_EQ(part->touched, (std::vector<ZKPart*>{part, part}));  // scaling does not touch
  // The rotation is multiplied on the right: a quarter about z, then one
  // about x, sends x to z. Recentering keeps the overall effect.
  Ref<RecordingPart> turned(new RecordingPart);
  turned->rotate(SbRotation(SbVec3f(0, 0, 1), kQuarter));
  turned->rotate(SbRotation(SbVec3f(1, 0, 0), kQuarter));
  EXPECT_EQ(matrixOf(turned->getTransform()), "0 0 1 0 | -1 0 0 0 | 0 -1 0 0 | 0 0 0 1");
  turned->getTransform()->rotation.setValue(SbVec3f(0, 0, 1), kQuarter);
  turned->setCenter(SbVec3f(1, 0, 0));
  EXPECT_EQ(place(transformOf(turned)), "-1 1 0 / 0 0 1 1.5708 / 1 0 0 / 1 1 1 / 0 0 1 0");
  EXPECT_EQ(matrixOf(transformOf(turned)), "0 1 0 0 | -1 0 0 0 | 0 0 1 0 | 0 0 0 1");
  EXPECT_EQ(turned->touched.size(), 3u);
  // A scale along x, its orientation turned a quarter about z, scales along y.
  Ref<RecordingPart> oriented(new RecordingPart);
  oriented->getTransform()->scaleFactor.setValue(2, 1, 1);
  oriented->setScaleOrientation(SbRotation(SbVec3f(0, 0, 1), kQuarter));
  EXPECT_EQ(matrixOf(oriented->getTransform()), "1 0 0 0 | 0 2 0 0 | 0 0 1 0 | 0 0 0 1");
  // setTransform copies the values into the part's own transform; later
  // edits of the source and a null source change nothing.
  Ref<SoTransform> source(fromText<SoTransform>(
      "Transform { translation 1 2 3 rotation 0 1 0 0.5 scaleFactor 4 5 6"
      " scaleOrientation 1 0 0 0.25 center 7 8 9 }"));
  oriented->setTransform(source);
  source->translation.setValue(0, 0, 0);
  oriented->setTransform(nullptr);
  EXPECT_EQ(place(oriented->getTransform()), "1 2 3 / 0 1 0 0.5 / 7 8 9 / 4 5 6 / 1 0 0 0.25");
  EXPECT_EQ(source->getRefCount(), 1);
  EXPECT_EQ(oriented->touched.size(), 2u);
}

TEST(PartPoints, KeepInsertionOrderAndRefuseBadIndices) {
  Ref<ZKPart> part(new ZKPart);
  for (float x : {1, 2, 3, 2, 1}) part->addPoint(SbVec3f(x, 0, 0));
  part->removePoint(1);
  for (int bad : {4, -1, 1 << 30}) EXPECT_THROW(part->removePoint(bad), RWIndexError) << bad;
  part->removePoint(SbVec3f(9, 9, 9));
  part->removePoint(SbVec3f(1, 0, 0));  // the first equal point
  std::string points;
  for (int i = 0; i < part->getNumPoints(); ++i) points += vec(part->getPoints()[i]) + ",";
  EXPECT_EQ(points, "3 0 0,2 0 0,1 0 0,");
  EXPECT_THROW(Ref<ZKPart>(new ZKPart)->removePoint(0), RWIndexError);
}

TEST(PartSearch, ParentsPathsAndTags) {
  SoSeparator* root = readData("parts.iv");
  Ref<ZKPart> top(new ZKPart(root));
  root->unref();
  ZKPart* body = partOnPath(top, "Body");
  ZKPart* lamp = partOnPath(top, "Lamp");
  Ref<ZKComponent> component(new ZKComponent);  // a component counts as a parent too
  component->setPart("contents", separatorOf({top}));
  const struct { ZKPart* part; SoNode* root; ZKPart* parent; } cases[] = {
      {body, top, top},    {partOnPath(top, "Wheel"), top, body}, {lamp, body, body},
      {top, top, nullptr}, {body, root, nullptr}, {body, lamp, nullptr},
      {body, nullptr, nullptr}, {top, component, component}};
  for (const auto& k : cases) EXPECT_EQ(k.part->findParent(k.root), k.parent) << nameOf(k.part);
  // The last part on a path; a path without a part below its head gives the
  // head part, one without any part null.
  EXPECT_EQ(partOnPath(top, nullptr, SoCone::getClassTypeId()), lamp);
  EXPECT_EQ(partOnPath(top, nullptr, SoCube::getClassTypeId(), SoSearchAction::LAST),
            partOnPath(top, "Stand"));
  EXPECT_EQ(partOnPath(root, nullptr, SoSwitch::getClassTypeId()), body);
  EXPECT_EQ(ZKPart::findPartFromPath(Ref<SoPath>(new SoPath(root))), nullptr);
  EXPECT_EQ(ZKPart::findPartFromPath(nullptr), nullptr);
  // A tag has one digit per part in search order: the part itself, then
  // each part below it with the length of its path, kit parts included.
  top->setTag("kept");
  EXPECT_EQ(top->buildTag() + " " + body->buildTag() + " " + lamp->buildTag(),
            RWCString("14784 145 1"));
  EXPECT_STREQ(top->getTag().data(), "kept");
}

TEST(PartCompleteList, RegistersByExactNameWithOneReference) {
  Ref<ZKPart> first(new ZKPart), second(new ZKPart);
  ZKPart::addPartToCompleteList("Gear", first);
  ZKPart::addPartToCompleteList("Gear", first);  // again: still one list reference
  EXPECT_EQ(first->getRefCount(), 2);
  EXPECT_EQ(ZKPart::getPartFromCompleteList("Gear"), first);
  for (const char* other : {"gear", "Gear "}) EXPECT_FALSE(ZKPart::getPartFromCompleteList(other));
  // A second part under the name replaces the first and releases it; case
  // matters; null parts and empty names change nothing.
  ZKPart::addPartToCompleteList("Gear", second);
  EXPECT_EQ(first->getRefCount(), 1);
  ZKPart::addPartToCompleteList("GEAR", first);
  ZKPart::addPartToCompleteList("Gear", nullptr);
  ZKPart::addPartToCompleteList("", first);
  EXPECT_EQ(ZKPart::getPartFromCompleteList("GEAR"), first);
  EXPECT_EQ(ZKPart::getPartFromCompleteList("Gear"), second);
  EXPECT_EQ(ZKPart::getPartFromCompleteList(""), nullptr);
  EXPECT_EQ(first->getRefCount() + second->getRefCount(), 4);  // the caller's and the list's
}

TEST(PartContents, FileNodesAreReplacedByWhatTheyRead) {
  const std::string file = "File { name \"" ZKCP_TEST_DATA_DIR "/filed.iv\" }";
  Ref<ZKPart> part(new ZKPart(
      fromText<SoSeparator>("Separator { Cube {} " + file + " Sphere {} " + file + " }")));
  Ref<SoFile> first(static_cast<SoFile*>(at(part, {1})));
  // Each file node's children are appended as copies of its own; the file
  // node leaves the contents and keeps what it read. A second call finds
  // none; a part without contents is left alone.
  part->removeContentsFileNode();
  part->removeContentsFileNode();
  EXPECT_EQ(shape(part), "@{Cube Sphere Cone Cylinder Cone Cylinder}");
  EXPECT_NE(at(part, {2}), at(part, {4}));
  EXPECT_EQ(first->getRefCount(), 1);
  EXPECT_EQ(Ref<SoGroup>(first->copyChildren())->getNumChildren(), 2);
  Ref<ZKPart>(new ZKPart)->removeContentsFileNode();
}

TEST(PartCopy, SharesContentsAndOwnsItsTransform) {
  Ref<ZKComponent> component(new ZKComponent);
  Ref<RecordingPart> source(new RecordingPart(1, 0, component));
  SoSeparator* geometry = separatorOf({new SoCube});
  source->setPart("contents", geometry);
  source->move(SbVec3f(1, 2, 3));
  source->addPoint(SbVec3f(4, 5, 6));
  source->setTag("13");
  // A copy or an assigned part shares the contents, gets its own transform
  // with the same values and takes the points, the tag, the flag and the
  // owner (which names an unnamed VRML Transform the flag makes a part).
  Ref<ZKPart> copy(new ZKPart(*source));
  Ref<RecordingPart> target(new RecordingPart);
  Ref<SoSeparator> oldGeometry(separatorOf({}));
  target->setPart("contents", oldGeometry);
  static_cast<ZKPart&>(*target) = *source;
  static_cast<ZKPart&>(*target) = static_cast<ZKPart&>(*target);
  EXPECT_EQ(oldGeometry->getRefCount(), 1);  // released by the assignment
  EXPECT_EQ(geometry->getRefCount(), 3 * kKitHold);
  for (ZKPart* made : {static_cast<ZKPart*>(copy), static_cast<ZKPart*>(target)}) {
    EXPECT_EQ(contentsOf(made), geometry);
    EXPECT_NE(transformOf(made), transformOf(source));
    EXPECT_EQ(translationOf(made) + " / " + vec(made->getPoints()[0]) + " " + made->getTag().data(),
              "1 2 3 / 4 5 6 13");
    Ref<SoSeparator> tree(separatorOf({new SoVRMLTransform}));
    made->updatePartTree(tree);
    EXPECT_EQ(shape(tree), "Separator(@Part0000{})");
  }
  // A source without contents or transform leaves the target without them.
  Ref<ZKPart> bare(new ZKPart);
  static_cast<ZKPart&>(*target) = *bare;
  EXPECT_EQ(shape(target) + std::to_string(target->getNumPoints()), "@0");
  EXPECT_EQ(transformOf(target), nullptr);
  EXPECT_EQ(geometry->getRefCount(), 2 * kKitHold);
  EXPECT_EQ(transformOf(Ref<ZKPart>(new ZKPart(*bare))), nullptr);
}

}  // namespace
