#ifndef ZKCP_WORLD_ZKVIEWPOINT_H
#define ZKCP_WORLD_ZKVIEWPOINT_H

#include <zkcp/foundation/RWCString.h>

#include <Inventor/SbLinear.h>

class SoVRMLViewpoint;

// A named camera position of the world that the user can jump to. Data
// only: nothing in the library moves a camera. Viewpoints are told apart by
// name, ignoring case.
class ZKViewpoint {
 public:
  // The longest description kept; longer texts are cut to this length.
  static constexpr int kMaxDescription = 51;

  // Name "", no description, position (0, 0, 0), the identity orientation,
  // field of view 0 and no jump.
  ZKViewpoint();
  // A null description gives "".
  ZKViewpoint(const RWCString& name, const char* description, const SbVec3f& position,
              const SbRotation& orientation, float fieldOfView, int jump);
  ZKViewpoint(const ZKViewpoint&) = default;
  ZKViewpoint& operator=(const ZKViewpoint&) = default;
  ~ZKViewpoint() = default;

  // Takes the node's name and its position, orientation, field of view,
  // description and jump values.
  ZKViewpoint& operator=(const SoVRMLViewpoint& node);

  RWCString getName() const { return name; }
  const char* getDescription() const { return description; }
  const SbVec3f& getPosition() const { return position; }
  SbRotation getOrientation() const { return orientation; }
  float getFieldOfView() const { return fieldOfView; }
  int getJump() const { return jump; }

  // A null name or description is taken as "".
  void setName(const char* text) { name = text; }
  void setDescription(const char* text);
  void setPosition(const SbVec3f& p) { position = p; }
  void setOrientation(const SbRotation& r) { orientation = r; }
  void setFieldOfView(float f) { fieldOfView = f; }
  void setJump(int j) { jump = j; }

  // Names equal, or ordered, ignoring case.
  int operator==(const ZKViewpoint& other) const;
  int operator<(const ZKViewpoint& other) const;

 private:
  RWCString name;
  char description[kMaxDescription + 1];
  SbVec3f position;
  SbRotation orientation;
  float fieldOfView;
  int jump;
};

#endif
