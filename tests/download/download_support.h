// Helpers shared by the download tests: quote texts, a configuration for the
// test server, and a real tinyproxy on loopback.
#pragma once

#include <string>
#include <sys/types.h>

#include "download/test_server.h"
#include "support/fixture.h"

namespace kv::test {

// A quote file of exactly n characters (CR LF lines, cut where n ends).
std::string QuoteText(size_t n);

// A configuration whose "USA" database is served by server at
// q/SYMBOL.txt, and the banner; with extra lines appended to the configuration.
void ServeQuoteSource(TestHttpServer& server, const std::string& extra_config = "");

// tinyproxy started in the foreground on a free loopback port, with its
// configuration and log in dir; stopped with the object.
class TinyProxy {
 public:
  explicit TinyProxy(const TempDir& dir);
  ~TinyProxy();
  TinyProxy(const TinyProxy&) = delete;
  TinyProxy& operator=(const TinyProxy&) = delete;

  // The program's path, or empty when it is not installed.
  static std::string Binary();
  bool running() const { return running_; }
  int port() const { return port_; }
  std::string log() const;
  const std::string& error() const { return error_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  bool running_ = false;
  std::string log_path_;
  std::string error_;
};

// An HTTPS server on a free loopback port: openssl's own test server serving
// the files below www() (HTTP/1.0 answers, then it closes), with a
// certificate for 127.0.0.1 made at start in dir; cacert() is the file that
// trusts it. Stopped with the object.
class TlsServer {
 public:
  explicit TlsServer(const TempDir& dir);
  ~TlsServer();
  TlsServer(const TlsServer&) = delete;
  TlsServer& operator=(const TlsServer&) = delete;

  bool running() const { return running_; }
  const std::string& error() const { return error_; }
  int port() const { return port_; }
  std::string base() const { return "https://127.0.0.1:" + std::to_string(port_); }
  const std::string& cacert() const { return cacert_; }
  // Serves text at path ("q/IBM.csv").
  void Serve(const std::string& path, const std::string& text) const;

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  bool running_ = false;
  std::string www_;
  std::string cacert_;
  std::string error_;
};

}  // namespace kv::test
