#include "HeapPrefault.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <system_error>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace {

char* pageAbove(char* at) {
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  return reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(at) + page - 1) & ~(page - 1));
}

}  // namespace

HeapPrefault::HeapPrefault() {
  // Probe on a page of our own whether this kernel populates on request.
  const long page = sysconf(_SC_PAGESIZE);
  void* probe = mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (probe == MAP_FAILED) return;
  const bool populates = madvise(probe, page, MADV_POPULATE_WRITE) == 0;
  munmap(probe, page);
  if (!populates) return;
  char* from = static_cast<char*>(sbrk(0));
  if (from == reinterpret_cast<char*>(-1)) return;
  try {
    worker_ = std::thread([this, from] { run(from); });
  } catch (const std::system_error&) {
    return;  // no thread to spare: the heap grows as it would
  }
  mallopt(M_TOP_PAD, kAhead);
}

HeapPrefault::~HeapPrefault() {
  stop_.store(true, std::memory_order_relaxed);
  if (worker_.joinable()) worker_.join();
}

// Populates each stretch the heap's end has moved on by; sbrk(0) reads
// where the end is without the allocator's lock. The allocator may hand out
// pages of a stretch before they are reached; populating a page in use
// changes nothing in it. A stretch given back meanwhile fails with ENOMEM
// and is passed over, and once the end has moved back, what grows there
// again is populated again.
void HeapPrefault::run(char* from) {
  char* done = pageAbove(from);
  while (!stop_.load(std::memory_order_relaxed)) {
    char* end = static_cast<char*>(sbrk(0));
    if (end < done) done = pageAbove(end);
    if (end > done) {
      madvise(done, static_cast<size_t>(end - done), MADV_POPULATE_WRITE);
      done = end;
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  }
}
