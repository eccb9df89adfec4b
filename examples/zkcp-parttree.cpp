// Reads a VRML 2.0 or Inventor file, builds its part tree and prints one
// line per part: the part name, indented by its depth in the tree, and the
// world position of the part's origin.

#include <zkcp/component/ZKComponent.h>
#include <zkcp/foundation/ZKGeometryInput.h>
#include <zkcp/part/ZKPart.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoPath.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

#include <cstdio>

namespace {

// Number of parts on the path, the tail included.
int depthOf(SoPath* path) {
  int depth = 0;
  const int length = path->findFork(path) + 1;
  for (int i = 0; i < length; ++i) {
    if (path->getNode(i)->isOfType(ZKPart::getClassTypeId())) ++depth;
  }
  return depth;
}

// The part's own transform applied after everything above it.
SbVec3f worldOrigin(SoPath* path, ZKPart* part, const SbViewportRegion& region) {
  SoGetMatrixAction above(region);
  above.apply(path);
  SbMatrix local = SbMatrix::identity();
  if (SoTransform* t = part->getTransform()) {
    local.setTransform(t->translation.getValue(), t->rotation.getValue(),
                       t->scaleFactor.getValue(), t->scaleOrientation.getValue(),
                       t->center.getValue());
  }
  SbVec3f origin;
  local.multRight(above.getMatrix());
  local.multVecMatrix(SbVec3f(0, 0, 0), origin);
  return origin;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zkcp-parttree FILE.wrl|FILE.iv\n");
    return 2;
  }
  SoDB::init();
  ZKComponent::initClass();

  ZKGeometryInput in;
  if (!in.openFile(argv[1])) {
    std::fprintf(stderr, "zkcp-parttree: cannot open %s\n", argv[1]);
    return 1;
  }
  SoSeparator* root = SoDB::readAll(&in);
  if (!root) {
    std::fprintf(stderr, "zkcp-parttree: %s is not an Inventor or VRML file\n", argv[1]);
    return 1;
  }
  root->ref();
  ZKPart* top = new ZKPart(root);
  root->unref();
  top->ref();

  SoSearchAction search;
  search.setType(ZKPart::getClassTypeId());
  search.setInterest(SoSearchAction::ALL);
  search.setSearchingAll(TRUE);
  search.apply(top);

  const SbViewportRegion region;
  const SoPathList& paths = search.getPaths();
  int parts = 0;
  for (int i = 0; i < paths.getLength(); ++i) {
    SoPath* path = paths[i];
    ZKPart* part = static_cast<ZKPart*>(path->getNode(path->findFork(path)));
    const SbName name = part->getName();
    const SbVec3f at = worldOrigin(path, part, region);
    std::printf("%*s%s  (%g %g %g)\n", 2 * (depthOf(path) - 1), "",
                name.getLength() ? name.getString() : "(top)", at[0], at[1], at[2]);
    ++parts;
  }
  std::printf("%d parts\n", parts);

  top->unref();
  return 0;
}
