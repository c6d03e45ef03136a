// An HTTP response as the client receives it: the fuzz input is sent by a
// server on 127.0.0.1 over a real TCP connection, so the bytes pass through
// the whole transfer and the client's judging of the answer (its status
// line, the body's NUL bytes, emptiness and cut at the destination size).
// The same bytes also go, without a connection, through the quote-file check
// in two different splits, which must agree, and through the status-line
// reader.
//
// Input layout: the first byte chooses the request and the size; the rest is
// the response. Bit 7 set: the banner request (a 2048-character buffer, as
// the download dialog asks); else a quote-file request (250000). Bits 0-6:
// the response is sent 1 + that many times in a row, so that short inputs
// can reach the destination's size.
//
// The server is a poller of the platform's event pump, like the client's own
// socket, so the whole exchange runs on one thread and needs no timing.
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "download/http_client.h"
#include "download/quote_file.h"
#include "platform/http_transfer.h"
#include "fuzz/targets/harness.h"

namespace kv::fuzz {

namespace {

// The listening socket, made once per process.
int Listener(int& port) {
  static int fd = -1;
  static int bound_port = 0;
  if (fd < 0) {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
      std::perror("kvfuzz: loopback server");
      std::abort();
    }
    bound_port = ntohs(a.sin_port);
  }
  port = bound_port;
  return fd;
}

// Serves one connection: accepts it, sends the response, then half-closes.
struct Server {
  int listener = -1;
  int conn = -1;
  std::string response;
  size_t sent = 0;
  bool finished = false;

  void Poll() {
    if (conn < 0) {
      conn = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (conn < 0) return;
      // Room for the whole response at once: the kernel then delivers it as
      // the client reads, without waiting for this poller's next turn.
      int room = static_cast<int>(response.size()) + 65536;
      if (::setsockopt(conn, SOL_SOCKET, SO_SNDBUFFORCE, &room, sizeof room) != 0)
        ::setsockopt(conn, SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
    }
    char sink[4096];
    while (::recv(conn, sink, sizeof sink, 0) > 0) {}   // the request
    while (!finished && sent < response.size()) {
      ssize_t n = ::send(conn, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) {
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
        finished = true;   // the client went away
        break;
      }
      sent += static_cast<size_t>(n);
    }
    if (!finished) {
      ::shutdown(conn, SHUT_WR);
      finished = true;
    }
  }

  ~Server() {
    // A connection that was never served (none should be) must not be
    // served the next run's response.
    for (int stale; (stale = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) ::close(stale);
    if (conn < 0) return;
    // An abortive close: the client has closed already, and a loopback
    // server closing gracefully thousands of times a second would fill the
    // table of closed connections.
    linger l{1, 0};
    ::setsockopt(conn, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(conn);
  }
};

}  // namespace

void FuzzHttpResponse(const uint8_t* data, size_t size) {
  if (size < 1) return;
  const bool banner = data[0] & 0x80;
  const int copies = 1 + (data[0] & 0x7F);

  {
    const char* text = reinterpret_cast<const char*>(data + 1);
    const size_t n = size - 1;
    QuoteFileCheck whole, halves;
    whole.Feed(text, n);
    const size_t cut = n ? data[0] % (n + 1) : 0;
    halves.Feed(text, cut);
    halves.Feed(text + cut, n - cut);
    KV_FUZZ_CHECK(whole.Verdict() == halves.Verdict());
    KV_FUZZ_CHECK(whole.size() == n);
    const std::string_view all(text, n);
    int code = -1;
    if (ParseStatusLine(all.substr(0, all.find('\n')), &code)) KV_FUZZ_CHECK(code >= 0 && code <= 999);
  }

  Run run;
  auto server = std::make_unique<Server>();
  int port = 0;
  server->listener = Listener(port);
  const std::string once(reinterpret_cast<const char*>(data + 1), size - 1);
  server->response.reserve(once.size() * static_cast<size_t>(copies));
  for (int i = 0; i < copies; ++i) server->response += once;
  Server* s = server.get();
  const int poller = run.platform().AddPoller([s] { s->Poll(); });

  {
    auto client = std::make_unique<DlgSendStream>(nullptr);
    const int dst_size = banner ? 2048 : DlgSendStream::kResultSize;
    auto dst = std::make_unique<char[]>(static_cast<size_t>(dst_size) + 1);
    dst[dst_size] = '\x7f';   // a guard just past the buffer
    const std::string host = "127.0.0.1:" + std::to_string(port);
    const bool ok = client->GetURL(host.c_str(), banner ? "kestrivane/markee.txt" : "q/IBM.csv", dst.get(),
                                   dst_size);
    KV_FUZZ_CHECK(dst[dst_size] == '\x7f');
    const size_t len = strnlen(dst.get(), static_cast<size_t>(dst_size));
    KV_FUZZ_CHECK(len < static_cast<size_t>(dst_size));
    if (ok) {
      KV_FUZZ_CHECK(len > 0);
      KV_FUZZ_CHECK(client->reason().empty());
      // What was delivered is part of what the server sent (a chunked
      // body arrives without its chunk sizes, so it is exempt).
      const std::string& sent = server->response;
      std::string lower = sent;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const bool part = lower.find("chunked") != std::string::npos || std::search(sent.begin(), sent.end(),
                                                std::boyer_moore_horspool_searcher(
                                                    dst.get(), dst.get() + len)) != sent.end();
      KV_FUZZ_CHECK(part);
    } else {
      KV_FUZZ_CHECK(len == 0);
      KV_FUZZ_CHECK(!client->reason().empty());
    }
    KV_FUZZ_CHECK(client->state() == DlgSendStream::kIdle);
  }
  run.platform().RemovePoller(poller);
}

}  // namespace kv::fuzz
