// zkcp-serve: builds a world from its JSON description, runs it live with
// its behaviour modules, and serves it to browsers: the X3D page on HTTP,
// and what changes tick by tick on a WebSocket at /live, on one port.
#include "BuildInfo.h"
#include "CommandLine.h"
#include "DataDir.h"
#include "PageAssets.h"
#include "Protocol.h"
#include "Server.h"
#include "Simulation.h"
#include "WorldReader.h"
#include "WorldWriter.h"

#include <zkcp/live/ZKLiveWorld.h>
#include <zkcp/x3d/ZKX3DWriter.h>

#include <Inventor/SoDB.h>

#include <boost/asio/ip/address.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>

#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
namespace asio = boost::asio;

namespace {

// 128 random bits in hex, fresh for every run.
std::string makeToken() {
  std::random_device random;
  std::string token;
  const char* hex = "0123456789abcdef";
  for (int i = 0; i < 8; ++i) {
    const unsigned word = random();
    for (int shift = 0; shift < 16; shift += 4) token += hex[(word >> shift) & 0xf];
  }
  return token;
}

std::shared_ptr<const std::string> shared(std::string text) {
  return std::make_shared<const std::string>(std::move(text));
}

// The address a browser on this machine opens.
std::string urlHost(const std::string& bind, unsigned short port) {
  const auto address = asio::ip::make_address(bind);
  std::string host = bind;
  if (address.is_unspecified()) host = "127.0.0.1";
  else if (address.is_v6()) host = "[" + bind + "]";
  return host + ":" + std::to_string(port);
}

std::string rateText(double bytes) {
  char text[32];
  if (bytes >= 1e6) std::snprintf(text, sizeof text, "%.1f MB/s", bytes / 1e6);
  else std::snprintf(text, sizeof text, "%.1f kB/s", bytes / 1e3);
  return text;
}

// The page, the scene, the live script and the scene's textures.
Content pageContent(const BuiltWorld& world, const ZKX3DWriter& writer, const fs::path& xIte) {
  Content content;
  const std::string head =
      "<link rel=\"stylesheet\" href=\"live.css\">\n"
      "<script src=\"live.js\" defer></script>\n";
  const auto page = shared(x3dPage(world.db->getWorldName().str(), head));
  content.resources["/"] = {"text/html; charset=utf-8", page};
  content.resources["/index.html"] = {"text/html; charset=utf-8", page};
  content.resources["/world.x3d"] = {"model/x3d+xml", shared(writer.text())};
  content.resources["/live.js"] = {"text/javascript", shared(kLiveScript)};
  content.resources["/live.css"] = {"text/css", shared(kLiveStyle)};
  for (const ZKX3DWriter::Texture& texture : writer.textures()) {
    std::string bytes;
    try {
      bytes = textureBytes(world, texture);
    } catch (const std::runtime_error& e) {
      std::cerr << "zkcp-serve: " << e.what() << "\n";
      continue;
    }
    const std::string ext = fs::path(texture.written).extension().string();
    content.resources["/" + texture.written] = {
        ext == ".png" ? "image/png" : ext == ".gif" ? "image/gif" : "image/jpeg",
        shared(std::move(bytes))};
  }
  content.folders["/x_ite/"] = xIte;
  return content;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Runs a zkcp world live and serves it to browsers."};
  std::string description;
  std::vector<std::string> moduleDirs;
  int port = 8123;
  std::string bind = "127.0.0.1";
  double rate = 60;
  std::size_t maxViewers = 64;
  bool quiet = false;
  std::string xIte = (dataDir() / "x_ite").string();
  app.add_option("world", description, "the world description (JSON)")->required();
  app.add_option("--modules", moduleDirs,
                 "folders searched for behaviour modules (M.dll) before the description's "
                 "folder and the current one");
  app.add_option("--port", port, "the port for HTTP and WebSocket (0: any free port)")
      ->check(CLI::Range(0, 65535))
      ->capture_default_str();
  app.add_option("--bind", bind,
                 "the address to listen on; other than loopback, anyone who can reach the port "
                 "can watch and walk")
      ->capture_default_str();
  app.add_option("--rate", rate, "ticks per second")->check(CLI::Range(1.0, 1000.0))->capture_default_str();
  app.add_option("--max-viewers", maxViewers, "viewers at once; the next is refused")
      ->check(CLI::Range(1, 100000))
      ->capture_default_str();
  app.add_option("--x-ite", xIte, "the X_ITE dist folder the page loads")->capture_default_str();
  app.add_flag("--quiet,-q", quiet, "print the address and errors only");
  app.set_version_flag("--version", std::string("zkcp-serve ") + kZkcpVersion);
  if (const int code = parseCommandLine(app, argc, argv); code >= 0) return code;
  {
    boost::system::error_code ec;
    asio::ip::make_address(bind, ec);
    if (ec) {
      std::cerr << "zkcp-serve: --bind: '" << bind << "' is not an IP address\n";
      return 2;
    }
  }
  if (!fs::exists(fs::path(xIte) / "x_ite.min.js")) {
    std::cerr << "zkcp-serve: the page needs X_ITE, not found in " << xIte
              << " (make deps fetches one in the source tree; --x-ite names another)\n";
    return 1;
  }

  // The start line goes to standard output as it is; the library's module
  // lines ("so opened") go to the error stream, or nowhere when quiet.
  const int out = dup(STDOUT_FILENO);
  const int away = quiet ? open("/dev/null", O_WRONLY) : dup(STDERR_FILENO);
  if (away >= 0) {
    dup2(away, STDOUT_FILENO);
    close(away);
  }
  FILE* startLine = fdopen(out, "w");

  SoDB::init();
  ZKComponent::initClass();
  // The notes of reading and writing the world (names made for imported
  // nodes, fields left out of the page) are not errors: unheard when quiet.
  std::ostringstream unheard;
  BuiltWorld world;
  std::string failed;
  {
    std::streambuf* errors = quiet ? std::cerr.rdbuf(unheard.rdbuf()) : nullptr;
    try {
      world = readWorld(description, moduleDirs, [](int, int) {});
    } catch (const InputError& e) {
      failed = e.what();
    } catch (const std::exception& e) {
      failed = std::string("zkcp-serve: ") + e.what();
    }
    if (errors) std::cerr.rdbuf(errors);
  }
  if (!failed.empty()) {
    std::cerr << failed << "\n";
    return 1;
  }
  ZKX3DWriter writer(world.db.get(), quiet ? static_cast<std::ostream&>(unheard) : std::cerr);
  ZKLiveWorld live(world.db.get(), &writer);
  const std::string token = makeToken();
  const std::string name = world.db->getWorldName().str();
  auto kinds = std::make_shared<const live_protocol::FieldKinds>(live.manifest());

  Server* server = nullptr;
  Simulation::Output output;
  output.tick = [&server](std::shared_ptr<const Simulation::Tick> tick) {
    server->publishTick(std::move(tick));
  };
  output.snapshot = [&server](Simulation::ViewerId viewer,
                              std::shared_ptr<const std::string> frame) {
    server->publishSnapshot(viewer, std::move(frame));
  };
  output.error = [&server](Simulation::ViewerId viewer, std::string message) {
    server->publishError(viewer, std::move(message));
  };
  Simulation simulation(live, *kinds, rate, output);
  asio::io_context io;
  ServerOptions options;
  options.bind = bind;
  options.port = static_cast<unsigned short>(port);
  options.maxViewers = maxViewers;
  options.token = token;
  options.world = name;
  options.rate = rate;
  Server http(io, options, pageContent(world, writer, xIte),
              shared(live_protocol::manifestMessage(live.manifest())), kinds, simulation);
  server = &http;
  try {
    http.start();
  } catch (const std::exception& e) {
    std::cerr << "zkcp-serve: " << e.what() << "\n";
    return 1;
  }
  simulation.start();
  std::fprintf(startLine, "Serving %s at http://%s/?token=%s\n", name.c_str(),
               urlHost(bind, http.port()).c_str(), token.c_str());
  std::fflush(startLine);
  if (!asio::ip::make_address(bind).is_loopback())
    std::cerr << "zkcp-serve: listening on " << bind << ": anyone who can reach port "
              << http.port() << " can watch and walk; only holders of the token control\n";

  asio::signal_set signals(io, SIGINT, SIGTERM);
  signals.async_wait([&](const boost::system::error_code& ec, int) {
    if (ec) return;
    http.stop();
    asio::post(io, [&io] { io.stop(); });
  });

  // On a terminal one status line is kept up to date.
  const bool status = !quiet && isatty(STDERR_FILENO);
  asio::steady_timer timer(io);
  std::uint64_t lastBytes = 0;
  std::function<void()> show = [&] {
    timer.expires_after(std::chrono::seconds(1));
    timer.async_wait([&](const boost::system::error_code& ec) {
      if (ec) return;
      const Simulation::Stats s = simulation.stats();
      const Server::Stats n = http.stats();
      std::fprintf(stderr, "\r\033[Kviewers %zu  ticks/s %.1f  tick p95 %.2f ms  sent %s",
                   n.viewers, s.ticksPerSecond, s.tickP95 * 1e3,
                   rateText(static_cast<double>(n.bytesSent - lastBytes)).c_str());
      std::fflush(stderr);
      lastBytes = n.bytesSent;
      show();
    });
  };
  if (status) show();

  io.run();
  simulation.stop();
  if (status) std::fprintf(stderr, "\n");
#ifndef ZKCP_FREE_AT_EXIT
  // The world is left to the end of the process rather than taken apart
  // node by node.
  (void)world.db.release();
#endif
  return 0;
}
