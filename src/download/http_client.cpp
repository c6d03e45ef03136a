#include "download/http_client.h"

#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "app/options.h"
#include "util/atomic_file.h"
#include "util/text.h"

namespace kv {

namespace {

constexpr const char* kConfigPath = "kestrivane/Loader.cnf";
constexpr const char* kDefaultServer = "quotes.kestrivane.example";
constexpr int kSliceMs = 10;          // one wait of the fetch loops
constexpr int kReadsPerPump = 64;     // chunks read per turn of the pump

uint64_t g_idle_timeout_ms = 60000;
std::FILE* g_echo = nullptr;

const char* const kStateText[] = {
    "Status: Idle",
    "Status: Contacting Host...",
    "Status: Connecting...",
    "Status: Connected",
};

// Copies src (n characters) into a fixed field; false when it does not fit.
bool copy_field(char* dst, size_t size, const char* src, size_t n) {
  if (n >= size) return false;
  std::memcpy(dst, src, n);
  dst[n] = 0;
  return true;
}

bool key_is(const char* key, size_t n, const char* name) {
  return std::strlen(name) == n && strncasecmp(key, name, n) == 0;
}

// A ticker symbol goes into the request path: characters that would break
// the request line or change the path's meaning are percent-encoded.
std::string EncodeSymbol(const char* s) {
  static const char* kKeep = "-._~=+&$!*'(),;:@";
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
    if ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') ||
        std::strchr(kKeep, *p)) {
      out += static_cast<char>(*p);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", *p);
      out += buf;
    }
  }
  return out;
}

// The status code of "HTTP/x.y NNN ...", or 0 when the text has no status line.
int StatusCode(const char* text, int n) {
  if (n < 12 || std::strncmp(text, "HTTP/", 5) != 0) return 0;
  const char* sp = static_cast<const char*>(std::memchr(text, ' ', static_cast<size_t>(n)));
  if (!sp || sp + 4 > text + n) return 0;
  int code = 0;
  for (int i = 1; i <= 3; ++i) {
    if (sp[i] < '0' || sp[i] > '9') return 0;
    code = code * 10 + (sp[i] - '0');
  }
  return code;
}

// The value of a Content-Length header within the header block, or -1.
long ContentLength(const char* text, size_t header_len) {
  static const char kName[] = "content-length:";
  const size_t kn = sizeof kName - 1;
  const char* line = text;
  const char* end = text + header_len;
  while (line < end) {
    const char* nl = static_cast<const char*>(std::memchr(line, '\n', static_cast<size_t>(end - line)));
    const char* le = nl ? nl : end;
    if (static_cast<size_t>(le - line) > kn && strncasecmp(line, kName, kn) == 0) {
      std::string_view v(line + kn, static_cast<size_t>(le - line) - kn);
      size_t i = v.find_first_not_of(" \t");
      if (i == std::string_view::npos || v[i] < '0' || v[i] > '9') return -1;
      return static_cast<long>(LeadingInt(v.substr(i)));
    }
    if (!nl) break;
    line = nl + 1;
  }
  return -1;
}

}  // namespace

// ---- configuration -----------------------------------------------------------

bool ParseLoaderConfig(const char* text, QuoteSource* table, int count) {
  if (!text) return false;
  const char* colon = std::strchr(text, ':');
  if (!colon || colon - text < 3 || strncasecmp(text, "KVL", 3) != 0) return false;
  const char* p = std::strchr(colon + 1, '\n');
  if (!p) return true;  // nothing follows the first line
  ++p;

  int entry = 0;  // lines before the first CN fill entry 0
  while (*p) {
    colon = std::strchr(p, ':');
    if (!colon) break;
    const char* key = p;
    size_t key_len = static_cast<size_t>(colon - p);
    const char* value = colon + 1;
    if (!*value) break;
    const char* nl = std::strchr(value, '\n');
    const char* end = nl ? nl : value + std::strlen(value);
    p = nl ? nl + 1 : end;
    size_t n = static_cast<size_t>(end - value);
    if (n > 0 && value[n - 1] == '\r') --n;

    // A line without a colon has run into this key, which then matches nothing.
    if (key_is(key, key_len, "CN")) {
      std::string_view v(value, n);
      size_t i = v.find_first_not_of(" \t");
      bool number = i != std::string_view::npos &&
                    ((v[i] >= '0' && v[i] <= '9') ||
                     ((v[i] == '-' || v[i] == '+') && i + 1 < n && v[i + 1] >= '0' && v[i + 1] <= '9'));
      long long cn = number ? LeadingInt(v) : -1;
      entry = (cn >= 0 && cn < count) ? static_cast<int>(cn) : -1;
      continue;
    }
    if (entry < 0) continue;
    QuoteSource& q = table[entry];
    char* field = nullptr;
    if (key_is(key, key_len, "CNAME")) field = q.name;
    else if (key_is(key, key_len, "CURL")) field = q.host;
    else if (key_is(key, key_len, "CRPRE")) field = q.prefix;
    else if (key_is(key, key_len, "CRPOST")) field = q.suffix;
    // CUSER, CPWD and CHL belong to a group too but carry nothing we use;
    // every other key is ignored as well.
    if (field) copy_field(field, QuoteSource::kFieldMax + 1, value, n);
  }
  return true;
}

bool SplitHostPort(std::string_view spec, std::string& host, int& port) {
  port = 80;
  size_t colon = spec.rfind(':');
  if (colon == std::string_view::npos) {
    host = std::string(spec);
    return !host.empty();
  }
  std::string_view digits = spec.substr(colon + 1);
  if (digits.empty() || digits.size() > 5) return false;
  long p = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    p = p * 10 + (c - '0');
  }
  if (p < 1 || p > 65535) return false;
  host = std::string(spec.substr(0, colon));
  port = static_cast<int>(p);
  return !host.empty();
}

std::string VendorServer() {
  const char* s = theOptions ? theOptions->cGetOption("inet_server") : "";
  return (s && *s) ? s : kDefaultServer;
}

// ---- host-name lookup ----------------------------------------------------------

// The lookup runs on a helper thread; the pump polls `done`. The record is
// shared, so a client that goes away first leaves the thread a valid record.
struct DlgSendStream::Lookup {
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  int error = 0;
  uint32_t addr = 0;

  bool IsDone() {
    std::lock_guard<std::mutex> lock(m);
    return done;
  }
  bool WaitFor(int ms) {
    std::unique_lock<std::mutex> lock(m);
    return cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done; });
  }
  static void Run(std::shared_ptr<Lookup> job, std::string host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    int err = ::getaddrinfo(host.c_str(), nullptr, &hints, &res);
    uint32_t addr = 0;
    if (err == 0) {
      if (res && res->ai_addr && res->ai_family == AF_INET)
        addr = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr.s_addr;
      else
        err = EAI_NONAME;
    }
    if (res) ::freeaddrinfo(res);
    {
      std::lock_guard<std::mutex> lock(job->m);
      job->error = err;
      job->addr = addr;
      job->done = true;
    }
    job->cv.notify_all();
  }
};

// ---- DlgSendStream ------------------------------------------------------------------

void DlgSendStream::SetIdleTimeoutMs(uint64_t ms) { g_idle_timeout_ms = ms; }
uint64_t DlgSendStream::IdleTimeoutMs() { return g_idle_timeout_ms; }
void DlgSendStream::EchoStatusTo(std::FILE* f) { g_echo = f; }

DlgSendStream::DlgSendStream(Dialog* parent, int resource) {
  recv_[0] = request_[0] = result_[0] = 0;
  std::snprintf(port_, sizeof port_, "80");
  win_ = plat().CreateDialog(resource, parent);
  win_->SetHandler(this);
  win_->SetCaption("Status");
  win_->SetTextLimit(ids::IDC_HTTP_STATUS, 255);
  SetState(kIdle);
  poller_ = plat().AddPoller([this] { Poll(); });
}

DlgSendStream::~DlgSendStream() {
  quit_ = true;
  plat().RemovePoller(poller_);
  CloseSocket();
  lookup_.reset();
  if (win_ && win_->Handler() == this) win_->SetHandler(nullptr);
}

void DlgSendStream::CloseWindow() {
  quit_ = true;
  if (win_) win_->EndDialog(IDCANCEL);
}
void DlgSendStream::CleanupWindow() { quit_ = true; }
void DlgSendStream::Destroy() {
  quit_ = true;
  if (win_) win_->EndDialog(IDCANCEL);
}

void DlgSendStream::OnCloseRequest() { CloseWindow(); }

void DlgSendStream::SetState(int state) {
  state_ = state;
  ShowStatus(kStateText[state]);
}

void DlgSendStream::ShowStatus(const char* text) {
  win_->SetText(ids::IDC_HTTP_STATUS, text);
  if (!g_echo) return;
  // "Reading Data" comes once per chunk: only the latest count is worth a line.
  static std::string pending;
  bool reading = std::strncmp(text, "Status: Reading Data", 20) == 0;
  std::string line = win_->Caption() + ": " + text;
  if (reading) {
    pending = line;
    return;
  }
  if (!pending.empty()) {
    std::fprintf(g_echo, "%s\n", pending.c_str());
    pending.clear();
  }
  std::fprintf(g_echo, "%s\n", line.c_str());
  std::fflush(g_echo);
}

void DlgSendStream::Error(const char* text, const char* caption) {
  plat().MessageBox(text, caption, MB_OK | MB_ICONEXCLAMATION);
}

void DlgSendStream::Touch() { last_activity_ = plat().clock().TickMs(); }

void DlgSendStream::Check_Events() { plat().CheckEvents(); }

void DlgSendStream::CloseSocket() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void DlgSendStream::GoToIdleState() {
  request_finished_ = true;
  lookup_.reset();
  SetState(kIdle);
  CloseSocket();
}

void DlgSendStream::CmStop() {
  if (quit_) return;
  if (state_ != kIdle) GoToIdleState();
}

void DlgSendStream::Abort() {
  quit_ = true;
  lookup_.reset();
  CloseSocket();
  state_ = kIdle;
  request_finished_ = true;
}

void DlgSendStream::CmConnect() {
  SetState(kWaitingForAddress);
  Touch();
  int port = std::atoi(port_);
  if (port < 1 || port > 65535) {
    Error("Error Connecting to the Internet.", "Error");
    GoToIdleState();
    return;
  }
  peer_ = sockaddr_in{};
  peer_.sin_family = AF_INET;
  peer_.sin_port = htons(static_cast<uint16_t>(port));
  in_addr a{};
  if (::inet_pton(AF_INET, host_, &a) == 1) {
    peer_.sin_addr = a;
    SetState(kConnecting);
    Connect();
    return;
  }
  if (!host_[0]) {
    Error("Unable to convert the host name to an address.", "Error");
    GoToIdleState();
    return;
  }
  try {
    auto job = std::make_shared<Lookup>();
    std::thread(Lookup::Run, job, std::string(host_)).detach();
    lookup_ = std::move(job);
  } catch (const std::system_error&) {
    Error("Unable to convert the host name to an address.", "Error");
    GoToIdleState();
  }
}

void DlgSendStream::DoHostNotification(int error, uint32_t addr) {
  if (state_ != kWaitingForAddress) return;
  if (error) {
    Error("Error Connecting to Internet Server.", "Error");
    GoToIdleState();
    return;
  }
  peer_.sin_addr.s_addr = addr;
  SetState(kConnecting);
  Touch();
  Connect();
}

void DlgSendStream::Connect() {
  CloseSocket();
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd_ < 0) {
    Error("Error Connecting to the Internet.", "Error");
    GoToIdleState();
    return;
  }
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&peer_), sizeof peer_) == 0 || errno == EINPROGRESS)
    return;  // completion is reported by the poller
  int err = errno;
  // A peer that refuses at once is reported like a refusal that arrives later.
  if (err == ECONNREFUSED || err == ENETUNREACH || err == EHOSTUNREACH || err == ETIMEDOUT) {
    DoSocketNotification(kEvConnect, err);
    return;
  }
  Error("Error Connecting to the Internet.", "Error");
  GoToIdleState();
}

void DlgSendStream::DoSocketNotification(int event, int error) {
  switch (event) {
    case kEvWrite:
      if (request_finished_) break;
      if (error) {
        Error("Error sending Request", "");
        transfer_error_ = true;
        request_finished_ = true;
      } else {
        SendData();
      }
      break;
    case kEvRead:
      if (error) {
        Error("Error  receiving data", "");
        transfer_error_ = true;
      } else {
        ReadData();
      }
      break;
    case kEvConnect:
      if (state_ != kConnecting) break;
      if (error) {
        Error("Error Connecting to Host.", "");
        GoToIdleState();
      } else {
        SetState(kConnected);
        std::memcpy(connected_host_, host_, sizeof host_);
        Touch();
      }
      break;
    case kEvClose:
      if (error) {
        Error("Error closing Connection.", "");
        transfer_error_ = true;
      }
      GoToIdleState();
      break;
    default:
      break;
  }
}

void DlgSendStream::SendData() {
  if (fd_ < 0) return;
  if (request_sent_ >= request_len_) {
    request_finished_ = true;
    return;
  }
  ssize_t n = ::send(fd_, request_ + request_sent_, static_cast<size_t>(request_len_ - request_sent_),
                     MSG_NOSIGNAL);
  if (n >= 0) {
    request_sent_ += static_cast<int>(n);
    if (request_sent_ >= request_len_) request_finished_ = true;
    Touch();
    return;
  }
  // "Would block" is no error: the rest goes out at the next write-ready.
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
  Error("Error trying to send data.", "");
  request_finished_ = true;
  transfer_error_ = true;
}

bool DlgSendStream::ReadData() {
  if (fd_ < 0) return false;
  char chunk[kReadChunk];
  ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
  if (n > 0) {
    Touch();
    if (recv_len_ + n < kRecvKeep) {
      std::memcpy(recv_ + recv_len_, chunk, static_cast<size_t>(n));
      recv_len_ += static_cast<int>(n);
      recv_[recv_len_] = 0;
    } else {
      recv_dropped_ = true;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Status: Reading Data %d bytes", recv_len_);
    ShowStatus(text);
    return true;
  }
  if (n == 0) {  // the server has closed the connection
    DoSocketNotification(kEvClose, 0);
    return false;
  }
  int err = errno;
  if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR) return false;
  if (err == ECONNRESET || err == EPIPE) {
    DoSocketNotification(kEvClose, err);
    return false;
  }
  Error("Error trying to read data.", "");
  transfer_error_ = true;
  GoToIdleState();
  return false;
}

void DlgSendStream::Poll() {
  if (in_poll_) return;  // a message box shown by a handler may pump again
  in_poll_ = true;
  if (lookup_ && lookup_->IsDone()) {
    std::shared_ptr<Lookup> job = std::move(lookup_);
    DoHostNotification(job->error, job->addr);
  }
  if (fd_ >= 0 && (state_ == kConnecting || state_ == kConnected)) {
    pollfd p{fd_, 0, 0};
    p.events = state_ == kConnecting ? POLLOUT : static_cast<short>(POLLIN | (request_finished_ ? 0 : POLLOUT));
    if (::poll(&p, 1, 0) > 0) {
      if (state_ == kConnecting) {
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
        DoSocketNotification(kEvConnect, err);
      } else {
        if ((p.revents & POLLOUT) && !request_finished_) DoSocketNotification(kEvWrite, 0);
        if (p.revents & (POLLIN | POLLERR | POLLHUP)) {
          for (int i = 0; i < kReadsPerPump && state_ == kConnected && fd_ >= 0; ++i)
            if (!ReadData()) break;
        }
      }
    }
  }
  in_poll_ = false;
}

bool DlgSendStream::WaitStep() {
  // Sleep briefly until the socket or the lookup may have news, then let the
  // pump run (it dispatches them, and serves every other window).
  bool ready = false;
  if (fd_ >= 0 && (state_ == kConnecting || state_ == kConnected)) {
    pollfd p{fd_, 0, 0};
    p.events = state_ == kConnecting ? POLLOUT : static_cast<short>(POLLIN | (request_finished_ ? 0 : POLLOUT));
    ready = ::poll(&p, 1, kSliceMs) > 0;
  } else if (lookup_) {
    ready = lookup_->WaitFor(kSliceMs);
  }
  if (ready) plat().CheckEvents();
  else plat().WaitEvents(kSliceMs);
  if (quit_ || state_ == kIdle) return true;
  return plat().clock().TickMs() - last_activity_ < g_idle_timeout_ms;
}

void DlgSendStream::TimedOut() {
  GoToIdleState();
  char text[128];
  std::snprintf(text, sizeof text, "No answer from the Internet Server for %d seconds.",
                static_cast<int>(g_idle_timeout_ms / 1000));
  Error(text, "Error");
}

void DlgSendStream::CmBtnSend() {
  if (state_ != kConnected) {
    Error("This socket is not connected", "");
    GoToIdleState();
    return;
  }
  if (request_[0]) {
    request_finished_ = false;
    request_sent_ = 0;
    SendData();
  }
}

bool DlgSendStream::GetURL(const char* host, const char* path, char* dst, int dstSize) {
  bool use_proxy = theOptions && theOptions->iGetOption("use_proxy") > 0;
  if (dst && dstSize > 0) dst[0] = 0;
  if (quit_) return false;
  recv_len_ = 0;
  recv_[0] = 0;
  recv_dropped_ = false;
  transfer_error_ = false;
  if (!host || !path || !dst || dstSize <= 0) return false;

  std::string target;
  int port = 80;
  if (use_proxy) {
    target = theOptions->cGetOption("proxy_name");
    port = theOptions->iGetOption("proxy_port");
  } else if (!SplitHostPort(host, target, port)) {
    // Not HOST:PORT after all: let the lookup judge the whole text.
    target = host;
    port = 80;
  }
  if (state_ != kIdle) GoToIdleState();  // one connection serves one request
  if (target.size() >= sizeof host_) {
    Error("Unable to convert the host name to an address.", "Error");
    return false;
  }
  std::snprintf(host_, sizeof host_, "%s", target.c_str());
  std::snprintf(port_, sizeof port_, "%d", port);

  CmConnect();
  for (;;) {
    if (state_ == kIdle || quit_) return false;
    if (state_ == kConnected) break;
    if (!WaitStep()) {
      TimedOut();
      return false;
    }
  }

  int n = use_proxy
              ? std::snprintf(request_, sizeof request_,
                              "GET http://%s/%s HTTP/1.0\r\nProxy-Connection: Keep-Alive\r\nUser-Agent: "
                              "Mozilla/4.03 [en] (Win95; I)\r\nHost: %s\r\nAccept: image/gif, "
                              "image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\nAccept-Language: "
                              "en\r\nAccept-Charset: iso-8859-1,*,utf-8\r\n\r\n",
                              host, path, host)
              : std::snprintf(request_, sizeof request_,
                              "GET /%s HTTP/1.0\r\nProxy-Connection: Keep-Alive\r\nUser-Agent: "
                              "Mozilla/4.03 [en] (Win95; I)\r\nHost: %s\r\nAccept: image/gif, "
                              "image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\nAccept-Language: "
                              "en\r\nAccept-Charset: iso-8859-1,*,utf-8\r\n\r\n",
                              path, host);
  if (n < 0 || n >= static_cast<int>(sizeof request_)) {  // a cut request would ask for something else
    GoToIdleState();
    return false;
  }
  request_len_ = n;
  CmBtnSend();

  ShowStatus("Status: Waiting for Data");
  Touch();
  for (;;) {
    if (quit_) return false;
    if (state_ == kIdle) break;
    if (!WaitStep()) {
      TimedOut();
      return false;
    }
  }
  // A transfer cut by an error, or data lost at the receive limit, is no document.
  if (transfer_error_ || recv_dropped_) return false;

  int len = static_cast<int>(strnlen(recv_, static_cast<size_t>(recv_len_)));
  if (len > dstSize - 1) len = dstSize - 1;
  std::string_view text(recv_, static_cast<size_t>(len));
  size_t body = text.find("\r\n\r\n");
  if (body != std::string_view::npos) body += 4;
  else if ((body = text.find("\n\n")) != std::string_view::npos) body += 2;
  else return false;

  // An error page is not the document asked for, and a body shorter than the
  // length the server announced was cut on the way.
  int code = StatusCode(recv_, len);
  if (code != 0 && (code < 200 || code > 299)) return false;
  long announced = ContentLength(recv_, body);
  if (announced >= 0 && static_cast<long>(strnlen(recv_, static_cast<size_t>(recv_len_)) - body) < announced)
    return false;

  std::string_view out = text.size() - body > 10 ? text.substr(body) : text;
  std::memcpy(dst, out.data(), out.size());
  dst[out.size()] = 0;
  return true;
}

bool DlgSendStream::GetURLConfig() {
  if (config_loaded_) return true;
  win_->SetCaption("Loading Configuration");
  for (QuoteSource& q : sources_) q.Clear();
  result_[0] = 0;
  std::string server = VendorServer();
  if (!GetURL(server.c_str(), kConfigPath, result_, kResultSize)) return false;
  if (!ParseLoaderConfig(result_, sources_, kSources)) return false;
  config_loaded_ = true;
  return true;
}

bool DlgSendStream::GetTickerFile(const char* database, const char* ticker, const char* outPath) {
  if (!GetURLConfig()) return false;
  if (!database || !ticker || !outPath || !*database || !*ticker) return false;
  win_->SetCaption(ticker);
  int found = -1;
  for (int i = 0; i < kSources; ++i)  // the last entry of that name wins
    if (sources_[i].name[0] && strcasecmp(sources_[i].name, database) == 0) found = i;
  if (found < 0) return false;
  const QuoteSource& q = sources_[found];
  std::string path = std::string(q.prefix) + EncodeSymbol(ticker) + q.suffix;
  if (!GetURL(q.host, path.c_str(), result_, kResultSize)) return false;
  size_t len = std::strlen(result_);
  if (len < static_cast<size_t>(kMinQuoteFile)) return false;
  for (size_t i = 0; i < len; ++i)
    if (result_[i] == '\r') result_[i] = ' ';
  return WriteFileAtomic(outPath, std::string_view(result_, len));
}

}  // namespace kv
