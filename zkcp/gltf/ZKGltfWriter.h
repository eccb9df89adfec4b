#ifndef ZKCP_GLTF_ZKGLTFWRITER_H
#define ZKCP_GLTF_ZKGLTFWRITER_H

#include <zkcp/world/ZKWorldRecorder.h>

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class ZKComponent;
class ZKComponentDB;

// The world as a glTF 2.0 scene, built from the world database as it
// stands: every active component a node named with its instance name and
// holding its transform, its logical parts and sub-parts child nodes named
// with their part names, a centre or scale orientation folded into extra
// unnamed nodes under the named one. The geometry of each component type is
// converted once into meshes that all its instances share. Attributes that
// are not hidden go into the component node's extras under "zkcp", world
// lights become KHR_lights_punctual lights (an attached light under its
// part's node), viewpoints perspective cameras. docs/gltf.md gives the
// conversions of materials, light intensities and angles.
//
// Images that textures name are embedded; one that cannot be read, or is
// neither PNG nor JPEG, is left out and said on the message stream once.
class ZKGltfWriter {
 public:
  // The file of an image that the geometry of `component` names as `name`.
  using ImageFile = std::function<std::string(ZKComponent* component, const std::string& name)>;

  ZKGltfWriter(ZKComponentDB* world, std::ostream& messages, ImageFile images = ImageFile());
  ~ZKGltfWriter();
  ZKGltfWriter(const ZKGltfWriter&) = delete;
  ZKGltfWriter& operator=(const ZKGltfWriter&) = delete;

  // Adds one animation per recorded run that moves a node of the scene,
  // named after its behaviours and the routes that start it; rotations as
  // quaternions, LINEAR between keys, STEP for a value that jumps. Lights
  // and attributes are not animated. Returns one text per run, as
  // "door1.swing by route openOnApproach: 1 channel".
  std::vector<std::string> addAnimations(const std::vector<ZKWorldRecorder::Run_t>& runs);

  // The binary glTF (.glb), or written to `path`; save returns false when
  // the file cannot be written.
  std::string glb() const;
  bool save(const std::string& path) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

#endif
