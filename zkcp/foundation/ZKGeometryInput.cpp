#include <zkcp/foundation/ZKGeometryInput.h>

#include <Inventor/errors/SoReadError.h>
#include <Inventor/lists/SbStringList.h>
#include <Inventor/misc/SoBase.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

std::string ZKGeometryInput::fullName(const char* fileName) const {
  const SbString found =
      SoInput::searchForFile(SbString(fileName), SoInput::getDirectories(), SbStringList());
  return found.getLength() > 0 ? std::string(found.getString()) : std::string(fileName);
}

// Looks for the file as Coin does, relative names in each search directory
// and then as given, and posts Coin's message when it is not there or cannot
// be read. An empty name is left to Coin, whose message for it names nothing.
SbBool ZKGeometryInput::canOpen(const char* fileName, SbBool okIfNotFound) {
  if (!fileName || !*fileName) return TRUE;
  const SbStringList& dirs = SoInput::getDirectories();
  std::vector<std::string> candidates;
  if (fileName[0] != '/') {
    for (int i = 0; i < dirs.getLength(); ++i) {
      std::string dir = dirs[i]->getString();
      if (!dir.empty() && dir.back() != '/') dir += '/';
      candidates.push_back(dir + fileName);
    }
  }
  candidates.emplace_back(fileName);
  for (const std::string& candidate : candidates) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(candidate, error)) continue;
    if (FILE* file = std::fopen(candidate.c_str(), "rb")) {
      std::fclose(file);
      return TRUE;
    }
    const std::string reason = std::strerror(errno);
    const std::string as = candidate == fileName ? "" : " as '" + candidate + "'";
    SoReadError::post(this, "Found '%s'%s, but was unable to open it: '%s'", fileName, as.c_str(),
                      reason.c_str());
    return FALSE;
  }
  if (okIfNotFound) return FALSE;
  std::error_code error;
  const std::string cwd = std::filesystem::current_path(error).string();
  std::string text = "Could not find '" + std::string(fileName) +
                     "' in any of the following directories (from cwd '" + cwd + "'):\n\t''";
  for (int i = 0; i < dirs.getLength(); ++i) text += std::string("\n\t'") + dirs[i]->getString() + "'";
  SoReadError::post(this, "%s", text.c_str());
  return FALSE;
}

SbBool ZKGeometryInput::openFile(const char* fileName, SbBool okIfNotFound) {
  reading.clear();
  fault.clear();
  // Coin opens a file in place of every one open, the standard input too.
  closeFile();
  if (!canOpen(fileName, okIfNotFound) || !SoInput::openFile(fileName, okIfNotFound)) return FALSE;
  reading.push_back(fullName(fileName));
  return TRUE;
}

SbBool ZKGeometryInput::pushFile(const char* fileName) {
  const std::string name = fullName(fileName);
  if (std::find(reading.begin(), reading.end(), name) != reading.end()) {
    if (fault.empty()) fault = "'" + name + "' includes itself";
    return FALSE;
  }
  if (reading.size() >= kMaxDepth) {
    if (fault.empty())
      fault = "'" + name + "' is included more than " + std::to_string(kMaxDepth) + " deep";
    return FALSE;
  }
  if (!canOpen(fileName, FALSE) || !SoInput::pushFile(fileName)) return FALSE;
  reading.push_back(name);
  return TRUE;
}

SbBool ZKGeometryInput::popFile() {
  const SbBool popped = SoInput::popFile();
  if (popped && reading.size() > 1) reading.pop_back();
  return popped;
}

// Coin names a node before it reads the node's contents, so those contents
// can USE the node itself: Coin then builds a cycle, or, when the file ends
// inside, frees the node while still reading it. A node has no owner until
// its reading ends and its parent, field or the read's root takes it, so an
// unowned node found here is one still being read.
SoBase* ZKGeometryInput::findReference(const SbName& name) const {
  SoBase* base = SoInput::findReference(name);
  return base && base->getRefCount() == 0 ? nullptr : base;
}
