// Coin and the zkcp node types are set up once per fuzzing process, before
// the first input, so each input pays only for its own work.
#include <zkcp/zkcp.h>

#include <Inventor/SoDB.h>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SoDB::init();
  ZKComponent::initClass();
  return 0;
}
