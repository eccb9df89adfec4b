#ifndef ZKCP_X3D_X3DANIMATIONWRITER_H
#define ZKCP_X3D_X3DANIMATIONWRITER_H

#include <zkcp/world/ZKWorldRecorder.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

// The scene a recording is written into: the IDs it gives the objects a
// recording moves (empty when an object is not in the scene), and how
// nodes, routes and comments are added to it.
struct X3DAnimationScene {
  using Fields = std::vector<std::pair<std::string, std::string>>;
  // The Transform of a component (part "") or of one of its logical parts.
  std::function<std::string(ZKComponent*, const RWCString& part)> transform;
  // The light node of a world light, by normalized name.
  std::function<std::string(const RWCString& light)> light;
  // The ProximitySensor of a world proximity sensor.
  std::function<std::string(const char* sensor)> proximitySensor;
  // Adds a node of `type` with `fields` to the scene and returns the fresh
  // ID, made from `name`, it got.
  std::function<std::string(const std::string& type, const Fields& fields,
                            const std::string& name)>
      addNode;
  std::function<void(const std::string& fromNode, const std::string& fromField,
                     const std::string& toNode, const std::string& toField)>
      addRoute;
  std::function<void(const std::string& text)> addComment;
};

// Writes recorded runs into an X3D scene as animation: per run a
// TimeSensor, and per track an interpolator or sequencer driving the named
// node (transform fields with Position- and OrientationInterpolators, a
// light's on state with a BooleanSequencer, its intensity with a
// ScalarInterpolator and its colour with a ColorInterpolator), keys at the
// recorded steps. Attributes have no X3D field to drive and are only named.
// A run with nothing to drive in the scene gets no nodes.
//
// The start-up run plays when the scene loads, looping when it still
// changed in its last step. A route run plays when its route's source, a
// proximity sensor, fires: "isActive" and "enterTime" start it on entering,
// "exitTime" on leaving; for "isActive" a behaviour whose finishing undoes
// it runs back on leaving. A comment before the nodes lists every run and
// how it starts. Returns one short text per run for a summary line, as
// "door1.swing on entering nearDoor".
std::vector<std::string> writeX3DAnimation(const X3DAnimationScene& scene,
                                           const std::vector<ZKWorldRecorder::Run_t>& runs);

#endif
