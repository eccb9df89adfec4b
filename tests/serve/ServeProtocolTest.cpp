#include "Protocol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace live_protocol;

namespace {

ClientMessage parsed(const std::string& text) {
  ClientMessage message;
  std::string error;
  EXPECT_TRUE(parseClientMessage(text, message, error)) << text << ": " << error;
  return message;
}

std::string refused(const std::string& text) {
  ClientMessage message;
  std::string error;
  EXPECT_FALSE(parseClientMessage(text, message, error)) << text;
  return error;
}

}  // namespace

TEST(ServeProtocol, ReadsEveryMessageType) {
  const auto hello = std::get<Hello>(parsed(R"({"type":"hello","protocol":1,"token":"abc"})"));
  EXPECT_EQ(hello.protocol, kVersion);
  EXPECT_EQ(hello.token, "abc");
  EXPECT_NE(std::get<Hello>(parsed(R"({"type":"hello","protocol":2})")).protocol, kVersion);

  const auto moved = std::get<ViewerMoved>(
      parsed(R"({"type":"viewer","position":[1,2,3],"orientation":[0,1,0,0.5]})"));
  EXPECT_EQ(moved.position[2], 3);
  EXPECT_EQ(moved.orientation[3], 0.5);

  const auto sensor = std::get<SensorEvent>(
      parsed(R"({"type":"sensor","component":"lamp1","field":"isActive","value":true})"));
  EXPECT_EQ(sensor.component, "lamp1");
  EXPECT_EQ(sensor.value.type, Value::boolean_value);

  EXPECT_TRUE(std::holds_alternative<Resync>(parsed(R"({"type":"resync"})")));
  const ClientMessage on = parsed(R"({"type":"activate","id":7})");
  EXPECT_TRUE(isControl(on));
  EXPECT_TRUE(std::get<SetBehavior>(on).active);
  EXPECT_FALSE(std::get<SetBehavior>(parsed(R"({"type":"deactivate","id":7})")).active);
  const ClientMessage set = parsed(R"({"type":"set","id":9,"value":[1,0,0,3.14]})");
  EXPECT_TRUE(isControl(set));
  EXPECT_EQ(std::get<SetAttribute>(set).value.numbers.size(), 4u);
  EXPECT_FALSE(isControl(parsed(R"({"type":"viewer","position":[0,0,0],"orientation":[0,0,1,0]})")));
}

TEST(ServeProtocol, RefusesBadMessagesWithTheReason) {
  EXPECT_EQ(refused("not json"), "the message is not JSON");
  EXPECT_EQ(refused("[1,2]"), "the message is not a JSON object");
  EXPECT_EQ(refused(R"({"type":"fly"})"), "unknown message type 'fly'");
  EXPECT_EQ(refused(R"({"kind":"hello"})"), "'type' must be a string");
  EXPECT_EQ(refused(R"({"type":"hello","protocol":"1"})"), "'protocol' must be an integer");
  EXPECT_EQ(refused(R"({"type":"viewer","position":[1,2],"orientation":[0,1,0,0]})"),
            "'position' must be an array of 3 numbers");
  EXPECT_EQ(refused(R"({"type":"viewer","position":[1,2,1e999],"orientation":[0,1,0,0]})").empty(),
            false);
  EXPECT_EQ(refused(R"({"type":"activate","id":0})"), "'id' must be an object id from the manifest");
  EXPECT_EQ(refused(R"({"type":"activate","id":-3})"), "'id' must be an object id from the manifest");
  EXPECT_EQ(refused(R"({"type":"activate","id":4294967296})"),
            "'id' must be an object id from the manifest");
  EXPECT_EQ(refused(R"({"type":"set","id":3})"), "'value' is missing");
  EXPECT_EQ(refused(R"({"type":"set","id":3,"value":[1,2,3,4,5]})"),
            "'value' must be a bool, a string, a number or 2 to 4 numbers");
  EXPECT_EQ(refused(R"({"type":"set","id":3,"value":{"a":1}})"),
            "'value' must be a bool, a string, a number or 2 to 4 numbers");
  EXPECT_EQ(refused(R"({"type":"sensor","component":"lamp1","value":1})"), "'field' must be a string");
  EXPECT_EQ(refused(std::string("{\"type\":\"resync\"\0}", 18)), "the message is not JSON");
}

TEST(ServeProtocol, ConvertsValuesToTheFieldKind) {
  auto value = [](const std::string& json) {
    return std::get<SetAttribute>(parsed(R"({"type":"set","id":1,"value":)" + json + "}")).value;
  };
  ZKLiveWorld::Value_t out;
  EXPECT_TRUE(toLiveValue(value("true"), ZKLiveWorld::bool_kind, out));
  EXPECT_EQ(out.v[0], 1);
  EXPECT_FALSE(toLiveValue(value("1"), ZKLiveWorld::bool_kind, out));
  EXPECT_TRUE(toLiveValue(value("2.5"), ZKLiveWorld::float_kind, out));
  EXPECT_EQ(out.v[0], 2.5);
  EXPECT_FALSE(toLiveValue(value("[1,2]"), ZKLiveWorld::vec3f_kind, out));
  EXPECT_TRUE(toLiveValue(value("\"x\""), ZKLiveWorld::string_kind, out));
  EXPECT_EQ(out.text, "x");
  // Axis and angle in, the quaternion out: half a turn about y is (0, 1, 0, 0).
  ASSERT_TRUE(toLiveValue(value("[0,2,0,3.14159265]"), ZKLiveWorld::rotation_kind, out));
  EXPECT_NEAR(out.v[1], 1, 1e-6);
  EXPECT_NEAR(out.v[3], 0, 1e-6);
  EXPECT_FALSE(toLiveValue(value("[0,0,0,1]"), ZKLiveWorld::rotation_kind, out));
}

TEST(ServeProtocol, EncodesFramesRecordByRecord) {
  ZKLiveWorld::Object door;
  door.id = 1;
  door.fields = {{"translation", ZKLiveWorld::vec3f_kind}, {"open", ZKLiveWorld::bool_kind}};
  ZKLiveWorld::Object label;
  label.id = 2;
  label.fields = {{"value", ZKLiveWorld::string_kind}};
  const FieldKinds kinds({door, label});
  ZKLiveWorld::Change_t moved{1, 0, {}};
  moved.value.v = {{1, 2, 3, 0}};
  ZKLiveWorld::Change_t open{1, 1, {}};
  open.value.v[0] = 1;
  ZKLiveWorld::Change_t text{2, 0, {}};
  text.value.text = "hi";
  const ZKLiveWorld::Change_t unknown{9, 0, {}};
  const std::string frame = encodeFrame(tick_frame, 42, 0.5, {moved, unknown, open, text}, kinds);

  ASSERT_EQ(frame.size(), 17u + (6 + 12) + (6 + 1) + (6 + 4 + 2));
  std::uint32_t u32;
  double time;
  EXPECT_EQ(frame[0], tick_frame);
  std::memcpy(&u32, &frame[1], 4);
  EXPECT_EQ(u32, 42u);
  std::memcpy(&time, &frame[5], 8);
  EXPECT_EQ(time, 0.5);
  std::memcpy(&u32, &frame[13], 4);
  EXPECT_EQ(u32, 3u);
  float xyz[3];
  std::memcpy(xyz, &frame[17 + 6], 12);
  EXPECT_EQ(xyz[2], 3.0f);
  EXPECT_EQ(frame[17 + 18 + 6], 1);
  EXPECT_EQ(frame.substr(frame.size() - 2), "hi");
}
