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

}  // namespace kv::test
