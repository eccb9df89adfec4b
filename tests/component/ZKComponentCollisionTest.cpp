#include <zkcp/component/ZKComponent.h>

#include <Inventor/nodes/SoCube.h>

#include "../TestScene.h"

#include <deque>

namespace {

const float kPi = 3.14159265358979f;

// One cube of the geometry made in code; a named cube becomes a leaf part.
struct Cube {
  const char* name;
  float x, y, size;
  SbRotation turn = SbRotation();
};

class Collisions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ZKComponent::initClass(); }
  ZKComponent* keep(ZKComponent* c) { return made.emplace_back(c); }
  ZKComponent* cubes(const char* name, std::initializer_list<Cube> list) {
    zkcp_test::Ref<SoSeparator> root(new SoSeparator);
    for (const Cube& cube : list) {
      SoTransform* xf = new SoTransform;
      xf->translation.setValue(cube.x, cube.y, 0);
      xf->rotation = cube.turn;
      SoCube* shape = new SoCube;
      shape->width = shape->height = shape->depth = cube.size;
      root->addChild(zkcp_test::separatorOf({xf, shape}, cube.name ? cube.name : ""));
    }
    return keep(new ZKComponent(name, "Cubes", "cubes.iv", root));
  }
  // The component takes over the reference read with a VRML file.
  ZKComponent* fromFile(const char* name, const char* file) {
    SoSeparator* root = zkcp_test::readData(file);
    ZKComponent* c = keep(new ZKComponent(name, "Two", file, root));
    if (std::string(file).find(".wrl") == std::string::npos) root->unref();
    return c;
  }
  static void moveTo(ZKComponent* c, float x, float y = 0) {
    SbVec3f at(x, y, 0);
    c->setPosition(&at);
  }
  std::deque<zkcp_test::Ref<ZKComponent>> made;
};

// The record of the last test: the flag, then the names of the part, the
// other component and its part ("-" for none).
std::string record(const ZKComponent* c) {
  const ZKComponent::CollisionRecord_t* r = c->getCollisionInfo();
  const auto name = [](SoNode* n) { return n ? zkcp_test::nameOf(n) : std::string("-"); };
  return std::to_string(r->collided) + " " + name(r->part) + " " + name(r->otherComponent) +
         " " + name(r->otherPart);
}

TEST_F(Collisions, ApartOverlappingTouchingAndInside) {
  ZKComponent* a = cubes("a", {{"A", 0, 0, 2}});
  ZKComponent* b = cubes("b", {{"B", 0, 0, 2}});
  ZKComponent* big = cubes("big", {{"Big", 0, 0, 6}});
  // B at (x, y) against A (-1..1 both ways); faces, edges and corners
  // touching count as overlap.
  const struct {
    float x, y;
    int hit;
  } cases[] = {{3, 0, 0}, {2.01f, 0, 0}, {2, 0, 1},   {1.5f, 0, 1}, {0, 0, 1},
               {-2, 0, 1}, {-2.5f, 0, 0}, {2, 2, 1}, {2, 2.5f, 0}};
  for (const auto& k : cases) {
    SCOPED_TRACE(std::to_string(k.x) + " " + std::to_string(k.y));
    moveTo(b, k.x, k.y);
    EXPECT_EQ(a->checkForComponentCollisions(b), k.hit);
    EXPECT_EQ(b->checkForComponentCollisions(a), k.hit);
    EXPECT_EQ(a->checkForPartCollisions(b), k.hit);
    EXPECT_EQ(a->getCollisionInfo()->collided, k.hit);
  }
  // One box wholly inside the other overlaps from either side.
  moveTo(b, 1);
  EXPECT_EQ(big->checkForPartCollisions(b), 1);
  EXPECT_EQ(b->checkForPartCollisions(big), 1);
}

TEST_F(Collisions, RecordAfterHitsAndMisses) {
  ZKComponent* iv = fromFile("iv", "twoparts.iv");
  ZKComponent* wrl = fromFile("wrl", "twoparts.wrl");
  const ZKComponent::CollisionRecord_t* info = iv->getCollisionInfo();
  EXPECT_EQ(record(iv), "0 - - -");
  // The VRML copy moved by 5: its Left (x 2..4) meets the Inventor Right.
  moveTo(wrl, 5);
  ASSERT_EQ(iv->checkForPartCollisions(wrl), 1);
  EXPECT_EQ(record(iv), "1 Right wrl Left");
  EXPECT_EQ(info->part, iv->getLogicalPart("Right"));
  EXPECT_EQ(info->otherPart, wrl->getLogicalPart("Left"));
  EXPECT_EQ(info->componentBox, iv->getBoundingBox());
  EXPECT_EQ(info->partBox, SbBox3f(2, -2, -1, 4, 2, 1));
  EXPECT_EQ(info->otherComponentBox, SbBox3f(2, -2, -1, 9, 2, 1));
  EXPECT_EQ(info->otherPartBox, SbBox3f(2, -1, -1, 4, 1, 1));
  // Only the caller records the test; a copy carries the record.
  EXPECT_EQ(record(wrl), "0 - - -");
  EXPECT_EQ(record(keep(new ZKComponent(*iv))), "1 Right wrl Left");

  // A component hit clears the part pointers and keeps the part boxes.
  moveTo(wrl, 6);
  ASSERT_EQ(iv->checkForComponentCollisions(wrl), 1);
  EXPECT_EQ(record(iv), "1 - wrl -");
  EXPECT_EQ(info->otherComponentBox, SbBox3f(3, -2, -1, 10, 2, 1));
  EXPECT_EQ(info->partBox, SbBox3f(2, -2, -1, 4, 2, 1));
  // A miss clears the flag and the pointers; every box holds the last hit.
  moveTo(wrl, 20);
  EXPECT_EQ(iv->checkForComponentCollisions(wrl), 0);
  EXPECT_EQ(record(iv), "0 - - -");
  EXPECT_EQ(info->otherComponentBox, SbBox3f(3, -2, -1, 10, 2, 1));
  EXPECT_EQ(info->otherPartBox, SbBox3f(2, -1, -1, 4, 1, 1));
  // A null other is ignored and leaves the record alone.
  iv->checkForComponentCollisions(iv);
  EXPECT_EQ(iv->checkForPartCollisions(nullptr), 0);
  EXPECT_EQ(iv->checkForComponentCollisions(nullptr), 0);
  EXPECT_EQ(record(iv), "1 - iv -");
}

TEST_F(Collisions, PartsFinerThanComponents) {
  // Diagonal pairs: the component boxes overlap along x 3.5..4.5, no parts do.
  ZKComponent* a = cubes("a", {{"Low", 0, 0, 1}, {"High", 4, 4, 1}});
  ZKComponent* b = cubes("b", {{"Low", 4, 0, 1}, {"High", 8, 4, 1}});
  EXPECT_EQ(a->checkForComponentCollisions(b), 1);
  EXPECT_EQ(a->checkForPartCollisions(b), 0);
  EXPECT_EQ(record(a), "0 - - -");
  EXPECT_EQ(a->getCollisionInfo()->componentBox, a->getBoundingBox());
  // Every part of a overlaps b's one part: the first in part-box order wins.
  const std::string first = zkcp_test::nameOf(a->getPartBoundingBoxes()(0).part);
  ASSERT_EQ(a->checkForPartCollisions(cubes("wide", {{"Slab", 2, 2, 8}})), 1);
  EXPECT_EQ(record(a), "1 " + first + " wide Slab");
  // Against itself a component collides, at part level with its first part.
  EXPECT_EQ(a->checkForPartCollisions(a), 1);
  EXPECT_EQ(record(a), "1 " + first + " a " + first);
  // Geometry without named groups has no leaf parts and no part collisions.
  ZKComponent* plain = cubes("plain", {{nullptr, 0, 0, 2}});
  EXPECT_EQ(plain->checkForComponentCollisions(a), 1);
  EXPECT_EQ(plain->checkForPartCollisions(a), 0);
  EXPECT_EQ(a->checkForPartCollisions(plain), 0);
  // Without geometry the box is empty and meets nothing, not even itself.
  ZKComponent* empty = keep(new ZKComponent);
  EXPECT_EQ(empty->checkForComponentCollisions(empty), 0);
  EXPECT_EQ(empty->checkForComponentCollisions(a), 0);
  EXPECT_EQ(a->checkForPartCollisions(empty), 0);
}

TEST_F(Collisions, RotatedPartsAndStaleBoxes) {
  // Turned an eighth about z, a 2x2x2 cube reaches x = sqrt 2.
  const SbRotation eighth(SbVec3f(0, 0, 1), kPi / 4);
  ZKComponent* turned = cubes("turned", {{"T", 0, 0, 2, eighth}});
  ZKComponent* straight = cubes("straight", {{"S", 0, 0, 2}});
  ZKComponent* probe = cubes("probe", {{"P", 0, 0, 2}});
  moveTo(probe, 2.3f);
  EXPECT_EQ(straight->checkForPartCollisions(probe), 0);
  EXPECT_EQ(turned->checkForPartCollisions(probe), 1);
  // Turning a part of the straight one only counts once its boxes are
  // marked dirty; so does a move by incrementPosition.
  straight->getLogicalPart("S")->rotate(eighth);
  EXPECT_EQ(straight->checkForPartCollisions(probe), 0);
  straight->objectIsDirty();
  EXPECT_EQ(straight->checkForComponentCollisions(probe), 1);
  EXPECT_EQ(straight->checkForPartCollisions(probe), 0);
  straight->partsAreDirty();
  EXPECT_EQ(straight->checkForPartCollisions(probe), 1);
  SbVec3f away(10, 0, 0);
  probe->incrementPosition(&away);
  EXPECT_EQ(straight->checkForPartCollisions(probe), 1);
  probe->objectIsDirty();
  probe->partsAreDirty();
  EXPECT_EQ(straight->checkForPartCollisions(probe), 0);

  // A whole component turned a quarter: the 2x4x2 Right of twoparts lies
  // along x, y 2..4 after the turn, and meets a cube at (0, 3).
  ZKComponent* two = fromFile("two", "twoparts.iv");
  moveTo(probe, 0, 3);
  EXPECT_EQ(two->checkForPartCollisions(probe), 0);
  SbRotation quarter(SbVec3f(0, 0, 1), kPi / 2);
  two->rotate(&quarter);
  two->objectIsDirty();
  two->partsAreDirty();
  ASSERT_EQ(two->checkForPartCollisions(probe), 1);
  EXPECT_EQ(record(two), "1 Right probe P");
}

}  // namespace
