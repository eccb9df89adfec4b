#include <zkcp/component/ZKComponent.h>

const ZKComponent::CollisionRecord_t* ZKComponent::getCollisionInfo() const {
  return &collisionInfo;
}

int ZKComponent::checkForComponentCollisions(ZKComponent* other) {
  if (!other) return 0;
  updateComponentBoundingBox();
  other->updateComponentBoundingBox();
  if (componentBox.intersect(other->componentBox)) {
    collisionInfo.collided = 1;
    collisionInfo.componentBox = componentBox;
    collisionInfo.part = nullptr;
    collisionInfo.otherComponent = other;
    collisionInfo.otherComponentBox = other->componentBox;
    collisionInfo.otherPart = nullptr;
    return 1;
  }
  collisionInfo.collided = 0;
  collisionInfo.part = nullptr;
  collisionInfo.otherComponent = nullptr;
  collisionInfo.otherPart = nullptr;
  return 0;
}

int ZKComponent::checkForPartCollisions(ZKComponent* other) {
  if (!other) return 0;
  updateComponentBoundingBox();
  updatePartBoundingBoxes();
  other->updateComponentBoundingBox();
  other->updatePartBoundingBoxes();
  if (!checkForComponentCollisions(other)) return 0;
  for (size_t i = 0; i < partBoxes.entries(); ++i) {
    const PartBoxPair_t& mine = partBoxes(i);
    for (size_t j = 0; j < other->partBoxes.entries(); ++j) {
      const PartBoxPair_t& theirs = other->partBoxes(j);
      if (!mine.box.intersect(theirs.box)) continue;
      collisionInfo.part = mine.part;
      collisionInfo.partBox = mine.box;
      collisionInfo.otherPart = theirs.part;
      collisionInfo.otherPartBox = theirs.box;
      return 1;
    }
  }
  collisionInfo.collided = 0;
  collisionInfo.otherComponent = nullptr;
  return 0;
}
