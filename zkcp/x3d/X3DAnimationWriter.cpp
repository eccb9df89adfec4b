#include <zkcp/x3d/X3DAnimationWriter.h>

#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKProximitySensor.h>
#include <zkcp/world/ZKRoute.h>

#include <Inventor/SbRotation.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

using Recorder = ZKWorldRecorder;

std::string number(double d) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", d);
  return std::strcmp(text, "-0") == 0 ? "0" : text;
}

// Rotations as axis and angle; the other values as they are.
std::string values(const Recorder::Value_t& value, int n) {
  Recorder::Value_t v = value;
  if (n == 4) {
    SbVec3f axis;
    float angle = 0;
    SbRotation(static_cast<float>(v.v[0]), static_cast<float>(v.v[1]), static_cast<float>(v.v[2]),
               static_cast<float>(v.v[3]))
        .getValue(axis, angle);
    v.v = {axis[0], axis[1], axis[2], angle};
  }
  std::string out = number(v.v[0]);
  for (int i = 1; i < n; ++i) out += " " + number(v.v[i]);
  return out;
}

// Letters, digits and underscores, not starting with a digit.
std::string idOf(const std::string& text) {
  std::string out;
  for (char c : text) out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  if (out.empty() || std::isdigit(static_cast<unsigned char>(out[0]))) out = "_" + out;
  return out;
}

// A comment may not hold two hyphens in a row.
std::string commentText(std::string text) {
  for (size_t at; (at = text.find("--")) != std::string::npos;) text.replace(at, 2, "- -");
  return text;
}

class Writer {
 public:
  explicit Writer(const X3DAnimationScene& s) : scene(s) {}

  // The ID and input field a track drives, or false.
  bool target(const Recorder::Track_t& t, std::string& id, std::string& field) const {
    if (t.subject == Recorder::attribute_subject) return false;
    id = t.subject == Recorder::transform_subject ? scene.transform(t.component, t.part)
                                                   : scene.light(t.light);
    field = std::string("set_") + t.member.data();
    return !id.empty();
  }

  // One interpolator per track it can drive, returning their IDs.
  std::vector<std::string> interpolators(const Recorder::Run_t& run, const std::string& prefix) {
    std::vector<std::string> out;
    for (const Recorder::Track_t& t : run.tracks) {
      std::string id, field;
      if (!target(t, id, field)) continue;
      const char* type = "ScalarInterpolator";
      int n = 1;
      switch (t.kind) {
        case Recorder::vec3f_kind: type = "PositionInterpolator"; n = 3; break;
        case Recorder::color_kind: type = "ColorInterpolator"; n = 3; break;
        case Recorder::rotation_kind: type = "OrientationInterpolator"; n = 4; break;
        case Recorder::bool_kind: type = "BooleanSequencer"; break;
        default: break;
      }
      std::string keys, keyValues;
      for (const Recorder::Key_t& k : t.keys) {
        keys += (keys.empty() ? "" : " ") + number(static_cast<double>(k.step) / run.steps);
        const std::string v = t.kind == Recorder::bool_kind ? (k.value.v[0] ? "true" : "false")
                                                            : values(k.value, n);
        keyValues += (keyValues.empty() ? "" : n > 1 ? ", " : " ") + v;
      }
      const std::string made = scene.addNode(type, {{"key", keys}, {"keyValue", keyValues}},
                                             prefix + "_" + id + "_" + t.member.data());
      scene.addRoute(made, "value_changed", id, field);
      out.push_back(made);
    }
    return out;
  }

  std::string clock(const std::string& name, double seconds, bool loop) {
    return scene.addNode("TimeSensor",
                         {{"cycleInterval", number(seconds > 0 ? seconds : 1)},
                          {"loop", loop ? "true" : "false"}},
                         name);
  }

  const X3DAnimationScene& scene;
};

std::string runName(const Recorder::Run_t& run) {
  std::string out;
  for (const auto& b : run.behaviors)
    out += std::string(out.empty() ? "" : ", ") + b.first->getName().getString() + "." +
           b.second.data();
  return out;
}

}  // namespace

namespace {

// How a run is written: the proximity sensors that start it with their
// events, whether anything it changes is in the scene, and the words that
// say how it starts.
struct Plan {
  std::vector<std::pair<std::string, std::string>> starts;
  bool drawn = false;
  std::string how;
  std::string attributes;
};

Plan planOf(const Recorder::Run_t& run, const Writer& w) {
  Plan plan;
  for (const ZKRoute* r : run.routes) {
    const std::string event = r->getSourceEvent();
    if (r->getSourceType() != ZKRoute::proximity_sensor_point ||
        (event != "isActive" && event != "enterTime" && event != "exitTime"))
      continue;
    const std::string sensor = w.scene.proximitySensor(
        static_cast<const ZKProximitySensor*>(r->getSource())->getName());
    if (!sensor.empty()) plan.starts.emplace_back(sensor, event);
  }
  for (const Recorder::Track_t& t : run.tracks) {
    std::string id, field;
    if (w.target(t, id, field)) plan.drawn = true;
    else if (t.subject == Recorder::attribute_subject)
      plan.attributes += std::string(plan.attributes.empty() ? "" : ", ") +
                         t.component->getName().getString() + "." + t.member.data();
  }
  if (!run.atStartup && plan.starts.empty()) {
    plan.how = "not played: no proximity sensor route starts it";
    plan.drawn = false;
    return plan;
  }
  if (run.atStartup) plan.how = run.keepsRunning ? "at start-up, looping" : "at start-up";
  for (const auto& [sensor, event] : plan.starts) {
    plan.how += std::string(plan.how.empty() ? "" : ", ") +
                (event == "exitTime" ? "on leaving " : "on entering ") + sensor;
    if (event == "isActive" && run.undoneByFinish) plan.how += ", back on leaving it";
  }
  if (!plan.drawn)
    plan.how += run.tracks.empty() ? ", changes nothing" : ", nothing it changes is in the scene";
  return plan;
}

void writeRun(const Recorder::Run_t& run, const Plan& plan, Writer& w) {
  const X3DAnimationScene& scene = w.scene;
  const std::string prefix =
      run.atStartup ? std::string("startup")
                    : idOf(std::string(run.behaviors[0].first->getName().getString()) + "_" +
                           run.behaviors[0].second.data());
  const std::string clock = w.clock(prefix + "_clock", run.duration(), run.keepsRunning);
  const std::vector<std::string> drives = w.interpolators(run, prefix);
  for (const std::string& i : drives) scene.addRoute(clock, "fraction_changed", i, "set_fraction");
  if (run.atStartup && !run.keepsRunning) {
    // A clock that starts with the scene and does not end starts the run
    // once.
    const std::string load = w.clock("startup_load", 1e9, true);
    scene.addRoute(load, "cycleTime", clock, "startTime");
  }
  std::string back;
  for (const auto& [sensor, event] : plan.starts) {
    scene.addRoute(sensor, event == "exitTime" ? "exitTime" : "enterTime", clock, "startTime");
    if (event != "isActive") continue;
    scene.addRoute(sensor, "exitTime", clock, "stopTime");
    if (!run.undoneByFinish) continue;
    // Leaving runs the recording backwards, from its last change to its
    // start.
    if (back.empty()) {
      int last = 0;
      for (const Recorder::Track_t& t : run.tracks) last = std::max(last, t.keys.back().step);
      if (last == 0) last = run.steps;
      back = w.clock(prefix + "_back", last * run.timeStep, false);
      const std::string reverse = scene.addNode(
          "ScalarInterpolator",
          {{"key", "0 1"}, {"keyValue", number(static_cast<double>(last) / run.steps) + " 0"}},
          prefix + "_reverse");
      scene.addRoute(back, "fraction_changed", reverse, "set_fraction");
      for (const std::string& i : drives) scene.addRoute(reverse, "value_changed", i, "set_fraction");
    }
    scene.addRoute(sensor, "exitTime", back, "startTime");
    scene.addRoute(sensor, "enterTime", back, "stopTime");
  }
}

}  // namespace

std::vector<std::string> writeX3DAnimation(const X3DAnimationScene& scene,
                                           const std::vector<ZKWorldRecorder::Run_t>& runs) {
  std::vector<std::string> summary;
  if (runs.empty()) return summary;
  Writer w(scene);
  std::vector<Plan> plans;
  std::string text = "Recorded behaviours, " + std::to_string(runs[0].steps) + " steps of " +
                     number(runs[0].timeStep) + " s each:";
  for (const Recorder::Run_t& run : runs) {
    plans.push_back(planOf(run, w));
    const std::string name = runName(run);
    text += "\n   " + name + ": " + plans.back().how;
    if (!plans.back().attributes.empty())
      text += "; attributes it changes, not shown: " + plans.back().attributes;
    summary.push_back(name + " " + plans.back().how);
  }
  scene.addComment(commentText(text + "\n"));
  for (size_t i = 0; i < runs.size(); ++i)
    if (plans[i].drawn) writeRun(runs[i], plans[i], w);
  return summary;
}
