// Lamps blink: the action toggles the lamp's "on" attribute on every
// update; switching the behaviour on lights the lamp, switching it off puts
// the lamp out.
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/component/ZKComponent.h>

namespace {

ZKBoolAttribute* onAttribute(ZKComponent* lamp) {
  ZKAttribute* found = lamp->getAttribute("on");
  if (found) {
    return found->isOfType(ZKBoolAttribute::getClassTypeId()) ? static_cast<ZKBoolAttribute*>(found)
                                                              : nullptr;
  }
  auto* on = new ZKBoolAttribute;
  on->setName("on");
  lamp->addAttribute("on", on);
  return on;
}

void set(ZKComponent* lamp, int value) {
  if (!lamp) return;
  if (ZKBoolAttribute* on = onAttribute(lamp)) on->setValue(value);
}

}  // namespace

extern "C" {

void lamp_light(ZKComponent* lamp) { set(lamp, 1); }

void lamp_blink(ZKComponent* lamp) {
  if (!lamp) return;
  if (ZKBoolAttribute* on = onAttribute(lamp)) on->setValue(on->getValue() ? 0 : 1);
}

void lamp_out(ZKComponent* lamp) { set(lamp, 0); }

}
