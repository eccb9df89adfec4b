#include <zkcp/x3d/X3DAnimationWriter.h>

#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKProximitySensor.h>
#include <zkcp/world/ZKRoute.h>

#include <Inventor/SbRotation.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

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
  Writer(pugi::xml_node s, const X3DAnimationTargets& t) : scene(s), targets(t) {
    for (pugi::xpath_node n : scene.select_nodes("//*[@DEF]")) used.insert(n.node().attribute("DEF").value());
  }

  std::string unique(const std::string& wanted) {
    std::string name = idOf(wanted);
    for (int i = 2; used.count(name); ++i) name = idOf(wanted) + "_" + std::to_string(i);
    used.insert(name);
    return name;
  }

  pugi::xml_node node(const char* type, const std::string& def) {
    pugi::xml_node n = scene.append_child(type);
    n.append_attribute("DEF") = def.c_str();
    return n;
  }

  void route(const std::string& from, const char* out, const std::string& to, const char* in) {
    pugi::xml_node r = scene.append_child("ROUTE");
    r.append_attribute("fromNode") = from.c_str();
    r.append_attribute("fromField") = out;
    r.append_attribute("toNode") = to.c_str();
    r.append_attribute("toField") = in;
  }

  // The DEF and input field a track drives, or false.
  bool target(const Recorder::Track_t& t, std::string& def, std::string& field) {
    if (t.subject == Recorder::attribute_subject) return false;
    def = t.subject == Recorder::transform_subject ? targets.transform(t.component, t.part)
                                                    : targets.light(t.light);
    field = std::string("set_") + t.member.data();
    return !def.empty();
  }

  // One interpolator per track it can drive; the names of the
  // interpolators written, and the attribute tracks in `named`.
  std::vector<std::string> interpolators(const Recorder::Run_t& run, const std::string& id,
                                         std::string& named) {
    std::vector<std::string> out;
    for (const Recorder::Track_t& t : run.tracks) {
      std::string def, field;
      if (!target(t, def, field)) {
        if (t.subject == Recorder::attribute_subject)
          named += std::string(named.empty() ? "" : ", ") + t.component->getName().getString() +
                   "." + t.member.data();
        continue;
      }
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
      const std::string name = unique(id + "_" + def + "_" + t.member.data());
      pugi::xml_node i = node(type, name);
      i.append_attribute("key") = keys.c_str();
      i.append_attribute("keyValue") = keyValues.c_str();
      route(name, "value_changed", def, field.c_str());
      out.push_back(name);
    }
    return out;
  }

  pugi::xml_node clock(const std::string& name, const Recorder::Run_t& run, bool loop) {
    pugi::xml_node c = node("TimeSensor", name);
    c.append_attribute("cycleInterval") = number(run.duration() > 0 ? run.duration() : 1).c_str();
    c.append_attribute("loop") = loop ? "true" : "false";
    return c;
  }

  pugi::xml_node scene;
  const X3DAnimationTargets& targets;
  std::set<std::string> used;
};

std::string runName(const Recorder::Run_t& run) {
  std::string out;
  for (const auto& b : run.behaviors)
    out += std::string(out.empty() ? "" : ", ") + b.first->getName().getString() + "." +
           b.second.data();
  return out;
}

}  // namespace

std::vector<std::string> writeX3DAnimation(pugi::xml_node scene,
                                           const std::vector<ZKWorldRecorder::Run_t>& runs,
                                           const X3DAnimationTargets& targets) {
  std::vector<std::string> summary;
  if (!scene || runs.empty()) return summary;
  Writer w(scene, targets);
  pugi::xml_node comment = scene.append_child(pugi::node_comment);
  std::string text = " Recorded behaviours, " + std::to_string(runs[0].steps) + " steps of " +
                     number(runs[0].timeStep) + " s each:";
  for (const Recorder::Run_t& run : runs) {
    std::string how, attributes;
    // Proximity sensors that start a route run, with their event.
    std::vector<std::pair<std::string, std::string>> starts;
    for (const ZKRoute* r : run.routes) {
      const std::string event = r->getSourceEvent();
      if (r->getSourceType() != ZKRoute::proximity_sensor_point ||
          (event != "isActive" && event != "enterTime" && event != "exitTime"))
        continue;
      const std::string sensor =
          targets.proximitySensor(static_cast<const ZKProximitySensor*>(r->getSource())->getName());
      if (!sensor.empty()) starts.emplace_back(sensor, event);
    }
    int drivable = 0;
    for (const Recorder::Track_t& t : run.tracks) {
      std::string def, field;
      drivable += w.target(t, def, field) ? 1 : 0;
    }
    const std::string id =
        run.atStartup ? std::string("startup")
                      : idOf(std::string(run.behaviors[0].first->getName().getString()) + "_" +
                             run.behaviors[0].second.data());
    if (!run.atStartup && starts.empty()) {
      how = "not played: no proximity sensor route starts it";
    } else if (drivable == 0) {
      how = run.atStartup ? "at start-up" : "on its route";
      how += run.tracks.empty() ? ", changes nothing" : ", nothing it changes is in the scene";
    } else {
      const std::string clock = w.unique(id + "_clock");
      w.clock(clock, run, run.keepsRunning);
      const std::vector<std::string> drives = w.interpolators(run, id, attributes);
      for (const std::string& i : drives) w.route(clock, "fraction_changed", i, "set_fraction");
      if (run.atStartup) {
        if (!run.keepsRunning) {
          // A clock that starts with the scene and does not end starts the
          // run once.
          const std::string load = w.unique("startup_load");
          pugi::xml_node l = w.node("TimeSensor", load);
          l.append_attribute("cycleInterval") = "1e9";
          l.append_attribute("loop") = "true";
          w.route(load, "cycleTime", clock, "startTime");
        }
        how = run.keepsRunning ? "at start-up, looping" : "at start-up";
      }
      std::string back;
      for (const auto& [sensor, event] : starts) {
        const bool onExit = event == "exitTime";
        w.route(sensor, onExit ? "exitTime" : "enterTime", clock, "startTime");
        how += std::string(how.empty() ? "" : ", ") + (onExit ? "on leaving " : "on entering ") +
               sensor;
        if (event != "isActive") continue;
        w.route(sensor, "exitTime", clock, "stopTime");
        if (!run.undoneByFinish) continue;
        // Leaving runs the recording backwards, from its last change to its
        // start.
        if (back.empty()) {
          int last = 0;
          for (const Recorder::Track_t& t : run.tracks) last = std::max(last, t.keys.back().step);
          if (last == 0) last = run.steps;
          back = w.unique(id + "_back");
          w.clock(back, run, false).attribute("cycleInterval") = number(last * run.timeStep).c_str();
          const std::string reverse = w.unique(id + "_reverse");
          pugi::xml_node r = w.node("ScalarInterpolator", reverse);
          r.append_attribute("key") = "0 1";
          r.append_attribute("keyValue") =
              (number(static_cast<double>(last) / run.steps) + " 0").c_str();
          w.route(back, "fraction_changed", reverse, "set_fraction");
          for (const std::string& i : drives) w.route(reverse, "value_changed", i, "set_fraction");
        }
        w.route(sensor, "exitTime", back, "startTime");
        w.route(sensor, "enterTime", back, "stopTime");
        how += ", back on leaving it";
      }
    }
    const std::string name = runName(run);
    text += "\n   " + name + ": " + how;
    if (!attributes.empty()) text += "; attributes it changes, not shown: " + attributes;
    summary.push_back(name + " " + how);
  }
  comment.set_value(commentText(text + "\n").c_str());
  return summary;
}
