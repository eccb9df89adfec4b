// Doors swing open step by step: the action turns the door about its
// vertical axis by 15 degrees per update until it stands at 90 degrees.
// The door keeps its state in three attributes: "open" (bool), "angle"
// (float, degrees) and "swing" (rotation), and shows it by its transform.
#include <zkcp/attribute/ZKLinearAttributes.h>
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/component/ZKComponent.h>

#include <Inventor/nodes/SoTransform.h>

#include <cmath>

namespace {

constexpr float kStepDegrees = 15.0f;
constexpr float kOpenDegrees = 90.0f;

template <class Attribute>
Attribute* attribute(ZKComponent* door, const char* name) {
  ZKAttribute* found = door->getAttribute(name);
  if (found && found->isOfType(Attribute::getClassTypeId())) return static_cast<Attribute*>(found);
  if (found) return nullptr;
  auto* made = new Attribute;
  made->setName(name);
  door->addAttribute(name, made);
  return made;
}

void show(ZKComponent* door, float degrees) {
  // The leaf turns into the room, away from the wall behind it.
  const SbRotation turn(SbVec3f(0, 1, 0), -degrees * static_cast<float>(M_PI) / 180.0f);
  if (auto* swing = attribute<ZKRotationAttribute>(door, "swing")) swing->setValue(turn);
  if (SoTransform* t = door->getTransform()) t->rotation.setValue(turn);
  door->partsAreDirty();
}

}  // namespace

extern "C" {

void door_open(ZKComponent* door) {
  if (!door) return;
  if (auto* open = attribute<ZKBoolAttribute>(door, "open")) open->setValue(1);
  if (auto* angle = attribute<ZKFloatAttribute>(door, "angle")) angle->setValue(0.0f);
  show(door, 0.0f);
}

void door_swing(ZKComponent* door) {
  if (!door) return;
  auto* angle = attribute<ZKFloatAttribute>(door, "angle");
  if (!angle) return;
  const float next = std::fmin(angle->getValue() + kStepDegrees, kOpenDegrees);
  angle->setValue(next);
  show(door, next);
}

void door_shut(ZKComponent* door) {
  if (!door) return;
  if (auto* open = attribute<ZKBoolAttribute>(door, "open")) open->setValue(0);
  if (auto* angle = attribute<ZKFloatAttribute>(door, "angle")) angle->setValue(0.0f);
  show(door, 0.0f);
}

}
