#ifndef ZKCP_WORLD_ZKPROXIMITYSENSOR_H
#define ZKCP_WORLD_ZKPROXIMITYSENSOR_H

#include <Inventor/SbLinear.h>

class SoVRMLProximitySensor;

// A named box region of the world that reports when the viewer is inside
// it. Data only: nothing in the library tests the region. Sensors are told
// apart by name, ignoring case.
class ZKProximitySensor {
 public:
  // The longest name kept; longer names are cut to this length.
  static constexpr int kMaxName = 35;

  // Centre (0, 0, 0), size (10, 10, 10), enabled, name "".
  ZKProximitySensor();
  ZKProximitySensor(const ZKProximitySensor&) = default;
  ZKProximitySensor& operator=(const ZKProximitySensor&) = default;

  // Takes the node's name and its center, size and enabled values.
  ZKProximitySensor& operator=(const SoVRMLProximitySensor& node);

  const char* getName() const { return name; }
  const SbVec3f& getCenter() const { return center; }
  const SbVec3f& getSize() const { return size; }
  int getEnabled() const { return enabled; }

  // A null name is taken as "".
  void setName(const char* text);
  void setCenter(const SbVec3f& c) { center = c; }
  void setSize(const SbVec3f& s) { size = s; }
  void setEnabled(int e) { enabled = e; }

  // Names equal, or ordered, ignoring case.
  int operator==(const ZKProximitySensor& other) const;
  int operator<(const ZKProximitySensor& other) const;

 private:
  SbVec3f center;
  int enabled;
  char name[kMaxName + 1];
  SbVec3f size;
};

#endif
