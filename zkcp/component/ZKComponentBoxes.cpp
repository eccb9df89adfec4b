#include <zkcp/component/ZKComponent.h>

#include <zkcp/world/ZKComponentDB.h>

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPath.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

#include <cstring>

namespace {

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

}  // namespace

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
  updateComponentBoundingBox();
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
  updatePartBoundingBoxes();
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
