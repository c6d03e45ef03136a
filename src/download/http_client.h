// DlgSendStream: fetches one document at a time over HTTP or HTTPS, directly
// or through an HTTP proxy, and keeps the quote-source configuration that
// says where each quote database lives.
//
// It is a small status window (a caption and one status line). Everything
// runs on the user-interface thread: the transfer (platform/http_transfer.h)
// is non-blocking and moved on by the platform's event pump, and a caller
// asking for a document waits in a local loop that keeps the pump (and so
// every other window) running. Every failure leaves its reason in reason().
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "download/loader_config.h"
#include "platform/platform.h"
#include "resources/ids.h"

namespace kv {

// Splits "HOST" or "HOST:PORT". port is 80 without a port; false when the
// port is not a number in 1..65535 or the host is empty.
bool SplitHostPort(std::string_view spec, std::string& host, int& port);

// The vendor's web server (option inet_server): HOST or HOST:PORT.
std::string VendorServer();

class HttpTransfer;

class DlgSendStream : public WindowHandler {
 public:
  // Connection states; each change writes its status text.
  enum State { kIdle = 0, kWaitingForAddress = 1, kConnecting = 2, kConnected = 3 };

  static constexpr int kResultSize = 250000;
  static constexpr int kSources = 20;
  static constexpr int kMinQuoteFile = 1000;   // shorter quote files are failures

  // parent: the window that owns the status window (may be null).
  explicit DlgSendStream(Dialog* parent, int resource = ids::DLG_STATUS);
  ~DlgSendStream() override;
  DlgSendStream(const DlgSendStream&) = delete;
  DlgSendStream& operator=(const DlgSendStream&) = delete;

  // Fetches http://host/path (host may be HOST:PORT, or begin with http://
  // or https://); dst receives the body (at most dstSize - 1 characters).
  // True when a complete 2xx answer with a body that is neither empty nor
  // holds a NUL byte arrived.
  bool GetURL(const char* host, const char* path, char* dst, int dstSize);
  // Loads the quote-source table from the vendor's server, once per instance.
  bool GetURLConfig();
  // Fetches the quote file of ticker from the named database and writes it to
  // outPath (through a temporary file, so a failure keeps the old file).
  bool GetTickerFile(const char* database, const char* ticker, const char* outPath);
  // The same from the address url_template gives for ticker (see
  // ExpandQuoteUrl); the body is written as received.
  bool GetTemplateFile(const std::string& url_template, const char* ticker, const char* outPath);

  // Why the last fetch failed ("HTTP 404", "timeout after 300 s", ...);
  // empty after a success, or when no reason is known.
  const std::string& reason() const { return reason_; }

  // One turn of the event pump (does not block).
  void Check_Events();
  // Ends the current transfer unless the window is already going away.
  void CmStop();
  // Stops the current transfer for good: every waiting loop gives up and the
  // instance fetches nothing more. Safe from any handler the wait loop runs.
  void Abort();

  void CloseWindow();
  void CleanupWindow();
  void Destroy();

  // WindowHandler: the user closed the status window.
  void OnCloseRequest() override;

  int state() const { return state_; }
  bool quit() const { return quit_; }
  bool config_loaded() const { return config_loaded_; }
  const QuoteSource& source(int i) const { return sources_[i]; }
  const char* result() const { return result_; }
  Dialog& window() { return *win_; }

  // Give up a fetch after this long without any data (platform clock).
  static void SetIdleTimeoutMs(uint64_t ms);
  static uint64_t IdleTimeoutMs();
  // Also write every status line (prefixed with the caption) to f; null stops.
  static void EchoStatusTo(std::FILE* f);

 private:
  using Sink = std::function<bool(const char*, size_t)>;
  // Runs one transfer of url to its end; false with reason_ set.
  bool Fetch(const std::string& url, bool vendor_headers, const Sink& sink);
  // Streams a quote file from url to outPath through a QuoteFileWriter.
  bool FetchQuoteFile(const std::string& url, bool vendor, const char* outPath);
  void SetState(int state);
  void ShowStatus(const char* text);
  void Error(const char* text, const char* caption);
  void GoToIdleState();
  void Poll();              // the pump's poller

  std::unique_ptr<Dialog> win_;
  std::unique_ptr<HttpTransfer> transfer_;
  int state_ = kIdle;
  char result_[kResultSize];
  QuoteSource sources_[kSources];
  bool config_loaded_ = false;
  bool quit_ = false;
  int poller_ = 0;
  bool in_poll_ = false;
  uint64_t shown_bytes_ = 0;
  std::string reason_;
};

}  // namespace kv
