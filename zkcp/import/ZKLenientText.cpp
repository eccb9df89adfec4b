#include <zkcp/import/ZKLenientText.h>

#include <Inventor/SoType.h>
#include <Inventor/fields/SoFieldData.h>
#include <Inventor/nodekits/SoBaseKit.h>
#include <Inventor/nodes/SoNode.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <vector>

namespace {

// Text the cleaner cannot follow: it is left to Coin as it stands.
struct Unreadable {};

struct Token {
  char kind;  // 'w' word, 's' string, or one of { } [ ]
  size_t begin, end;
  int line;
};

std::vector<Token> tokenize(const std::string& text) {
  std::vector<Token> tokens;
  int line = 1;
  size_t i = text.find('\n');  // the header line
  if (i == std::string::npos) return tokens;
  ++i;
  ++line;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (std::isspace(static_cast<unsigned char>(c)) || c == ',') {
      ++i;
    } else if (c == '#') {
      while (i < text.size() && text[i] != '\n') ++i;
    } else if (c == '"') {
      const size_t begin = i++;
      const int first = line;
      while (i < text.size() && text[i] != '"') {
        if (text[i] == '\\') ++i;
        else if (text[i] == '\n') ++line;
        ++i;
      }
      if (i >= text.size()) throw Unreadable();
      tokens.push_back({'s', begin, ++i, first});
    } else if (c == '{' || c == '}' || c == '[' || c == ']') {
      tokens.push_back({c, i, i + 1, line});
      ++i;
    } else {
      const size_t begin = i;
      while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) &&
             std::string("{}[]\",#").find(text[i]) == std::string::npos)
        ++i;
      tokens.push_back({'w', begin, i, line});
    }
  }
  return tokens;
}

class Cleaner {
 public:
  Cleaner(const std::string& text, bool vrml, const std::string& fileName, std::ostream& messages,
          const std::string& folder)
      : text(text), out(text), tokens(tokenize(text)), vrml(vrml), fileName(fileName),
        messages(messages), folder(folder) {}

  std::string clean() {
    statements();
    if (pos != tokens.size()) throw Unreadable();
    return out;
  }

 private:
  bool at(char kind) const { return pos < tokens.size() && tokens[pos].kind == kind; }
  bool atWord(const char* word) const { return at('w') && word_(pos) == word; }
  std::string word_(size_t i) const { return text.substr(tokens[i].begin, tokens[i].end - tokens[i].begin); }
  bool nodeAhead() const {
    return at('w') && (atWord("DEF") || atWord("USE") ||
                       (pos + 1 < tokens.size() && tokens[pos + 1].kind == '{'));
  }
  std::string take() {
    if (pos >= tokens.size()) throw Unreadable();
    return word_(pos++);
  }
  void expect(char kind) {
    if (!at(kind)) throw Unreadable();
    ++pos;
  }

  void blank(size_t from, size_t to) {
    if (from >= to) return;
    for (size_t c = tokens[from].begin; c < tokens[to - 1].end; ++c)
      if (out[c] != '\n') out[c] = ' ';
  }

  void say(size_t token, const std::string& what) {
    if (said.insert(what).second)
      messages << fileName << ":" << tokens[token].line << ": " << what << " skipped\n";
  }

  // The field names of a node type, or null when the type is unknown; an
  // empty set stands for a type whose fields are not checked.
  const std::set<std::string>* fieldsOf(const std::string& type) {
    auto proto = protos.find(type);
    if (proto != protos.end()) return &proto->second;
    auto known = coinFields.find(type);
    if (known != coinFields.end()) return &known->second;
    SoType found = vrml ? SoType::fromName(SbName(("VRML" + type).c_str())) : SoType::badType();
    if (found.isBad()) found = SoType::fromName(SbName(type.c_str()));
    if (found.isBad() || !found.isDerivedFrom(SoNode::getClassTypeId()) || !found.canCreateInstance())
      return nullptr;
    std::set<std::string>& fields = coinFields[type];
    if (found.isDerivedFrom(SoBaseKit::getClassTypeId())) return &fields;
    auto* node = static_cast<SoNode*>(found.createInstance());
    node->ref();
    if (const SoFieldData* data = node->getFieldData())
      for (int i = 0; i < data->getNumFields(); ++i) fields.insert(data->getFieldName(i).getString());
    node->unref();
    // Script nodes declare fields of their own.
    if (type == "Script") fields.clear();
    return &fields;
  }

  void statements() {
    while (pos < tokens.size() && !at('}') && !at(']')) {
      if (atWord("PROTO")) proto();
      else if (atWord("EXTERNPROTO")) externProto();
      else if (atWord("ROUTE")) route();
      else node();
    }
  }

  void interface(std::set<std::string>& names, bool values) {
    expect('[');
    while (!at(']')) {
      const std::string kind = take();
      take();  // the field type
      names.insert(take());
      if (values && (kind == "field" || kind == "exposedField")) value(nullptr);
    }
    expect(']');
  }

  void proto() {
    ++pos;
    const std::string name = take();
    std::set<std::string> names;
    interface(names, true);
    protos[name] = names;
    expect('{');
    statements();
    expect('}');
  }

  void externProto() {
    const size_t start = pos++;
    const size_t nameToken = pos;
    const std::string name = take();
    std::set<std::string> names;
    interface(names, false);
    const size_t urls = pos;
    if (at('[')) skipBalanced();
    else ++pos;
    std::string first;
    for (size_t i = urls; i < pos; ++i) {
      if (tokens[i].kind != 's') continue;
      const std::string url = text.substr(tokens[i].begin + 1, tokens[i].end - tokens[i].begin - 2);
      if (folder.empty() || localFile(url)) {
        protos[name] = names;
        return;
      }
      if (first.empty()) first = url;
    }
    say(nameToken, "EXTERNPROTO '" + name + "' (" +
                       (first.empty() ? std::string("no URL") : "no file at '" + first + "'") + ")");
    blank(start, pos);
  }

  // Whether `url` names a file in the folder, or an absolute one.
  bool localFile(std::string url) const {
    url = url.substr(0, url.find('#'));
    if (url.rfind("file:", 0) == 0) url.erase(0, url.rfind("file://", 0) == 0 ? 7 : 5);
    const size_t colon = url.find(':');
    if (url.empty() || (colon != std::string::npos && colon < url.find('/'))) return false;
    std::error_code error;
    const std::filesystem::path path(url);
    return std::filesystem::is_regular_file(path.is_absolute() ? path : folder / path, error);
  }

  void route() {
    const size_t start = pos;
    ++pos;
    const std::string from = take();
    if (take() != "TO") throw Unreadable();
    const std::string to = take();
    auto node = [](const std::string& end) { return end.substr(0, end.find('.')); };
    if (skipped.count(node(from)) || skipped.count(node(to))) blank(start, pos);
  }

  void skipBalanced() {
    int depth = 0;
    do {
      if (pos >= tokens.size()) throw Unreadable();
      if (at('{') || at('[')) ++depth;
      else if (at('}') || at(']')) --depth;
      ++pos;
    } while (depth > 0);
  }

  void node() {
    const size_t start = pos;
    const bool single = singleValue;
    singleValue = false;
    std::string def;
    if (atWord("DEF")) {
      ++pos;
      def = take();
    } else if (atWord("USE")) {
      ++pos;
      const std::string used = take();
      if (std::find(open.begin(), open.end(), used) != open.end()) {
        say(start, "USE of '" + used + "' inside itself");
        blank(start, pos);
        // A field of one node holds none instead.
        if (single) out.replace(tokens[start].begin, 4, "NULL");
      } else if (skipped.count(used)) {
        blank(start, pos);
      }
      return;
    }
    if (atWord("NULL")) {
      ++pos;
      return;
    }
    const size_t typeToken = pos;
    const std::string type = take();
    if (!at('{')) throw Unreadable();
    const std::set<std::string>* fields = fieldsOf(type);
    // An Inventor node of a type Coin lacks may declare its fields itself.
    const bool declared = pos + 2 < tokens.size() && word_(pos + 1) == "fields" && tokens[pos + 2].kind == '[';
    if (!fields && !declared) {
      say(typeToken, "unknown node '" + type + "'");
      skipBalanced();
      blank(start, pos);
      if (!def.empty()) skipped.insert(def);
      return;
    }
    ++pos;
    open.push_back(def);
    if (declared) {
      while (!at('}')) nodeAheadOrToken(nullptr);
    } else {
      body(type, *fields);
    }
    open.pop_back();
    expect('}');
  }

  void nodeAheadOrToken(const std::set<std::string>* fields) {
    if (at('[') || nodeAhead()) value(fields);
    else ++pos;
  }

  void body(const std::string& type, const std::set<std::string>& fields) {
    while (pos < tokens.size() && !at('}')) {
      if (atWord("PROTO")) { proto(); continue; }
      if (atWord("EXTERNPROTO")) { externProto(); continue; }
      if (atWord("ROUTE")) { route(); continue; }
      // Inventor groups hold their children as they are.
      if (!vrml && nodeAhead()) { node(); continue; }
      const size_t start = pos;
      const std::string name = take();
      if (fields.empty() && (name == "eventIn" || name == "eventOut" || name == "field" ||
                             name == "exposedField")) {
        take();
        take();
        if (name == "field" || name == "exposedField") {
          if (atWord("IS")) pos += 2;
          else value(&fields);
        } else if (atWord("IS")) {
          pos += 2;
        }
        continue;
      }
      if (atWord("IS")) {
        pos += 2;
        continue;
      }
      if (fields.empty() || fields.count(name)) {
        // A field whose node was skipped goes with it.
        if (atWord("USE") && pos + 1 < tokens.size() && skipped.count(word_(pos + 1))) {
          pos += 2;
          blank(start, pos);
          continue;
        }
        value(&fields);
        continue;
      }
      say(start, "unknown field '" + name + "' of " + type);
      skipValue(fields);
      blank(start, pos);
    }
  }

  // A field value: nodes in it are cleaned in turn.
  void value(const std::set<std::string>* fields) {
    if (at('[')) {
      ++pos;
      while (!at(']')) {
        if (pos >= tokens.size()) throw Unreadable();
        if (nodeAhead() || atWord("NULL")) node();
        else ++pos;
      }
      ++pos;
    } else if (nodeAhead() || atWord("NULL")) {
      singleValue = true;
      node();
    } else {
      skipScalar(fields);
    }
  }

  void skipValue(const std::set<std::string>& fields) {
    if (at('[') || (at('w') && pos + 1 < tokens.size() && tokens[pos + 1].kind == '{')) {
      skipBalanced();
    } else if (atWord("DEF")) {
      pos += 2;
      skipBalanced();
    } else if (atWord("USE") || atWord("IS")) {
      pos += 2;
    } else {
      skipScalar(&fields);
    }
  }

  // The words of a single value, up to the next field name: values are
  // numbers, strings, TRUE and FALSE, and in Inventor upper-case names;
  // field names start with a lower-case letter.
  void skipScalar(const std::set<std::string>* fields) {
    bool first = true;
    while (at('w') || at('s')) {
      if (!first && at('w')) {
        const char c = text[tokens[pos].begin];
        if (std::islower(static_cast<unsigned char>(c)) || atWord("ROUTE") ||
            (fields && fields->count(word_(pos))))
          break;
      }
      ++pos;
      first = false;
    }
  }

  const std::string& text;
  std::string out;
  std::vector<Token> tokens;
  size_t pos = 0;
  bool vrml;
  const std::string& fileName;
  std::ostream& messages;
  std::map<std::string, std::set<std::string>> protos;
  std::map<std::string, std::set<std::string>> coinFields;
  const std::string& folder;
  std::set<std::string> skipped;
  std::set<std::string> said;
  std::vector<std::string> open;  // the DEF names of the nodes being read
  bool singleValue = false;       // the next node is a field's one value
};

}  // namespace

std::string withoutUnknownFields(const std::string& text, const std::string& fileName,
                                 std::ostream& messages, const std::string& folder) {
  const bool vrml = text.rfind("#VRML V2.0", 0) == 0;
  if (!vrml && text.rfind("#Inventor", 0) != 0) return text;
  try {
    std::ostringstream said;
    Cleaner cleaner(text, vrml, fileName, said, folder);
    std::string cleaned = cleaner.clean();
    messages << said.str();
    return cleaned;
  } catch (const Unreadable&) {
    return text;
  }
}
