#include <zkcp/x3d/X3DIdTable.h>

#include <ostream>

namespace {

bool idChar(char c, bool first) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_') return true;
  return !first && ((c >= '0' && c <= '9') || c == '-');
}

// Words of the classic encoding that a DEF name may not be.
bool keyword(const std::string& name) {
  static const std::unordered_set<std::string> words = {
      "AS",      "COMPONENT", "DEF",          "EXPORT",    "EXTERNPROTO", "FALSE",
      "HEAD",    "IMPORT",    "IS",           "META",      "NULL",        "PROFILE",
      "PROTO",   "ROUTE",     "TO",           "TRUE",      "UNIT",        "USE",
      "initializeOnly", "inputOnly", "outputOnly", "inputOutput", "field", "eventIn",
      "eventOut", "exposedField"};
  return words.count(name) != 0;
}

std::string key(const std::string& kind, const std::string& name) { return kind + '\n' + name; }

}  // namespace

std::string X3DIdTable::safe(const std::string& name) {
  std::string out;
  out.reserve(name.size() + 1);
  for (char c : name) out += idChar(c, out.empty()) ? c : '_';
  if (out.empty()) out = "_";
  if (keyword(out)) out += '_';
  return out;
}

std::string X3DIdTable::unique(const std::string& base) {
  std::string id = base;
  for (int n = 2; !taken.insert(id).second; ++n) id = base + "_" + std::to_string(n);
  return id;
}

const std::string& X3DIdTable::idFor(const std::string& kind, const std::string& name) {
  auto found = byName.find(key(kind, name));
  if (found != byName.end()) return found->second;
  std::string id = unique(safe(name));
  if (id != name)
    messages << "zkcp: X3D: " << kind << " name /" << name << "/ is written as ID /" << id
             << "/\n";
  return byName.emplace(key(kind, name), std::move(id)).first->second;
}

std::string X3DIdTable::reserve(const std::string& base) { return unique(safe(base)); }

const std::string* X3DIdTable::find(const std::string& kind, const std::string& name) const {
  auto found = byName.find(key(kind, name));
  return found == byName.end() ? nullptr : &found->second;
}
