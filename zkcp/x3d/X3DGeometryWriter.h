#ifndef ZKCP_X3D_X3DGEOMETRYWRITER_H
#define ZKCP_X3D_X3DGEOMETRYWRITER_H

#include <functional>
#include <iosfwd>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

class SoNode;
class ZKPart;
namespace pugi {
class xml_node;
}

// Converts the Coin scene of a component (Inventor and VRML 97 nodes) to
// X3D nodes. The shapes of the first component of a type are DEF'd; the
// same shapes of later components of that type are USE'd. Node kinds with
// no X3D form here are left out and said once each on the message stream.
class X3DGeometryWriter {
 public:
  struct Texture {
    std::string read;     // the image file as the geometry names it
    std::string written;  // the URL in the X3D scene
  };
  // Called for a part found in the scene; it writes the part itself.
  using PartWriter = std::function<void(ZKPart*, pugi::xml_node&)>;
  // Gives a fresh ID built from a base name.
  using IdMaker = std::function<std::string(const std::string&)>;

  X3DGeometryWriter(std::ostream& messages, IdMaker ids);

  // Starts the geometry of one component of type `type`, whose geometry
  // file is `file`: image names are relative to its folder, so one name
  // from files in two folders is two textures.
  void beginComponent(const std::string& type, const std::string& file = "");
  // Appends the X3D of `node` and what is under it to `parent`.
  void write(SoNode* node, pugi::xml_node& parent, const PartWriter& parts);
  // Appends the X3D of the children of `group`, which share the Inventor
  // state they set, to `parent`.
  void writeChildren(SoNode* group, pugi::xml_node parent, const PartWriter& parts);
  // The textures written so far, in the order written.
  const std::vector<Texture>& textures() const { return texturesWritten; }

 private:
  struct State;
  void writeNode(SoNode* node, pugi::xml_node& parent, State& state, const PartWriter& parts);
  bool writeVrmlGroup(SoNode* node, pugi::xml_node& parent, const PartWriter& parts);
  bool writeInventorShape(SoNode* node, pugi::xml_node& parent, State& state);
  void writeVrmlShape(SoNode* node, pugi::xml_node& parent);
  // The Shape element for the next shape, or an empty node when it is a
  // USE of the type's earlier one.
  bool openShape(SoNode* node, pugi::xml_node& parent, pugi::xml_node& shape);
  std::string textureUrl(const std::string& read);
  void unsupported(SoNode* node);

  std::ostream& messages;
  IdMaker ids;
  std::set<std::string> saidKinds;
  struct TypeShapes {
    std::vector<std::pair<std::string, const void*>> shapes;  // ID and Coin type key
  };
  std::unordered_map<std::string, TypeShapes> shapesByType;
  TypeShapes* current = nullptr;
  std::string currentType;
  std::string currentFolder;
  bool reusing = false;
  size_t shapeIndex = 0;
  std::vector<Texture> texturesWritten;
  std::unordered_map<std::string, std::string> textureUrls;  // by folder, '\n' and name
  std::set<std::string> textureNames;
};

#endif
