#include "OutputFolder.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

volatile std::sig_atomic_t caught = 0;
struct sigaction previous[kSignalCount];
bool handled[kSignalCount];

void onSignal(int signal) { caught = signal; }

// A signal ignored when the program started (a background job, nohup)
// stays ignored.
void catchSignals() {
  for (int i = 0; i < kSignalCount; ++i) {
    struct sigaction now {};
    sigaction(kSignals[i], nullptr, &now);
    handled[i] = now.sa_handler != SIG_IGN;
    if (!handled[i]) continue;
    struct sigaction mine {};
    mine.sa_handler = onSignal;
    sigemptyset(&mine.sa_mask);
    sigaction(kSignals[i], &mine, &previous[i]);
  }
}

void restoreSignals() {
  for (int i = 0; i < kSignalCount; ++i) {
    if (handled[i]) sigaction(kSignals[i], &previous[i], nullptr);
    handled[i] = false;
  }
}

// Holds the signals back while the old output gives way to the new one, so
// that neither is left half in place.
class SignalBlock {
 public:
  SignalBlock() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kSignals) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &saved_);
  }
  ~SignalBlock() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }

 private:
  sigset_t saved_;
};

// `inner` is `outer` or lies below it; both are canonical.
bool within(const fs::path& inner, const fs::path& outer) {
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    if (o->empty()) continue;  // the trailing "" of a path ending in '/'
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

fs::path resolved(const fs::path& p) {
  std::error_code failed;
  fs::path real = fs::weakly_canonical(fs::absolute(p, failed), failed);
  return failed ? fs::absolute(p).lexically_normal() : real;
}

fs::path homeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return resolved(home);
  const passwd* user = getpwuid(getuid());
  return user && user->pw_dir ? resolved(user->pw_dir) : fs::path();
}

std::string reason(const std::error_code& failed) { return failed.message(); }

}  // namespace

Interrupted::Interrupted(int signal)
    : std::runtime_error(std::string("interrupted by ") +
                         (signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "SIGHUP")),
      signal_(signal) {}

OutputFolder::OutputFolder(const std::string& out)
    : given_(out.empty() ? "." : out), target_(resolved(given_)) {
  const std::string named = given_.string();
  auto refuse = [&named](const std::string& why) {
    throw OutputError("zkcp-export: " + named + " " + why);
  };
  if (target_ == target_.root_path()) refuse("is the root folder: choose another folder");
  const fs::path home = homeFolder();
  if (!home.empty() && target_ == home) refuse("is the home folder: choose another folder");
  std::error_code failed;
  const fs::path here = resolved(fs::current_path(failed));
  if (!failed && within(here, target_)) {
    refuse(target_ == here ? "is the current folder: choose another folder"
                           : "holds the current folder: choose another folder");
  }
  const fs::file_status status = fs::status(target_, failed);
  if (status.type() == fs::file_type::not_found) return;
  if (failed) refuse("cannot be looked at: " + reason(failed));
  if (status.type() != fs::file_type::directory)
    refuse("exists and is not a folder: choose another folder");
  fs::directory_iterator entries(target_, failed);
  if (failed) refuse("cannot be read: " + reason(failed));
  const bool empty = entries == fs::directory_iterator();
  const bool ours = fs::is_regular_file(fs::symlink_status(target_ / kMarker, failed));
  if (!empty && !ours) {
    refuse("exists and was not written by zkcp-export: choose another folder, or empty it first");
  }
  replaces_ = true;
}

OutputFolder::~OutputFolder() {
  if (scratch_.empty()) return;
  std::error_code failed;
  fs::remove_all(scratch_, failed);
  restoreSignals();
}

void OutputFolder::refuseHolding(const fs::path& input, const std::string& what) const {
  const fs::path read = resolved(input);
  if (within(read, target_)) {
    throw OutputError("zkcp-export: " + given_.string() + " holds " + what + " (" + read.string() +
                      "): choose another folder");
  }
}

const fs::path& OutputFolder::begin() {
  const fs::path parent = target_.parent_path();
  std::error_code failed;
  fs::create_directories(parent, failed);
  if (failed) throw OutputError("zkcp-export: cannot make " + parent.string() + ": " + reason(failed));
  caught = 0;
  catchSignals();
  scratch_ = parent / ("." + target_.filename().string() + ".tmp-" + std::to_string(getpid()));
  fs::remove_all(scratch_, failed);
  if (!fs::create_directory(scratch_, failed) || failed) {
    const std::string why = failed ? reason(failed) : "it exists";
    scratch_.clear();
    restoreSignals();
    throw OutputError("zkcp-export: cannot make " + parent.string() + "/." +
                      target_.filename().string() + ".tmp-*: " + why);
  }
  return scratch_;
}

void OutputFolder::checkInterrupted() {
  if (caught) throw Interrupted(caught);
}

void OutputFolder::commit() {
  checkInterrupted();
  {
    std::ofstream marker(scratch_ / kMarker);
    marker << "This folder was written by zkcp-export. A later run given this folder as --out\n"
              "replaces it whole; zkcp-export replaces no folder that lacks this file.\n";
    marker.close();
    if (!marker) {
      throw OutputError("zkcp-export: cannot write " + (scratch_ / kMarker).string() + ": " +
                        std::strerror(errno));
    }
  }
  SignalBlock block;
  checkInterrupted();
  if (replaces_) {
    // The two folders trade places in one step; where the file system
    // cannot do that, the old one steps aside first.
    if (renameat2(AT_FDCWD, scratch_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) != 0) {
      const fs::path aside = target_.parent_path() / ("." + target_.filename().string() +
                                                      ".old-" + std::to_string(getpid()));
      std::error_code failed;
      fs::rename(target_, aside, failed);
      if (!failed) fs::rename(scratch_, target_, failed);
      if (failed) {
        std::error_code ignored;
        if (!fs::exists(target_, ignored)) fs::rename(aside, target_, ignored);
        throw OutputError("zkcp-export: cannot replace " + target_.string() + ": " +
                          reason(failed));
      }
      scratch_ = aside;
    }
  } else {
    std::error_code failed;
    fs::rename(scratch_, target_, failed);
    if (failed) {
      throw OutputError("zkcp-export: cannot make " + target_.string() + ": " + reason(failed));
    }
    scratch_.clear();
  }
  // What stands at the scratch path now is the old output.
  if (!scratch_.empty()) {
    std::error_code failed;
    fs::remove_all(scratch_, failed);
    scratch_.clear();
  }
  // A signal held back above is now taken as it would have been without
  // this run's handling: the world is written.
  restoreSignals();
}

void checkPictureFile(const std::string& png) {
  std::error_code failed;
  const fs::file_status status = fs::status(png, failed);
  if (status.type() == fs::file_type::not_found) return;
  if (status.type() == fs::file_type::directory) {
    throw OutputError("zkcp-export: --snapshot " + png +
                      " is a folder: give the picture a file name");
  }
  if (status.type() != fs::file_type::regular) {
    throw OutputError("zkcp-export: --snapshot " + png + " is not a regular file");
  }
}
