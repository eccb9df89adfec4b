#ifndef ZKCP_TOOLS_ZKCP_SERVE_PROTOCOL_H
#define ZKCP_TOOLS_ZKCP_SERVE_PROTOCOL_H

// The messages of the /live WebSocket (docs/live-protocol.md): what a
// viewer sends, read into plain values, and what the server sends, made
// from the live world's manifest, ticks and snapshots.
#include <zkcp/live/ZKLiveWorld.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace live_protocol {

constexpr int kVersion = 1;
// The largest message a viewer may send; the connection closes on a larger one.
constexpr std::size_t kMaxMessageBytes = 64 * 1024;

// A value as a viewer writes it: a bool, up to four numbers (a rotation is
// axis and angle, as X3D writes it) or a text.
struct Value {
  enum Type { boolean_value, number_value, text_value } type = number_value;
  std::vector<double> numbers;
  std::string string;
};

struct Hello {
  int protocol = 0;
  std::string token;  // empty: watch and walk only
};
struct ViewerMoved {
  double position[3];
  double orientation[4];  // axis and angle
};
struct SensorEvent {
  std::string component;
  std::string field;
  Value value;
};
struct Resync {};
struct SetBehavior {
  ZKLiveWorld::Id_t id = 0;
  bool active = false;
};
struct SetAttribute {
  ZKLiveWorld::Id_t id = 0;
  Value value;
};

using ClientMessage =
    std::variant<Hello, ViewerMoved, SensorEvent, Resync, SetBehavior, SetAttribute>;

// True for the messages only a viewer holding the token may send.
bool isControl(const ClientMessage& message);

// Reads one text message. On a fault returns false and says why in `error`
// (malformed JSON, an unknown type, a missing or mistyped member, a number
// that is not finite).
bool parseClientMessage(std::string_view text, ClientMessage& out, std::string& error);

// The live world's value of `kind` from a viewer's value; false when the
// value cannot be one (a rotation's axis of length 0 included).
bool toLiveValue(const Value& value, ZKLiveWorld::Kind_t kind, ZKLiveWorld::Value_t& out);

// Server messages in text frames.
std::string helloMessage(const std::string& world, const std::string& viewer, bool control,
                         double rate);
std::string manifestMessage(const std::vector<ZKLiveWorld::Object>& manifest);
std::string errorMessage(const std::string& message);
std::string eventsMessage(std::uint64_t sequence, const std::vector<ZKLiveWorld::Event_t>& events);

struct ViewerPlace {
  std::string viewer;
  float position[3];
  float orientation[4];  // axis and angle
};
std::string viewersMessage(const std::vector<ViewerPlace>& viewers);

// Binary frames: a tick's changes, or a snapshot.
enum FrameKind : std::uint8_t { tick_frame = 1, snapshot_frame = 2 };

// The value kinds of every object's fields, by id, for encoding changes.
class FieldKinds {
 public:
  explicit FieldKinds(const std::vector<ZKLiveWorld::Object>& manifest);
  // The kind of a field, or -1 when the manifest has no such field.
  int kind(ZKLiveWorld::Id_t id, std::uint16_t field) const;

 private:
  std::vector<std::vector<ZKLiveWorld::Kind_t>> kinds_;  // by id
};

// One binary frame; changes of fields the manifest does not know are left out.
std::string encodeFrame(FrameKind kind, std::uint64_t sequence, double time,
                        const std::vector<ZKLiveWorld::Change_t>& changes,
                        const FieldKinds& kinds);

}  // namespace live_protocol

#endif
