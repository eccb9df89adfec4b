#ifndef ZKCP_COMPONENT_ZKSTABLEFILES_H
#define ZKCP_COMPONENT_ZKSTABLEFILES_H

// The files a component reads as it is built (its description file and the
// contents files that names) are looked up and checked on every use, so a
// program that edits them between two builds gets what they say now. A
// program that knows its input files stay as they are for a while (a tool
// building one world from files nobody edits meanwhile) says so by holding a
// ZKStableFiles: while one lives, each such file is looked up and read once
// and later uses take what was read then. Holders nest; once the last one
// ends, every use checks its file again.
class ZKStableFiles {
 public:
  ZKStableFiles();
  ~ZKStableFiles();
  ZKStableFiles(const ZKStableFiles&) = delete;
  ZKStableFiles& operator=(const ZKStableFiles&) = delete;

  // Whether a holder lives.
  static bool active();
  // Which stretch of stable files this is: it changes each time a first
  // holder begins one, so what was kept in an earlier stretch is not reused.
  static unsigned long stretch();
};

#endif  // ZKCP_COMPONENT_ZKSTABLEFILES_H
