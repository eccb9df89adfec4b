#ifndef ZKCP_TOOLS_ZKCP_SERVE_SIMULATION_H
#define ZKCP_TOOLS_ZKCP_SERVE_SIMULATION_H

#include "Protocol.h"

#include <zkcp/live/ZKLiveWorld.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

// Runs a live world on a thread of its own at a fixed tick rate. Viewers'
// messages come in through post() from any thread; each tick, and each
// snapshot a viewer asked for, goes out through the callbacks, called on
// the simulation thread, which must hand them on without waiting.
class Simulation {
 public:
  using ViewerId = std::uint64_t;

  // One tick as it goes to every viewer.
  struct Tick {
    std::uint64_t sequence = 0;
    double time = 0;
    std::vector<ZKLiveWorld::Change_t> changes;
    std::string frame;   // the binary frame of `changes`
    std::string events;  // the events message, empty when nothing happened
  };
  struct Output {
    std::function<void(std::shared_ptr<const Tick>)> tick;
    std::function<void(ViewerId, std::shared_ptr<const std::string>)> snapshot;
    std::function<void(ViewerId, std::string)> error;
  };
  struct Stats {
    double ticksPerSecond = 0;  // over the last whole second
    double tickP95 = 0;         // seconds, over the same ticks
  };

  // `live` and `kinds` outlive the simulation, which alone touches `live`
  // from start() to stop().
  Simulation(ZKLiveWorld& live, const live_protocol::FieldKinds& kinds, double rate, Output output);
  ~Simulation();
  Simulation(const Simulation&) = delete;
  Simulation& operator=(const Simulation&) = delete;

  void start();
  void stop();

  // A viewer's message; Hello and Resync ask for a snapshot.
  void post(ViewerId viewer, live_protocol::ClientMessage message);
  void viewerLeft(ViewerId viewer);
  // False when the inbox holds `limit` messages already.
  bool hasRoom() const;

  Stats stats() const;

 private:
  struct Input {
    ViewerId viewer;
    bool left = false;
    live_protocol::ClientMessage message;
  };

  void run();
  void apply(const Input& input, std::vector<ViewerId>& snapshots);
  bool applyMessage(ViewerId viewer, const live_protocol::ClientMessage& message,
                    std::string& error);

  ZKLiveWorld& live_;
  const live_protocol::FieldKinds& kinds_;
  const double period_;
  Output output_;
  // Component instance name -> its sensor's object.
  std::unordered_map<std::string, const ZKLiveWorld::Object*> sensors_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool running_ = false;
  std::vector<Input> inbox_;
  Stats stats_;
  std::thread thread_;
};

#endif
