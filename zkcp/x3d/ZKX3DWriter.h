#ifndef ZKCP_X3D_ZKX3DWRITER_H
#define ZKCP_X3D_ZKX3DWRITER_H

#include <zkcp/foundation/RWCString.h>

#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class ZKComponentDB;

// The world as an X3D 4.0 scene (XML encoding), built from the world
// database as it stands: every active component a Transform DEF'd with its
// instance name, its parts nested Transforms DEF'd with the instance name,
// '_' and the part name, its geometry converted once per component type and
// USE'd by the later components of that type, its visible attributes as
// metadata, the world's lights, viewpoints, proximity sensors, navigation
// paths (as touring viewpoints) and routes. Names that are not valid IDs,
// nodes with no X3D form and routes with an end missing in X3D are said on
// the message stream (once each).
//
// Writers of later additions (animation, for example) address the DEF'd
// nodes by the ID that transformId gives, add nodes with addNode and routes
// with addRoute; every route stays after every node.
class ZKX3DWriter {
 public:
  using Fields = std::vector<std::pair<std::string, std::string>>;
  struct Texture {
    std::string read;     // the image file as the geometry names it
    std::string written;  // the URL in the scene, relative to world.x3d
    RWCString component;  // the component whose geometry names it
  };

  explicit ZKX3DWriter(ZKComponentDB* world, std::ostream& messages);
  ~ZKX3DWriter();
  ZKX3DWriter(const ZKX3DWriter&) = delete;
  ZKX3DWriter& operator=(const ZKX3DWriter&) = delete;

  // The ID of the Transform of an active component (empty `part`) or of
  // one of its logical parts; empty when the scene has no such Transform.
  std::string transformId(const RWCString& component, const RWCString& part = RWCString()) const;
  // The ID of a route point the scene holds (a component, the SoLight of a
  // world light, a proximity sensor); empty when it holds none.
  std::string pointId(const void* point) const;
  // Appends an X3D node of `type` with `fields` under the node DEF'd
  // `parent` (the scene when empty) and DEFs it with a fresh ID made from
  // `name`, which it returns; empty when `parent` is not in the scene.
  std::string addNode(const std::string& parent, const std::string& type, const Fields& fields,
                      const std::string& name);
  void addRoute(const std::string& fromNode, const std::string& fromField,
                const std::string& toNode, const std::string& toField);
  void addComment(const std::string& text);

  // The image files the scene's textures name, once each.
  const std::vector<Texture>& textures() const;
  // The document as text, or written to `path`; save returns false when
  // the file cannot be written.
  std::string text() const;
  bool save(const std::string& path) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

#endif
