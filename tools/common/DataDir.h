#ifndef ZKCP_TOOLS_COMMON_DATADIR_H
#define ZKCP_TOOLS_COMMON_DATADIR_H

#include <filesystem>

// The folder of the files the programs ship with (<prefix>/share/zkcp once
// installed: x_ite/ with its licence, the page assets, examples/), found
// from where the running program lies, so an installed program never
// reaches into the tree it was built from and a moved prefix still works.
// Built programs find the build tree's mirror of it. Empty when the
// program's own location cannot be read.
std::filesystem::path dataDir();

#endif
