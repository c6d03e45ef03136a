// HttpTransfer: one HTTP or HTTPS transfer at a time, non-blocking, moved on
// by whoever pumps the events (the HTTP client registers a poller). Only this
// and curl_library know the HTTP library, libcurl, which the first Start
// loads; nothing of it shows here.
//
// What the transfer does for every request: HTTP/1.0 or 1.1, chunked bodies,
// at most max_redirects redirects, a fresh connection that is closed
// afterwards, the proxy named in the request (the environment's proxy
// variables are never used), certificates checked against the system store
// or the cacert file. Deadlines are the caller's: it knows its clock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// Reads an answer's status line "HTTP/1.1 200 OK" strictly (upper-case
// protocol, one blank, three digits). False for anything else.
bool ParseStatusLine(std::string_view line, int* code);

struct HttpRequest {
  std::string url;                   // http://HOST[:PORT]/PATH or https://...
  std::vector<std::string> headers;  // "Name: value"; replace the library's own of that name
  bool http10 = false;               // ask with HTTP/1.0 (else 1.1)
  std::string proxy;                 // HOST:PORT of an HTTP proxy; empty: connect directly
  std::string cacert;                // PEM file of trusted authorities; empty: the system store
  long max_redirects = 5;
};

class HttpTransfer {
 public:
  enum class Phase { kIdle, kResolving, kConnecting, kConnected };
  // Why a finished transfer failed.
  enum class Failure {
    kNone,
    kResolve,      // the host name (or the proxy's) is unknown
    kConnect,      // nothing accepted the connection
    kCertificate,  // the server's certificate is not trusted, or the cacert file is unusable
    kTls,          // the secure connection could not be set up
    kStatusLine,   // the answer's status line is malformed (or missing)
    kStatus,       // a complete answer whose status is not 2xx
    kShort,        // fewer bytes than announced, or a chunked body cut short
    kRedirects,    // more redirects than allowed
    kStopped,      // the sink or Cancel stopped it
    kOther,
  };
  // Receives the body as it arrives; false stops the transfer (kStopped).
  using Sink = std::function<bool(const char* data, size_t n)>;

  HttpTransfer();
  ~HttpTransfer();
  HttpTransfer(const HttpTransfer&) = delete;
  HttpTransfer& operator=(const HttpTransfer&) = delete;

  // Starts a transfer (ending any running one). False, with error set, when
  // it cannot even be started (libcurl missing, say: the error says what to
  // install).
  bool Start(const HttpRequest& request, Sink sink, std::string* error);
  // Moves the transfer on without blocking. True once it has finished.
  bool Perform();
  // Sleeps up to ms or until the transfer's sockets have news.
  void Wait(int ms);
  // Ends the running transfer at once; it counts as finished and stopped.
  void Cancel();

  Phase phase() const;
  bool running() const;
  // Body bytes and header bytes received so far (progress, for the idle timer).
  uint64_t received() const;

  // After the transfer has finished:
  Failure failure() const;
  int status() const;                  // of the last answer, 0 when there was none
  const std::string& error() const;    // what went wrong, in words ("" when nothing did)

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kv
