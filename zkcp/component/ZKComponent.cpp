#include <zkcp/component/ZKComponent.h>

#include <zkcp/attribute/ZKLinearAttributes.h>
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/attribute/ZKStringAttributes.h>
#include <zkcp/world/ZKComponentDB.h>

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPath.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>
#include <Inventor/nodes/SoTransform.h>

#include <cstdio>
#include <cstring>

SO_KIT_SOURCE(ZKComponent);

namespace {

const char kNamelessComponent[] = "ZKNamelessComponent";
const char kNoFile[] = "ZKNoFile";

// The box drawn for a component or a part: base-colour lines, sized and
// placed through "bbox_cube" and "bbox_xform".
const char kBoxScene[] =
    "#Inventor V2.0 ascii\n"
    "Separator {\n"
    "  LightModel { model BASE_COLOR }\n"
    "  Material { diffuseColor 0 1 .5 }\n"
    "  DEF bbox_xform Transform { translation 0 0 0 scaleFactor 1 1 1 center 0 0 0 }\n"
    "  DrawStyle { style LINES lineWidth 1 }\n"
    "  DEF bbox_cube Cube { width 1 height 1 depth 1 }\n"
    "}\n";

// First path from `root` to `node`, looking into node kits and under every
// child; null when there is none. The caller owns one reference on it.
SoPath* findPath(SoNode* root, SoNode* node) {
  SoSearchAction search;
  search.setNode(node);
  search.setInterest(SoSearchAction::FIRST);
  search.setSearchingAll(TRUE);
  search.apply(root);
  SoPath* path = search.getPath();
  if (path) path->ref();
  return path;
}

SoNode* findNamed(SoNode* root, const char* name) {
  SoSearchAction search;
  search.setName(SbName(name));
  search.setInterest(SoSearchAction::FIRST);
  search.setSearchingAll(TRUE);
  search.apply(root);
  SoPath* path = search.getPath();
  return path ? path->getTail() : nullptr;
}

// Sizes and places a box display to the corners of `box`; a size component
// that is not positive becomes 1 so flat and empty boxes stay visible.
void fitBox(SoNode* display, const SbBox3f& box) {
  SoCube* cube = static_cast<SoCube*>(findNamed(display, "bbox_cube"));
  SoTransform* xform = static_cast<SoTransform*>(findNamed(display, "bbox_xform"));
  if (!cube || !xform) return;
  const SbVec3f& min = box.getMin();
  const SbVec3f& max = box.getMax();
  xform->translation.setValue((min + max) * 0.5f);
  SbVec3f size = max - min;
  for (int i = 0; i < 3; ++i) {
    if (size[i] <= 0) size[i] = 1;
  }
  cube->width.setValue(size[0]);
  cube->height.setValue(size[1]);
  cube->depth.setValue(size[2]);
}

void copyVRMLTransform(const SoVRMLTransform* from, SoTransform* to) {
  to->translation.setValue(from->translation.getValue());
  to->rotation.setValue(from->rotation.getValue());
  to->center.setValue(from->center.getValue());
  to->scaleFactor.setValue(from->scale.getValue());
  to->scaleOrientation.setValue(from->scaleOrientation.getValue());
}

// Releases the reference a caller handed over with a node. A node nobody
// referenced is destroyed, as a handed-over reference would have been.
void releaseHandedOver(SoNode* node) {
  if (node->getRefCount() > 0) {
    node->unref();
  } else {
    node->ref();
    node->unref();
  }
}

bool hasPartChild(ZKPart* part) {
  SoGroup* contents = static_cast<SoGroup*>(part->getPart("contents", FALSE));
  if (!contents) return false;
  for (int i = 0; i < contents->getNumChildren(); ++i) {
    if (contents->getChild(i)->isOfType(ZKPart::getClassTypeId())) return true;
  }
  return false;
}

// SoPath::getLength stops at the first node kit. A path forks from itself
// at its last node.
int fullLength(const SoPath* path) {
  if (path->getLength() == 0) return 0;
  return path->findFork(path) + 1;
}

// The group directly holding `part` below `contents`, or null.
SoGroup* holderIn(SoNode* contents, ZKPart* part) {
  if (!contents) return nullptr;
  SoPath* path = findPath(contents, part);
  if (!path) return nullptr;
  SoGroup* holder = nullptr;
  int length = fullLength(path);
  if (length >= 2) {
    SoNode* above = path->getNode(length - 2);
    if (above->isOfType(SoGroup::getClassTypeId())) holder = static_cast<SoGroup*>(above);
  }
  path->unref();
  return holder;
}

}  // namespace

void ZKComponent::initClass() {
  if (classTypeId != SoType::badType()) return;
  ZKPart::initClass();
  SO_KIT_INIT_CLASS(ZKComponent, ZKPart, "ZKPart");
  ZKAttribute::initClass();
  ZKBoolAttribute::initClass();
  ZKFloatAttribute::initClass();
  ZKStringAttribute::initClass();
  ZKMFStringAttribute::initClass();
  ZKRotationAttribute::initClass();
  ZKVec3fAttribute::initClass();
  ZKColorAttribute::initClass();
  ZKTimeAttribute::initClass();
  ZKVoidPointerAttribute::initClass();
}

unsigned ZKComponent::hash(const RWCString& name) { return name.hash(RWCString::exact); }

ZKComponent::ZKComponent(const RWCString& name, const char* componentName,
                         const RWCString& geometryFile, SoGroup* geometry, ZKComponentDB* world,
                         const char* sourceDatabase, int partFlagA, int partFlagB)
    : ZKPart(0, 0, 0, 0, 0),
      boxTemplate(nullptr),
      boxDisplayRoot(nullptr),
      objectBoxNode(nullptr),
      objectBoxShown(0),
      partBoxesNode(nullptr),
      partBoxesShown(0),
      objectDirty(1),
      componentName(componentName),
      geometryFile(geometryFile),
      hasTextures_(false),
      parentContainer(""),
      parentModel(""),
      partsDirty(1),
      sourceDatabase(sourceDatabase),
      switchNode(nullptr),
      texturesChecked_(false),
      version(""),
      world(world) {
  SO_KIT_CONSTRUCTOR(ZKComponent);
  SO_KIT_INIT_INSTANCE();
  isBuiltIn = FALSE;

  this->partFlagA = partFlagA;
  this->partFlagB = partFlagB;
  // Sub-parts that a flag makes without a name are named by the component.
  owner = this;
  size_t slash = this->geometryFile.str().find_last_of('\\');
  if (slash != std::string::npos) this->geometryFile = RWCString(this->geometryFile.str().substr(slash + 1));

  setName(SbName(name.data()));
  SoBaseKit::setSearchingChildren(TRUE);

  if (name != kNamelessComponent && geometryFile != kNoFile) {
    if (geometryFile.contains(".iv")) {
      SoSeparator* separator = nullptr;
      if (geometry && geometry->isOfType(SoSeparator::getClassTypeId())) {
        separator = static_cast<SoSeparator*>(geometry);
      }
      loadInventorGeometry(separator);
    }
    if (geometryFile.contains(".wrl")) loadVRMLGeometry(geometry);
  }

  for (const auto& entry : logicalParts) {
    ZKPart* part = entry.value();
    if (!hasPartChild(part)) partBoxes.insert(PartBoxPair_t{part, SbBox3f()});
  }
}

ZKComponent::ZKComponent(const ZKComponent& other)
    : ZKPart(other),
      collisionInfo(other.collisionInfo),
      boxTemplate(other.boxTemplate),
      boxDisplayRoot(other.boxDisplayRoot),
      objectBoxNode(other.objectBoxNode),
      objectBoxShown(other.objectBoxShown),
      partBoxesNode(other.partBoxesNode),
      partBoxesShown(other.partBoxesShown),
      activeBehaviorNames(other.activeBehaviorNames),
      behaviors(other.behaviors),
      componentBox(other.componentBox),
      objectDirty(other.objectDirty),
      componentName(other.componentName),
      deactivatedBehaviorNames(other.deactivatedBehaviorNames),
      subComponentNames(other.subComponentNames),
      componentSensor(other.componentSensor),
      eventInNames(other.eventInNames),
      eventOutNames(other.eventOutNames),
      geometryFile(other.geometryFile),
      hasTextures_(other.hasTextures_),
      items(other.items),
      keywords(other.keywords),
      parentContainer(other.parentContainer),
      parentModel(other.parentModel),
      partBoxes(other.partBoxes),
      partsDirty(other.partsDirty),
      logicalParts(other.logicalParts),
      rules(other.rules),
      startupBehaviorNames(other.startupBehaviorNames),
      suppressedBehaviorNames(other.suppressedBehaviorNames),
      points(other.points),
      sourceDatabase(other.sourceDatabase),
      switchNode(other.switchNode),
      texturesChecked_(other.texturesChecked_),
      version(other.version),
      world(other.world) {
  SO_KIT_CONSTRUCTOR(ZKComponent);
  SO_KIT_INIT_INSTANCE();
  isBuiltIn = FALSE;
  retainCopiedNodes();
  copyAttributes(other);
}

ZKComponent& ZKComponent::operator=(const ZKComponent& other) {
  if (this == &other) return *this;
  ZKPart::operator=(other);
  releaseHeldNodes();
  collisionInfo = other.collisionInfo;
  boxTemplate = other.boxTemplate;
  boxDisplayRoot = other.boxDisplayRoot;
  objectBoxNode = other.objectBoxNode;
  objectBoxShown = other.objectBoxShown;
  partBoxesNode = other.partBoxesNode;
  partBoxesShown = other.partBoxesShown;
  componentBox = other.componentBox;
  objectDirty = other.objectDirty;
  activeBehaviorNames = other.activeBehaviorNames;
  behaviors = other.behaviors;
  componentName = other.componentName;
  deactivatedBehaviorNames = other.deactivatedBehaviorNames;
  rules = other.rules;
  startupBehaviorNames = other.startupBehaviorNames;
  suppressedBehaviorNames = other.suppressedBehaviorNames;
  subComponentNames = other.subComponentNames;
  componentSensor = other.componentSensor;
  eventInNames = other.eventInNames;
  eventOutNames = other.eventOutNames;
  geometryFile = other.geometryFile;
  hasTextures_ = other.hasTextures_;
  items = other.items;
  keywords = other.keywords;
  parentContainer = other.parentContainer;
  parentModel = other.parentModel;
  partBoxes = other.partBoxes;
  partsDirty = other.partsDirty;
  logicalParts = other.logicalParts;
  points = other.points;
  sourceDatabase = other.sourceDatabase;
  switchNode = other.switchNode;
  texturesChecked_ = other.texturesChecked_;
  version = other.version;
  world = other.world;
  retainCopiedNodes();
  deleteAttributes();
  copyAttributes(other);
  return *this;
}

ZKComponent::~ZKComponent() {
  releaseHeldNodes();
  deleteAttributes();
  subComponentNames.clear();
  eventInNames.clear();
  eventOutNames.clear();
  items.clear();
  keywords.clear();
  logicalParts.clear();
  points.clear();
}

// A copy shares the box display nodes and the items of the original; it
// holds its own references on them so that each releases only its own.
void ZKComponent::retainCopiedNodes() {
  if (objectBoxNode) objectBoxNode->ref();
  if (partBoxesNode) partBoxesNode->ref();
  if (boxTemplate) boxTemplate->ref();
  if (boxDisplayRoot) boxDisplayRoot->ref();
  for (auto& entry : items) entry.value()->ref();
}

void ZKComponent::copyAttributes(const ZKComponent& other) {
  for (const auto& entry : other.attributes) {
    const ZKAttribute* source = entry.value();
    auto* copy = static_cast<ZKAttribute*>(source->getTypeId().createInstance());
    if (!copy) continue;
    copy->copyFrom(*source);
    copy->setName(source->getName());
    copy->setHandler(source->getHandler());
    copy->setIsHidden(source->isHidden());
    copy->defaulted(source->isDefaulted());
    copy->setOwner(this);
    attributes.insert(entry.key(), copy);
  }
}

void ZKComponent::deleteAttributes() {
  for (auto& entry : attributes) delete entry.value();
  attributes.clear();
}

void ZKComponent::releaseHeldNodes() {
  if (objectBoxNode) objectBoxNode->unref();
  if (partBoxesNode) partBoxesNode->unref();
  if (boxTemplate) boxTemplate->unref();
  if (boxDisplayRoot) boxDisplayRoot->unref();
  objectBoxNode = nullptr;
  partBoxesNode = nullptr;
  boxTemplate = nullptr;
  boxDisplayRoot = nullptr;
  for (auto& entry : items) entry.value()->unref();
  items.clear();
}

SbBool ZKComponent::affectsState() const { return FALSE; }

void ZKComponent::processNewSubPart(ZKPart* part) {
  if (part) addPartToList(RWCString(part->getName().getString()), part);
}

// ---------------------------------------------------------------------------
// Identity and simple members

const char* ZKComponent::getComponentName() const { return componentName.data(); }
void ZKComponent::setComponentName(const char* name) { componentName = name; }
const char* ZKComponent::getVersion() const { return version.data(); }
void ZKComponent::setVersion(const char* v) { version = v; }
const char* ZKComponent::getSourceDatabase() const { return sourceDatabase.data(); }
int ZKComponent::isFromDatabase() const { return sourceDatabase.isNull() ? 0 : 1; }
RWCString ZKComponent::getGeometryFile() { return geometryFile; }
void ZKComponent::setGeometryFile(const RWCString& file) { geometryFile = file; }
RWCString ZKComponent::getParentModel() { return parentModel; }
void ZKComponent::setParentModel(const RWCString& model) { parentModel = model; }
RWCString ZKComponent::getParentContainer() { return parentContainer; }
ZKComponentDB* ZKComponent::getWorld() const { return world; }
const ZKComponentSensor& ZKComponent::getComponentSensor() const { return componentSensor; }
void ZKComponent::setComponentSensor(const ZKComponentSensor& sensor) { componentSensor = sensor; }
bool ZKComponent::hasTextures() const { return hasTextures_; }
void ZKComponent::setHasTextures(bool has) { hasTextures_ = has; }
bool ZKComponent::texturesChecked() const { return texturesChecked_; }
void ZKComponent::setTexturesChecked(bool checked) { texturesChecked_ = checked; }
const SoSwitch* ZKComponent::getSwitchNode() const { return switchNode; }
void ZKComponent::objectIsDirty() { objectDirty = 1; }
void ZKComponent::partsAreDirty() { partsDirty = 1; }

// ---------------------------------------------------------------------------
// Transform operations

SoTransform* ZKComponent::transformPart() {
  return static_cast<SoTransform*>(getPart("transform", TRUE));
}

void ZKComponent::incrementPosition(SbVec3f* d) {
  SoTransform* t = transformPart();
  if (!t || !d) return;
  t->translation.setValue(t->translation.getValue() + *d);
  touch(this);
}

void ZKComponent::rotate(SbRotation* r) {
  SoTransform* t = transformPart();
  if (!t || !r) return;
  SbRotation rotation = t->rotation.getValue();
  rotation *= *r;
  t->rotation.setValue(rotation);
  touch(this);
}

void ZKComponent::scale(SbVec3f* s) {
  SoTransform* t = transformPart();
  if (!t || !s) return;
  const SbVec3f& f = t->scaleFactor.getValue();
  t->scaleFactor.setValue(f[0] * (*s)[0], f[1] * (*s)[1], f[2] * (*s)[2]);
  touch(this);
}

void ZKComponent::setCenter(SbVec3f* c) {
  SoTransform* t = transformPart();
  if (!t || !c) return;
  t->recenter(*c);
  touch(this);
}

void ZKComponent::setPosition(SbVec3f* p) {
  SoTransform* t = transformPart();
  if (t && p) {
    t->translation.setValue(*p);
    touch(this);
  }
  objectDirty = 1;
  partsDirty = 1;
}

void ZKComponent::setScaleOrientation(SbRotation* r) {
  SoTransform* t = transformPart();
  if (!t || !r) return;
  t->scaleOrientation.setValue(*r);
  touch(this);
}

SbVec3f ZKComponent::getPosition() {
  SoTransform* t = transformPart();
  return t ? t->translation.getValue() : SbVec3f(0, 0, 0);
}

// ---------------------------------------------------------------------------
// Geometry loading

int ZKComponent::loadInventorGeometry(SoSeparator* geometry) {
  if (!geometry) return 0;
  switchNode = nullptr;
  for (int i = 0; i < geometry->getNumChildren(); ++i) {
    SoNode* child = geometry->getChild(i);
    if (child->getTypeId() == SoSwitch::getClassTypeId()) {
      switchNode = static_cast<SoSwitch*>(child);
      break;
    }
  }
  setPart("contents", geometry);
  updatePartTree(geometry);
  return 1;
}

int ZKComponent::loadVRMLGeometry(SoGroup* geometry) {
  if (!geometry) return 0;
  if (geometry->isOfType(SoVRMLTransform::getClassTypeId())) {
    SoTransform* t = new SoTransform;
    t->ref();
    copyVRMLTransform(static_cast<SoVRMLTransform*>(geometry), t);
    setTransform(t);
    t->unref();
  }
  SoSeparator* contents = new SoSeparator;
  contents->ref();
  for (int i = 0; i < geometry->getNumChildren(); ++i) contents->addChild(geometry->getChild(i));
  releaseHandedOver(geometry);
  setPart("contents", contents);
  updatePartTree(contents);
  contents->unref();
  return 1;
}

// ---------------------------------------------------------------------------
// Bounding boxes and points

SoSeparator* ZKComponent::loadBboxGeometry() {
  SoInput in;
  in.setBuffer(kBoxScene, std::strlen(kBoxScene));
  SoSeparator* root = SoDB::readAll(&in);
  if (root) root->ref();
  return root;
}

void ZKComponent::updateComponentBoundingBox() {
  if (!objectDirty) return;
  SoGetBoundingBoxAction action{SbViewportRegion()};
  action.apply(this);
  componentBox = action.getBoundingBox();
  objectDirty = 0;
  if (objectBoxShown && objectBoxNode) fitBox(objectBoxNode, componentBox);
}

void ZKComponent::updatePartBoundingBoxes() {
  if (!partsDirty) return;
  SoGetBoundingBoxAction action{SbViewportRegion()};
  for (size_t i = 0; i < partBoxes.entries(); ++i) {
    PartBoxPair_t& pair = partBoxes(i);
    if (!pair.part) continue;
    SoPath* path = findPath(this, pair.part);
    if (!path) continue;
    action.apply(path);
    pair.box = action.getBoundingBox();
    path->unref();
    if (partBoxesShown && partBoxesNode && static_cast<int>(i) < partBoxesNode->getNumChildren()) {
      fitBox(partBoxesNode->getChild(static_cast<int>(i)), pair.box);
    }
  }
  partsDirty = 0;
}

const SbBox3f& ZKComponent::getBoundingBox() {
  updateComponentBoundingBox();
  return componentBox;
}

const RWTValOrderedVector<ZKComponent::PartBoxPair_t>& ZKComponent::getPartBoundingBoxes() {
  updatePartBoundingBoxes();
  return partBoxes;
}

SoGroup* ZKComponent::sceneRootOfWorld() const {
  return world ? world->getComponentSceneRoot() : nullptr;
}

void ZKComponent::showObjectBoundingBox() {
  SoGroup* sceneRoot = sceneRootOfWorld();
  if (!sceneRoot || objectBoxShown) return;
  if (!boxDisplayRoot) {
    boxDisplayRoot = new SoSeparator;
    boxDisplayRoot->ref();
  } else if (partBoxesShown) {
    for (int i; (i = boxDisplayRoot->findChild(partBoxesNode)) >= 0;) boxDisplayRoot->removeChild(i);
  }
  if (!objectBoxNode) {
    if (!boxTemplate && !(boxTemplate = loadBboxGeometry())) return;
    objectBoxNode = boxTemplate->copy(FALSE);
    objectBoxNode->ref();
  }
  boxDisplayRoot->addChild(objectBoxNode);
  sceneRoot->addChild(boxDisplayRoot);
  objectBoxShown = 1;
  // A clean box was computed while nothing was shown: fit the display now.
  if (objectDirty) {
    updateComponentBoundingBox();
  } else {
    fitBox(objectBoxNode, componentBox);
  }
}

void ZKComponent::showPartBoundingBoxes() {
  SoGroup* sceneRoot = sceneRootOfWorld();
  if (!sceneRoot || partBoxesShown) return;
  if (!boxDisplayRoot) {
    boxDisplayRoot = new SoSeparator;
    boxDisplayRoot->ref();
  } else if (objectBoxShown) {
    for (int i; (i = boxDisplayRoot->findChild(objectBoxNode)) >= 0;) boxDisplayRoot->removeChild(i);
  }
  if (!partBoxesNode) {
    partBoxesNode = new SoSeparator;
    partBoxesNode->ref();
    if (!boxTemplate && !(boxTemplate = loadBboxGeometry())) return;
    for (size_t i = 0; i < partBoxes.entries(); ++i) partBoxesNode->addChild(boxTemplate->copy(FALSE));
  }
  boxDisplayRoot->addChild(partBoxesNode);
  sceneRoot->addChild(boxDisplayRoot);
  partBoxesShown = 1;
  if (partsDirty) {
    updatePartBoundingBoxes();
  } else {
    // Clean boxes were computed while nothing was shown: fit the display now.
    int shown = partBoxesNode->getNumChildren();
    for (size_t i = 0; i < partBoxes.entries() && static_cast<int>(i) < shown; ++i) {
      fitBox(partBoxesNode->getChild(static_cast<int>(i)), partBoxes(i).box);
    }
  }
}

void ZKComponent::hideBoundingBoxes() {
  SoGroup* sceneRoot = sceneRootOfWorld();
  if (!sceneRoot || !(objectBoxShown || partBoxesShown)) return;
  for (int i; (i = sceneRoot->findChild(boxDisplayRoot)) >= 0;) sceneRoot->removeChild(i);
  objectBoxShown = 0;
  partBoxesShown = 0;
}

const RWTValOrderedVector<SbVec3f>& ZKComponent::getPoints(SoGetMatrixAction* action) {
  points.clear();
  if (!action) return points;
  auto collect = [this, action](ZKPart* part) {
    SoPath* path = findPath(this, part->getTransform());
    if (!path) return;
    action->apply(path);
    path->unref();
    const SbMatrix& matrix = action->getMatrix();
    for (const SbVec3f& p : part->getPoints()) {
      SbVec3f world;
      matrix.multVecMatrix(p, world);
      points.insert(world);
    }
  };
  collect(this);
  for (auto& entry : logicalParts) collect(entry.value());
  return points;
}

// ---------------------------------------------------------------------------
// Logical parts

void ZKComponent::addPart(const RWCString& name, ZKPart* part, ZKPart* parent) {
  ZKPart* target = parent ? parent : this;
  if (!part) return;
  SoGroup* contents = static_cast<SoGroup*>(target->getPart("contents", TRUE));
  if (!contents) return;
  contents->addChild(part);
  addPartToList(name, part);
  part->setName(SbName(name.data()));
}

void ZKComponent::addPartToList(const RWCString& name, ZKPart* part) {
  if (!part || name.isNull()) return;
  logicalParts.insert(name, part);
}

ZKPart* ZKComponent::getLogicalPart(const RWCString& name) {
  ZKPart** part = logicalParts.find(name);
  return part ? *part : nullptr;
}

const RWCString* ZKComponent::getLogicalPartName(ZKPart* part) {
  if (!part) return nullptr;
  for (const auto& entry : logicalParts) {
    if (entry.value() == part) return &entry.key();
  }
  return nullptr;
}

void ZKComponent::getLogicalPartNames(RWTValSortedVector<RWCString>& out) {
  out.clear();
  for (const auto& entry : logicalParts) out.insert(entry.key());
}

int ZKComponent::isValidPart(const RWCString& name) { return logicalParts.contains(name) ? 1 : 0; }

int ZKComponent::getNumParts() const { return static_cast<int>(logicalParts.entries()); }

int ZKComponent::getNewPartName(RWCString& out) {
  char name[16];
  for (int i = 0; i < 9999; ++i) {
    std::snprintf(name, sizeof name, "Part%04i", i);
    if (!logicalParts.contains(RWCString(name))) {
      out = name;
      return -1;
    }
  }
  std::snprintf(name, sizeof name, "Part%04i", 9999);
  out = name;
  return 0;
}

ZKPart* ZKComponent::parentPartOf(ZKPart* part) {
  SoPath* path = findPath(this, part);
  if (!path) return nullptr;
  // Kit-internal groups and list parts lie between a part and the part
  // holding it, so the nearest part above on the path is the parent.
  ZKPart* parent = nullptr;
  for (int i = fullLength(path) - 2; i >= 0 && !parent; --i) {
    SoNode* above = path->getNode(i);
    if (above->isOfType(ZKPart::getClassTypeId())) parent = static_cast<ZKPart*>(above);
  }
  path->unref();
  return parent;
}

void ZKComponent::removePart(ZKPart* part) {
  if (!part) return;
  ZKPart* parent = parentPartOf(part);
  if (!parent) return;
  part->ref();
  SoNodeKitListPart* childList = static_cast<SoNodeKitListPart*>(parent->getPart("childList", FALSE));
  int index = childList ? childList->findChild(part) : -1;
  if (index >= 0) {
    childList->removeChild(index);
  } else if (SoGroup* holder = holderIn(parent->getPart("contents", FALSE), part)) {
    holder->removeChild(part);
  }
  if (const RWCString* name = getLogicalPartName(part)) logicalParts.remove(RWCString(*name));
  part->unref();
}

void ZKComponent::removePart(const RWCString& name) { removePart(getLogicalPart(name)); }

int ZKComponent::replacePart(ZKPart* oldPart, ZKPart* newPart) {
  if (!oldPart || !newPart) return 0;
  const RWCString* key = getLogicalPartName(oldPart);
  if (!key) return 0;
  RWCString name = *key;
  newPart->getTransform()->translation.setValue(oldPart->getTransform()->translation.getValue());
  oldPart->setTag(oldPart->buildTag());
  newPart->setTag(newPart->buildTag());
  if (oldPart->getTag() != newPart->getTag()) return 0;
  ZKPart* parent = parentPartOf(oldPart);
  if (!parent) return 0;
  SoNodeKitListPart* childList = static_cast<SoNodeKitListPart*>(parent->getPart("childList", FALSE));
  int index = childList ? childList->findChild(oldPart) : -1;
  if (index >= 0) {
    childList->replaceChild(index, newPart);
  } else if (SoGroup* holder = holderIn(parent->getPart("contents", FALSE), oldPart)) {
    holder->replaceChild(oldPart, newPart);
  } else {
    return 0;
  }
  logicalParts.insert(name, newPart);
  newPart->setName(SbName(name.data()));
  return 1;
}

int ZKComponent::replacePart(const RWCString& name, ZKPart* newPart) {
  return replacePart(getLogicalPart(name), newPart);
}

void ZKComponent::setLogicalPartName(ZKPart* part, const RWCString& newName) {
  if (logicalParts.contains(newName)) return;
  const RWCString* oldName = getLogicalPartName(part);
  if (!oldName) return;
  logicalParts.remove(RWCString(*oldName));
  logicalParts.insert(newName, part);
}

void ZKComponent::setLogicalPartName(const RWCString& oldName, const RWCString& newName) {
  if (logicalParts.contains(newName)) return;
  ZKPart* part = nullptr;
  if (!logicalParts.remove(oldName, &part)) return;
  logicalParts.insert(newName, part);
}

// ---------------------------------------------------------------------------
// Items

void ZKComponent::addItem(ZKPart* item) {
  if (!item) return;
  item->ref();
  RWCString name(item->getName().getString());
  if (ZKPart** held = items.find(name)) {
    // A different item under the same name gives up its place and the
    // reference held for it.
    if (*held != item) {
      ZKPart* replaced = *held;
      *held = item;
      replaced->unref();
    }
  } else {
    items.insert(name, item);
  }
  if (item->isOfType(ZKComponent::getClassTypeId())) {
    static_cast<ZKComponent*>(item)->parentContainer = RWCString(getName().getString());
  }
}

void ZKComponent::removeItem(ZKPart* item) {
  if (!item) return;
  item->ref();
  ZKPart* held = nullptr;
  if (items.remove(RWCString(item->getName().getString()), &held)) {
    if (held->isOfType(ZKComponent::getClassTypeId())) {
      static_cast<ZKComponent*>(held)->parentContainer = "";
    }
    held->unref();
  }
  SoNodeKitListPart* childList = static_cast<SoNodeKitListPart*>(getPart("childList", FALSE));
  if (childList) {
    int index = childList->findChild(item);
    if (index >= 0) childList->removeChild(index);
  }
  item->unref();
}

ZKPart* ZKComponent::getItem(const RWCString& name) {
  ZKPart** item = items.find(name);
  return item ? *item : nullptr;
}

int ZKComponent::isValidItem(ZKPart* item) {
  return item && items.contains(RWCString(item->getName().getString())) ? 1 : 0;
}

int ZKComponent::getNumItems() const { return static_cast<int>(items.entries()); }

void ZKComponent::setItemVisibility(ZKPart* item, int visible) {
  SoNodeKitListPart* childList = static_cast<SoNodeKitListPart*>(getPart("childList", FALSE));
  if (!childList || !item) return;
  int index = childList->findChild(item);
  if (visible) {
    if (index < 0) childList->addChild(item);
  } else if (index >= 0) {
    childList->removeChild(index);
  }
}

// ---------------------------------------------------------------------------
// Attributes

void ZKComponent::addAttribute(const RWCString& name, ZKAttribute* attr) {
  if (!attr || name.isNull()) return;
  attributes.insert(name, attr);
  attr->setOwner(this);
}

ZKAttribute* ZKComponent::getAttribute(const RWCString& name) {
  ZKAttribute** attr = attributes.find(name);
  return attr ? *attr : nullptr;
}

int ZKComponent::isValidAttribute(const RWCString& name) {
  return attributes.contains(name) ? 1 : 0;
}

int ZKComponent::getNumAttributes() const { return static_cast<int>(attributes.entries()); }

const RWCString* ZKComponent::getAttributeName(ZKAttribute* attr) {
  for (const auto& entry : attributes)
    if (entry.value() == attr) return &entry.key();
  return nullptr;
}

void ZKComponent::removeAttribute(ZKAttribute* attr) {
  if (const RWCString* name = getAttributeName(attr)) attributes.remove(RWCString(*name));
}

void ZKComponent::removeAttribute(const RWCString& name) { removeAttribute(getAttribute(name)); }

void ZKComponent::setAttributeName(ZKAttribute* attr, const RWCString& newName) {
  if (attributes.contains(newName)) return;
  const RWCString* oldName = getAttributeName(attr);
  if (!oldName) return;
  attributes.remove(RWCString(*oldName));
  attributes.insert(newName, attr);
}

void ZKComponent::setAttributeName(const RWCString& oldName, const RWCString& newName) {
  setAttributeName(getAttribute(oldName), newName);
}

void ZKComponent::getAttributeNames(RWTValSortedVector<RWCString>& out) {
  out.clear();
  for (const auto& entry : attributes) out.insert(entry.key());
}

void ZKComponent::getAttributeValues(RWTValSortedVector<RWCString>& out) {
  size_t i = 0;
  for (const auto& entry : attributes) {
    if (i >= out.entries()) break;
    SbString text;
    entry.value()->get(text);
    out(i++) = RWCString(text.getString(), static_cast<size_t>(text.getLength()));
  }
}

void ZKComponent::setAttributeValues(RWTValSortedVector<RWCString>& in) {
  size_t i = 0;
  for (const auto& entry : attributes) {
    if (i >= in.entries()) break;
    entry.value()->set(in(i++).data());
  }
}

// ---------------------------------------------------------------------------
// Keywords, event names and sub-component names

void ZKComponent::addKeyword(const RWCString& keyword) {
  if (!keywords.contains(keyword)) keywords.insert(keyword);
}

void ZKComponent::removeKeyword(const RWCString& keyword) { keywords.remove(keyword); }

void ZKComponent::getKeywords(RWTValSortedVector<RWCString>& out) {
  for (const RWCString& k : keywords) out.insert(k);
}

int ZKComponent::getNumKeywords() const { return static_cast<int>(keywords.entries()); }

void ZKComponent::addEventIn(const RWCString& name) {
  if (!name.isNull() && !eventInNames.contains(name)) eventInNames.insert(name);
}

void ZKComponent::addEventOut(const RWCString& name) {
  if (!name.isNull() && !eventOutNames.contains(name)) eventOutNames.insert(name);
}

void ZKComponent::getEventInNames(RWTValSortedVector<RWCString>& out) {
  for (const RWCString& n : eventInNames) out.insert(n);
}

void ZKComponent::getEventOutNames(RWTValSortedVector<RWCString>& out) {
  for (const RWCString& n : eventOutNames) out.insert(n);
}

void ZKComponent::addComponent(const RWCString& name) {
  if (!name.isNull() && !subComponentNames.contains(name)) subComponentNames.insert(name);
}

void ZKComponent::getSubComponentNames(RWTValSortedVector<RWCString>& out) {
  out.clear();
  for (const RWCString& n : subComponentNames) out.insert(n);
}
