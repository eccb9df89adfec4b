#include <zkcp/live/ZKLiveWorld.h>

struct ZKLiveWorld::Impl {
  std::vector<Object> objects;
  double clock = 0;
};

ZKLiveWorld::ZKLiveWorld(ZKComponentDB*, const ZKX3DWriter*) : impl(std::make_unique<Impl>()) {}
ZKLiveWorld::~ZKLiveWorld() = default;
bool ZKLiveWorld::isValid() const { return false; }
const std::vector<ZKLiveWorld::Object>& ZKLiveWorld::manifest() const { return impl->objects; }
const ZKLiveWorld::Object* ZKLiveWorld::object(Id_t) const { return nullptr; }
ZKLiveWorld::Id_t ZKLiveWorld::find(Object_t, const std::string&, const std::string&) const { return 0; }
double ZKLiveWorld::now() const { return impl->clock; }
bool ZKLiveWorld::viewerMoved(const std::string&, double, const SbVec3f&, const SbRotation&) { return false; }
bool ZKLiveWorld::viewerLeft(const std::string&, double) { return false; }
bool ZKLiveWorld::proximityEvent(const std::string&, Id_t, bool, double) { return false; }
bool ZKLiveWorld::sensorEvent(const std::string&, const std::string&, double, const Value_t&) { return false; }
bool ZKLiveWorld::activateBehavior(Id_t, double) { return false; }
bool ZKLiveWorld::deactivateBehavior(Id_t, double) { return false; }
bool ZKLiveWorld::setAttribute(Id_t, const Value_t&, double) { return false; }
bool ZKLiveWorld::watchThreshold(Id_t, bool (*)(const Value_t&)) { return false; }
bool ZKLiveWorld::tick(double, Tick_t& out) {
  out = Tick_t();
  return false;
}
void ZKLiveWorld::snapshot(std::vector<Change_t>& out) const { out.clear(); }
void ZKLiveWorld::setCollisionTesting(bool) {}
