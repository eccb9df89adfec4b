// Feeds arbitrary bytes to zkcp-serve's reader of viewer messages: a
// message is read or refused with a reason, never a crash, leak or hang; a
// value that is read converts to every field kind or is refused.
#include <Protocol.h>

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace live_protocol;
  ClientMessage message;
  std::string error;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!parseClientMessage(text, message, error)) {
    if (error.empty()) __builtin_trap();  // a refusal always says why
    return 0;
  }
  const Value* value = nullptr;
  if (auto* set = std::get_if<SetAttribute>(&message)) value = &set->value;
  if (auto* event = std::get_if<SensorEvent>(&message)) value = &event->value;
  if (value) {
    ZKLiveWorld::Value_t out;
    for (int kind = ZKLiveWorld::bool_kind; kind <= ZKLiveWorld::string_list_kind; ++kind)
      toLiveValue(*value, static_cast<ZKLiveWorld::Kind_t>(kind), out);
  }
  return 0;
}
