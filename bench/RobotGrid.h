// The world the live and serve benchmarks share: robots of one part "Arm"
// (a cube), and a behaviour that turns the arm a little on every update.
#ifndef ZKCP_BENCH_ROBOTGRID_H
#define ZKCP_BENCH_ROBOTGRID_H

#include <zkcp/zkcp.h>

#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

#include <string>

namespace bench {

inline void turnArm(ZKComponent* c) {
  ZKPart* arm = c->getLogicalPart("Arm");
  SoTransform* t = arm ? arm->getTransform() : c->getTransform();
  t->rotation.setValue(t->rotation.getValue() * SbRotation(SbVec3f(0, 1, 0), 0.01f));
}

inline ZKBehavior turner() {
  return ZKBehavior("bench:turn", "bench.dll", "turnArm", &turnArm, RWTValSlist<RWCString>(),
                    ZKBehavior::Dependencies(), "", nullptr, "", nullptr);
}

// Robot "c<i>" added to `world`, which holds it; the caller gets a
// reference of its own.
inline ZKComponent* addRobot(ZKComponentDB* world, int i) {
  auto* root = new SoSeparator;
  root->ref();
  auto* arm = new SoSeparator;
  arm->setName("Arm");
  arm->addChild(new SoCube);
  root->addChild(arm);
  auto* c = new ZKComponent(("c" + std::to_string(i)).c_str(), "Robot", "robot.iv", root, world);
  root->unref();
  c->ref();
  world->addComponent(c, 1, nullptr);
  return c;
}

}  // namespace bench

#endif
