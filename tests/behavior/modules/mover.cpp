// A behaviour module that moves the logical part "Right" of its component
// by 0.5 along x on every second update, three times at most. It counts
// its updates in a float attribute "calls" and shows that it runs in a bool
// attribute "moving"; finishing puts the part back, clears "moving" and
// leaves "calls" as it is.
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/component/ZKComponent.h>

#include <Inventor/nodes/SoTransform.h>

namespace {

template <class Attribute>
Attribute* attribute(ZKComponent* c, const char* name) {
  auto* found = static_cast<Attribute*>(c->getAttribute(name));
  if (found) return found;
  auto* made = new Attribute;
  made->setName(name);
  c->addAttribute(name, made);
  return made;
}

SoTransform* right(ZKComponent* c) {
  ZKPart* part = c->getLogicalPart("Right");
  return part ? part->getTransform() : nullptr;
}

}  // namespace

extern "C" {

void mover_start(ZKComponent* c) {
  if (c) attribute<ZKBoolAttribute>(c, "moving")->setValue(1);
}

void mover_step(ZKComponent* c) {
  if (!c) return;
  auto* calls = attribute<ZKFloatAttribute>(c, "calls");
  calls->setValue(calls->getValue() + 1);
  SoTransform* t = right(c);
  if (t && static_cast<int>(calls->getValue()) % 2 == 0 && t->translation.getValue()[0] < 4.5f)
    t->translation.setValue(t->translation.getValue() + SbVec3f(0.5f, 0, 0));
}

void mover_stop(ZKComponent* c) {
  if (!c) return;
  attribute<ZKBoolAttribute>(c, "moving")->setValue(0);
  if (SoTransform* t = right(c)) t->translation.setValue(3, 0, 0);
}
}
