#ifndef ZKCP_TOOLS_ZKCP_EXPORT_OUTPUTFOLDER_H
#define ZKCP_TOOLS_ZKCP_EXPORT_OUTPUTFOLDER_H

#include <filesystem>
#include <stdexcept>
#include <string>

// A reason not to write, or a write that failed: the whole message, naming
// the path.
class OutputError : public std::runtime_error {
 public:
  explicit OutputError(const std::string& what) : std::runtime_error(what) {}
};

// A run stopped by a signal while it was writing.
class Interrupted : public std::runtime_error {
 public:
  explicit Interrupted(int signal);
  int signal() const { return signal_; }

 private:
  int signal_;
};

// The folder a run writes its world into. A run writes a scratch folder
// beside it and, once everything is written, puts the scratch folder in its
// place in one step, so a failed or interrupted run leaves the old output as
// it was. Only what zkcp-export wrote is ever replaced: a folder it wrote
// carries the marker file `kMarker`; a path that does not exist and an
// empty folder are taken as well. Everything else is refused before
// anything is written, and so is any folder a user cannot mean: the root,
// the home folder, the current folder and those above it, and any folder
// that holds a file the run reads.
class OutputFolder {
 public:
  static constexpr const char* kMarker = ".zkcp-export";

  // Throws OutputError when `out` is not a folder this run may replace.
  explicit OutputFolder(const std::string& out);
  // Removes the scratch folder of a run that did not finish.
  ~OutputFolder();
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  // Throws OutputError when the folder holds `input`, a file or folder the
  // run reads (`what` says which, as in "the world description").
  void refuseHolding(const std::filesystem::path& input, const std::string& what) const;

  // The folder as it will be named when the run is done.
  const std::filesystem::path& target() const { return target_; }
  // Makes the empty scratch folder to write into. From here until commit()
  // SIGINT, SIGTERM and SIGHUP only mark the run as interrupted, so that
  // the scratch folder can be taken away; checkInterrupted() reports it.
  const std::filesystem::path& begin();
  // Throws Interrupted when a signal came since begin().
  static void checkInterrupted();
  // Marks the scratch folder as zkcp-export's and puts it in the target's
  // place, removing what stood there. Throws Interrupted or OutputError,
  // leaving the old folder as it was.
  void commit();

 private:
  std::filesystem::path given_;
  std::filesystem::path target_;
  std::filesystem::path scratch_;
  bool replaces_ = false;
};

// Throws OutputError when the picture `png` may not be written: it names a
// folder or something other than a regular file.
void checkPictureFile(const std::string& png);

#endif
