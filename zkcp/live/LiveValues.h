#ifndef ZKCP_LIVE_LIVEVALUES_H
#define ZKCP_LIVE_LIVEVALUES_H

#include <zkcp/live/ZKLiveWorld.h>

class ZKAttribute;
class ZKComponent;

// Plain values of the live world and the recorder, to and from the
// Inventor types and attributes they stand for.
namespace live {

ZKLiveWorld::Value_t number(double d);
ZKLiveWorld::Value_t vec(const SbVec3f& p);
ZKLiveWorld::Value_t rot(const SbRotation& r);
SbVec3f toVec(const ZKLiveWorld::Value_t& v);
SbRotation toRot(const ZKLiveWorld::Value_t& v);

// The value of an attribute of a kind a value can hold, and that kind;
// false for pointer attributes and unknown kinds.
bool readAttribute(ZKAttribute* a, ZKLiveWorld::Kind_t& kind, ZKLiveWorld::Value_t& out);
// Sets an attribute of `kind` through its typed setter, so its thresholds run.
void writeAttribute(ZKAttribute* a, ZKLiveWorld::Kind_t kind, const ZKLiveWorld::Value_t& v);

// The name of a component's sensor: its own, or the instance name and
// "Sensor" when it has none.
std::string sensorName(const ZKComponent* c);

}  // namespace live

#endif
