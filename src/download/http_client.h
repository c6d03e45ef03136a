// DlgSendStream: fetches one text document at a time over HTTP/1.0 on a TCP
// connection of its own, directly or through an HTTP proxy, and keeps the
// quote-source configuration that says where each quote database lives.
//
// It is a small status window (a caption and one status line). Everything
// runs on the user-interface thread: the socket is non-blocking and polled by
// the platform's event pump, and a caller asking for a document waits in a
// local loop that keeps the pump (and so every other window) running. Only
// the host-name lookup runs on a helper thread, whose result the pump picks up.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include <netinet/in.h>

#include "platform/platform.h"
#include "resources/ids.h"

namespace kv {

// One quote database of the configuration.
struct QuoteSource {
  static constexpr int kFieldMax = 255;
  char name[kFieldMax + 1] = {};    // CNAME: shown in the download dialog, e.g. "USA"
  char host[kFieldMax + 1] = {};    // CURL: HOST or HOST:PORT of its server
  char prefix[kFieldMax + 1] = {};  // CRPRE: path before the ticker symbol
  char suffix[kFieldMax + 1] = {};  // CRPOST: path after the ticker symbol
  void Clear() { name[0] = host[0] = prefix[0] = suffix[0] = 0; }
};

// Reads the quote-source configuration ("KVL:" first line, then KEY:VALUE
// lines) into table[0..count-1], which the caller has cleared. False when
// the text does not begin with the magic token.
//
// Decided here: a CN outside 0..count-1 selects no entry, so the lines of its
// group are ignored until the next valid CN; a value longer than 255
// characters is ignored (a cut host or path would only fetch the wrong thing);
// a line end is CR LF or LF alone, and only a CR is taken off the value.
bool ParseLoaderConfig(const char* text, QuoteSource* table, int count);

// Splits "HOST" or "HOST:PORT". port is 80 without a port; false when the
// port is not a number in 1..65535 or the host is empty.
bool SplitHostPort(std::string_view spec, std::string& host, int& port);

// The vendor's web server (option inet_server): HOST or HOST:PORT.
std::string VendorServer();

class DlgSendStream : public WindowHandler {
 public:
  // Connection states; each change writes its status text.
  enum State { kIdle = 0, kWaitingForAddress = 1, kConnecting = 2, kConnected = 3 };
  // Socket events, numbered as the classic asynchronous socket API numbers them.
  enum SocketEvent { kEvRead = 0x01, kEvWrite = 0x02, kEvOob = 0x04, kEvConnect = 0x10, kEvClose = 0x20 };

  static constexpr int kHostSize = 256;
  static constexpr int kPortSize = 10;
  static constexpr int kRecvSize = 250000;
  static constexpr int kRecvKeep = 240000;     // appended only while the total stays below
  static constexpr int kRequestSize = 25000;
  static constexpr int kResultSize = 250000;
  static constexpr int kSources = 20;
  static constexpr int kReadChunk = 2500;
  static constexpr int kMinQuoteFile = 1000;   // shorter quote files are failures

  // parent: the window that owns the status window (may be null).
  explicit DlgSendStream(Dialog* parent, int resource = ids::DLG_STATUS);
  ~DlgSendStream() override;
  DlgSendStream(const DlgSendStream&) = delete;
  DlgSendStream& operator=(const DlgSendStream&) = delete;

  // Fetches http://host/path (host may be HOST:PORT); dst receives the body
  // (at most dstSize - 1 characters). True when a complete 2xx response with a
  // header/body separator arrived.
  bool GetURL(const char* host, const char* path, char* dst, int dstSize);
  // Loads the quote-source table from the vendor's server, once per instance.
  bool GetURLConfig();
  // Fetches the quote file of ticker from the named database and writes it to
  // outPath (through a temporary file, so a failure keeps the old file).
  bool GetTickerFile(const char* database, const char* ticker, const char* outPath);

  // One turn of the event pump (does not block).
  void Check_Events();
  // Ends the current connection unless the window is already going away.
  void CmStop();
  // Stops the current transfer for good: every waiting loop gives up and the
  // instance fetches nothing more. Safe from any handler the wait loop runs.
  void Abort();

  void CloseWindow();
  void CleanupWindow();
  void Destroy();

  // Event handlers, called by the poller.
  void DoSocketNotification(int event, int error);
  // error 0: addr (network byte order) is the host's first IPv4 address.
  void DoHostNotification(int error, uint32_t addr);

  // WindowHandler: the user closed the status window.
  void OnCloseRequest() override;

  int state() const { return state_; }
  bool quit() const { return quit_; }
  bool config_loaded() const { return config_loaded_; }
  const QuoteSource& source(int i) const { return sources_[i]; }
  const char* result() const { return result_; }
  Dialog& window() { return *win_; }

  // Give up a fetch after this long without any progress (platform clock).
  static void SetIdleTimeoutMs(uint64_t ms);
  static uint64_t IdleTimeoutMs();
  // Also write every status line (prefixed with the caption) to f; null stops.
  static void EchoStatusTo(std::FILE* f);

 private:
  struct Lookup;

  void SetState(int state);
  void ShowStatus(const char* text);
  void Error(const char* text, const char* caption);
  void CmConnect();
  void Connect();
  void CmBtnSend();
  void SendData();
  bool ReadData();          // false when nothing more can be read now
  void GoToIdleState();
  void CloseSocket();
  void Poll();              // the pump's poller
  bool WaitStep();          // one wait; false when the idle time-out has passed
  void TimedOut();
  void Touch();             // progress was made

  std::unique_ptr<Dialog> win_;
  int state_ = kIdle;
  char host_[kHostSize] = {};
  char connected_host_[kHostSize] = {};
  char port_[kPortSize] = {};
  char recv_[kRecvSize];
  int recv_len_ = 0;
  bool recv_dropped_ = false;     // data was lost at the receive limit
  bool transfer_error_ = false;   // a socket error cut the transfer
  char request_[kRequestSize];
  int request_len_ = 0;
  int request_sent_ = 0;
  char result_[kResultSize];
  QuoteSource sources_[kSources];
  bool config_loaded_ = false;
  bool quit_ = false;
  bool request_finished_ = true;
  int fd_ = -1;
  sockaddr_in peer_{};
  std::shared_ptr<Lookup> lookup_;
  int poller_ = 0;
  bool in_poll_ = false;
  uint64_t last_activity_ = 0;
};

}  // namespace kv
