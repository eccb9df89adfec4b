// The reader of component description files.
#include <zkcp/component/ZKComponent.h>
#include <zkcp/component/ZKStableFiles.h>
#include <zkcp/foundation/ZKGeometryInput.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/lists/SbStringList.h>
#include <Inventor/nodekits/SoNodeKitListPart.h>
#include <Inventor/nodes/SoSeparator.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <unordered_map>

namespace {

const char* const kParameterKeywords[] = {"contents",   "parent",   "transform",
                                          "localTransform", "appearance", "units",
                                          "pickStyle", "callbackList", "childList"};

// The rest of the line after white space, line breaks included, is skipped:
// a keyword alone on its line takes the next non-empty line.
int readValueLine(std::ifstream& in, RWCString& value) {
  std::string line;
  in >> std::ws;
  if (!std::getline(in, line)) return 0;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  value = RWCString(std::move(line));
  return 1;
}

// The directory part of a path, with its slash, or "" for a bare name.
std::string directoryOf(const RWCString& path) {
  const size_t slash = path.str().rfind('/');
  return slash == std::string::npos ? std::string() : path.str().substr(0, slash + 1);
}

// Contents files read so far, by the absolute path they were found at, with
// the time and size the file had then: many components of one type read each
// contents file once and build their parts from copies. A file that changed
// is read again (the files it includes are not looked at); one that cannot be
// read, or that includes a refused file, is never kept.
// While files are stable (ZKStableFiles), a file name met again with the
// same search directories takes the graph it found the first time, without
// looking at the file.
class ContentsCache {
 public:
  // A copy of the file's graph with one reference for the caller, or null
  // (with what went wrong written) as a fresh read gives.
  SoSeparator* read(const char* file) {
    std::string asked;
    if (ZKStableFiles::active()) {
      if (stretch_ != ZKStableFiles::stretch()) {
        stretch_ = ZKStableFiles::stretch();
        found_.clear();
      }
      asked = searchKey(file);
      auto known = found_.find(asked);
      if (known != found_.end()) return copyOf(known->second);
    }
    // The file as the read would find it, through the search directories.
    const SbString found =
        SoInput::searchForFile(SbString(file), SoInput::getDirectories(), SbStringList());
    std::error_code error;
    const std::filesystem::path path =
        std::filesystem::absolute(found.getLength() ? found.getString() : file, error);
    const auto time = std::filesystem::last_write_time(path, error);
    const auto size = error ? 0 : std::filesystem::file_size(path, error);
    auto known = error ? read_.end() : read_.find(path.string());
    if (known != read_.end() && known->second.time == time && known->second.size == size) {
      if (!asked.empty()) found_[asked] = known->second.graph;
      return copyOf(known->second.graph);
    }
    ZKGeometryInput input;
    if (!input.openFile(file, FALSE)) return nullptr;
    SoSeparator* root = SoDB::readAll(&input);
    if (root && !input.getIncludeFault().empty()) {
      std::cerr << file << ": " << input.getIncludeFault() << "\n";
      root->ref();
      root->unref();
      return nullptr;
    }
    if (!root) return nullptr;
    root->ref();
    if (!error) {
      if (known != read_.end()) {
        found_.clear();
        known->second.graph->unref();
      }
      read_[path.string()] = Read{time, size, root};
      if (!asked.empty()) found_[asked] = root;
      return copyOf(root);
    }
    return root;
  }

 private:
  struct Read {
    std::filesystem::file_time_type time;
    std::uintmax_t size;
    SoSeparator* graph;
  };
  static SoSeparator* copyOf(SoSeparator* graph) {
    auto* copy = static_cast<SoSeparator*>(graph->copy());
    copy->ref();
    return copy;
  }
  // The file name and the directories it is searched in.
  static std::string searchKey(const char* file) {
    std::string key = file;
    const SbStringList& dirs = SoInput::getDirectories();
    for (int i = 0; i < dirs.getLength(); ++i) {
      key += '\n';
      key += dirs[i]->getString();
    }
    return key;
  }
  std::unordered_map<std::string, Read> read_;
  // Graphs of read_ by searchKey, for the current stretch of stable files.
  std::unordered_map<std::string, SoSeparator*> found_;
  unsigned long stretch_ = 0;
};

// The text of each description file read while files are stable.
class DescriptionTexts {
 public:
  // The text of `path`, or null when it cannot be read.
  const std::string* text(const char* path) {
    if (stretch_ != ZKStableFiles::stretch()) {
      stretch_ = ZKStableFiles::stretch();
      texts_.clear();
    }
    auto known = texts_.find(path);
    if (known == texts_.end()) {
      std::ifstream in(path, std::ios::binary);
      std::optional<std::string> read;
      if (in) read.emplace(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      known = texts_.emplace(path, std::move(read)).first;
    }
    return known->second ? &*known->second : nullptr;
  }

 private:
  std::unordered_map<std::string, std::optional<std::string>> texts_;
  unsigned long stretch_ = 0;
};

DescriptionTexts& descriptionTexts() {
  static DescriptionTexts* texts = new DescriptionTexts;
  return *texts;
}

// Kept for the life of the process, like Coin's own type and name tables.
ContentsCache& contentsCache() {
  static ContentsCache* cache = new ContentsCache;
  return *cache;
}

}  // namespace

int ZKComponent::loadDescriptionFile(const RWCString& path) {
  auto* childList = static_cast<SoNodeKitListPart*>(getPart("childList", TRUE));
  if (!childList) return 0;
  // While files are stable the stream reads the text kept from the first
  // read instead of the file.
  std::stringbuf kept;
  std::ifstream in;
  const std::string* text = ZKStableFiles::active() ? descriptionTexts().text(path.data()) : nullptr;
  if (text) {
    kept.str(*text);
    in.std::ios::rdbuf(&kept);
  } else {
    in.open(path.data());
  }
  // Contents files named relative to the description are found beside it.
  const std::string dir = directoryOf(path);
  if (!dir.empty()) SoInput::addDirectoryFirst(dir.c_str());
  RWCString keyword;
  int more = readDescriptionKeyword(in, keyword);
  while (more) {
    if (keyword == "part") {
      readPart(in, childList, keyword);
      more = !keyword.isNull();
    } else {
      // An action section runs to the next "part"; nothing in it is read.
      more = readDescriptionKeyword(in, keyword);
      while (more && keyword == "action") more = readDescriptionKeyword(in, keyword);
    }
  }
  if (!dir.empty()) SoInput::removeDirectory(dir.c_str());
  return 1;
}

int ZKComponent::readToken(std::ifstream& in, RWCString& token) {
  std::string word;
  std::string rest;
  while (in >> word) {
    const size_t mark = word.find('#');
    if (mark == 0) {
      std::getline(in, rest);
      continue;
    }
    if (mark != std::string::npos) {
      word.resize(mark);
      std::getline(in, rest);
    }
    token = RWCString(std::move(word));
    return 1;
  }
  token = "";
  return 0;
}

int ZKComponent::readDescriptionKeyword(std::ifstream& in, RWCString& keyword) {
  while (readToken(in, keyword))
    if (isADescriptionKeyword(keyword)) return 1;
  return 0;
}

int ZKComponent::isADescriptionKeyword(RWCString& word) {
  return word == "part" || word == "action" ? 1 : 0;
}

int ZKComponent::readPartType(std::ifstream& in, RWCString& type) {
  return readToken(in, type) && type == "external" ? 1 : 0;
}

int ZKComponent::readPartParameter(std::ifstream& in, RWCString& keyword) {
  if (!readToken(in, keyword)) return 0;
  for (const char* parameter : kParameterKeywords)
    if (keyword == parameter) return 1;
  return 0;
}

int ZKComponent::readPart(std::ifstream& in, SoNodeKitListPart* childList,
                          RWCString& nextKeyword) {
  nextKeyword = "";
  RWCString partName;
  RWCString type;
  if (!readToken(in, partName) || !readPartType(in, type)) return 0;
  ZKPart* parent = nullptr;
  ZKPart* made = nullptr;
  bool contentsRead = false;
  RWCString keyword;
  while (readPartParameter(in, keyword)) {
    RWCString value;
    if (!readValueLine(in, value)) return 0;
    if (keyword == "contents") {
      if (contentsRead) continue;
      contentsRead = true;
      made = readPartContents(value, partName, parent, childList);
    } else if (keyword == "parent") {
      if (!contentsRead) parent = getLogicalPart(value);
    } else if (made) {
      made->set(keyword.data(), value.data());
    }
  }
  if (isADescriptionKeyword(keyword)) nextKeyword = keyword;
  return made ? 1 : 0;
}

// Reads the Inventor file of a part, makes the part and places it under the
// parent part or in the component's child list. A part that finds no place
// is not entered and does not survive.
ZKPart* ZKComponent::readPartContents(const RWCString& file, const RWCString& partName,
                                      ZKPart* parent, SoNodeKitListPart* childList) {
  SoSeparator* root = contentsCache().read(file.data());
  if (!root) return nullptr;
  root->setName(partName.data());
  auto* part = new ZKPart(root, 1, this, partFlagA, partFlagB);
  part->ref();
  root->unref();
  bool placed = false;
  if (parent) {
    auto* list = static_cast<SoNodeKitListPart*>(parent->getPart("childList", TRUE));
    if (list) {
      list->addChild(part);
      placed = true;
    }
  } else if (childList->isChildPermitted(part)) {
    childList->addChild(part);
    placed = true;
  }
  if (placed) {
    addPartToList(partName, part);
    updatePartTree(root);
  }
  part->unref();
  return placed ? part : nullptr;
}
