// The server with synthetic WebSocket clients on loopback: the sample room
// runs in a simulation, or (for the slow viewer) ticks are handed to the
// server directly.
#include "Server.h"
#include "Simulation.h"
#include "WorldReader.h"

#include <zkcp/x3d/ZKX3DWriter.h>

#include <Inventor/SoDB.h>

#include <boost/asio/connect.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <functional>
#include <sstream>
#include <thread>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using json = nlohmann::json;
using namespace std::chrono_literals;

namespace {

const char kToken[] = "0123456789abcdef";

struct SampleRoom {
  SampleRoom() {
    SoDB::init();
    ZKComponent::initClass();
    world = readWorld(std::string(ZKCP_SOURCE_DIR) + "/examples/world/world.json",
                      {ZKCP_SAMPLE_BEHAVIORS_DIR}, [](int, int) {});
    writer = std::make_unique<ZKX3DWriter>(world.db.get(), messages);
    live = std::make_unique<ZKLiveWorld>(world.db.get(), writer.get());
    kinds = std::make_shared<const live_protocol::FieldKinds>(live->manifest());
  }
  BuiltWorld world;
  std::ostringstream messages;
  std::unique_ptr<ZKX3DWriter> writer;
  std::unique_ptr<ZKLiveWorld> live;
  std::shared_ptr<const live_protocol::FieldKinds> kinds;
};

SampleRoom& room() {
  static SampleRoom* sample = new SampleRoom;
  return *sample;
}

// A server on its own network thread, with the simulation running or not.
class Running {
 public:
  explicit Running(bool simulate, std::size_t maxViewers = 8) {
    SampleRoom& r = room();
    Simulation::Output output;
    output.tick = [this](auto tick) { server->publishTick(std::move(tick)); };
    output.snapshot = [this](auto viewer, auto frame) { server->publishSnapshot(viewer, frame); };
    output.error = [this](auto viewer, auto message) { server->publishError(viewer, message); };
    simulation = std::make_unique<Simulation>(*r.live, *r.kinds, 60, output);
    ServerOptions options;
    options.port = 0;
    options.token = kToken;
    options.world = "Sample room";
    options.maxViewers = maxViewers;
    Content content;
    content.resources["/"] = {"text/html", std::make_shared<const std::string>("page")};
    server = std::make_unique<Server>(io, options, content,
                                      std::make_shared<const std::string>("{\"type\":\"manifest\"}"),
                                      r.kinds, *simulation);
    server->start();
    if (simulate) simulation->start();
    thread = std::thread([this] { io.run(); });
  }
  ~Running() {
    simulation->stop();
    server->stop();
    asio::post(io, [this] { io.stop(); });
    thread.join();
  }
  unsigned short port() const { return server->port(); }
  // Waits until the server has `n` viewers.
  bool viewers(std::size_t n) {
    for (int i = 0; i < 200; ++i, std::this_thread::sleep_for(10ms))
      if (server->stats().viewers == n) return true;
    return false;
  }

  // The simulation outlives the connections the network's io_context holds.
  std::unique_ptr<Simulation> simulation;
  asio::io_context io;
  std::unique_ptr<Server> server;
  std::thread thread;
};

struct Message {
  bool text = false;
  std::string data;
  json object() const { return json::parse(data); }
  std::uint32_t sequence() const {
    std::uint32_t s;
    std::memcpy(&s, &data[1], 4);
    return s;
  }
};

// A client whose every operation has a time limit.
class Client {
 public:
  Client() : ws(io) {}

  // 101 when the handshake made a WebSocket.
  unsigned connect(unsigned short port, const std::string& origin = "",
                   int receiveBuffer = 0) {
    auto& socket = beast::get_lowest_layer(ws).socket();
    socket.open(tcp::v4());
    if (receiveBuffer) socket.set_option(asio::socket_base::receive_buffer_size(receiveBuffer));
    socket.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
    const std::string host = "127.0.0.1:" + std::to_string(port);
    ws.set_option(websocket::stream_base::decorator([origin](websocket::request_type& req) {
      if (!origin.empty()) req.set(beast::http::field::origin, origin);
    }));
    websocket::response_type response;
    beast::error_code ec;
    ws.handshake(response, host, "/live", ec);
    return response.result_int();
  }

  void send(const std::string& text, bool binary = false) {
    ws.binary(binary);
    ws.write(asio::buffer(text));
  }

  void hello(const std::string& token = "") {
    send(json{{"type", "hello"}, {"protocol", 1}, {"token", token}}.dump());
  }

  // The next message; false on a close, an error or after `limit`.
  bool read(Message& out, std::chrono::milliseconds limit = 5000ms) {
    bool done = false;
    buffer.clear();
    ws.async_read(buffer, [&](beast::error_code e, std::size_t) {
      ec = e;
      done = true;
    });
    io.restart();
    io.run_for(limit);
    if (!done) {
      beast::get_lowest_layer(ws).cancel();
      io.restart();
      io.run();
      return false;
    }
    if (ec) return false;
    out.text = ws.got_text();
    out.data = beast::buffers_to_string(buffer.data());
    return true;
  }

  // Reads until `want` holds for a message; false when none does in time.
  bool readUntil(const std::function<bool(const Message&)>& want,
                 std::chrono::milliseconds limit = 5000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    Message m;
    while (std::chrono::steady_clock::now() < end) {
      if (!read(m, std::chrono::duration_cast<std::chrono::milliseconds>(
                       end - std::chrono::steady_clock::now())))
        return false;
      if (want(m)) return true;
    }
    return false;
  }

  bool error(const std::string& message) {
    return readUntil([&](const Message& m) {
      return m.text && m.object()["type"] == "error" && m.object()["message"] == message;
    });
  }

  // Reads until the server closes; the close code.
  int closed() {
    Message m;
    while (read(m)) {
    }
    return ec == websocket::error::closed ? ws.reason().code : -1;
  }

  asio::io_context io;
  websocket::stream<beast::tcp_stream> ws;
  beast::flat_buffer buffer;
  beast::error_code ec;
};

// The status a WebSocket handshake with `origin` gets.
unsigned upgradeStatus(unsigned short port, const std::string& origin) {
  asio::io_context io;
  beast::tcp_stream stream(io);
  stream.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
  beast::http::request<beast::http::empty_body> request{beast::http::verb::get, "/live", 11};
  request.set(beast::http::field::host, "127.0.0.1:" + std::to_string(port));
  request.set(beast::http::field::upgrade, "websocket");
  request.set(beast::http::field::connection, "upgrade");
  request.set(beast::http::field::sec_websocket_key, "dGhlIHNhbXBsZSBub25jZQ==");
  request.set(beast::http::field::sec_websocket_version, "13");
  request.set(beast::http::field::origin, origin);
  beast::http::write(stream, request);
  beast::flat_buffer buffer;
  beast::http::response<beast::http::string_body> response;
  beast::http::read(stream, buffer, response);
  return response.result_int();
}

bool isTick(const Message& m) { return !m.text && m.data[0] == live_protocol::tick_frame; }

}  // namespace

TEST(ServeServer, GreetsSyncsAndStreamsTicks) {
  Running server(true);
  Client watcher;
  ASSERT_EQ(watcher.connect(server.port(), "http://127.0.0.1:" + std::to_string(server.port())), 101u);
  watcher.hello();
  Message m;
  ASSERT_TRUE(watcher.read(m));
  EXPECT_EQ(m.object()["type"], "hello");
  EXPECT_EQ(m.object()["control"], false);
  ASSERT_TRUE(watcher.read(m));
  EXPECT_EQ(m.data, "{\"type\":\"manifest\"}");
  ASSERT_TRUE(watcher.readUntil([](const Message& m) { return !m.text; }));
  EXPECT_EQ(watcher.buffer.size() > 0, true);
  ASSERT_TRUE(watcher.readUntil(isTick));

  Client controller;
  ASSERT_EQ(controller.connect(server.port()), 101u);
  controller.hello(kToken);
  ASSERT_TRUE(controller.read(m));
  EXPECT_EQ(m.object()["control"], true);
  // Control without the token is refused, with the token it is taken.
  watcher.send(R"({"type":"activate","id":1})");
  EXPECT_TRUE(watcher.error("control needs the token this server printed when it started"));
  controller.send(R"({"type":"activate","id":1})");
  EXPECT_TRUE(controller.error("object 1 is not a behaviour"));
}

TEST(ServeServer, RefusesForeignOriginsAndHostsAndViewersOverTheLimit) {
  Running server(true, 2);
  EXPECT_EQ(upgradeStatus(server.port(), "http://example.com"), 403u);
  EXPECT_EQ(upgradeStatus(server.port(), "http://127.0.0.1:1"), 403u);
  EXPECT_EQ(upgradeStatus(server.port(), "http://127.0.0.1:" + std::to_string(server.port())), 101u);

  Client first, second, third;
  ASSERT_EQ(first.connect(server.port()), 101u);
  ASSERT_EQ(second.connect(server.port()), 101u);
  ASSERT_TRUE(server.viewers(2));
  ASSERT_EQ(third.connect(server.port()), 101u);
  EXPECT_EQ(third.closed(), websocket::close_code::try_again_later);
  EXPECT_EQ(third.ws.reason().reason, "this world has 2 viewers, the most it takes");
}

TEST(ServeServer, ClosesAFaultyViewerWhileOthersGoOn) {
  Running server(true);
  Client faulty, other;
  ASSERT_EQ(faulty.connect(server.port()), 101u);
  ASSERT_EQ(other.connect(server.port()), 101u);
  other.hello();
  faulty.send(R"({"type":"viewer","position":[0,0,0],"orientation":[0,1,0,0]})");
  EXPECT_TRUE(faulty.error("say hello first"));
  faulty.hello();
  faulty.send("garbage");
  EXPECT_TRUE(faulty.error("the message is not JSON"));
  faulty.send("\x01\x02", true);
  EXPECT_TRUE(faulty.error("binary messages are not read here; send JSON text"));
  faulty.send(R"({"type":"warp"})");
  faulty.send(R"({"type":"hello","protocol":1})");
  EXPECT_EQ(faulty.closed(), websocket::close_code::policy_error);
  EXPECT_EQ(faulty.ws.reason().reason, "too many faulty messages");

  Client large;
  ASSERT_EQ(large.connect(server.port()), 101u);
  large.hello();
  large.send(std::string(live_protocol::kMaxMessageBytes + 1, ' '));
  EXPECT_EQ(large.closed(), websocket::close_code::too_big);

  // The other viewer was not held up.
  ASSERT_TRUE(other.readUntil(isTick));
}

TEST(ServeServer, ASlowViewerGetsTheLatestValuesAndHoldsNobodyUp) {
  // Ticks of 256 KB each, handed straight to the server: a viewer that does
  // not read fills its socket within a few.
  Running server(false);
  const ZKLiveWorld::Object* label = nullptr;
  for (const ZKLiveWorld::Object& o : room().live->manifest())
    if (o.type == ZKLiveWorld::attribute_object && o.name == "label") label = &o;
  ASSERT_NE(label, nullptr);
  auto syncedClient = [&](Client& c, int buffer) {
    ASSERT_EQ(c.connect(server.port(), "", buffer), 101u);
    c.hello();
    Message m;
    ASSERT_TRUE(c.read(m));
    const std::string viewer = m.object()["viewer"];
    server.server->publishSnapshot(std::stoull(viewer.substr(1)),
                                   std::make_shared<const std::string>("snapshot"));
    ASSERT_TRUE(c.readUntil([](const Message& m) { return m.data == "snapshot"; }));
  };
  Client slow, fast;
  syncedClient(slow, 4096);
  syncedClient(fast, 0);
  const int ticks = 40;
  int received = 0;
  for (int i = 1; i <= ticks; ++i) {
    auto tick = std::make_shared<Simulation::Tick>();
    tick->sequence = i;
    ZKLiveWorld::Change_t change{label->id, 0, {}};
    change.value.text = std::string(256 * 1024, static_cast<char>('a' + i % 26));
    tick->changes.push_back(change);
    tick->frame = live_protocol::encodeFrame(live_protocol::tick_frame, i, i / 60.0, tick->changes,
                                             *room().kinds);
    server.server->publishTick(tick);
    // The fast viewer reads every tick before the next is made.
    ASSERT_TRUE(fast.readUntil([&](const Message& m) { return isTick(m) && m.sequence() == unsigned(i); }, 2000ms))
        << "tick " << i;
    ++received;
  }
  EXPECT_EQ(received, ticks);
  // The slow one then reads: a few whole frames, then one with the latest value.
  int frames = 0;
  Message m;
  while (slow.read(m, 1000ms)) {
    if (!isTick(m)) continue;
    ++frames;
    if (m.sequence() == unsigned(ticks)) break;
  }
  EXPECT_EQ(m.sequence(), unsigned(ticks));
  EXPECT_EQ(m.data.back(), static_cast<char>('a' + ticks % 26));
  EXPECT_LT(frames, 3 * ticks / 4);
}

TEST(ServeServer, SurvivesConnectAndDisconnectCycles) {
  Running server(true);
  for (int i = 0; i < 1000; ++i) {
    Client c;
    if (i % 3 == 0) {  // cut off during the handshake
      auto& socket = beast::get_lowest_layer(c.ws).socket();
      socket.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), server.port()));
      asio::write(socket, asio::buffer(std::string("GET /live HTTP/1.1\r\nHost: 127.0.0.1\r\nUpg")));
      continue;
    }
    ASSERT_EQ(c.connect(server.port()), 101u);
    c.hello();
    if (i % 3 == 1) c.send(std::string("{\"type\":\"viewer\",\"posi"));  // then cut off
    else c.ws.close(websocket::close_code::normal);
  }
  EXPECT_TRUE(server.viewers(0));
  Client last;
  ASSERT_EQ(last.connect(server.port()), 101u);
  last.hello();
  EXPECT_TRUE(last.readUntil(isTick));
}

TEST(ServeServer, AViewerAtTheDoorOpensItForEveryone) {
  Running server(true);
  Client walker, watcher;
  for (Client* c : {&walker, &watcher}) {
    ASSERT_EQ(c->connect(server.port()), 101u);
    c->hello();
  }
  const ZKLiveWorld::Id_t door = room().live->find(ZKLiveWorld::component_object, "door1");
  ASSERT_NE(door, 0u);
  // The door's rotation field changes in a tick once the walker stands in nearDoor.
  auto turns = [door](const Message& m) {
    if (!isTick(m)) return false;
    std::uint32_t count;
    std::memcpy(&count, &m.data[13], 4);
    for (std::size_t at = 17; count-- && at + 6 <= m.data.size();) {
      std::uint32_t id;
      std::uint16_t field;
      std::memcpy(&id, &m.data[at], 4);
      std::memcpy(&field, &m.data[at + 4], 2);
      if (id == door && field == 1) return true;
      const int kind = room().kinds->kind(id, field);
      at += 6 + (kind == ZKLiveWorld::rotation_kind ? 16 : kind == ZKLiveWorld::bool_kind ? 1
                 : kind == ZKLiveWorld::float_kind ? 4 : kind == ZKLiveWorld::time_kind ? 8 : 12);
      if (kind == ZKLiveWorld::string_kind || kind == ZKLiveWorld::string_list_kind) return false;
    }
    return false;
  };
  walker.send(R"({"type":"viewer","position":[-1.5,1,-3],"orientation":[0,1,0,0]})");
  EXPECT_TRUE(watcher.readUntil(turns, 2000ms));
  EXPECT_TRUE(walker.readUntil(turns, 2000ms));
}
