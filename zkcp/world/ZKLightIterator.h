#ifndef ZKCP_WORLD_ZKLIGHTITERATOR_H
#define ZKCP_WORLD_ZKLIGHTITERATOR_H

#include <zkcp/foundation/RWCString.h>
#include <zkcp/world/ZKComponentDB.h>

#include <utility>

class SoLight;
class SoLightKit;

// Walks the world's lights in the order of the lights table (bucket by
// bucket, within a bucket in insertion order), all of them or those of
// exactly one light type. operator++ moves to the next light and returns 1,
// or 0 at the end; the getters hold the light it stopped at.
class ZKLightIterator {
 public:
  enum Filter_t : int { all_lights = 0, directional_lights, point_lights, spot_lights };

  ZKLightIterator(ZKComponentDB* world, Filter_t filter);
  ~ZKLightIterator() = default;

  int operator++(int);
  SoLight* getValue() const { return light; }
  SoLightKit* getLightKit() const { return kit; }
  // The normalized light name.
  const RWCString* getName() const { return name; }
  void reset();

 private:
  SoLight* light = nullptr;
  SoLightKit* kit = nullptr;
  const RWCString* name = nullptr;
  ZKComponentDB* world;
  Filter_t filter;
  // The next entry of the lights table, valid once started.
  decltype(std::declval<ZKComponentDB&>().lights.begin()) next;
  bool started = false;
};

#endif
