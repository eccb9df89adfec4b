#ifndef ZKCP_X3D_X3DIDTABLE_H
#define ZKCP_X3D_X3DIDTABLE_H

#include <iosfwd>
#include <string>
#include <unordered_map>
#include <unordered_set>

// The DEF names of one X3D scene. A name that is not a valid X3D ID (a
// letter or '_' first, then letters, digits, '_' or '-', and no keyword),
// or that another object holds already, is given a valid unique one; each
// such name is said once on the message stream.
class X3DIdTable {
 public:
  explicit X3DIdTable(std::ostream& messages) : messages(messages) {}

  // The ID of the object named `name` in the family `kind` ("component",
  // "part", "light", ...); the same kind and name always get the same ID.
  const std::string& idFor(const std::string& kind, const std::string& name);
  // A fresh ID of the writer's own, built from `base`; never said.
  std::string reserve(const std::string& base);
  // The ID already given to `name` of `kind`, or null.
  const std::string* find(const std::string& kind, const std::string& name) const;

  // `name` with every character an ID may not hold replaced by '_'.
  static std::string safe(const std::string& name);

 private:
  std::string unique(const std::string& base);

  std::ostream& messages;
  std::unordered_map<std::string, std::string> byName;
  std::unordered_set<std::string> taken;
};

#endif
