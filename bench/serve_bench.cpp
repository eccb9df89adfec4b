// zkcp-serve's server with synthetic WebSocket clients on loopback: a world
// of 10,000 components, 1,000 of them turning a part on every tick, run at
// 60 ticks a second; 8 clients read as fast as they can. Reported: how many
// ticks behind the server each client is when a frame arrives (p95 over all
// clients), the tick rate reached, bytes per tick per client against the
// changed values' own size (id and floats), the time a tick takes, and
// from a viewer's event (a touch of a component's sensor, a step into a
// proximity sensor, a control message) to the first frame that carries its
// effect: the ticks between, and the time until that frame leaves the
// simulation (in ticks) and reaches the viewer, p50 and p95 over repeated
// events. Then the same with one client that stops reading
// for 10 s: the other clients' lag, the tick rate and the server's memory
// before and after.
#include "RobotGrid.h"
#include "Server.h"
#include "Simulation.h"

#include <zkcp/component/ZKComponentSensor.h>
#include <zkcp/world/ZKProximitySensor.h>
#include <zkcp/zkcp.h>

#include <Inventor/SoDB.h>

#include <boost/asio/post.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <thread>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

constexpr int kComponents = 10000;
constexpr int kMoving = 1000;
constexpr int kClients = 8;
constexpr double kRate = 60;

double residentMB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(v.size() * p))];
}

// The latest tick the simulation handed out.
std::atomic<std::uint32_t> latest{0};
// The behaviour whose switch to `watchedActive` is awaited, and when the
// tick that carries it left the simulation.
std::atomic<ZKLiveWorld::Id_t> watched{0};
std::atomic<bool> watchedActive{false};
std::atomic<std::chrono::steady_clock::rep> watchedAt{0};

void watch(const std::vector<ZKLiveWorld::Change_t>& changes) {
  const ZKLiveWorld::Id_t id = watched;
  if (!id) return;
  for (const ZKLiveWorld::Change_t& c : changes) {
    if (c.id == id && (c.value.v[0] != 0) == watchedActive) {
      watchedAt = std::chrono::steady_clock::now().time_since_epoch().count();
      watched = 0;
      return;
    }
  }
}

struct Reader {
  std::atomic<bool> paused{false};
  std::atomic<bool> stop{false};
  std::vector<double> behind;  // ticks, per tick frame
  std::uint64_t bytes = 0;
  std::uint64_t frames = 0;
  std::uint32_t sequence = 0;
  std::thread thread;
  asio::io_context io;
  websocket::stream<beast::tcp_stream> ws{io};

  void start(unsigned short port, const std::string& hello) {
    beast::get_lowest_layer(ws).connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
    ws.handshake("127.0.0.1:" + std::to_string(port), "/live");
    ws.write(asio::buffer(hello));
    thread = std::thread([this] { run(); });
  }
  void run() {
    beast::flat_buffer buffer;
    while (!stop) {
      if (paused) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      beast::error_code ec;
      buffer.clear();
      ws.read(buffer, ec);
      if (ec) return;
      if (ws.got_text()) continue;
      const std::string data = beast::buffers_to_string(buffer.data());
      std::memcpy(&sequence, &data[1], 4);
      if (data[0] != live_protocol::tick_frame) continue;
      behind.push_back(static_cast<double>(latest.load()) - sequence);
      bytes += data.size();
      ++frames;
    }
  }
  void finish() {
    stop = true;
    beast::error_code ec;
    beast::get_lowest_layer(ws).socket().shutdown(tcp::socket::shutdown_both, ec);
    thread.join();
  }
};

// The size of a record's value of `kind` starting at `at`.
std::size_t valueBytes(int kind, const std::string& data, std::size_t at) {
  switch (kind) {
    case ZKLiveWorld::bool_kind: return 1;
    case ZKLiveWorld::float_kind: return 4;
    case ZKLiveWorld::time_kind: return 8;
    case ZKLiveWorld::rotation_kind: return 16;
    case ZKLiveWorld::string_kind:
    case ZKLiveWorld::string_list_kind: {
      std::uint32_t length;
      std::memcpy(&length, &data[at], 4);
      return 4 + length;
    }
    default: return 12;
  }
}

// From a viewer's message to the first tick frame in which `behavior`
// turns `active`: the frame's tick less the latest tick out when the message
// was sent; the time until that frame left the simulation, in ticks; the
// time until it reached the viewer. An effect that has not come in a second
// counts as the ticks and time waited.
struct Latency {
  std::vector<double> ticks;
  std::vector<double> serverTicks;
  std::vector<double> seconds;
};

void measure(websocket::stream<beast::tcp_stream>& ws, const live_protocol::FieldKinds& kinds,
             const std::string& message, ZKLiveWorld::Id_t behavior, bool active, Latency& out) {
  watchedActive = active;
  watchedAt = 0;
  watched = behavior;
  const std::uint32_t sent = latest;
  const auto start = std::chrono::steady_clock::now();
  ws.write(asio::buffer(message));
  beast::flat_buffer buffer;
  for (;;) {
    buffer.clear();
    ws.read(buffer);
    if (ws.got_text()) continue;
    const std::string data = beast::buffers_to_string(buffer.data());
    std::uint32_t sequence, count;
    std::memcpy(&sequence, &data[1], 4);
    std::memcpy(&count, &data[13], 4);
    bool effect = false;
    for (std::size_t at = 17; count-- && !effect;) {
      std::uint32_t id;
      std::uint16_t field;
      std::memcpy(&id, &data[at], 4);
      std::memcpy(&field, &data[at + 4], 2);
      effect = id == behavior && (data[at + 6] != 0) == active;
      at += 6 + valueBytes(kinds.kind(id, field), data, at + 6);
    }
    const double waited =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (effect || waited > 1) {
      watched = 0;
      const auto left = std::chrono::steady_clock::duration(watchedAt.load());
      out.ticks.push_back(static_cast<double>(sequence) - sent);
      out.serverTicks.push_back(
          effect ? std::chrono::duration<double>(left - start.time_since_epoch()).count() * kRate
                 : waited * kRate);
      out.seconds.push_back(waited);
      return;
    }
  }
}

void report(benchmark::State& state, const std::string& name, const Latency& l) {
  state.counters[name + "_p50_ticks"] = percentile(l.ticks, 0.5);
  state.counters[name + "_p95_ticks"] = percentile(l.ticks, 0.95);
  state.counters[name + "_p50_server_ticks"] = percentile(l.serverTicks, 0.5);
  state.counters[name + "_p95_server_ticks"] = percentile(l.serverTicks, 0.95);
  state.counters[name + "_p95_client_ms"] = percentile(l.seconds, 0.95) * 1e3;
}

void BM_ServeEightClients(benchmark::State& state) {
  SoDB::init();
  ZKComponent::initClass();
  auto* world = new ZKComponentDB;  // left to the end of the process
  const ZKBehavior turner = bench::turner();
  for (int i = 0; i < kComponents; ++i) {
    ZKComponent* c = bench::addRobot(world, i);
    c->addBehavior("turn", turner);
    if (i % (kComponents / kMoving) == 0) c->activateBehavior("turn", 1);
  }
  // c2 turns while a viewer holds its touch sensor; c3 while a viewer
  // stands in nearC3.
  ZKComponentSensor touch;
  touch.setType(ZKComponentSensor::touch_sensor);
  touch.setName("c2Sensor");
  world->getComponent("c2")->setComponentSensor(touch);
  world->addRoute("turnWhileTouched", "c2Sensor", "isActive", "c2", "set_turnActive");
  auto* near = new ZKProximitySensor;
  near->setName("nearC3");
  near->setCenter(SbVec3f(100, 0, 0));
  near->setSize(SbVec3f(2, 2, 2));
  world->addProximitySensor(near);
  world->addRoute("turnWhileNear", "nearC3", "isActive", "c3", "set_turnActive");
  ZKLiveWorld live(world);
  live_protocol::FieldKinds kinds(live.manifest());
  auto kindsShared = std::make_shared<const live_protocol::FieldKinds>(live.manifest());
  // Components standing still, whose behaviours a control message, a touch
  // and a step into nearC3 switch.
  const ZKLiveWorld::Id_t still = live.find(ZKLiveWorld::behavior_object, "c1", "turn");
  const ZKLiveWorld::Id_t touchTurn = live.find(ZKLiveWorld::behavior_object, "c2", "turn");
  const ZKLiveWorld::Id_t nearTurn = live.find(ZKLiveWorld::behavior_object, "c3", "turn");

  Server* server = nullptr;
  std::atomic<std::size_t> changes{0};
  Simulation::Output output;
  output.tick = [&](std::shared_ptr<const Simulation::Tick> tick) {
    latest = static_cast<std::uint32_t>(tick->sequence);
    changes = tick->changes.size();
    watch(tick->changes);
    server->publishTick(std::move(tick));
  };
  output.snapshot = [&](auto viewer, auto frame) { server->publishSnapshot(viewer, frame); };
  output.error = [&](auto viewer, auto message) { server->publishError(viewer, message); };
  Simulation simulation(live, kinds, kRate, output);
  asio::io_context io;
  ServerOptions options;
  options.port = 0;
  options.token = "bench";
  Server http(io, options, Content(), std::make_shared<const std::string>("{}"), kindsShared,
              simulation);
  server = &http;
  http.start();
  simulation.start();
  std::thread network([&io] {
    auto guard = asio::make_work_guard(io);
    io.run();
  });
  const std::string hello = R"({"type":"hello","protocol":1,"token":"bench"})";

  for (auto _ : state) {
    std::vector<std::unique_ptr<Reader>> readers;
    for (int i = 0; i < kClients; ++i) {
      readers.push_back(std::make_unique<Reader>());
      readers.back()->start(http.port(), hello);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    for (auto& r : readers) r->behind.clear(), r->bytes = 0, r->frames = 0;
    std::this_thread::sleep_for(std::chrono::seconds(5));
    std::vector<double> behind;
    double bytes = 0, frames = 0;
    for (auto& r : readers) {
      behind.insert(behind.end(), r->behind.begin(), r->behind.end());
      bytes += r->bytes;
      frames += r->frames;
    }
    const double rate = simulation.stats().ticksPerSecond;
    state.counters["tick_p95_ms"] = simulation.stats().tickP95 * 1e3;
    // A rotation change: the id and four floats.
    const double own = static_cast<double>(changes) * (4 + 16);
    state.counters["lag_p95_ticks"] = percentile(behind, 0.95);
    state.counters["ticks_per_s"] = rate;
    state.counters["bytes_per_tick"] = bytes / frames;
    state.counters["own_bytes_per_tick"] = own;
    state.counters["bytes_per_tick_over_own"] = bytes / frames / own;

    // A viewer's events and their effects: a still component's behaviour
    // starts or stops.
    {
      Reader probe;
      probe.start(http.port(), hello);
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      probe.stop = true;
      probe.thread.join();
      const auto touched = [](bool on) {
        return std::string(R"({"type":"sensor","component":"c2","field":"isActive","value":)") +
               (on ? "true}" : "false}");
      };
      const auto standAt = [](int x) {
        return R"({"type":"viewer","position":[)" + std::to_string(x) +
               R"(,0,0],"orientation":[0,1,0,0]})";
      };
      const auto control = [](const char* type, ZKLiveWorld::Id_t id) {
        return std::string(R"({"type":")") + type + R"(","id":)" + std::to_string(id) + "}";
      };
      Latency touch, approach, command;
      for (int i = 0; i < 20; ++i) {
        for (bool on : {true, false}) {
          measure(probe.ws, kinds, touched(on), touchTurn, on, touch);
          measure(probe.ws, kinds, standAt(on ? 100 : 0), nearTurn, on, approach);
          measure(probe.ws, kinds, control(on ? "activate" : "deactivate", still), still, on,
                  command);
        }
      }
      report(state, "touch_to_effect", touch);
      report(state, "approach_to_effect", approach);
      report(state, "control_to_effect", command);
      beast::error_code ec;
      probe.ws.close(websocket::close_code::normal, ec);
    }

    // One client stalls for 10 s.
    for (auto& r : readers) r->behind.clear();
    const double before = residentMB();
    readers[0]->paused = true;
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double after = residentMB();
    behind.clear();
    for (std::size_t i = 1; i < readers.size(); ++i)
      behind.insert(behind.end(), readers[i]->behind.begin(), readers[i]->behind.end());
    state.counters["stalled_others_lag_p95_ticks"] = percentile(behind, 0.95);
    state.counters["stalled_ticks_per_s"] = simulation.stats().ticksPerSecond;
    state.counters["stalled_memory_growth_MB"] = after - before;
    readers[0]->paused = false;
    for (auto& r : readers) r->finish();
  }
  simulation.stop();
  http.stop();
  asio::post(io, [&io] { io.stop(); });
  network.join();
}
BENCHMARK(BM_ServeEightClients)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
