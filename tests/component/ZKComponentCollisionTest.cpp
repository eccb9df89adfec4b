#include <zkcp/component/ZKComponent.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

const float kPi = 3.14159265358979f;

// One cube of the geometry made in code; a named cube becomes a leaf part.
struct Cube {
  const char* name;
  SbVec3f center;
  float size;
  SbRotation turn;
};

class Collisions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SoDB::init();
    ZKComponent::initClass();
  }
  void TearDown() override {
    for (ZKComponent* c : made) c->unref();
  }

  ZKComponent* keep(ZKComponent* c) {
    c->ref();
    made.push_back(c);
    return c;
  }
  ZKComponent* cubes(const char* name, std::initializer_list<Cube> list) {
    SoSeparator* root = new SoSeparator;
    root->ref();
    for (const Cube& cube : list) {
      SoSeparator* group = new SoSeparator;
      if (cube.name) group->setName(cube.name);
      SoTransform* xf = new SoTransform;
      xf->translation = cube.center;
      xf->rotation = cube.turn;
      SoCube* shape = new SoCube;
      shape->width = shape->height = shape->depth = cube.size;
      group->addChild(xf);
      group->addChild(shape);
      root->addChild(group);
    }
    ZKComponent* c = keep(new ZKComponent(name, "Cubes", "cubes.iv", root));
    root->unref();
    return c;
  }
  ZKComponent* fromFile(const char* name, const char* file) {
    SoInput in;
    if (!in.openFile((std::string(ZKCP_TEST_DATA_DIR) + "/" + file).c_str())) return nullptr;
    SoSeparator* root = SoDB::readAll(&in);
    if (!root) return nullptr;
    root->ref();
    ZKComponent* c = keep(new ZKComponent(name, "Two", file, root));
    if (std::string(file).find(".wrl") == std::string::npos) root->unref();
    return c;
  }
  static void moveTo(ZKComponent* c, float x, float y = 0) {
    SbVec3f at(x, y, 0);
    c->setPosition(&at);
  }

  std::vector<ZKComponent*> made;
};

TEST_F(Collisions, ApartOverlappingTouchingAndInside) {
  ZKComponent* a = cubes("a", {{"A", SbVec3f(0, 0, 0), 2, SbRotation()}});
  ZKComponent* b = cubes("b", {{"B", SbVec3f(0, 0, 0), 2, SbRotation()}});
  ZKComponent* big = cubes("big", {{"Big", SbVec3f(0, 0, 0), 6, SbRotation()}});
  // B's x position against A (x -1..1); touching faces count as overlap.
  const struct {
    float x;
    int hit;
  } cases[] = {{3, 0}, {2.01f, 0}, {2, 1}, {1.5f, 1}, {0, 1}, {-2, 1}, {-2.5f, 0}};
  for (const auto& k : cases) {
    moveTo(b, k.x);
    EXPECT_EQ(a->checkForComponentCollisions(b), k.hit) << "x " << k.x;
    EXPECT_EQ(b->checkForComponentCollisions(a), k.hit) << "x " << k.x;
    EXPECT_EQ(a->checkForPartCollisions(b), k.hit) << "x " << k.x;
    EXPECT_EQ(a->getCollisionInfo()->collided, k.hit) << "x " << k.x;
  }
  // One box wholly inside the other overlaps from either side.
  moveTo(b, 1);
  EXPECT_EQ(big->checkForPartCollisions(b), 1);
  EXPECT_EQ(b->checkForPartCollisions(big), 1);
  // Edges and corners touching only along a line or in a point.
  moveTo(b, 2, 2);
  EXPECT_EQ(a->checkForPartCollisions(b), 1);
  moveTo(b, 2, 2.5f);
  EXPECT_EQ(a->checkForPartCollisions(b), 0);
}

TEST_F(Collisions, RecordAfterHitsAndMisses) {
  ZKComponent* iv = fromFile("iv", "twoparts.iv");
  ZKComponent* wrl = fromFile("wrl", "twoparts.wrl");
  ASSERT_TRUE(iv && wrl);
  const ZKComponent::CollisionRecord_t* info = iv->getCollisionInfo();
  EXPECT_EQ(info->collided, 0);
  EXPECT_EQ(info->part, nullptr);
  EXPECT_EQ(info->otherComponent, nullptr);
  EXPECT_EQ(info->otherPart, nullptr);

  // The VRML copy moved by 5: its Left (x 2..4) meets the Inventor Right.
  moveTo(wrl, 5);
  ASSERT_EQ(iv->checkForPartCollisions(wrl), 1);
  EXPECT_EQ(info->collided, 1);
  EXPECT_EQ(info->componentBox, iv->getBoundingBox());
  EXPECT_EQ(info->part, iv->getLogicalPart("Right"));
  EXPECT_EQ(info->partBox, SbBox3f(2, -2, -1, 4, 2, 1));
  EXPECT_EQ(info->otherComponent, wrl);
  EXPECT_EQ(info->otherComponentBox, SbBox3f(2, -2, -1, 9, 2, 1));
  EXPECT_EQ(info->otherPart, wrl->getLogicalPart("Left"));
  EXPECT_EQ(info->otherPartBox, SbBox3f(2, -1, -1, 4, 1, 1));
  // Only the caller records the test.
  EXPECT_EQ(wrl->getCollisionInfo()->collided, 0);

  // A copy carries the record.
  ZKComponent* copy = keep(new ZKComponent(*iv));
  EXPECT_EQ(copy->getCollisionInfo()->otherPart, wrl->getLogicalPart("Left"));

  // A component hit clears the part pointers and keeps the part boxes.
  moveTo(wrl, 6);
  ASSERT_EQ(iv->checkForComponentCollisions(wrl), 1);
  EXPECT_EQ(info->part, nullptr);
  EXPECT_EQ(info->otherPart, nullptr);
  EXPECT_EQ(info->otherComponentBox, SbBox3f(3, -2, -1, 10, 2, 1));
  EXPECT_EQ(info->partBox, SbBox3f(2, -2, -1, 4, 2, 1));

  // A miss clears the flag and the pointers; every box holds the last hit.
  moveTo(wrl, 20);
  EXPECT_EQ(iv->checkForComponentCollisions(wrl), 0);
  EXPECT_EQ(info->collided, 0);
  EXPECT_EQ(info->otherComponent, nullptr);
  EXPECT_EQ(info->otherComponentBox, SbBox3f(3, -2, -1, 10, 2, 1));
  EXPECT_EQ(info->otherPartBox, SbBox3f(2, -1, -1, 4, 1, 1));

  // A null other is ignored and leaves the record alone.
  iv->checkForComponentCollisions(iv);
  EXPECT_EQ(iv->checkForPartCollisions(nullptr), 0);
  EXPECT_EQ(iv->checkForComponentCollisions(nullptr), 0);
  EXPECT_EQ(info->collided, 1);
  EXPECT_EQ(info->otherComponent, iv);
}

TEST_F(Collisions, PartsFinerThanComponents) {
  // Diagonal pairs: the component boxes overlap along x 3.5..4.5, no parts do.
  ZKComponent* a = cubes("a", {{"Low", SbVec3f(0, 0, 0), 1, SbRotation()},
                               {"High", SbVec3f(4, 4, 0), 1, SbRotation()}});
  ZKComponent* b = cubes("b", {{"Low", SbVec3f(4, 0, 0), 1, SbRotation()},
                               {"High", SbVec3f(8, 4, 0), 1, SbRotation()}});
  EXPECT_EQ(a->checkForComponentCollisions(b), 1);
  EXPECT_EQ(a->checkForPartCollisions(b), 0);
  EXPECT_EQ(a->getCollisionInfo()->collided, 0);
  EXPECT_EQ(a->getCollisionInfo()->otherComponent, nullptr);
  EXPECT_EQ(a->getCollisionInfo()->componentBox, a->getBoundingBox());

  // Every part of a overlaps b's one part: the first in part-box order wins.
  ZKComponent* wide = cubes("wide", {{"Slab", SbVec3f(2, 2, 0), 8, SbRotation()}});
  ASSERT_EQ(a->checkForPartCollisions(wide), 1);
  EXPECT_EQ(a->getCollisionInfo()->part, a->getPartBoundingBoxes()(0).part);

  // Geometry without named groups has no leaf parts and no part collisions.
  ZKComponent* plain = cubes("plain", {{nullptr, SbVec3f(0, 0, 0), 2, SbRotation()}});
  EXPECT_EQ(plain->checkForComponentCollisions(a), 1);
  EXPECT_EQ(plain->checkForPartCollisions(a), 0);
  EXPECT_EQ(a->checkForPartCollisions(plain), 0);

  // Against itself a component collides, at part level with its first part.
  EXPECT_EQ(a->checkForPartCollisions(a), 1);
  EXPECT_EQ(a->getCollisionInfo()->part, a->getPartBoundingBoxes()(0).part);
  EXPECT_EQ(a->getCollisionInfo()->otherPart, a->getPartBoundingBoxes()(0).part);

  // Without geometry the box is empty and meets nothing, not even itself.
  ZKComponent* empty = keep(new ZKComponent);
  EXPECT_EQ(empty->checkForComponentCollisions(empty), 0);
  EXPECT_EQ(empty->checkForComponentCollisions(a), 0);
  EXPECT_EQ(a->checkForPartCollisions(empty), 0);
}

TEST_F(Collisions, RotatedPartsAndStaleBoxes) {
  // Turned an eighth about z, a 2x2x2 cube reaches x = sqrt 2.
  SbRotation eighth(SbVec3f(0, 0, 1), kPi / 4);
  ZKComponent* turned = cubes("turned", {{"T", SbVec3f(0, 0, 0), 2, eighth}});
  ZKComponent* straight = cubes("straight", {{"S", SbVec3f(0, 0, 0), 2, SbRotation()}});
  ZKComponent* probe = cubes("probe", {{"P", SbVec3f(0, 0, 0), 2, SbRotation()}});
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
  ASSERT_NE(two, nullptr);
  moveTo(probe, 0, 3);
  EXPECT_EQ(two->checkForPartCollisions(probe), 0);
  SbRotation quarter(SbVec3f(0, 0, 1), kPi / 2);
  two->rotate(&quarter);
  two->objectIsDirty();
  two->partsAreDirty();
  ASSERT_EQ(two->checkForPartCollisions(probe), 1);
  EXPECT_EQ(two->getCollisionInfo()->part, two->getLogicalPart("Right"));
}

}  // namespace
