// Loopback HTTP server for the HTTP client's tests and benchmark.
//
//   http-test-server --port-file FILE [--lifetime SECONDS]
//
// Listens on two free ports of 127.0.0.1 (A and B, so that redirects can cross
// to another port) and on a third one, D, that answers with hand-made
// responses cpp-httplib would not send; writes "A B C D\n" to FILE once all
// accept connections. C is a port that was free a moment ago and that nobody
// listens on, for refused connections.
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
//   /loop                    302 to itself
//   /chain/N                 302 to /chain/N-1; /chain/0 is 200 "end of chain\n"
//   /echo                    200, the request line and headers as received
//   /counter                 200, a different body on every call, cacheable
//                            for an hour
// Routes of port D, each answered once and the connection closed after it:
//   /closing-chunked/KIND/N  N pattern bytes, chunked and complete, from a
//                            server that says it closes the connection: KIND
//                            "connection" (Connection: close), "proxy"
//                            (Proxy-Connection: close) or "http10" (an
//                            HTTP/1.0 response)
// Pattern byte i is i % 251.

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
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
#include <regex>
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
  server.Get("/loop", [](const httplib::Request&, httplib::Response& res) {
    res.status = 302;
    res.set_header("Location", "/loop");
    res.set_content("moved\n", "text/plain");
  });
  server.Get(R"(/chain/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    size_t left = ToSize(req.matches[1]);
    if (left == 0) {
      res.set_content("end of chain\n", "text/plain");
      return;
    }
    res.status = 302;
    res.set_header("Location", "/chain/" + std::to_string(left - 1));
    res.set_content("moved\n", "text/plain");
  });
  server.Get("/counter", [](const httplib::Request&, httplib::Response& res) {
    static std::atomic<unsigned> calls{0};
    res.set_header("Cache-Control", "max-age=3600");
    res.set_content("call " + std::to_string(++calls) + "\n", "text/plain");
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

// One hand-made response for the request `target` on port D.
std::string RawResponse(const std::string& target) {
  static const std::regex kClosing(R"(/closing-chunked/(connection|proxy|http10)/(\d+))");
  std::smatch match;
  if (!std::regex_match(target, match, kClosing)) {
    return "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  }
  const std::string kind = match[1];
  const size_t total = ToSize(match[2]);
  std::string out = kind == "http10" ? "HTTP/1.0 200 OK\r\n" : "HTTP/1.1 200 OK\r\n";
  out += "Content-Type: application/octet-stream\r\nTransfer-Encoding: chunked\r\n";
  if (kind == "connection") out += "Connection: close\r\n";
  if (kind == "proxy") out += "Proxy-Connection: close\r\n";
  out += "\r\n";
  for (size_t offset = 0; offset < total; offset += 1000) {
    size_t count = std::min<size_t>(1000, total - offset);
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", count);
    out += size + Pattern(offset, count) + "\r\n";
  }
  out += "0\r\n\r\n";
  return out;
}

// Serves port D: reads one request head, answers it and closes.
void ServeRaw(int listener) {
  while (!g_stop) {
    pollfd waiting{listener, POLLIN, 0};
    if (poll(&waiting, 1, 100) <= 0) continue;
    int fd = accept(listener, nullptr, nullptr);
    if (fd < 0) continue;
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
      ssize_t got = recv(fd, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      head.append(buffer, static_cast<size_t>(got));
    }
    // "GET /target HTTP/1.1"
    size_t start = head.find(' ');
    size_t stop = start == std::string::npos ? start : head.find(' ', start + 1);
    if (stop != std::string::npos) {
      std::string response = RawResponse(head.substr(start + 1, stop - start - 1));
      size_t sent = 0;
      while (sent < response.size()) {
        ssize_t n = send(fd, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
    }
    shutdown(fd, SHUT_WR);
    close(fd);
  }
}

// A listening socket on a free port of 127.0.0.1; -1 on failure.
int ListenOnFreePort(int& port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    close(fd);
    return -1;
  }
  port = ntohs(addr.sin_port);
  return fd;
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
  int rawPort = 0;
  int rawListener = ListenOnFreePort(rawPort);
  if (rawListener < 0) {
    std::fprintf(stderr, "http-test-server: cannot bind\n");
    return 1;
  }
  std::vector<std::thread> threads;
  for (auto& server : servers) threads.emplace_back([&server] { server->listen_after_bind(); });
  threads.emplace_back([rawListener] { ServeRaw(rawListener); });
  for (auto& server : servers) {
    while (!server->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  {
    // Written under another name and renamed, so a reader never sees half.
    std::string temp = portFile + ".tmp";
    std::ofstream(temp) << ports[0] << " " << ports[1] << " " << UnusedPort() << " " << rawPort
                        << "\n";
    std::rename(temp.c_str(), portFile.c_str());
  }

  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(lifetime);
  while (!g_stop && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  g_stop = true;  // also ends the raw server's loop after the lifetime
  for (auto& server : servers) server->stop();
  for (auto& thread : threads) thread.join();
  close(rawListener);
  std::remove(portFile.c_str());
  return 0;
}
