// Loopback HTTP server for the HTTP client's tests and benchmark.
//
//   http-test-server --port-file FILE [--lifetime SECONDS]
//
// Listens on two free ports of 127.0.0.1 (A and B, so that redirects can cross
// to another port) and writes "A B C\n" to FILE once both accept connections;
// C is a port that was free a moment ago and that nobody listens on, for
// refused connections.
// Ends on SIGTERM/SIGINT or after the lifetime (default 1800 s), so that a
// test run that dies never leaves it behind for long.
//
// Routes (the same on both ports):
//   /empty                   200, no body
//   /small                   200, "hello, world\n"
//   /bytes/N                 200, N pattern bytes with Content-Length
//   /chunked/N               200, N pattern bytes, chunked
//   /cut/N/SENT              Content-Length N, closes after SENT bytes
//   /chunked-cut/SENT        chunked, closes after SENT bytes without last chunk
//   /status/CODE             that status with a short body
//   /redirect/CODE?to=URL    that status with Location: URL
//   /echo                    200, the request line and headers as received
// Pattern byte i is i % 251.

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) { g_stop = true; }

// A port of 127.0.0.1 that the system just handed out and nobody holds now.
int UnusedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

std::string Pattern(size_t offset, size_t count) {
  std::string out(count, '\0');
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<char>((offset + i) % 251);
  return out;
}

size_t ToSize(const std::string& text) { return static_cast<size_t>(std::stoull(text)); }

constexpr size_t kPiece = 64 * 1024;

void AddRoutes(httplib::Server& server) {
  server.Get("/empty", [](const httplib::Request&, httplib::Response& res) {
    res.status = 200;
    res.set_content("", "application/octet-stream");
  });
  server.Get("/small", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("hello, world\n", "text/plain");
  });
  server.Get(R"(/bytes/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    size_t total = ToSize(req.matches[1]);
    res.set_content_provider(total, "application/octet-stream",
                             [](size_t offset, size_t length, httplib::DataSink& sink) {
                               std::string piece = Pattern(offset, std::min(length, kPiece));
                               return sink.write(piece.data(), piece.size());
                             });
  });
  server.Get(R"(/chunked/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    size_t total = ToSize(req.matches[1]);
    res.set_chunked_content_provider(
        "application/octet-stream", [total](size_t offset, httplib::DataSink& sink) {
          if (offset >= total) {
            sink.done();
            return true;
          }
          std::string piece = Pattern(offset, std::min<size_t>(1000, total - offset));
          return sink.write(piece.data(), piece.size());
        });
  });
  server.Get(R"(/cut/(\d+)/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    size_t total = ToSize(req.matches[1]);
    size_t sent = ToSize(req.matches[2]);
    res.set_content_provider(total, "application/octet-stream",
                             [sent](size_t offset, size_t length, httplib::DataSink& sink) {
                               if (offset >= sent) return false;  // drops the connection
                               std::string piece =
                                   Pattern(offset, std::min({length, kPiece, sent - offset}));
                               return sink.write(piece.data(), piece.size());
                             });
  });
  server.Get(R"(/chunked-cut/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    size_t sent = ToSize(req.matches[1]);
    res.set_chunked_content_provider(
        "application/octet-stream", [sent](size_t offset, httplib::DataSink& sink) {
          if (offset >= sent) return false;  // no last chunk: the connection just ends
          std::string piece = Pattern(offset, std::min<size_t>(1000, sent - offset));
          return sink.write(piece.data(), piece.size());
        });
  });
  server.Get(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    res.status = std::stoi(req.matches[1]);
    res.set_content("status body\n", "text/plain");
  });
  server.Get(R"(/redirect/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    res.status = std::stoi(req.matches[1]);
    res.set_header("Location", req.get_param_value("to"));
    res.set_content("moved\n", "text/plain");
  });
  server.Get("/echo", [](const httplib::Request& req, httplib::Response& res) {
    std::string body = req.method + " " + req.target + " " + req.version + "\r\n";
    for (const auto& [name, value] : req.headers) {
      // cpp-httplib adds these itself; they were not on the wire.
      if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
          name == "LOCAL_PORT") {
        continue;
      }
      body += name + ": " + value + "\r\n";
    }
    res.set_content(body, "text/plain");
  });
}

}  // namespace

int main(int argc, char** argv) {
  std::string portFile;
  int lifetime = 1800;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--port-file") == 0) portFile = argv[i + 1];
    if (std::strcmp(argv[i], "--lifetime") == 0) lifetime = std::atoi(argv[i + 1]);
  }
  if (portFile.empty()) {
    std::fprintf(stderr, "usage: http-test-server --port-file FILE [--lifetime SECONDS]\n");
    return 2;
  }
  signal(SIGTERM, OnSignal);
  signal(SIGINT, OnSignal);
  signal(SIGPIPE, SIG_IGN);

  std::vector<std::unique_ptr<httplib::Server>> servers;
  std::vector<int> ports;
  for (int i = 0; i < 2; ++i) {
    auto server = std::make_unique<httplib::Server>();
    // Connections stay open as long as the client wants: a response never
    // carries "Connection: close" just because a count ran out.
    server->set_keep_alive_max_count(100000);
    server->set_keep_alive_timeout(300);
    AddRoutes(*server);
    int port = server->bind_to_any_port("127.0.0.1");
    if (port <= 0) {
      std::fprintf(stderr, "http-test-server: cannot bind\n");
      return 1;
    }
    ports.push_back(port);
    servers.push_back(std::move(server));
  }
  std::vector<std::thread> threads;
  for (auto& server : servers) threads.emplace_back([&server] { server->listen_after_bind(); });
  for (auto& server : servers) {
    while (!server->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  {
    // Written under another name and renamed, so a reader never sees half.
    std::string temp = portFile + ".tmp";
    std::ofstream(temp) << ports[0] << " " << ports[1] << " " << UnusedPort() << "\n";
    std::rename(temp.c_str(), portFile.c_str());
  }

  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(lifetime);
  while (!g_stop && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  for (auto& server : servers) server->stop();
  for (auto& thread : threads) thread.join();
  std::remove(portFile.c_str());
  return 0;
}
