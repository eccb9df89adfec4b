#ifndef ZKCP_TOOLS_COMMON_COMMANDLINE_H
#define ZKCP_TOOLS_COMMON_COMMANDLINE_H

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iostream>

// Parses a tool's command line. Returns -1 when the tool goes on, else its
// exit code (2 for bad usage). After --help or --version the process ends
// here: what they print is all a caller reads, so the line the library
// writes at exit is left out.
inline int parseCommandLine(CLI::App& app, int argc, char** argv) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    const int code = app.exit(e);
    std::cout.flush();
    std::_Exit(code);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return 2;
  }
  return -1;
}

#endif
