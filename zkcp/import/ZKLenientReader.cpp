#include <zkcp/import/ZKLenientReader.h>

#include <zkcp/foundation/ZKGeometryInput.h>
#include <zkcp/import/ZKLenientText.h>

#include <Inventor/SoDB.h>
#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/errors/SoReadError.h>
#include <Inventor/misc/SoChildList.h>
#include <Inventor/nodes/SoFile.h>
#include <Inventor/nodes/SoSeparator.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

namespace fs = std::filesystem;

namespace {

// Coin asks the input for the files that Inline and File nodes include
// while it reads them; they are left for the reader to read itself, with
// their own unknown parts left out.
class TextInput : public ZKGeometryInput {
 public:
  SbBool pushFile(const char*) override { return FALSE; }
};

// Coin's read errors, with the file read from memory named.
struct ErrorsSaid {
  std::ostream* messages;
  std::string shown;
};

void sayReadError(const SoError* error, void* data) {
  const auto* said = static_cast<const ErrorsSaid*>(data);
  std::string text = error->getDebugString().getString();
  const std::string memory = "<memory>";
  for (size_t at = text.find(memory); at != std::string::npos; at = text.find(memory, at))
    text.replace(at, memory.size(), said->shown);
  *said->messages << text << "\n";
}

// The files a node includes, in the order to try them.
std::vector<std::string> includedNames(SoNode* node) {
  std::vector<std::string> names;
  if (node->isOfType(SoVRMLInline::getClassTypeId())) {
    auto* inlined = static_cast<SoVRMLInline*>(node);
    if (inlined->getChildData()) return names;
    for (int i = 0; i < inlined->url.getNum(); ++i) names.emplace_back(inlined->url[i].getString());
  } else if (static_cast<SoFile*>(node)->getChildren()->getLength() == 0) {
    names.emplace_back(static_cast<SoFile*>(node)->name.getValue().getString());
  }
  return names;
}

// A local file named by an include: "file:" URLs become paths, other URLs
// are not read.
bool localName(std::string& name) {
  if (name.rfind("file://", 0) == 0) name.erase(0, 7);
  else if (name.rfind("file:", 0) == 0) name.erase(0, 5);
  return !name.empty() && name.find("://") == std::string::npos;
}

}  // namespace

ZKLenientReader::ZKLenientReader(std::ostream& messages) : messages(messages) {
  SoVRMLInline::setReadAsSoFile(FALSE);
}

SoSeparator* ZKLenientReader::read(const std::string& file, const std::string& shown) {
  fault.clear();
  reading.clear();
  top = fs::absolute(file).parent_path().lexically_normal().string();
  return readFile(file, shown);
}

SoSeparator* ZKLenientReader::readFile(const std::string& file, const std::string& shown) {
  std::ifstream source(file, std::ios::binary);
  if (!source) return nullptr;
  const std::string text{std::istreambuf_iterator<char>(source), std::istreambuf_iterator<char>()};
  const std::string dir = fs::absolute(file).parent_path().string();
  const std::string kept = withoutUnknownFields(text, shown, messages, dir);

  std::error_code error;
  reading.push_back(fs::weakly_canonical(file, error).string());
  ErrorsSaid said{&messages, shown};
  SoErrorCB* previous = SoReadError::getHandlerCallback();
  void* previousData = SoReadError::getHandlerData();
  SoReadError::setHandlerCallback(sayReadError, &said);
  SoInput::addDirectoryFirst(dir.c_str());
  TextInput in;
  in.setBuffer(kept.data(), kept.size());
  SoSeparator* root = SoDB::readAll(&in);
  SoInput::removeDirectory(dir.c_str());
  SoReadError::setHandlerCallback(previous, previousData);
  if (root) {
    root->ref();
    if (!readIncludes(root, file, shown)) {
      root->unref();
      root = nullptr;
    }
  }
  reading.pop_back();
  return root;
}

bool ZKLenientReader::readIncludes(SoSeparator* root, const std::string& file,
                                   const std::string& shown) {
  const fs::path dir = fs::absolute(file).parent_path();
  for (SoType type : {SoVRMLInline::getClassTypeId(), SoFile::getClassTypeId()}) {
    SoSearchAction search;
    search.setType(type);
    search.setInterest(SoSearchAction::ALL);
    search.setSearchingAll(TRUE);
    search.apply(root);
    const SoPathList& found = search.getPaths();
    for (int i = 0; i < found.getLength(); ++i) {
      SoNode* node = found[i]->getTail();
      std::string missing;
      SoSeparator* child = nullptr;
      bool tried = false;
      for (std::string name : includedNames(node)) {
        if (!localName(name)) continue;
        const fs::path path = fs::path(name).is_absolute() ? fs::path(name) : dir / name;
        std::error_code error;
        if (!fs::is_regular_file(path, error)) {
          if (missing.empty()) missing = name;
          continue;
        }
        const std::string full = fs::absolute(path).lexically_normal().string();
        if (std::find(reading.begin(), reading.end(), fs::weakly_canonical(path, error).string()) !=
            reading.end()) {
          fault = "'" + full + "' includes itself";
          return false;
        }
        if (reading.size() >= kMaxDepth) {
          fault = "'" + full + "' is included more than " + std::to_string(kMaxDepth) + " deep";
          return false;
        }
        const std::string relative = fs::path(full).lexically_relative(top).string();
        child = readFile(full, relative.empty() || relative.rfind("..", 0) == 0 ? full : relative);
        if (!fault.empty()) return false;
        if (!child) messages << shown << ": included file '" << name << "' cannot be read; left out\n";
        tried = true;
        break;
      }
      if (!tried && !missing.empty())
        messages << shown << ": included file '" << missing << "' not found; left out\n";
      if (!child) continue;
      if (node->isOfType(SoVRMLInline::getClassTypeId())) static_cast<SoVRMLInline*>(node)->setChildData(child);
      else static_cast<SoFile*>(node)->getChildren()->append(child);
      child->unref();
    }
  }
  return true;
}
