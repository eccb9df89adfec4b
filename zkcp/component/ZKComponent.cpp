#include <zkcp/component/ZKComponent.h>

#include <zkcp/attribute/ZKLinearAttributes.h>
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/attribute/ZKStringAttributes.h>
#include <zkcp/part/ZKSharedGraph.h>
#include <zkcp/world/ZKComponentDB.h>

#include <Inventor/SoPath.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>
#include <Inventor/nodes/SoTransform.h>

#include <cstdio>
#include <cstring>

SO_KIT_SOURCE(ZKComponent);

namespace {

const char kNamelessComponent[] = "ZKNamelessComponent";
const char kNoFile[] = "ZKNoFile";

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

}  // namespace

// First path from `root` to `node`, looking into node kits and under every
// child; null when there is none. The caller owns one reference on it.
SoPath* ZKComponent::findPath(SoNode* root, SoNode* node) {
  SoSearchAction search;
  search.setNode(node);
  search.setInterest(SoSearchAction::FIRST);
  search.setSearchingAll(TRUE);
  search.apply(root);
  SoPath* path = search.getPath();
  if (path) path->ref();
  return path;
}

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
  boxLogicalParts();
}

// Made without geometry first, which loads nothing and boxes no part.
ZKComponent::ZKComponent(const RWCString& name, const char* componentName,
                         const RWCString& geometryFile, SharedGeometry geometry,
                         ZKComponentDB* world, const char* sourceDatabase, int partFlagA,
                         int partFlagB)
    : ZKComponent(name, componentName, geometryFile, nullptr, world, sourceDatabase, partFlagA,
                  partFlagB) {
  if (name == kNamelessComponent || geometryFile == kNoFile || !geometry.graph) return;
  const bool inventor = geometryFile.contains(".iv");
  const bool vrml = geometryFile.contains(".wrl");
  if (inventor) {
    auto* copy = static_cast<SoGroup*>(geometry.graph->copy());
    copy->ref();
    loadInventorGeometry(copy->isOfType(SoSeparator::getClassTypeId())
                             ? static_cast<SoSeparator*>(copy)
                             : nullptr);
    if (vrml) {
      loadVRMLGeometry(copy);
    } else {
      copy->unref();
    }
  } else if (vrml) {
    loadSharedVRMLGeometry(*geometry.graph);
  }
  boxLogicalParts();
}

void ZKComponent::boxLogicalParts() {
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
  putPart("contents", geometry);
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
  putPart("contents", contents);
  updatePartTree(contents);
  contents->unref();
  return 1;
}

// What loadVRMLGeometry does with a copy of `geometry`, copying only the
// nodes the part tree keeps.
int ZKComponent::loadSharedVRMLGeometry(const SoGroup& geometry) {
  ZKSharedGraph shared(geometry);
  if (!shared.complete()) return loadVRMLGeometry(static_cast<SoGroup*>(geometry.copy()));
  if (geometry.isOfType(SoVRMLTransform::getClassTypeId())) {
    SoTransform* t = new SoTransform;
    t->ref();
    copyVRMLTransform(static_cast<const SoVRMLTransform*>(&geometry), t);
    setTransform(t);
    t->unref();
  }
  SoSeparator* contents = new SoSeparator;
  contents->ref();
  for (SoNode* child : shared.childrenOf(&geometry)) contents->addChild(child);
  putPart("contents", contents);
  // The builder reads the shared graph only while it runs.
  struct Reading {
    ZKSharedGraph*& at;
    ~Reading() { at = nullptr; }
  } reading{sharedGraph_};
  sharedGraph_ = &shared;
  updatePartTree(contents);
  contents->unref();
  return 1;
}
