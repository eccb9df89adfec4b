#include "Simulation.h"

#include <algorithm>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// Messages waiting for the next tick, from all viewers together.
constexpr std::size_t kInboxLimit = 65536;

std::string viewerName(Simulation::ViewerId viewer) { return "v" + std::to_string(viewer); }

}  // namespace

Simulation::Simulation(ZKLiveWorld& live, const live_protocol::FieldKinds& kinds, double rate,
                       Output output)
    : live_(live), kinds_(kinds), period_(1.0 / rate), output_(std::move(output)) {
  for (const ZKLiveWorld::Object& o : live_.manifest()) {
    if (o.type != ZKLiveWorld::component_sensor_object) continue;
    if (const ZKLiveWorld::Object* owner = live_.object(o.owner)) sensors_[owner->name] = &o;
  }
}

Simulation::~Simulation() { stop(); }

void Simulation::start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (running_) return;
  running_ = true;
  thread_ = std::thread([this] { run(); });
}

void Simulation::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void Simulation::post(ViewerId viewer, live_protocol::ClientMessage message) {
  std::lock_guard<std::mutex> lock(mutex_);
  inbox_.push_back(Input{viewer, false, std::move(message)});
}

void Simulation::viewerLeft(ViewerId viewer) {
  std::lock_guard<std::mutex> lock(mutex_);
  inbox_.push_back(Input{viewer, true, live_protocol::Resync{}});
}

bool Simulation::hasRoom() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return inbox_.size() < kInboxLimit;
}

Simulation::Stats Simulation::stats() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stats_;
}

bool Simulation::applyMessage(ViewerId viewer, const live_protocol::ClientMessage& message,
                              std::string& error) {
  using namespace live_protocol;
  const double now = live_.now();
  if (auto* moved = std::get_if<ViewerMoved>(&message)) {
    const double* p = moved->position;
    const double* o = moved->orientation;
    const SbVec3f axis(static_cast<float>(o[0]), static_cast<float>(o[1]),
                       static_cast<float>(o[2]));
    const SbRotation orientation = axis.length() > 0
                                       ? SbRotation(axis, static_cast<float>(o[3]))
                                       : SbRotation::identity();
    if (!live_.viewerMoved(viewerName(viewer), now,
                           SbVec3f(static_cast<float>(p[0]), static_cast<float>(p[1]),
                                   static_cast<float>(p[2])),
                           orientation))
      error = "the viewer's place was refused";
  } else if (auto* event = std::get_if<SensorEvent>(&message)) {
    auto sensor = sensors_.find(event->component);
    if (sensor == sensors_.end()) {
      error = "component '" + event->component + "' has no sensor";
      return false;
    }
    const auto& fields = sensor->second->fields;
    auto field = std::find_if(fields.begin(), fields.end(),
                              [&](const ZKLiveWorld::Field_t& f) { return f.name == event->field; });
    ZKLiveWorld::Value_t value;
    if (field == fields.end()) {
      error = "the sensor of '" + event->component + "' has no field '" + event->field + "'";
    } else if (!toLiveValue(event->value, field->kind, value)) {
      error = "'" + event->field + "' cannot take that value";
    } else if (!live_.sensorEvent(event->component, event->field, now, value)) {
      error = "the sensor event was refused";
    }
  } else if (auto* set = std::get_if<SetBehavior>(&message)) {
    const ZKLiveWorld::Object* o = live_.object(set->id);
    if (!o || o->type != ZKLiveWorld::behavior_object)
      error = "object " + std::to_string(set->id) + " is not a behaviour";
    else if (!(set->active ? live_.activateBehavior(set->id, now)
                           : live_.deactivateBehavior(set->id, now)))
      error = "behaviour " + std::to_string(set->id) + " was refused";
  } else if (auto* set = std::get_if<SetAttribute>(&message)) {
    const ZKLiveWorld::Object* o = live_.object(set->id);
    ZKLiveWorld::Value_t value;
    if (!o || o->type != ZKLiveWorld::attribute_object || o->fields.empty())
      error = "object " + std::to_string(set->id) + " is not an attribute";
    else if (!toLiveValue(set->value, o->fields[0].kind, value))
      error = "attribute " + std::to_string(set->id) + " cannot take that value";
    else if (!live_.setAttribute(set->id, value, now))
      error = "attribute " + std::to_string(set->id) + " refused the value";
  }
  return error.empty();
}

void Simulation::apply(const Input& input, std::vector<ViewerId>& snapshots) {
  if (input.left) {
    live_.viewerLeft(viewerName(input.viewer), live_.now());
    return;
  }
  if (std::holds_alternative<live_protocol::Hello>(input.message) ||
      std::holds_alternative<live_protocol::Resync>(input.message)) {
    if (std::find(snapshots.begin(), snapshots.end(), input.viewer) == snapshots.end())
      snapshots.push_back(input.viewer);
    return;
  }
  std::string error;
  if (!applyMessage(input.viewer, input.message, error) && output_.error)
    output_.error(input.viewer, std::move(error));
}

void Simulation::run() {
  const auto period = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(period_));
  auto next = Clock::now();
  auto second = next;
  std::vector<double> costs;
  std::vector<Input> inputs;
  std::vector<ViewerId> snapshots;
  std::vector<ZKLiveWorld::Change_t> values;
  ZKLiveWorld::Tick_t tick;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait_until(lock, next, [this] { return !running_; });
      if (!running_) return;
      inputs.swap(inbox_);
    }
    const auto started = Clock::now();
    snapshots.clear();
    for (const Input& input : inputs) apply(input, snapshots);
    inputs.clear();
    live_.tick(period_, tick);
    auto out = std::make_shared<Tick>();
    out->sequence = tick.sequence;
    out->time = tick.time;
    out->frame = live_protocol::encodeFrame(live_protocol::tick_frame, tick.sequence, tick.time,
                                            tick.changes, kinds_);
    if (!tick.events.empty()) out->events = live_protocol::eventsMessage(tick.sequence, tick.events);
    out->changes = std::move(tick.changes);
    if (output_.tick) output_.tick(std::move(out));
    for (ViewerId viewer : snapshots) {
      live_.snapshot(values);
      auto frame = std::make_shared<std::string>(live_protocol::encodeFrame(
          live_protocol::snapshot_frame, tick.sequence, tick.time, values, kinds_));
      if (output_.snapshot) output_.snapshot(viewer, std::move(frame));
    }
    const auto finished = Clock::now();
    costs.push_back(std::chrono::duration<double>(finished - started).count());
    if (finished - second >= std::chrono::seconds(1)) {
      std::sort(costs.begin(), costs.end());
      Stats stats;
      stats.ticksPerSecond =
          costs.size() / std::chrono::duration<double>(finished - second).count();
      stats.tickP95 = costs[std::min(costs.size() - 1, costs.size() * 95 / 100)];
      costs.clear();
      second = finished;
      std::lock_guard<std::mutex> lock(mutex_);
      stats_ = stats;
    }
    // A late tick moves the schedule rather than being caught up in a burst.
    next += period;
    if (next < finished - period) next = finished;
  }
}
