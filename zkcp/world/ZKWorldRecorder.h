#ifndef ZKCP_WORLD_ZKWORLDRECORDER_H
#define ZKCP_WORLD_ZKWORLDRECORDER_H

#include <zkcp/foundation/RWCString.h>
#include <zkcp/live/ZKLiveWorld.h>

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class ZKAttribute;
class ZKComponent;
class ZKComponentDB;
class ZKRoute;

// Runs a world's behaviours for a number of steps and keeps what they
// changed, step by step, so that a viewer without the behaviour modules can
// play it back: the transform fields of the components and their logical
// parts, the on state, intensity and colour of the world's lights, and the
// attributes that are not hidden.
//
// The recorder is a client of the live world (ZKLiveWorld): a step is one
// tick of it (or, for a route run, one update() of the component followed
// by the live world gathering what changed), so routes act during a
// recording as they act live, and only what the change stream reports is
// kept. A value that never changes gets no track.
//
// Each recording is a run. The start-up run steps the world as it stands,
// with the behaviours already active. A route run activates one behaviour
// through the world (as its route would), steps its component alone, and
// deactivates it again. After every run the world is put back as it was:
// the behaviours active before are active again, and every value a track
// holds gets its value from before the run.
class ZKWorldRecorder {
 public:
  enum Subject_t { transform_subject = 0, light_subject, attribute_subject };
  // The kinds of value are the live world's, under the recorder's names.
  using Kind_t = ZKLiveWorld::Kind_t;
  static constexpr Kind_t bool_kind = ZKLiveWorld::bool_kind;
  static constexpr Kind_t float_kind = ZKLiveWorld::float_kind;
  static constexpr Kind_t time_kind = ZKLiveWorld::time_kind;
  static constexpr Kind_t vec3f_kind = ZKLiveWorld::vec3f_kind;
  static constexpr Kind_t color_kind = ZKLiveWorld::color_kind;
  static constexpr Kind_t rotation_kind = ZKLiveWorld::rotation_kind;
  static constexpr Kind_t string_kind = ZKLiveWorld::string_kind;
  static constexpr Kind_t string_list_kind = ZKLiveWorld::string_list_kind;

  // A value as numbers (up to four) or as text (a string; a string list
  // with its entries on lines of their own).
  using Value_t = ZKLiveWorld::Value_t;

  struct Key_t {
    int step;  // 0 is the start of the run, after the activation
    Value_t value;
  };

  // The keys of one value that changed during a run, in step order. The
  // first key is at step 0; a value that holds still before it changes has
  // a key at the last step it held, so that keys joined by straight lines
  // give the value at every step.
  struct Track_t {
    Subject_t subject;
    Kind_t kind;
    ZKComponent* component = nullptr;  // null for a light
    RWCString part;                    // logical part name; "" for the component itself
    RWCString light;                   // normalized light name
    // "translation", "rotation", "scale", "scaleOrientation", "center";
    // "on", "intensity", "color"; or the attribute's name in its component.
    RWCString member;
    Value_t before;  // the value before the run
    std::vector<Key_t> keys;
  };

  struct Run_t {
    // The behaviours it runs: every active one for the start-up run, the
    // activated one for a route run.
    std::vector<std::pair<ZKComponent*, RWCString>> behaviors;
    bool atStartup = true;
    // The routes that activate the behaviour of a route run.
    std::vector<const ZKRoute*> routes;
    int steps = 0;
    double timeStep = 0;
    // Something still changed in the last step.
    bool keepsRunning = false;
    // Route runs: deactivating the behaviour put every track back to its
    // value from before the run.
    bool undoneByFinish = false;
    std::vector<Track_t> tracks;

    double duration() const { return steps * timeStep; }
  };

  explicit ZKWorldRecorder(ZKComponentDB* world);
  ~ZKWorldRecorder();
  ZKWorldRecorder(const ZKWorldRecorder&) = delete;
  ZKWorldRecorder& operator=(const ZKWorldRecorder&) = delete;

  // The start-up run (when a component has an active behaviour), then one
  // run per behaviour that a route activates and that is not active yet,
  // in route order. Returns the number of runs kept; 0 for a null world or
  // fewer than one step.
  int record(int steps, double timeStep);
  // One run of the behaviours active now. Used on their own, the two
  // forms below watch the world for the run only; record() watches it once
  // for all its runs.
  void recordStartup(int steps, double timeStep);
  // One run of `behavior` of `c`, activated for it. Nothing when the
  // component has no such behaviour or it is active already.
  void recordActivation(ZKComponent* c, const RWCString& behavior, int steps, double timeStep,
                        const std::vector<const ZKRoute*>& routes = {});

  const std::vector<Run_t>& getRuns() const { return runs; }

  // The value of an attribute of a kind the recorder keeps, as it keeps it;
  // false for pointer attributes and unknown kinds.
  static bool readAttribute(ZKAttribute* a, Kind_t& kind, Value_t& out);

 private:
  struct Slot;

  void watchWorld();
  void unwatchWorld();
  // Takes in what the live world gathered; with a run, as the keys of step
  // `step`.
  void take(const ZKLiveWorld::Tick_t& tick, int step, Run_t* run);
  // Gives every value touched in the run its value from before the run.
  void putBack();

  ZKComponentDB* world;
  std::unique_ptr<ZKLiveWorld> live;
  std::vector<Slot> slots;          // the recorded fields of the live world's objects
  std::vector<int> firstSlot;       // by live id - 1: its first slot, or -1
  std::vector<int> inRun;           // slots changed since the run began
  ZKLiveWorld::Tick_t tick;
  std::vector<Run_t> runs;
};

#endif
