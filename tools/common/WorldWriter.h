#ifndef ZKCP_TOOLS_ZKCP_EXPORT_WORLDWRITER_H
#define ZKCP_TOOLS_ZKCP_EXPORT_WORLDWRITER_H

#include "WorldReader.h"

#include <zkcp/x3d/ZKX3DWriter.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct WriteOptions {
  bool native = false;
  bool preview = false;
  // Instances with a time sensor per behaviour, driven by mainTimer.
  bool timers = false;
  // world.x3d, index.html and a copy of X_ITE from this folder instead.
  bool x3d = false;
  std::filesystem::path xIte;
  // world.glb alone.
  bool gltf = false;
  // Called after each component instance written, with the count so far.
  std::function<void(size_t)> progress;
  // Recorded behaviour runs the X3D or glTF world plays; what was written
  // of each goes to `recorded`.
  const std::vector<ZKWorldRecorder::Run_t>* runs = nullptr;
  std::vector<std::string>* recorded = nullptr;
};

// Writes the file set of a world into `dir`, which must not exist yet:
// world/world.wrl (or world.arl), the prototype file of every component
// type and behaviour module, zkextensions.wrl, the geometry under
// geometry/, and preview.wrl when asked. In X3D: world.x3d, the textures
// it names under textures/, index.html and X_ITE under x_ite/. In glTF:
// world.glb with its images inside. Returns the bytes written.
std::uintmax_t writeWorld(const BuiltWorld& world, const std::filesystem::path& dir,
                          const WriteOptions& options);

// The web page that shows world.x3d beside it with X_ITE from x_ite/,
// titled `title`, with `head` (HTML) added at the end of its head.
std::string x3dPage(const std::string& title, const std::string& head);

// The bytes of a texture of the X3D scene: the image a converted model
// holds, or the file it names. Throws std::runtime_error naming the file
// when it cannot be read.
std::string textureBytes(const BuiltWorld& world, const ZKX3DWriter::Texture& texture);

#endif
