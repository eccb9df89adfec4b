#ifndef ZKCP_X3D_X3DANIMATIONWRITER_H
#define ZKCP_X3D_X3DANIMATIONWRITER_H

#include <zkcp/world/ZKWorldRecorder.h>

#include <pugixml.hpp>

#include <functional>
#include <string>
#include <vector>

// The DEF names the rest of the X3D scene gives the objects a recording
// moves; an empty name means the object is not in the scene.
struct X3DAnimationTargets {
  // The Transform of a component (part "") or of one of its logical parts.
  std::function<std::string(ZKComponent*, const RWCString& part)> transform;
  // The light node of a world light, by normalized name.
  std::function<std::string(const RWCString& light)> light;
  // The ProximitySensor of a world proximity sensor.
  std::function<std::string(const char* sensor)> proximitySensor;
};

// Writes recorded runs into an X3D scene as animation: per run a
// TimeSensor, and per track an interpolator or sequencer driving the named
// node (transform fields with Position- and OrientationInterpolators, a
// light's on state with a BooleanSequencer, its intensity with a
// ScalarInterpolator and its colour with a ColorInterpolator), keys at the
// recorded steps. Attributes have no X3D field to drive and are only named.
//
// The start-up run plays when the scene loads, looping when it still
// changed in its last step. A route run plays when its route's source, a
// proximity sensor, fires: "isActive" and "enterTime" start it on entering,
// "exitTime" on leaving; for "isActive" a behaviour whose finishing undoes
// it runs back on leaving. An XML comment before the nodes lists every run
// and how it starts. Returns one short text per run for a summary line, as
// "door1.swing on entering nearDoor".
std::vector<std::string> writeX3DAnimation(pugi::xml_node scene,
                                           const std::vector<ZKWorldRecorder::Run_t>& runs,
                                           const X3DAnimationTargets& targets);

#endif
