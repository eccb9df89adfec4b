// The world's viewpoints, proximity sensors and navigation paths.

#include <zkcp/world/ZKComponentDB.h>

#include <zkcp/world/ZKProximitySensor.h>
#include <zkcp/world/ZKViewpoint.h>

#include <algorithm>

namespace {

// Proximity sensors are added to the vector in steps of this many places.
constexpr size_t kProximitySensorStep = 64;

}  // namespace

// ---------------------------------------------------------------------------
// Viewpoints

int ZKComponentDB::addViewpoint(ZKViewpoint* v) {
  if (!v || getViewpoint(v->getName().data())) return 0;
  viewpoints.append(v);
  return 1;
}

ZKViewpoint* ZKComponentDB::getViewpoint(const char* name) const {
  if (!name) return nullptr;
  ZKViewpoint probe;
  probe.setName(name);
  for (ZKViewpoint* v : viewpoints) {
    if (*v == probe) return v;
  }
  return nullptr;
}

ZKViewpoint* ZKComponentDB::getViewpointAt(unsigned i) const {
  return i < viewpoints.entries() ? viewpoints.at(i) : nullptr;
}

int ZKComponentDB::removeViewpoint(const char* name) {
  ZKViewpoint* v = getViewpoint(name);
  if (!v) return 0;
  viewpoints.remove(v);
  return 1;
}

int ZKComponentDB::getNumViewpoints() const { return static_cast<int>(viewpoints.entries()); }

// ---------------------------------------------------------------------------
// Proximity sensors

int ZKComponentDB::addProximitySensor(ZKProximitySensor* s) {
  if (!s || getProximitySensor(s->getName())) return 0;
  if (proximitySensors.size() == proximitySensors.capacity()) {
    proximitySensors.reserve(proximitySensors.capacity() + kProximitySensorStep);
  }
  proximitySensors.push_back(s);
  return 1;
}

ZKProximitySensor* ZKComponentDB::getProximitySensor(const char* name) const {
  if (!name) return nullptr;
  ZKProximitySensor probe;
  probe.setName(name);
  for (ZKProximitySensor* s : proximitySensors) {
    if (*s == probe) return s;
  }
  return nullptr;
}

ZKProximitySensor* ZKComponentDB::getProximitySensorAt(unsigned i) const {
  return i < proximitySensors.size() ? proximitySensors[i] : nullptr;
}

int ZKComponentDB::removeProximitySensor(const char* name) {
  ZKProximitySensor* s = getProximitySensor(name);
  if (!s) return 0;
  proximitySensors.erase(std::find(proximitySensors.begin(), proximitySensors.end(), s));
  return 1;
}

int ZKComponentDB::getNumProximitySensors() const {
  return static_cast<int>(proximitySensors.size());
}

void ZKComponentDB::deleteViewsHeld() {
  for (ZKProximitySensor* s : proximitySensors) delete s;
  proximitySensors.clear();
  viewpoints.clearAndDestroy();
}

// ---------------------------------------------------------------------------
// Navigation paths

void ZKComponentDB::addNavigationPath(const ZKNavigationPath& p) {
  navigationPaths.insert(p.getName(), p);
}

int ZKComponentDB::getNavigationPath(const RWCString& name, ZKNavigationPath& out) const {
  const ZKNavigationPath* p = navigationPaths.find(name);
  if (!p) return 0;
  out = *p;
  return 1;
}

int ZKComponentDB::removeNavigationPath(const RWCString& name) {
  return navigationPaths.remove(name) ? 1 : 0;
}

int ZKComponentDB::getNumNavigationPaths() const {
  return static_cast<int>(navigationPaths.entries());
}
