#ifndef ZKCP_TOOLS_ZKCP_EXPORT_HEAPPREFAULT_H
#define ZKCP_TOOLS_ZKCP_EXPORT_HEAPPREFAULT_H

#include <atomic>
#include <thread>

// Faults in the heap's new pages on a thread of its own, ahead of the
// allocator. A large world is GBs of small objects, and the kernel clears
// each page the heap grows into when it is first touched: on a virtual
// machine that is as much time again as building the world. Here the heap
// grows in steps of kAhead bytes, and the thread asks the kernel for every
// step's pages as soon as the step is taken (MADV_POPULATE_WRITE, which
// leaves the bytes as they are), so the clearing runs on the other core
// while the world is built on this one. Where the kernel cannot do that,
// nothing changes. At most kAhead bytes more are taken than are used.
class HeapPrefault {
 public:
  static constexpr long kAhead = 16L << 20;

  HeapPrefault();
  // Stops the thread.
  ~HeapPrefault();
  HeapPrefault(const HeapPrefault&) = delete;
  HeapPrefault& operator=(const HeapPrefault&) = delete;

 private:
  void run(char* from);

  std::atomic<bool> stop_{false};
  std::thread worker_;
};

#endif
