#include <zkcp/part/ZKPart.h>

#include <zkcp/component/ZKComponent.h>
#include <zkcp/part/ZKSharedGraph.h>

#include <Inventor/SoPath.h>
#include <Inventor/VRMLnodes/SoVRMLGroup.h>
#include <Inventor/VRMLnodes/SoVRMLParent.h>
#include <Inventor/VRMLnodes/SoVRMLSwitch.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/lists/SoNodeList.h>
#include <Inventor/misc/SoNotification.h>
#include <Inventor/nodekits/SoNodeKit.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodekits/SoNodekitCatalog.h>
#include <Inventor/nodekits/SoSeparatorKit.h>
#include <Inventor/nodes/SoFile.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>
#include <Inventor/nodes/SoTransform.h>

#include <iostream>

SO_KIT_SOURCE(ZKPart);

ZKPart::PartTable* ZKPart::completePartList_ = new ZKPart::PartTable;

namespace {

const char kErrorPrefix[] = "ZKPart::ZKPart: **** ERROR ****.  ";

bool isSwitch(const SoNode* node) {
  return node->isOfType(SoSwitch::getClassTypeId()) ||
         node->isOfType(SoVRMLSwitch::getClassTypeId());
}

void copyVRMLTransform(const SoVRMLTransform* from, SoTransform* to) {
  to->translation.setValue(from->translation.getValue());
  to->rotation.setValue(from->rotation.getValue());
  to->center.setValue(from->center.getValue());
  to->scaleFactor.setValue(from->scale.getValue());
  to->scaleOrientation.setValue(from->scaleOrientation.getValue());
}

void copyTransform(const SoTransform* from, SoTransform* to) {
  to->translation.setValue(from->translation.getValue());
  to->rotation.setValue(from->rotation.getValue());
  to->scaleFactor.setValue(from->scaleFactor.getValue());
  to->scaleOrientation.setValue(from->scaleOrientation.getValue());
  to->center.setValue(from->center.getValue());
}

void appendChildren(const SoGroup* from, SoGroup* to) {
  for (int i = 0; i < from->getNumChildren(); ++i) to->addChild(from->getChild(i));
}

// The children of `from` as the builder sees them: those a shared graph
// gives when it holds `from`.
void appendChildren(const SoGroup* from, SoGroup* to, const ZKSharedGraph* shared) {
  if (!shared || !shared->holds(from)) {
    appendChildren(from, to);
    return;
  }
  for (SoNode* child : shared->childrenOf(from)) to->addChild(child);
}

// Children are looked up in groups and in node-kit list parts alike; the
// builder walks both.
SoNode* childAt(SoNode* parent, int index) {
  if (parent->isOfType(SoGroup::getClassTypeId())) {
    return static_cast<SoGroup*>(parent)->getChild(index);
  }
  return static_cast<SoNodeKitListPart*>(parent)->getChild(index);
}

void replaceChildAt(SoNode* parent, int index, SoNode* replacement) {
  if (parent->isOfType(SoGroup::getClassTypeId())) {
    static_cast<SoGroup*>(parent)->replaceChild(index, replacement);
  } else {
    static_cast<SoNodeKitListPart*>(parent)->replaceChild(index, replacement);
  }
}

// A plain separator standing for `group`: an SoTransform first (carrying a
// VRML Transform's placement, else the identity), then the group's children.
SoSeparator* separatorFor(const SoGroup* group, const ZKSharedGraph* shared) {
  SoSeparator* separator = new SoSeparator;
  SoTransform* placement = new SoTransform;
  if (group->isOfType(SoVRMLTransform::getClassTypeId())) {
    copyVRMLTransform(static_cast<const SoVRMLTransform*>(group), placement);
  }
  separator->addChild(placement);
  appendChildren(group, separator, shared);
  return separator;
}

int countTransforms(const SoGroup* group) {
  int count = 0;
  for (int i = 0; i < group->getNumChildren(); ++i) {
    if (group->getChild(i)->isOfType(SoTransform::getClassTypeId())) ++count;
  }
  return count;
}

// The first child whose type is exactly SoTransform, or null.
SoTransform* firstPlainTransform(const SoGroup* group) {
  for (int i = 0; i < group->getNumChildren(); ++i) {
    SoNode* child = group->getChild(i);
    if (child->getTypeId() == SoTransform::getClassTypeId()) {
      return static_cast<SoTransform*>(child);
    }
  }
  return nullptr;
}

// The number of nodes on `path`, the nodes inside node kits included;
// SoPath::getLength stops at the first node kit. A path forks from itself
// at its last node.
int fullLength(const SoPath* path) {
  if (path->getLength() == 0) return 0;
  return path->findFork(path) + 1;
}

}  // namespace

void ZKPart::initClass() {
  if (classTypeId != SoType::badType()) return;
  SoNodeKit::init();
  SO_KIT_INIT_CLASS(ZKPart, SoWrapperKit, "WrapperKit");
}

unsigned ZKPart::hash(const RWCString& name) { return name.hash(RWCString::exact); }

ZKPart::ZKPart(SoGroup* group, int skipPartTree, ZKComponent* owner, int partFlagA, int partFlagB)
    : partFlagB(partFlagB),
      partFlagA(partFlagA),
      owner(owner),
      tag(""),
      transform(nullptr) {
  SO_KIT_CONSTRUCTOR(ZKPart);
  SO_KIT_INIT_INSTANCE();
  dropSeparatorConnections();
  quietPartFields();
  SoBaseKit::setSearchingChildren(TRUE);
  if (!group) return;

  setName(group->getName());
  group->setName(SbName(""));
  if (!skipPartTree) updatePartTree(group);

  if (group->isOfType(SoSeparator::getClassTypeId())) {
    installSeparator(static_cast<SoSeparator*>(group));
  } else if (group->isOfType(SoVRMLParent::getClassTypeId())) {
    installVRMLGroup(group, nullptr);
  } else {
    std::cerr << kErrorPrefix << "Invalid node passed in." << std::endl;
    return;
  }
  if (!fetchTransform()) throw "Could not create transform node for part.";
}

ZKPart::ZKPart(const ZKPart& other)
    : SoWrapperKit(),
      partFlagB(other.partFlagB),
      partFlagA(other.partFlagA),
      owner(other.owner),
      points(other.points),
      tag(other.tag),
      transform(nullptr) {
  SO_KIT_CONSTRUCTOR(ZKPart);
  SO_KIT_INIT_INSTANCE();
  dropSeparatorConnections();
  quietPartFields();
  copyPartsFrom(other);
}

ZKPart& ZKPart::operator=(const ZKPart& other) {
  if (this == &other) return *this;
  partFlagB = other.partFlagB;
  partFlagA = other.partFlagA;
  owner = other.owner;
  points = other.points;
  tag = other.tag;
  copyPartsFrom(other);
  return *this;
}

ZKPart::~ZKPart() {}

// A separator kit connects its four caching and culling fields to its top
// separator's, which gives each field connection storage of its own: about
// 4 KB a part, the largest share of a part's memory. A part instead copies
// the four values over whenever they change or a top separator is put in,
// so the separator still renders, picks and caches as the kit's fields say;
// as with a connection, a value set on the separator itself stays until
// the kit's field changes.
void ZKPart::dropSeparatorConnections() {
  SoSeparatorKit::setUpConnections(FALSE, TRUE);
  SoBaseKit::setUpConnections(TRUE, TRUE);
}

// Every part of a kit is a node of the kit's graph: a change in it reaches
// the kit through its parents, the top separator last, which is the kit's
// child. The field that holds a part would tell the kit a second time, and
// for a part below another part a third. The fields keep their values and
// are written as before; they only no longer pass on what their nodes say.
void ZKPart::quietPartFields() {
  const SoNodekitCatalog* catalog = getNodekitCatalog();
  for (int i = 1; i < catalog->getNumEntries(); ++i)
    if (SoField* field = getField(catalog->getName(i))) field->enableNotify(FALSE);
}

SbBool ZKPart::setUpConnections(SbBool onoff, SbBool doitalways) {
  return SoBaseKit::setUpConnections(onoff, doitalways);
}

void ZKPart::forwardSeparatorFields() {
  SoNode* top = topSeparator.getValue();
  if (!top || !top->isOfType(SoSeparator::getClassTypeId())) return;
  auto* separator = static_cast<SoSeparator*>(top);
  const auto follow = [](SoSFEnum& to, const SoSFEnum& from) {
    if (to.getValue() != from.getValue()) to.setValue(from.getValue());
  };
  follow(separator->renderCaching, renderCaching);
  follow(separator->boundingBoxCaching, boundingBoxCaching);
  follow(separator->renderCulling, renderCulling);
  follow(separator->pickCulling, pickCulling);
}

// Only a notification that starts at the kit itself can change these
// fields or the top separator (a field set, a part made or replaced); one
// that comes up from a node below leaves them as they are, and a moving
// part pays nothing here.
void ZKPart::notify(SoNotList* list) {
  const SoNotRec* first = list ? list->getFirstRec() : nullptr;
  if (first && first->getBase() == this) forwardSeparatorFields();
  inherited::notify(list);
}

SbBool ZKPart::putPart(const char* name, SoNode* node) {
  const int number = getNodekitCatalog()->getPartNumber(name);
  if (number == SO_CATALOG_NAME_NOT_FOUND || !node) return setPart(name, node);
  return setPart(number, node);
}

void ZKPart::installSeparator(SoSeparator* group) {
  if (SoTransform* placement = firstPlainTransform(group)) {
    putPart("transform", placement);
    group->removeChild(placement);
  }
  putPart("contents", group);
}

// The part's own separator replaces the VRML grouping node, and the node
// hands over the reference the caller passed in with it; a node that nobody
// holds is freed here. A node of a shared graph gives the children the graph
// holds for it.
void ZKPart::installVRMLGroup(SoGroup* group, const ZKSharedGraph* shared) {
  if (group->isOfType(SoVRMLTransform::getClassTypeId())) {
    SoTransform* placement = new SoTransform;
    copyVRMLTransform(static_cast<SoVRMLTransform*>(group), placement);
    transform = placement;
    putPart("transform", placement);
  }
  SoSeparator* contents = new SoSeparator;
  appendChildren(group, contents, shared);
  if (group->getRefCount() == 0) group->ref();
  group->unref();
  putPart("contents", contents);
}

void ZKPart::copyPartsFrom(const ZKPart& other) {
  ZKPart& source = const_cast<ZKPart&>(other);
  SoTransform* otherTransform = static_cast<SoTransform*>(source.getPart("transform", FALSE));
  if (otherTransform) {
    copyTransform(otherTransform, fetchTransform());
  } else {
    setPart("transform", nullptr);
    transform = nullptr;
  }
  putPart("contents", source.getPart("contents", FALSE));
}

// The kit's "transform" field holds the part once it is made: reading it
// skips the catalog search, which behaviours that move a part on every
// update would otherwise pay each time.
SoTransform* ZKPart::fetchTransform() {
  SoNode* made = SoSeparatorKit::transform.getValue();
  transform = made ? static_cast<SoTransform*>(made)
                   : static_cast<SoTransform*>(getPart("transform", TRUE));
  return transform;
}

SoTransform* ZKPart::getTransform() { return fetchTransform(); }

void ZKPart::setTransform(SoTransform* t) {
  if (!t) return;
  copyTransform(t, fetchTransform());
  touch(this);
}

void ZKPart::move(const SbVec3f& d) {
  SoTransform* t = fetchTransform();
  t->translation.setValue(t->translation.getValue() + d);
  touch(this);
}

void ZKPart::rotate(const SbRotation& r) {
  SoTransform* t = fetchTransform();
  t->rotation.setValue(t->rotation.getValue() * r);
  touch(this);
}

void ZKPart::scale(const SbVec3f& s) {
  SoTransform* t = fetchTransform();
  const SbVec3f& f = t->scaleFactor.getValue();
  t->scaleFactor.setValue(f[0] * s[0], f[1] * s[1], f[2] * s[2]);
}

void ZKPart::setCenter(const SbVec3f& c) {
  fetchTransform()->recenter(c);
  touch(this);
}

void ZKPart::setScaleOrientation(const SbRotation& r) {
  fetchTransform()->scaleOrientation.setValue(r);
  touch(this);
}

void ZKPart::addPoint(const SbVec3f& p) { points.append(p); }

void ZKPart::removePoint(int i) { points.removeAt(static_cast<size_t>(i)); }

void ZKPart::removePoint(const SbVec3f& p) { points.remove(p); }

int ZKPart::getNumPoints() const { return static_cast<int>(points.entries()); }

const RWTValOrderedVector<SbVec3f>& ZKPart::getPoints() const { return points; }

// One digit per part at or below this one, in search order: '0' plus the
// number of nodes on the part's path, node-kit parts included, so the tag
// follows the way the parts nest.
RWCString ZKPart::buildTag() {
  SoSearchAction search;
  search.setType(ZKPart::getClassTypeId(), TRUE);
  search.setInterest(SoSearchAction::ALL);
  search.setSearchingAll(TRUE);
  search.apply(this);
  const SoPathList& paths = search.getPaths();
  std::string digits;
  for (int i = 0; i < paths.getLength(); ++i) {
    digits += static_cast<char>('0' + fullLength(paths[i]));
  }
  if (!digits.empty() && digits[0] == '2') digits.insert(digits.begin(), '1');
  return RWCString(digits.c_str());
}

RWCString ZKPart::getTag() { return tag; }

void ZKPart::setTag(const RWCString& newTag) { tag = newTag; }

void ZKPart::addPartToCompleteList(const RWCString& name, ZKPart* part) {
  if (!part || name.isNull()) return;
  part->ref();
  ZKPart** held = completePartList_->find(name);
  if (!held) {
    completePartList_->insert(name, part);
    return;
  }
  ZKPart* previous = *held;
  *held = part;
  previous->unref();
}

ZKPart* ZKPart::getPartFromCompleteList(const RWCString& name) {
  ZKPart** held = completePartList_->find(name);
  return held ? *held : nullptr;
}

ZKPart* ZKPart::findParent(SoNode* root) const {
  if (!root) return nullptr;
  SoSearchAction search;
  search.setNode(const_cast<ZKPart*>(this));
  search.setInterest(SoSearchAction::FIRST);
  search.setSearchingAll(TRUE);
  search.apply(root);
  const SoPath* path = search.getPath();
  if (!path) return nullptr;
  for (int i = path->findNode(this) - 1; i >= 0; --i) {
    SoNode* node = path->getNode(i);
    if (node->isOfType(ZKPart::getClassTypeId())) return static_cast<ZKPart*>(node);
  }
  return nullptr;
}

ZKPart* ZKPart::findPartFromPath(SoPath* path) {
  if (!path) return nullptr;
  for (int i = fullLength(path) - 1; i >= 0; --i) {
    SoNode* node = path->getNode(i);
    if (node->isOfType(ZKPart::getClassTypeId())) return static_cast<ZKPart*>(node);
  }
  return nullptr;
}

void ZKPart::updatePartTree(SoNode* node) {
  if (!node || isSwitch(node)) return;
  if (node->isOfType(SoSeparatorKit::getClassTypeId())) {
    SoSeparatorKit* kit = static_cast<SoSeparatorKit*>(node);
    updatePartTreeKit(kit);
    if (kit->getNodekitCatalog()->getPartNumber("contents") != SO_CATALOG_NAME_NOT_FOUND) {
      updatePartTreeChildren(kit->getPart("contents", TRUE));
    }
  } else if (node->isOfType(SoGroup::getClassTypeId())) {
    updatePartTreeChildren(node);
  }
}

void ZKPart::updatePartTreeKit(SoSeparatorKit* kit) {
  if (!kit) return;
  updatePartTreeChildren(kit->getPart("childList", FALSE));
}

void ZKPart::updatePartTreeChildren(SoNode* node) {
  if (!node || isSwitch(node)) return;
  int count = 0;
  if (node->isOfType(SoGroup::getClassTypeId())) {
    SoGroup* group = static_cast<SoGroup*>(node);
    checkGroupForMultiTransforms(group);
    count = group->getNumChildren();
  } else if (node->isOfType(SoNodeKitListPart::getClassTypeId())) {
    count = static_cast<SoNodeKitListPart*>(node)->getNumChildren();
  } else {
    return;
  }
  for (int i = 0; i < count; ++i) {
    SoNode* child = childAt(node, i);
    if (child && !isSwitch(child)) buildChild(node, i, child);
  }
}

// Decides what the child at `index` of `parent` becomes; every replacement
// keeps the number of children of `parent`.
void ZKPart::buildChild(SoNode* parent, int index, SoNode* child) {
  if (child->isOfType(ZKPart::getClassTypeId())) {
    processNewSubPart(static_cast<ZKPart*>(child));
    updatePartTree(child);
    return;
  }
  if (!child->isOfType(SoGroup::getClassTypeId())) return;
  SoGroup* group = static_cast<SoGroup*>(child);
  const bool vrmlGroup = group->isOfType(SoVRMLGroup::getClassTypeId());
  const bool vrmlTransform = group->isOfType(SoVRMLTransform::getClassTypeId());
  const bool named = nameOf(group).getLength() > 0;
  if ((partFlagB && vrmlGroup) || (vrmlTransform && (partFlagA || named)) ||
      (named && group->isOfType(SoSeparator::getClassTypeId()))) {
    makeSubPart(parent, index, group);
  } else if (group->getTypeId() == SoSeparator::getClassTypeId()) {
    updatePartTreeChildren(group);
  } else {
    SoSeparator* separator = separatorFor(group, sharedGraph_);
    replaceChildAt(parent, index, separator);
    updatePartTreeChildren(separator);
  }
}

void ZKPart::makeSubPart(SoNode* parent, int index, SoGroup* child) {
  if (nameOf(child).getLength() == 0 && owner) {
    RWCString name;
    if (owner->getNewPartName(name)) rename(child, SbName(name.data()));
  }
  // The hold keeps the child alive while its part replaces it. A VRML group
  // passes the hold on to the part's constructor; a separator becomes the
  // part's contents, which keeps its own reference, so the hold is dropped.
  const bool handedOver = !child->isOfType(SoSeparator::getClassTypeId());
  child->ref();
  ZKPart* part = nullptr;
  if (sharedGraph_ && sharedGraph_->holds(child)) {
    // What the constructor does with the group, on the shared graph's view.
    part = new ZKPart(nullptr, 1, owner, partFlagA, partFlagB);
    part->setName(sharedGraph_->nameOf(child));
    sharedGraph_->rename(child, SbName(""));
    part->installVRMLGroup(child, sharedGraph_);
    if (!part->fetchTransform()) throw "Could not create transform node for part.";
  } else {
    part = new ZKPart(child, 1, owner, partFlagA, partFlagB);
  }
  replaceChildAt(parent, index, part);
  if (!handedOver) child->unref();
  processNewSubPart(part);
  updatePartTree(part);
}

// Each transform after the first absorbs the one before it on its left
// (SoTransform::combineLeft), so the matrix of the k-th transform becomes
// M1 * ... * Mk: the earlier transforms followed by itself.
void ZKPart::checkGroupForMultiTransforms(SoGroup* group) {
  if (countTransforms(group) <= 1) return;
  SoGroup* holder = new SoGroup;
  holder->ref();
  SoSeparator* current = new SoSeparator;
  holder->addChild(current);
  SoTransform* previous = nullptr;
  for (int i = 0; i < group->getNumChildren(); ++i) {
    SoNode* child = group->getChild(i);
    if (child->isOfType(SoTransform::getClassTypeId())) {
      SoTransform* placement = static_cast<SoTransform*>(child);
      if (previous) placement->combineLeft(previous);
      previous = placement;
      current = new SoSeparator;
      holder->addChild(current);
    }
    current->addChild(child);
  }
  group->removeAllChildren();
  appendChildren(holder, group);
  holder->unref();
}

void ZKPart::removeContentsFileNode() {
  SoGroup* contents = static_cast<SoGroup*>(getPart("contents", FALSE));
  if (!contents) return;
  SoNodeList files;
  for (int i = 0; i < contents->getNumChildren(); ++i) {
    SoNode* child = contents->getChild(i);
    if (child->isOfType(SoFile::getClassTypeId())) files.append(child);
  }
  for (int i = 0; i < files.getLength(); ++i) {
    SoFile* file = static_cast<SoFile*>(files[i]);
    SoGroup* read = file->copyChildren();
    read->ref();
    appendChildren(read, contents);
    read->unref();
    contents->removeChild(file);
  }
}

SbName ZKPart::nameOf(const SoNode* node) const {
  return sharedGraph_ && sharedGraph_->holds(node) ? sharedGraph_->nameOf(node) : node->getName();
}

void ZKPart::rename(SoNode* node, const SbName& name) {
  if (sharedGraph_ && sharedGraph_->holds(node)) {
    sharedGraph_->rename(node, name);
  } else {
    node->setName(name);
  }
}

void ZKPart::touch(ZKPart*) {}

void ZKPart::processNewSubPart(ZKPart*) {}

SbBool ZKPart::affectsState() const { return FALSE; }
