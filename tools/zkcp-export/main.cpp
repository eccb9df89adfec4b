// zkcp-export: reads a world description (JSON), builds the world with the
// library, lets its behaviours run for a number of steps, and writes the
// world as a self-contained set of VRML 97 files.
#include "BuildInfo.h"
#include "CommandLine.h"
#include "DataDir.h"
#include "HeapPrefault.h"
#include "HugePages.h"
#include "OutputFolder.h"
#include "Progress.h"
#include "WorldReader.h"
#include "WorldWriter.h"

#include <Inventor/SoDB.h>

#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

namespace fs = std::filesystem;

namespace {

bool onPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string dirs(path);
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = dirs.find(':', start);
    const std::string dir = dirs.substr(start, end == std::string::npos ? end : end - start);
    if (!dir.empty() && access((fs::path(dir) / program).c_str(), X_OK) == 0) return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

std::string quoted(const fs::path& p) {
  std::string out = "'";
  for (char c : p.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Renders the preview with a VRML browser on a virtual display.
void snapshot(const fs::path& preview, const fs::path& png, bool quiet) {
  if (!onPath("view3dscene") || !onPath("xvfb-run")) {
    std::cerr << "zkcp-export: no snapshot written: install the Debian packages "
                 "view3dscene and xvfb to render "
              << png.string() << "\n";
    return;
  }
  const std::string command = "xvfb-run -a -s '-screen 0 1024x768x24' view3dscene " +
                              quoted(preview) + " --screenshot 0 " + quoted(fs::absolute(png)) +
                              " > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0 || !fs::exists(png)) {
    std::cerr << "zkcp-export: view3dscene could not render " << preview.string() << "\n";
  } else if (!quiet) {
    std::cout << "snapshot: " << png.string() << "\n";
  }
}

// "STEPS" or "STEPS:SECONDS", the seconds of one step (0.1 when not
// given); false when malformed.
bool parseRecord(const std::string& text, int& steps, double& seconds) {
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || n < 1 || n > 100000) return false;
  seconds = 0.1;
  if (*end == ':') {
    const char* from = end + 1;
    seconds = std::strtod(from, &end);
    if (end == from || !(seconds > 0) || seconds > 3600) return false;
  }
  if (*end) return false;
  steps = static_cast<int>(n);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  restartWithHugePages(argv);
  CLI::App app{"Builds a zkcp world from its JSON description and writes it as VRML 97."};
  std::string description;
  std::string out = "zkcp-out";
  std::string png;
  int steps = 0;
  bool native = false;
  std::string format = "vrml97";
  std::string xIte = (dataDir() / "x_ite").string();
  bool quiet = false;
  bool timers = false;
  std::vector<std::string> moduleDirs;
  app.set_version_flag("--version", std::string("zkcp-export ") + kZkcpVersion);
  app.add_option("description", description, "the world description (JSON)")->required();
  app.add_option("--out", out, "folder to write the world into")->capture_default_str();
  app.add_option("--steps", steps, "run every component's behaviours this many times")
      ->check(CLI::NonNegativeNumber);
  app.add_flag("--native", native, "the same as --format native");
  app.add_option("--format", format,
                 "vrml97 (the default), native (.arl forms), x3d (world.x3d and a web page) "
                 "or gltf (world.glb)")
      ->check(CLI::IsMember({"vrml97", "native", "x3d", "gltf"}));
  app.add_option("--x-ite", xIte, "the X_ITE dist folder copied beside the x3d page")
      ->capture_default_str();
  std::string record;
  app.add_option("--record", record,
                 "with --format x3d or gltf: record the behaviours for STEPS steps of SECONDS (0.1) "
                 "each, and let the page play them as they start in the world")
      ->type_name("STEPS[:SECONDS]")
      ->check([](const std::string& text) {
        int n;
        double d;
        return parseRecord(text, n, d) ? std::string() : "expects STEPS or STEPS:SECONDS";
      });
  app.add_option("--snapshot", png, "also write preview.wrl and render it to this PNG file");
  app.add_flag("--quiet,-q", quiet, "print nothing but errors");
  app.add_flag("--timers", timers,
               "write the instances with a time sensor per behaviour (their prototypes "
               "declare no timer fields, so browsers object to them)");
  app.add_option("--modules", moduleDirs,
                 "folders searched for behaviour modules (M.dll) before the description's "
                 "folder and the current one");
  if (const int code = parseCommandLine(app, argc, argv); code >= 0) return code;

  // The library writes its module lines ("so opened", and "flush called" as
  // the program ends) to standard output; a quiet run sends standard output
  // away for good, while errors still go to the error stream.
  if (quiet) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, STDOUT_FILENO);
      close(null);
    }
  }

  int recordSteps = 0;
  double stepSeconds = 0;
  if (!record.empty()) {
    parseRecord(record, recordSteps, stepSeconds);
    if ((format != "x3d" && format != "gltf") || native) {
      std::cerr << "zkcp-export: --record needs --format x3d or gltf\n";
      return 2;
    }
  }

  const auto started = std::chrono::steady_clock::now();
  int interrupted = 0;
  try {
    // Nothing is read or written before the output folder is known to be
    // one this run may replace.
    OutputFolder folder(out);
    folder.refuseHolding(description, "the world description");
    for (const std::string& dir : moduleDirs) folder.refuseHolding(dir, "a module folder");
    if (format == "x3d") folder.refuseHolding(xIte, "the X_ITE copy");
    if (!png.empty()) checkPictureFile(png);
    const fs::path target = folder.target();

    const HeapPrefault prefault;
    SoDB::init();
    ZKComponent::initClass();
    // On a terminal one line shows how far each stage is; otherwise a line
    // per 1,000 components read is logged.
    Progress progress(!quiet && isatty(STDERR_FILENO));
    progress.stage("reading", 0);
    BuiltWorld world = readWorld(description, moduleDirs, [&](int n, int total) {
      if (progress.enabled()) {
        if (n == 0) progress.stage("building", total);
        progress.update(n);
      } else if (!quiet && n > 0 && n % 1000 == 0) {
        std::cerr << "zkcp-export: " << n << " components read\n";
      }
    });
    for (const auto& [name, source] : world.geometrySources)
      folder.refuseHolding(source, "the geometry file " + name);
    for (const std::string& file : world.descriptionFiles)
      folder.refuseHolding(file, "the description file " + fs::path(file).filename().string());
    if (!png.empty()) {
      for (const auto& [name, source] : world.geometrySources) {
        std::error_code failed;
        if (fs::equivalent(png, source, failed) || fs::equivalent(png, description, failed))
          throw OutputError("zkcp-export: --snapshot " + png + " is a file the world is read from");
      }
    }
    if (steps > 0) progress.stage("stepping", world.components.size() * steps);
    size_t stepped = 0;
    for (int i = 0; i < steps; ++i) {
      for (ZKComponent* c : world.components) {
        c->update();
        progress.update(++stepped);
      }
    }

    ZKWorldRecorder recorder(world.db.get());
    std::vector<std::string> recorded;
    if (recordSteps) recorder.record(recordSteps, stepSeconds);

    WriteOptions options;
    if (recordSteps) {
      options.runs = &recorder.getRuns();
      options.recorded = &recorded;
    }
    options.native = native || format == "native";
    options.x3d = format == "x3d" && !native;
    options.gltf = format == "gltf" && !native;
    options.xIte = xIte;
    options.preview = !png.empty();
    options.timers = timers;
    progress.stage("writing", world.components.size());
    options.progress = [&progress](size_t n) {
      OutputFolder::checkInterrupted();
      progress.update(n);
    };
    const std::uintmax_t bytes = writeWorld(world, folder.begin(), options);
    progress.finish();
    folder.commit();

    if (!png.empty()) snapshot(target / "preview.wrl", png, quiet);
    if (!quiet) {
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      std::string runs;
      for (const std::string& r : recorded) runs += (runs.empty() ? "" : "; ") + r;
      if (recordSteps) runs = "; recorded: " + (runs.empty() ? std::string("nothing") : runs);
      std::printf("%zu components, %d parts, %d attributes, %zu behaviours, %d routes, "
                  "%ju bytes written in %s, %.2f s%s\n",
                  world.components.size(), world.parts, world.attributes,
                  world.behaviors.size(), world.routes, bytes, target.c_str(), seconds,
                  runs.c_str());
    }
#ifndef ZKCP_FREE_AT_EXIT
    // Everything is written: the world is left to the end of the process
    // rather than taken apart node by node.
    (void)world.db.release();
#endif
  } catch (const InputError& e) {
    std::cerr << e.what() << "\n";
    return 1;
  } catch (const OutputError& e) {
    std::cerr << e.what() << "\n";
    return 1;
  } catch (const Interrupted& e) {
    std::cerr << "zkcp-export: " << e.what() << ": " << out << " is left as it was\n";
    interrupted = e.signal();
  } catch (const fs::filesystem_error& e) {
    std::cerr << "zkcp-export: cannot write " << e.path1().string()
              << (e.path2().empty() ? "" : " to " + e.path2().string()) << ": "
              << e.code().message() << "\n";
    return 1;
  } catch (const std::bad_alloc&) {
    std::cerr << "zkcp-export: out of memory\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "zkcp-export: unexpected failure: " << e.what() << "\n";
    return 1;
  }
  if (interrupted) {
    // The scratch folder is gone: end as the signal would have ended the run.
    std::signal(interrupted, SIG_DFL);
    std::raise(interrupted);
    return 128 + interrupted;
  }
  return 0;
}
