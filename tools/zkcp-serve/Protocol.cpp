#include "Protocol.h"

#include <Inventor/SbLinear.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>

using json = nlohmann::json;

namespace live_protocol {

namespace {

const char* const kKindNames[] = {"bool",  "float", "time",   "vec3f",
                                  "color", "rotation", "string", "string_list"};
const char* const kObjectNames[] = {"component", "part",  "attribute",      "behavior",
                                    "sensor",    "light", "proximitySensor"};
const char* const kEventNames[] = {"behaviorActivated", "behaviorDeactivated", "collisionBegan",
                                   "collisionEnded", "thresholdCrossed"};

// Reads `count` finite numbers from the array `member` of `message`.
bool numbers(const json& message, const char* member, std::size_t count, double* out,
             std::string& error) {
  auto it = message.find(member);
  if (it == message.end() || !it->is_array() || it->size() != count) {
    error = std::string("'") + member + "' must be an array of " + std::to_string(count) +
            " numbers";
    return false;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const json& n = (*it)[i];
    if (!n.is_number() || !std::isfinite(n.get<double>())) {
      error = std::string("'") + member + "' holds a value that is not a finite number";
      return false;
    }
    out[i] = n.get<double>();
  }
  return true;
}

bool text(const json& message, const char* member, std::string& out, std::string& error) {
  auto it = message.find(member);
  if (it == message.end() || !it->is_string()) {
    error = std::string("'") + member + "' must be a string";
    return false;
  }
  out = it->get<std::string>();
  return true;
}

bool id(const json& message, ZKLiveWorld::Id_t& out, std::string& error) {
  auto it = message.find("id");
  if (it == message.end() || !it->is_number_unsigned() || it->get<std::uint64_t>() == 0 ||
      it->get<std::uint64_t>() > 0xffffffffu) {
    error = "'id' must be an object id from the manifest";
    return false;
  }
  out = static_cast<ZKLiveWorld::Id_t>(it->get<std::uint64_t>());
  return true;
}

bool value(const json& message, Value& out, std::string& error) {
  auto it = message.find("value");
  if (it == message.end()) {
    error = "'value' is missing";
    return false;
  }
  const json& v = *it;
  if (v.is_boolean()) {
    out.type = Value::boolean_value;
    out.numbers = {v.get<bool>() ? 1.0 : 0.0};
    return true;
  }
  if (v.is_string()) {
    out.type = Value::text_value;
    out.string = v.get<std::string>();
    return true;
  }
  if (v.is_number()) {
    out.type = Value::number_value;
    out.numbers = {v.get<double>()};
  } else if (v.is_array() && !v.empty() && v.size() <= 4) {
    out.type = Value::number_value;
    for (const json& n : v) {
      if (!n.is_number()) {
        error = "'value' must be a bool, a string, a number or 2 to 4 numbers";
        return false;
      }
      out.numbers.push_back(n.get<double>());
    }
  } else {
    error = "'value' must be a bool, a string, a number or 2 to 4 numbers";
    return false;
  }
  for (double n : out.numbers) {
    if (!std::isfinite(n)) {
      error = "'value' holds a value that is not a finite number";
      return false;
    }
  }
  return true;
}

template <class T>
void put(std::string& out, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  out.append(bytes, sizeof(T));
}

void putValue(std::string& out, ZKLiveWorld::Kind_t kind, const ZKLiveWorld::Value_t& value) {
  switch (kind) {
    case ZKLiveWorld::bool_kind:
      out.push_back(value.v[0] != 0 ? 1 : 0);
      break;
    case ZKLiveWorld::float_kind:
      put(out, static_cast<float>(value.v[0]));
      break;
    case ZKLiveWorld::time_kind:
      put(out, value.v[0]);
      break;
    case ZKLiveWorld::vec3f_kind:
    case ZKLiveWorld::color_kind:
      for (int i = 0; i < 3; ++i) put(out, static_cast<float>(value.v[i]));
      break;
    case ZKLiveWorld::rotation_kind:
      for (int i = 0; i < 4; ++i) put(out, static_cast<float>(value.v[i]));
      break;
    case ZKLiveWorld::string_kind:
    case ZKLiveWorld::string_list_kind:
      put(out, static_cast<std::uint32_t>(value.text.size()));
      out += value.text;
      break;
  }
}

}  // namespace

bool isControl(const ClientMessage& message) {
  return std::holds_alternative<SetBehavior>(message) ||
         std::holds_alternative<SetAttribute>(message);
}

bool parseClientMessage(std::string_view input, ClientMessage& out, std::string& error) {
  const json message = json::parse(input.begin(), input.end(), nullptr, false);
  if (message.is_discarded()) {
    error = "the message is not JSON";
    return false;
  }
  if (!message.is_object()) {
    error = "the message is not a JSON object";
    return false;
  }
  std::string type;
  if (!text(message, "type", type, error)) return false;
  if (type == "hello") {
    Hello hello;
    auto protocol = message.find("protocol");
    if (protocol == message.end() || !protocol->is_number_integer()) {
      error = "'protocol' must be an integer";
      return false;
    }
    hello.protocol = protocol->get<std::int64_t>() == kVersion ? kVersion : -1;
    if (message.contains("token") && !text(message, "token", hello.token, error)) return false;
    out = hello;
  } else if (type == "viewer") {
    ViewerMoved moved;
    if (!numbers(message, "position", 3, moved.position, error) ||
        !numbers(message, "orientation", 4, moved.orientation, error))
      return false;
    out = moved;
  } else if (type == "sensor") {
    SensorEvent event;
    if (!text(message, "component", event.component, error) ||
        !text(message, "field", event.field, error) || !value(message, event.value, error))
      return false;
    out = std::move(event);
  } else if (type == "resync") {
    out = Resync{};
  } else if (type == "activate" || type == "deactivate") {
    SetBehavior set;
    if (!id(message, set.id, error)) return false;
    set.active = type == "activate";
    out = set;
  } else if (type == "set") {
    SetAttribute set;
    if (!id(message, set.id, error) || !value(message, set.value, error)) return false;
    out = std::move(set);
  } else {
    error = "unknown message type '" + type + "'";
    return false;
  }
  return true;
}

bool toLiveValue(const Value& value, ZKLiveWorld::Kind_t kind, ZKLiveWorld::Value_t& out) {
  out = ZKLiveWorld::Value_t();
  const std::vector<double>& n = value.numbers;
  switch (kind) {
    case ZKLiveWorld::bool_kind:
      if (value.type != Value::boolean_value) return false;
      out.v[0] = n[0];
      return true;
    case ZKLiveWorld::float_kind:
    case ZKLiveWorld::time_kind:
      if (value.type != Value::number_value || n.size() != 1) return false;
      out.v[0] = n[0];
      return true;
    case ZKLiveWorld::vec3f_kind:
    case ZKLiveWorld::color_kind:
      if (value.type != Value::number_value || n.size() != 3) return false;
      for (int i = 0; i < 3; ++i) out.v[i] = n[i];
      return true;
    case ZKLiveWorld::rotation_kind: {
      if (value.type != Value::number_value || n.size() != 4) return false;
      const SbVec3f axis(static_cast<float>(n[0]), static_cast<float>(n[1]),
                         static_cast<float>(n[2]));
      if (!(axis.length() > 0)) return false;
      const SbRotation rotation(axis, static_cast<float>(n[3]));
      const float* q = rotation.getValue();
      for (int i = 0; i < 4; ++i) out.v[i] = q[i];
      return true;
    }
    case ZKLiveWorld::string_kind:
    case ZKLiveWorld::string_list_kind:
      if (value.type != Value::text_value) return false;
      out.text = value.string;
      return true;
  }
  return false;
}

std::string helloMessage(const std::string& world, const std::string& viewer, bool control,
                         double rate) {
  return json{{"type", "hello"},   {"protocol", kVersion}, {"world", world},
              {"viewer", viewer}, {"control", control},   {"rate", rate}}
      .dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string manifestMessage(const std::vector<ZKLiveWorld::Object>& manifest) {
  json objects = json::array();
  for (const ZKLiveWorld::Object& o : manifest) {
    json fields = json::array();
    for (const ZKLiveWorld::Field_t& f : o.fields)
      fields.push_back({{"name", f.name}, {"kind", kKindNames[f.kind]}});
    json entry = {{"id", o.id}, {"type", kObjectNames[o.type]}, {"name", o.name},
                  {"def", o.def}, {"fields", std::move(fields)}};
    if (o.owner) entry["owner"] = o.owner;
    objects.push_back(std::move(entry));
  }
  return json{{"type", "manifest"}, {"objects", std::move(objects)}}.dump(
      -1, ' ', false, json::error_handler_t::replace);
}

std::string errorMessage(const std::string& message) {
  return json{{"type", "error"}, {"message", message}}.dump(-1, ' ', false,
                                                              json::error_handler_t::replace);
}

std::string eventsMessage(std::uint64_t sequence,
                          const std::vector<ZKLiveWorld::Event_t>& events) {
  json list = json::array();
  for (const ZKLiveWorld::Event_t& e : events) {
    json entry = {{"kind", kEventNames[e.kind]}, {"time", e.time}, {"subject", e.subject}};
    if (e.other) entry["other"] = e.other;
    list.push_back(std::move(entry));
  }
  return json{{"type", "events"}, {"sequence", sequence}, {"events", std::move(list)}}.dump();
}

std::string viewersMessage(const std::vector<ViewerPlace>& viewers) {
  json list = json::array();
  for (const ViewerPlace& v : viewers) {
    list.push_back({{"viewer", v.viewer},
                    {"position", {v.position[0], v.position[1], v.position[2]}},
                    {"orientation",
                     {v.orientation[0], v.orientation[1], v.orientation[2], v.orientation[3]}}});
  }
  return json{{"type", "viewers"}, {"viewers", std::move(list)}}.dump();
}

FieldKinds::FieldKinds(const std::vector<ZKLiveWorld::Object>& manifest) {
  for (const ZKLiveWorld::Object& o : manifest) {
    if (o.id >= kinds_.size()) kinds_.resize(o.id + 1);
    for (const ZKLiveWorld::Field_t& f : o.fields) kinds_[o.id].push_back(f.kind);
  }
}

int FieldKinds::kind(ZKLiveWorld::Id_t id, std::uint16_t field) const {
  if (id >= kinds_.size() || field >= kinds_[id].size()) return -1;
  return kinds_[id][field];
}

std::string encodeFrame(FrameKind kind, std::uint64_t sequence, double time,
                        const std::vector<ZKLiveWorld::Change_t>& changes,
                        const FieldKinds& kinds) {
  std::string out;
  out.reserve(17 + changes.size() * 18);
  out.push_back(static_cast<char>(kind));
  put(out, static_cast<std::uint32_t>(sequence));
  put(out, time);
  const std::size_t countAt = out.size();
  put(out, std::uint32_t{0});
  std::uint32_t count = 0;
  for (const ZKLiveWorld::Change_t& c : changes) {
    const int k = kinds.kind(c.id, c.field);
    if (k < 0) continue;
    put(out, c.id);
    put(out, c.field);
    putValue(out, static_cast<ZKLiveWorld::Kind_t>(k), c.value);
    ++count;
  }
  std::memcpy(&out[countAt], &count, sizeof count);
  return out;
}

}  // namespace live_protocol
