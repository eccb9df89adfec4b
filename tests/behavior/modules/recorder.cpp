// A behaviour module that reports on standard output when it is unloaded,
// and whose functions count their calls in a float attribute "calls".
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/component/ZKComponent.h>

#include <unistd.h>

namespace {

// Runs when the module is unloaded, at dlclose or at the end of the process.
__attribute__((destructor)) void reportUnload() {
  static const char kLine[] = "recorder unloaded\n";
  ssize_t written = write(1, kLine, sizeof kLine - 1);
  (void)written;
}

void count(ZKComponent* c, float step) {
  if (!c) return;
  auto* calls = static_cast<ZKFloatAttribute*>(c->getAttribute("calls"));
  if (!calls) {
    calls = new ZKFloatAttribute;
    c->addAttribute("calls", calls);
  }
  calls->setValue(calls->getValue() + step);
}

}  // namespace

extern "C" {
void rec_action(ZKComponent* c) { count(c, 1.0f); }
void rec_init(ZKComponent* c) { count(c, 100.0f); }
void rec_fini(ZKComponent* c) { count(c, 10000.0f); }
}
