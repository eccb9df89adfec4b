#ifndef ZKCP_TOOLS_ZKCP_EXPORT_WORLDREADER_H
#define ZKCP_TOOLS_ZKCP_EXPORT_WORLDREADER_H

#include <zkcp/zkcp.h>

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A fault in the world description: the file, the JSON path of the value
// and what is wrong with it.
class InputError : public std::runtime_error {
 public:
  InputError(const std::string& file, const std::string& path, const std::string& what)
      : std::runtime_error(file + ": " + (path.empty() ? "" : path + ": ") + what) {}
};

// One reference on a geometry graph as read from its file.
struct GeometryUnref {
  void operator()(SoNode* node) const { node->unref(); }
};
using GeometryRef = std::unique_ptr<SoNode, GeometryUnref>;

// A world built from a description, with what the writer needs besides the
// world itself.
struct BuiltWorld {
  std::unique_ptr<ZKComponentDB> db;
  // Every component in description order; the world holds their references.
  std::vector<ZKComponent*> components;
  // Geometry file name as the components carry it -> the file it was read from.
  std::map<std::string, std::string> geometrySources;
  // Geometry file -> its graph as read (null when it could not be read) and
  // why an included file was refused, if one was.
  struct GeometryRead {
    GeometryRef graph;
    std::string fault;
    // The lights and cameras of a converted model.
    std::vector<ZKGeometryImporter::Light> lights;
    std::vector<ZKGeometryImporter::Camera> cameras;
  };
  std::map<std::string, GeometryRead> geometryRead;
  // Images of the geometry converted from other formats, by the name of the
  // .wrl it is written as; the converted graph is its geometryRead entry.
  std::map<std::string, std::vector<ImportImage>> importedImages;
  // The names those images are written under beside the geometry, in lower
  // case, with the image file or the model holding the image.
  std::map<std::string, std::string> imageNames;
  // The component description files read, once each.
  std::vector<std::string> descriptionFiles;
  // Every behaviour used, once per name.
  std::vector<ZKBehavior> behaviors;
  // The world's lights in description order, by normalized name.
  std::vector<std::string> lights;
  // The navigation paths in description order.
  std::vector<std::string> paths;
  int parts = 0;
  int attributes = 0;
  int routes = 0;
};

// Reads the JSON world description `file` and builds its world. Geometry
// and description files are found relative to the description's folder;
// behaviour modules in `moduleDirs`, then beside the description, then in
// the current folder and on the system's library path. `progress` is
// called with (0, total) once the description is parsed and with (n, total)
// after the n-th component is built. Throws InputError.
BuiltWorld readWorld(const std::string& file, const std::vector<std::string>& moduleDirs,
                     const std::function<void(int, int)>& progress);

// The same for the description `text`, read as if from `file`.
BuiltWorld readWorldText(const std::string& file, const std::string& text,
                         const std::vector<std::string>& moduleDirs,
                         const std::function<void(int, int)>& progress);

#endif
