#include "Progress.h"

#include <cstdio>

void Progress::stage(const char* name, size_t total) {
  if (!enabled_) return;
  finish();
  stage_ = name;
  total_ = total;
  started_ = Clock::now();
  draw(0);
}

void Progress::update(size_t done) {
  if (!enabled_ || stage_.empty()) return;
  const Clock::time_point now = Clock::now();
  if (done < total_ && now - drawn_ < std::chrono::milliseconds(100)) return;
  draw(done);
}

void Progress::draw(size_t done) {
  drawn_ = Clock::now();
  const double seconds = std::chrono::duration<double>(drawn_ - started_).count();
  const double rate = seconds > 0 ? done / seconds : 0;
  std::fprintf(stderr, "\rzkcp-export: %s", stage_.c_str());
  if (total_ > 0) std::fprintf(stderr, " %zu/%zu components", done, total_);
  if (total_ > 0 && rate > 0) {
    std::fprintf(stderr, ", %.0f/s, %.0f s left", rate,
                 done < total_ ? (total_ - done) / rate : 0.0);
  }
  std::fputs("\033[K", stderr);
  shown_ = true;
}

void Progress::finish() {
  if (shown_) std::fputc('\n', stderr);
  shown_ = false;
  stage_.clear();
}
