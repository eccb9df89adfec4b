#include "NameCheck.h"

#include "WorldReader.h"

#include <cstring>
#include <string_view>

using nlohmann::json;

namespace {

// Views, so that a name is compared by length first.
constexpr std::string_view kKeywords[] = {"DEF",     "EXTERNPROTO", "FALSE",        "IS",
                                          "NULL",    "PROTO",       "ROUTE",        "TO",
                                          "TRUE",    "USE",         "eventIn",      "eventOut",
                                          "exposedField", "field"};

// Why `name` is no VRML 97 identifier, or empty when it is one.
std::string identifierFault(const std::string& name) {
  if (name.empty()) return "empty name";
  const unsigned char first = static_cast<unsigned char>(name[0]);
  if ((first >= '0' && first <= '9') || first == '+' || first == '-')
    return "starts with '" + std::string(1, name[0]) + "'";
  for (unsigned char c : name) {
    if (c <= 0x20 || c == 0x7f) return "holds a blank or control character";
    if (std::strchr("\"#',.[\\]{}", c)) return "holds '" + std::string(1, c) + "'";
  }
  for (std::string_view keyword : kKeywords)
    if (name == keyword) return "is the VRML keyword '" + name + "'";
  return std::string();
}

// Why `name` cannot be the file name written in the output folder and
// named in a url string, or empty when it can.
std::string fileFault(const std::string& name) {
  if (name.empty()) return "empty file name";
  if (name == "." || name == "..") return "'" + name + "' is no file name";
  if (name.size() > 200) return "file name longer than 200 bytes";
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7f) return "holds a control character";
    if (std::strchr("/\\\"%?#:*<>|", c)) return "holds '" + std::string(1, c) + "'";
  }
  return std::string();
}

// Where a value sits in the description: a key of the object `parent`
// holds, and its index when that key holds an array. The text is spelled
// out only for a refusal.
struct At {
  const At* parent;
  const char* key;
  size_t index;
  bool indexed;

  std::string text() const {
    std::string out = parent ? parent->text() : std::string();
    if (!out.empty()) out += '.';
    out += key;
    if (indexed) out += "[" + std::to_string(index) + "]";
    return out;
  }
};

class Checker {
 public:
  explicit Checker(const std::string& file) : file_(file) {}

  // The string member `key` of `object`, or null when it is absent or no
  // string (the reader reports those).
  static const std::string* text(const json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get_ptr<const std::string*>() : nullptr;
  }

  void identifier(const json& object, const At* at, const char* key) const {
    if (const std::string* name = text(object, key)) {
      const std::string fault = identifierFault(*name);
      if (!fault.empty()) refuse(At{at, key, 0, false}, *name, fault);
    }
  }

  // `key` as the name of a file written: the whole name, or with
  // `lastElement` what follows its last '/'.
  void fileName(const json& object, const At* at, const char* key, bool lastElement) const {
    if (const std::string* name = text(object, key)) {
      const size_t slash = lastElement ? name->rfind('/') : std::string::npos;
      const std::string fault =
          fileFault(slash == std::string::npos ? *name : name->substr(slash + 1));
      if (!fault.empty()) refuse(At{at, key, 0, false}, *name, fault);
    }
  }

  void lineText(const json& object, const char* key) const {
    if (const std::string* value = text(object, key)) {
      if (value->find_first_of("\r\n") != std::string::npos)
        refuse(At{nullptr, key, 0, false}, *value, "holds a line break");
    }
  }

  // Calls `check(element, at)` for each element of the array `key`.
  template <typename F>
  void each(const json& object, const At* at, const char* key, F check) const {
    if (!object.is_object()) return;
    auto it = object.find(key);
    if (it == object.end() || !it->is_array()) return;
    for (size_t i = 0; i < it->size(); ++i) {
      const At element{at, key, i, true};
      check((*it)[i], &element);
    }
  }

 private:
  [[noreturn]] void refuse(const At& at, const std::string& name, const std::string& fault) const {
    std::string shown;
    for (unsigned char c : name) {
      static const char hex[] = "0123456789ABCDEF";
      if (c < 0x20 || c == 0x7f) {
        shown += std::string("\\x") + hex[c >> 4] + hex[c & 15];
      } else {
        shown += static_cast<char>(c);
      }
    }
    throw InputError(file_, at.text(), "name '" + shown + "' cannot be written: " + fault);
  }

  std::string file_;
};

}  // namespace

void checkNames(const std::string& file, const json& description) {
  const Checker c(file);
  c.lineText(description, "name");
  c.lineText(description, "version");
  c.each(description, nullptr, "components", [&c](const json& component, const At* at) {
    c.identifier(component, at, "instance");
    c.identifier(component, at, "component");
    c.fileName(component, at, "component", false);
    // Geometry is written under the last element of its name.
    c.fileName(component, at, "geometry", true);
    c.each(component, at, "attributes",
           [&c](const json& a, const At* aat) { c.identifier(a, aat, "name"); });
    c.each(component, at, "behaviors", [&c](const json& b, const At* bat) {
      c.identifier(b, bat, "name");
      c.identifier(b, bat, "module");
      c.fileName(b, bat, "module", false);
      c.identifier(b, bat, "function");
    });
  });
  for (const char* list : {"lights", "viewpoints", "proximitySensors", "paths"}) {
    c.each(description, nullptr, list,
           [&c](const json& object, const At* at) { c.identifier(object, at, "name"); });
  }
  c.each(description, nullptr, "routes", [&c](const json& route, const At* at) {
    c.identifier(route, at, "name");
    for (const char* side : {"from", "to"}) {
      if (route.is_object() && route.contains(side)) {
        const At end{at, side, 0, false};
        c.identifier(route[side], &end, "event");
      }
    }
  });
}
