#include "download/test_server.h"

#include <arpa/inet.h>
#include <algorithm>
#include <chrono>
#include <thread>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kv::test {

namespace {

int ListenOn(int& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  socklen_t len = sizeof a;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 16) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    ::close(fd);
    return -1;
  }
  port = ntohs(a.sin_port);
  return fd;
}

}  // namespace

TestHttpServer::TestHttpServer() {
  listen_fd_ = ListenOn(port_);
  if (listen_fd_ >= 0) acceptor_ = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
  stop_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  for (std::thread& t : workers_)
    if (t.joinable()) t.join();
  if (listen_fd_ >= 0) ::close(listen_fd_);
}

std::string TestHttpServer::host() const { return "127.0.0.1:" + std::to_string(port_); }

void TestHttpServer::Set(const std::string& path, const std::string& raw, Mode mode,
                         const std::string& filler) {
  std::lock_guard<std::mutex> lock(mu_);
  routes_[path] = Route{raw, mode, filler};
}

void TestHttpServer::SetBody(const std::string& path, const std::string& body, Mode mode) {
  Set(path, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body, mode);
}

std::vector<std::string> TestHttpServer::requests() const {
  std::lock_guard<std::mutex> lock(mu_);
  return requests_;
}

int TestHttpServer::requests_for(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mu_);
  int n = 0;
  for (const std::string& r : requests_)
    if (PathOf(r) == path) ++n;
  return n;
}

int TestHttpServer::ClosedPort() {
  int port = 0;
  int fd = ListenOn(port);
  if (fd >= 0) ::close(fd);
  return port;
}

std::string TestHttpServer::PathOf(const std::string& request) {
  size_t sp = request.find(' ');
  if (sp == std::string::npos) return {};
  size_t end = request.find(' ', sp + 1);
  std::string target = request.substr(sp + 1, end == std::string::npos ? std::string::npos : end - sp - 1);
  if (target.rfind("http://", 0) == 0) {
    size_t slash = target.find('/', 7);
    target = slash == std::string::npos ? "/" : target.substr(slash);
  }
  return target;
}

void TestHttpServer::AcceptLoop() {
  while (!stop_) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    workers_.emplace_back([this, fd] { Serve(fd); });
  }
}

void TestHttpServer::Serve(int fd) {
  using Clock = std::chrono::steady_clock;
  // Read the request head (bounded in size and time).
  std::string req;
  auto deadline = Clock::now() + std::chrono::seconds(5);
  char buf[4096];
  while (!stop_ && Clock::now() < deadline && req.size() < 65536 &&
         req.find("\r\n\r\n") == std::string::npos && req.find("\n\n") == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    req.append(buf, static_cast<size_t>(n));
  }
  Route route{"HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n"
              "<html><body><h1>404 Not Found</h1>The requested document is not here.</body></html>\r\n",
              Mode::kNormal, ""};
  {
    std::lock_guard<std::mutex> lock(mu_);
    requests_.push_back(req);
    auto it = routes_.find(PathOf(req));
    if (it != routes_.end()) route = it->second;
  }
  ++count_;

  ++open_;
  // Sends all of text; false once the client has gone.
  auto send_all = [&](const std::string& text, size_t step) {
    size_t sent = 0;
    while (!stop_ && sent < text.size()) {
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      ssize_t n = ::send(fd, text.data() + sent, std::min(step, text.size() - sent), MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<size_t>(n);
      if (route.mode == Mode::kTrickle) std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    return true;
  };
  if (route.mode != Mode::kStall) {
    bool alive = send_all(route.raw, route.mode == Mode::kTrickle ? 1 : route.raw.size());
    if (route.mode == Mode::kEndless) {
      while (alive && !stop_) {
        alive = send_all(route.filler, route.filler.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
  }
  if (route.mode == Mode::kNormal) ::shutdown(fd, SHUT_WR);
  // Wait for the client to close (a stalling route waits only for that, or
  // for the end of the test); bounded so a test can never hang here.
  deadline = Clock::now() + std::chrono::seconds(route.mode == Mode::kNormal ? 5 : 120);
  while (!stop_ && Clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
  }
  ::close(fd);
  --open_;
}

}  // namespace kv::test
