// A small threaded HTTP server on 127.0.0.1 for the download tests: it
// serves scripted responses by path, records every request it receives, and
// can misbehave on purpose (never answer, answer and never close).
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kv::test {

class TestHttpServer {
 public:
  enum class Mode {
    kNormal,        // send the response, then close
    kStall,         // read the request, never answer, never close
    kStallAfter,    // send the response, then keep the connection open
    kEndless,       // send the response, then the filler again and again, never closing
    kTrickle,       // send the response one byte every half second
  };

  TestHttpServer();   // listens on a free port of 127.0.0.1
  ~TestHttpServer();  // stops every connection thread
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  int port() const { return port_; }
  // "127.0.0.1:PORT", the form the client takes for a host.
  std::string host() const;

  // The raw response for a path ("/kestrivane/Loader.cnf"); a request in the
  // absolute form a proxy receives ("http://HOST/PATH") matches by its path.
  // Unknown paths get a 404 page.
  void Set(const std::string& path, const std::string& raw, Mode mode = Mode::kNormal,
           const std::string& filler = "");
  // A "200 OK" response with this body.
  void SetBody(const std::string& path, const std::string& body, Mode mode = Mode::kNormal);

  // How many connections are still being served (a client that gave up
  // has closed its end).
  int open_connections() const { return open_.load(); }
  // Every request received so far, raw, in arrival order.
  std::vector<std::string> requests() const;
  int request_count() const { return count_.load(); }
  // Number of requests whose path was `path`.
  int requests_for(const std::string& path) const;

  // A port of 127.0.0.1 where nothing listens (bound, then closed).
  static int ClosedPort();

 private:
  struct Route {
    std::string raw;
    Mode mode = Mode::kNormal;
    std::string filler;
  };
  void AcceptLoop();
  void Serve(int fd);
  static std::string PathOf(const std::string& request);

  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> count_{0};
  std::atomic<int> open_{0};
  mutable std::mutex mu_;
  std::map<std::string, Route> routes_;
  std::vector<std::string> requests_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

}  // namespace kv::test
