#ifndef ZKCP_TOOLS_ZKCP_EXPORT_HUGEPAGES_H
#define ZKCP_TOOLS_ZKCP_EXPORT_HUGEPAGES_H

// Starts the program again with glibc's malloc backing its heap with
// transparent huge pages (the tunable glibc.malloc.hugetlb=1), unless the
// tunable is set already, by an earlier start or by the user. A large world
// is GBs of small objects; on 4 KB pages every page first touched is a trap
// into the kernel, on 2 MB pages one in 512 is. Returns only when the
// program goes on as it is: the tunable is set, or starting again failed.
void restartWithHugePages(char** argv);

#endif
