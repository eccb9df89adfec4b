#include <zkcp/foundation/ZKGeometryInput.h>

#include <Inventor/lists/SbStringList.h>

#include <algorithm>

std::string ZKGeometryInput::fullName(const char* fileName) const {
  const SbString found =
      SoInput::searchForFile(SbString(fileName), SoInput::getDirectories(), SbStringList());
  return found.getLength() > 0 ? std::string(found.getString()) : std::string(fileName);
}

SbBool ZKGeometryInput::openFile(const char* fileName, SbBool okIfNotFound) {
  reading.clear();
  fault.clear();
  if (!SoInput::openFile(fileName, okIfNotFound)) return FALSE;
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
  if (!SoInput::pushFile(fileName)) return FALSE;
  reading.push_back(name);
  return TRUE;
}

SbBool ZKGeometryInput::popFile() {
  const SbBool popped = SoInput::popFile();
  if (popped && reading.size() > 1) reading.pop_back();
  return popped;
}
