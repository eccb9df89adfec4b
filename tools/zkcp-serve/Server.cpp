#include "Server.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <algorithm>
#include <deque>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <unordered_map>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using ViewerId = Simulation::ViewerId;

namespace {

// Text messages (events, errors, control) waiting for a busy viewer.
constexpr std::size_t kMaxQueued = 256;
// Faulty messages a viewer may send before it is closed.
constexpr int kMaxFaults = 5;
// How often the other viewers' places go out, at most.
constexpr auto kPlacesPeriod = std::chrono::milliseconds(100);
// How long a viewer that is closed for falling behind has to take the close.
constexpr auto kCloseGrace = std::chrono::seconds(1);

std::string pathOf(beast::string_view target) {
  const std::string t(target);
  return t.substr(0, t.find('?'));
}

bool sameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

// An open connection, which stop() cuts.
class Connection {
 public:
  virtual ~Connection() = default;
  virtual void abort() = 0;
};

class LiveSession;

}  // namespace

struct Server::Hub : std::enable_shared_from_this<Server::Hub> {
  Hub(asio::io_context& io, ServerOptions o, Content c, std::shared_ptr<const std::string> m,
      std::shared_ptr<const live_protocol::FieldKinds> k, Simulation& s)
      : io(io),
        options(std::move(o)),
        content(std::move(c)),
        manifest(std::move(m)),
        kinds(std::move(k)),
        simulation(s),
        acceptor(io),
        placesTimer(io) {}

  void accept();
  void sendPlaces();
  // The viewers, held while a caller goes through them.
  std::vector<std::shared_ptr<LiveSession>> liveViewers() const;
  // Whether a request's Host (and Origin, when given) name this server.
  bool hostAllowed(const std::string& host) const;
  std::shared_ptr<const std::string> file(const std::string& path, std::string& type);

  asio::io_context& io;
  ServerOptions options;
  Content content;
  std::shared_ptr<const std::string> manifest;
  std::shared_ptr<const live_protocol::FieldKinds> kinds;
  Simulation& simulation;
  tcp::acceptor acceptor;
  unsigned short port = 0;
  bool loopback = true;
  bool stopped = false;
  std::unordered_map<ViewerId, std::weak_ptr<LiveSession>> viewers;
  std::vector<std::weak_ptr<Connection>> connections;
  ViewerId nextViewer = 1;
  std::map<ViewerId, live_protocol::ViewerPlace> places;
  bool placesChanged = false;
  asio::steady_timer placesTimer;
  std::map<std::string, std::shared_ptr<const std::string>> files;
  std::atomic<std::uint64_t> bytesSent{0};
  std::atomic<std::size_t> viewerCount{0};
};

namespace {

class LiveSession : public Connection, public std::enable_shared_from_this<LiveSession> {
 public:
  LiveSession(std::shared_ptr<Server::Hub> hub, tcp::socket&& socket)
      : hub_(std::move(hub)), ws_(std::move(socket)), closeTimer_(hub_->io) {}

  ~LiveSession() {
    if (id_) {
      hub_->simulation.viewerLeft(id_);
      hub_->viewers.erase(id_);
      hub_->viewerCount = hub_->viewers.size();
      if (hub_->places.erase(id_)) hub_->placesChanged = true;
    }
  }

  void run(http::request<http::string_body> request) {
    ws_.set_option(websocket::stream_base::timeout{std::chrono::seconds(10),
                                                   std::chrono::seconds(60), true});
    ws_.read_message_max(live_protocol::kMaxMessageBytes);
    ws_.set_option(websocket::stream_base::decorator([](websocket::response_type& res) {
      res.set(http::field::server, "zkcp-serve");
    }));
    ws_.async_accept(request, [self = shared_from_this()](beast::error_code ec) {
      if (!ec) self->onAccepted();
    });
  }

  void onTick(const std::shared_ptr<const Simulation::Tick>& tick) {
    if (!synced_ || closing_) return;
    if (!tick->events.empty()) queue(std::make_shared<const std::string>(tick->events));
    if (!writing_ && !tick_ && merged_.empty()) {
      tick_ = tick;
      pump();
      return;
    }
    if (tick_) {
      merge(tick_->changes);
      tick_.reset();
    }
    merge(tick->changes);
    mergedSequence_ = tick->sequence;
    mergedTime_ = tick->time;
  }

  void onSnapshot(std::shared_ptr<const std::string> frame) {
    if (closing_) return;
    synced_ = true;
    tick_.reset();
    merged_.clear();
    mergedIndex_.clear();
    snapshot_ = std::move(frame);
    pump();
  }

  void onPlaces(std::shared_ptr<const std::string> places) {
    if (!synced_ || closing_) return;
    places_ = std::move(places);
    pump();
  }

  void error(const std::string& message) {
    queue(std::make_shared<const std::string>(live_protocol::errorMessage(message)));
  }

  void abort() override {
    beast::error_code ignored;
    beast::get_lowest_layer(ws_).socket().close(ignored);
  }

 private:
  void onAccepted() {
    Server::Hub& hub = *hub_;
    if (hub.stopped) return;
    if (hub.viewers.size() >= hub.options.maxViewers) {
      close(websocket::close_code::try_again_later,
            "this world has " + std::to_string(hub.options.maxViewers) +
                " viewers, the most it takes");
      read();
      return;
    }
    id_ = hub.nextViewer++;
    hub.viewers[id_] = weak_from_this();
    hub.viewerCount = hub.viewers.size();
    read();
  }

  void read() {
    ws_.async_read(buffer_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
      self->onRead(ec);
    });
  }

  void onRead(beast::error_code ec) {
    if (ec) {
      closeTimer_.cancel();
      return;
    }
    if (closing_) {
      buffer_.consume(buffer_.size());
      read();
      return;
    }
    if (!ws_.got_text()) {
      fault("binary messages are not read here; send JSON text");
    } else {
      const std::string text = beast::buffers_to_string(buffer_.data());
      live_protocol::ClientMessage message;
      std::string problem;
      if (!live_protocol::parseClientMessage(text, message, problem)) fault(problem);
      else handle(std::move(message));
    }
    buffer_.consume(buffer_.size());
    read();
  }

  void handle(live_protocol::ClientMessage message) {
    using namespace live_protocol;
    Server::Hub& hub = *hub_;
    if (auto* hello = std::get_if<Hello>(&message)) {
      if (helloed_) return fault("hello was said already");
      if (hello->protocol != kVersion) {
        error("this server speaks protocol " + std::to_string(kVersion));
        return close(websocket::close_code::protocol_error, "protocol version mismatch");
      }
      helloed_ = true;
      control_ = !hello->token.empty() && sameText(hello->token, hub.options.token);
      queue(std::make_shared<const std::string>(
          helloMessage(hub.options.world, "v" + std::to_string(id_), control_, hub.options.rate)));
      queue(hub.manifest);
      hub.simulation.post(id_, Hello{});
      return;
    }
    if (!helloed_) return fault("say hello first");
    if (isControl(message) && !control_)
      return error("control needs the token this server printed when it started");
    if (std::holds_alternative<Resync>(message)) {
      synced_ = false;
      tick_.reset();
      merged_.clear();
      mergedIndex_.clear();
    }
    if (auto* moved = std::get_if<ViewerMoved>(&message)) {
      ViewerPlace& place = hub.places[id_];
      place.viewer = "v" + std::to_string(id_);
      for (int i = 0; i < 3; ++i) place.position[i] = static_cast<float>(moved->position[i]);
      for (int i = 0; i < 4; ++i) place.orientation[i] = static_cast<float>(moved->orientation[i]);
      hub.placesChanged = true;
    }
    if (!hub.simulation.hasRoom()) return error("the world is busy: the message was dropped");
    hub.simulation.post(id_, std::move(message));
  }

  void fault(const std::string& message) {
    error(message);
    if (++faults_ >= kMaxFaults) close(websocket::close_code::policy_error, "too many faulty messages");
  }

  // Queues a text message; a viewer that lets too many wait is closed.
  void queue(std::shared_ptr<const std::string> text) {
    if (closing_) return;
    if (texts_.size() >= kMaxQueued) {
      texts_.clear();
      close(websocket::close_code::policy_error,
            "the viewer fell behind the world's events; reconnect to resync");
      return;
    }
    texts_.push_back(std::move(text));
    pump();
  }

  void merge(const std::vector<ZKLiveWorld::Change_t>& changes) {
    for (const ZKLiveWorld::Change_t& c : changes) {
      const std::uint64_t key = (std::uint64_t{c.id} << 16) | c.field;
      auto [it, added] = mergedIndex_.emplace(key, merged_.size());
      if (added) merged_.push_back(c);
      else merged_[it->second].value = c.value;
    }
  }

  void pump() {
    if (writing_) return;
    if (closing_) {
      if (!closeSent_) {
        closeSent_ = true;
        ws_.async_close(closeReason_, [self = shared_from_this()](beast::error_code) {});
      }
      return;
    }
    std::shared_ptr<const std::string> next;
    bool text = true;
    if (!texts_.empty()) {
      next = std::move(texts_.front());
      texts_.pop_front();
    } else if (places_) {
      next = std::move(places_);
    } else if (snapshot_) {
      next = std::move(snapshot_);
      text = false;
    } else if (!merged_.empty()) {
      next = std::make_shared<const std::string>(live_protocol::encodeFrame(
          live_protocol::tick_frame, mergedSequence_, mergedTime_, merged_, *hub_->kinds));
      merged_.clear();
      mergedIndex_.clear();
      text = false;
    } else if (tick_) {
      next = std::shared_ptr<const std::string>(tick_, &tick_->frame);
      tick_.reset();
      text = false;
    } else {
      return;
    }
    writing_ = true;
    out_ = std::move(next);
    ws_.text(text);
    ws_.async_write(asio::buffer(*out_),
                    [self = shared_from_this()](beast::error_code ec, std::size_t bytes) {
                      self->writing_ = false;
                      self->out_.reset();
                      if (ec) return;
                      self->hub_->bytesSent += bytes;
                      self->pump();
                    });
  }

  void close(websocket::close_code code, const std::string& reason) {
    if (closing_) return;
    closing_ = true;
    closeReason_ = websocket::close_reason(code, reason);
    tick_.reset();
    merged_.clear();
    snapshot_.reset();
    places_.reset();
    // A viewer that does not read gets no close frame through: it is cut off.
    closeTimer_.expires_after(kCloseGrace);
    closeTimer_.async_wait([weak = weak_from_this()](beast::error_code ec) {
      if (auto self = weak.lock(); self && !ec) self->abort();
    });
    pump();
  }

  std::shared_ptr<Server::Hub> hub_;
  websocket::stream<beast::tcp_stream> ws_;
  asio::steady_timer closeTimer_;
  beast::flat_buffer buffer_;
  ViewerId id_ = 0;
  bool helloed_ = false;
  bool control_ = false;
  bool synced_ = false;
  bool writing_ = false;
  bool closing_ = false;
  bool closeSent_ = false;
  websocket::close_reason closeReason_;
  int faults_ = 0;
  std::deque<std::shared_ptr<const std::string>> texts_;
  std::shared_ptr<const std::string> places_;
  std::shared_ptr<const std::string> snapshot_;
  std::shared_ptr<const Simulation::Tick> tick_;
  std::vector<ZKLiveWorld::Change_t> merged_;
  std::unordered_map<std::uint64_t, std::size_t> mergedIndex_;
  std::uint64_t mergedSequence_ = 0;
  double mergedTime_ = 0;
  std::shared_ptr<const std::string> out_;
};

class HttpSession : public Connection, public std::enable_shared_from_this<HttpSession> {
 public:
  HttpSession(std::shared_ptr<Server::Hub> hub, tcp::socket&& socket)
      : hub_(std::move(hub)), stream_(std::move(socket)) {}

  void run() { read(); }

  void abort() override {
    beast::error_code ignored;
    stream_.socket().close(ignored);
  }

 private:
  void read() {
    parser_.emplace();
    parser_->header_limit(16 * 1024);
    parser_->body_limit(16 * 1024);
    stream_.expires_after(std::chrono::seconds(30));
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code ec, std::size_t) {
                       if (!ec) self->onRequest(self->parser_->release());
                     });
  }

  void onRequest(http::request<http::string_body> request) {
    Server::Hub& hub = *hub_;
    const std::string host(request[http::field::host]);
    if (!hub.hostAllowed(host)) return respond(request, http::status::forbidden, "text/plain",
                                              std::make_shared<const std::string>("unknown host\n"));
    if (websocket::is_upgrade(request)) {
      const auto origin = request.find(http::field::origin);
      if (pathOf(request.target()) != "/live")
        return respond(request, http::status::not_found, "text/plain",
                       std::make_shared<const std::string>("no WebSocket here\n"));
      if (origin != request.end() && origin->value() != "http://" + host)
        return respond(request, http::status::forbidden, "text/plain",
                       std::make_shared<const std::string>("foreign origin\n"));
      stream_.expires_never();
      auto live = std::make_shared<LiveSession>(hub_, stream_.release_socket());
      hub.connections.push_back(live);
      live->run(std::move(request));
      return;
    }
    if (request.method() != http::verb::get && request.method() != http::verb::head)
      return respond(request, http::status::method_not_allowed, "text/plain",
                     std::make_shared<const std::string>("only GET\n"));
    std::string type;
    auto body = hub.file(pathOf(request.target()), type);
    if (!body) return respond(request, http::status::not_found, "text/plain",
                              std::make_shared<const std::string>("not found\n"));
    respond(request, http::status::ok, type, std::move(body));
  }

  void respond(const http::request<http::string_body>& request, http::status status,
               const std::string& type, std::shared_ptr<const std::string> body) {
    auto response = std::make_shared<http::response<http::span_body<const char>>>(
        status, request.version());
    response->set(http::field::server, "zkcp-serve");
    response->set(http::field::content_type, type);
    response->set(http::field::cache_control, "no-cache");
    response->set("X-Content-Type-Options", "nosniff");
    response->keep_alive(request.keep_alive() && status == http::status::ok);
    if (request.method() == http::verb::head) {
      response->content_length(body->size());
    } else {
      response->body() = http::span_body<const char>::value_type(body->data(), body->size());
      response->prepare_payload();
    }
    http::async_write(stream_, *response,
                      [self = shared_from_this(), response, body](beast::error_code ec,
                                                                  std::size_t bytes) {
                        self->hub_->bytesSent += bytes;
                        if (ec) return;
                        if (response->keep_alive()) {
                          self->read();
                        } else {
                          beast::error_code ignored;
                          self->stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
                        }
                      });
  }

  std::shared_ptr<Server::Hub> hub_;
  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
};

const std::map<std::string, std::string> kTypes = {
    {".html", "text/html; charset=utf-8"}, {".js", "text/javascript"},
    {".mjs", "text/javascript"},           {".css", "text/css"},
    {".x3d", "model/x3d+xml"},             {".json", "application/json"},
    {".wasm", "application/wasm"},         {".png", "image/png"},
    {".jpg", "image/jpeg"},                {".jpeg", "image/jpeg"},
    {".gif", "image/gif"},                 {".svg", "image/svg+xml"},
    {".woff2", "font/woff2"},              {".ttf", "font/ttf"}};

std::string typeOf(const std::filesystem::path& file) {
  auto it = kTypes.find(file.extension().string());
  return it == kTypes.end() ? "application/octet-stream" : it->second;
}

}  // namespace

void Server::Hub::accept() {
  acceptor.async_accept([self = shared_from_this()](beast::error_code ec, tcp::socket socket) {
    if (self->stopped) return;
    if (!ec) {
      auto& connections = self->connections;
      connections.erase(std::remove_if(connections.begin(), connections.end(),
                                       [](const std::weak_ptr<Connection>& c) { return c.expired(); }),
                        connections.end());
      auto session = std::make_shared<HttpSession>(self, std::move(socket));
      connections.push_back(session);
      session->run();
    }
    self->accept();
  });
}

std::vector<std::shared_ptr<LiveSession>> Server::Hub::liveViewers() const {
  std::vector<std::shared_ptr<LiveSession>> out;
  out.reserve(viewers.size());
  for (const auto& [id, weak] : viewers)
    if (auto viewer = weak.lock()) out.push_back(std::move(viewer));
  return out;
}

bool Server::Hub::hostAllowed(const std::string& host) const {
  if (!loopback) return true;
  const std::string suffix = ":" + std::to_string(port);
  for (const char* name : {"127.0.0.1", "localhost", "[::1]"})
    if (host == name + suffix) return true;
  return false;
}

std::shared_ptr<const std::string> Server::Hub::file(const std::string& path, std::string& type) {
  auto resource = content.resources.find(path);
  if (resource != content.resources.end()) {
    type = resource->second.type;
    return resource->second.body;
  }
  for (const auto& [prefix, folder] : content.folders) {
    if (path.compare(0, prefix.size(), prefix) != 0) continue;
    const std::filesystem::path name =
        std::filesystem::path(path.substr(prefix.size())).lexically_normal();
    if (name.empty() || name.is_absolute() || *name.begin() == "..") return nullptr;
    const std::filesystem::path full = folder / name;
    type = typeOf(full);
    auto cached = files.find(full.string());
    if (cached != files.end()) return cached->second;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(full, ec)) return nullptr;
    std::ifstream in(full, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in) return nullptr;
    auto body = std::make_shared<const std::string>(bytes.str());
    files.emplace(full.string(), body);
    return body;
  }
  return nullptr;
}

void Server::Hub::sendPlaces() {
  placesTimer.expires_after(kPlacesPeriod);
  placesTimer.async_wait([self = shared_from_this()](beast::error_code ec) {
    if (ec || self->stopped) return;
    if (self->placesChanged) {
      self->placesChanged = false;
      std::vector<live_protocol::ViewerPlace> list;
      for (const auto& [id, place] : self->places) list.push_back(place);
      auto message = std::make_shared<const std::string>(live_protocol::viewersMessage(list));
      for (const auto& viewer : self->liveViewers()) viewer->onPlaces(message);
    }
    self->sendPlaces();
  });
}

Server::Server(asio::io_context& io, ServerOptions options, Content content,
               std::shared_ptr<const std::string> manifest,
               std::shared_ptr<const live_protocol::FieldKinds> kinds, Simulation& simulation)
    : io_(io),
      hub_(std::make_shared<Hub>(io, std::move(options), std::move(content), std::move(manifest),
                                 std::move(kinds), simulation)) {}

Server::~Server() = default;

void Server::start() {
  Hub& hub = *hub_;
  beast::error_code ec;
  const auto address = asio::ip::make_address(hub.options.bind, ec);
  if (ec) throw std::runtime_error("'" + hub.options.bind + "' is not an IP address");
  const tcp::endpoint endpoint(address, hub.options.port);
  const std::string where = hub.options.bind + ":" + std::to_string(hub.options.port);
  hub.acceptor.open(endpoint.protocol(), ec);
  if (!ec) hub.acceptor.set_option(asio::socket_base::reuse_address(true), ec);
  if (!ec) hub.acceptor.bind(endpoint, ec);
  if (!ec) hub.acceptor.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) throw std::runtime_error("cannot listen on " + where + ": " + ec.message());
  hub.port = hub.acceptor.local_endpoint().port();
  hub.loopback = address.is_loopback();
  hub.accept();
  hub.sendPlaces();
}

void Server::stop() {
  asio::post(io_, [hub = hub_] {
    hub->stopped = true;
    beast::error_code ignored;
    hub->acceptor.close(ignored);
    hub->placesTimer.cancel();
    for (const auto& weak : hub->connections)
      if (auto connection = weak.lock()) connection->abort();
  });
}

unsigned short Server::port() const { return hub_->port; }

void Server::publishTick(std::shared_ptr<const Simulation::Tick> tick) {
  asio::post(io_, [hub = hub_, tick = std::move(tick)] {
    for (const auto& viewer : hub->liveViewers()) viewer->onTick(tick);
  });
}

void Server::publishSnapshot(ViewerId viewer, std::shared_ptr<const std::string> frame) {
  asio::post(io_, [hub = hub_, viewer, frame = std::move(frame)] {
    auto it = hub->viewers.find(viewer);
    if (it == hub->viewers.end()) return;
    if (auto session = it->second.lock()) session->onSnapshot(frame);
  });
}

void Server::publishError(ViewerId viewer, std::string message) {
  asio::post(io_, [hub = hub_, viewer, message = std::move(message)] {
    auto it = hub->viewers.find(viewer);
    if (it == hub->viewers.end()) return;
    if (auto session = it->second.lock()) session->error(message);
  });
}

Server::Stats Server::stats() const {
  Stats stats;
  stats.viewers = hub_->viewerCount;
  stats.bytesSent = hub_->bytesSent;
  return stats;
}
