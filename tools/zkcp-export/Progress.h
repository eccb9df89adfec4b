#ifndef ZKCP_TOOLS_ZKCP_EXPORT_PROGRESS_H
#define ZKCP_TOOLS_ZKCP_EXPORT_PROGRESS_H

#include <chrono>
#include <cstddef>
#include <string>

// One line on a terminal, rewritten in place: the stage, the count done of
// the total, the rate and the time left. Shown only when enabled (stderr is
// a terminal and the run is not quiet); the line is redrawn at most ten
// times a second and left behind with a line break at the end.
class Progress {
 public:
  explicit Progress(bool enabled) : enabled_(enabled) {}
  ~Progress() { finish(); }

  bool enabled() const { return enabled_; }
  // Starts a stage such as "building" over `total` items.
  void stage(const char* name, size_t total);
  void update(size_t done);
  // Ends the line; the next stage starts a new one.
  void finish();

 private:
  void draw(size_t done);

  using Clock = std::chrono::steady_clock;
  bool enabled_;
  bool shown_ = false;
  std::string stage_;
  size_t total_ = 0;
  Clock::time_point started_;
  Clock::time_point drawn_;
};

#endif
