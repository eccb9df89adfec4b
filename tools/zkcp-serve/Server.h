#ifndef ZKCP_TOOLS_ZKCP_SERVE_SERVER_H
#define ZKCP_TOOLS_ZKCP_SERVE_SERVER_H

#include "Protocol.h"
#include "Simulation.h"

#include <boost/asio/io_context.hpp>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

// What GET answers: a path -> its type and bytes, and folders whose files
// are answered as they are on disk (X_ITE's).
struct Content {
  struct Resource {
    std::string type;
    std::shared_ptr<const std::string> body;
  };
  std::map<std::string, Resource> resources;
  std::map<std::string, std::filesystem::path> folders;  // "/x_ite/" -> its folder
};

struct ServerOptions {
  std::string bind = "127.0.0.1";
  unsigned short port = 8123;
  std::size_t maxViewers = 64;
  std::string token;
  std::string world;  // the world's name, in the hello
  double rate = 60;
};

// HTTP and the /live WebSocket on one port, on the thread that runs the
// io_context. Ticks, snapshots and errors from the simulation are handed
// over with post() and never wait on a socket: a viewer whose socket is
// busy keeps one pending frame, into which later ticks are merged (latest
// value wins), and a bounded queue of text messages; a viewer whose queue
// overflows is closed with a reason.
class Server {
 public:
  struct Stats {
    std::size_t viewers = 0;
    std::uint64_t bytesSent = 0;  // since start, WebSocket and HTTP
  };

  // `simulation` outlives `io`: connections still in `io` when it is
  // destroyed tell the simulation that their viewer left.
  Server(boost::asio::io_context& io, ServerOptions options, Content content,
         std::shared_ptr<const std::string> manifest,
         std::shared_ptr<const live_protocol::FieldKinds> kinds, Simulation& simulation);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Listens; throws std::runtime_error naming the address when it cannot.
  void start();
  // Stops listening and closes every connection.
  void stop();
  unsigned short port() const;

  // From the simulation's thread (or any thread).
  void publishTick(std::shared_ptr<const Simulation::Tick> tick);
  void publishSnapshot(Simulation::ViewerId viewer, std::shared_ptr<const std::string> frame);
  void publishError(Simulation::ViewerId viewer, std::string message);

  Stats stats() const;

  struct Hub;

 private:
  boost::asio::io_context& io_;
  std::shared_ptr<Hub> hub_;
};

#endif
