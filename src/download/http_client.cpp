#include "download/http_client.h"

#include <cstring>
#include <strings.h>

#include "app/options.h"
#include "download/quote_file.h"
#include "download/quote_settings.h"
#include "platform/http_transfer.h"

namespace kv {

namespace {

constexpr const char* kConfigPath = "kestrivane/Loader.cnf";
constexpr const char* kDefaultServer = "quotes.kestrivane.example";
constexpr int kSliceMs = 10;          // one wait of the fetch loops
constexpr int kMaxRedirects = 5;

uint64_t g_idle_timeout_ms = 60000;
std::FILE* g_echo = nullptr;

const char* const kStateText[] = {
    "Status: Idle",
    "Status: Contacting Host...",
    "Status: Connecting...",
    "Status: Connected",
};

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

}  // namespace

// ---- addresses -----------------------------------------------------------------

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


// ---- DlgSendStream ------------------------------------------------------------------

namespace {

// "http://HOST/PATH" for a vendor host; a host written with its scheme keeps it.
std::string VendorUrl(const char* host, const char* path) {
  std::string h = host;
  if (h.rfind("http://", 0) != 0 && h.rfind("https://", 0) != 0) h = "http://" + h;
  while (!h.empty() && h.back() == '/') h.pop_back();
  return h + "/" + path;
}

// The host part of a URL, as the Host header names it.
std::string HostOf(const std::string& url) {
  size_t b = url.find("://");
  b = b == std::string::npos ? 0 : b + 3;
  size_t e = url.find_first_of("/?#", b);
  return url.substr(b, e == std::string::npos ? std::string::npos : e - b);
}

}  // namespace

void DlgSendStream::SetIdleTimeoutMs(uint64_t ms) { g_idle_timeout_ms = ms; }
uint64_t DlgSendStream::IdleTimeoutMs() { return g_idle_timeout_ms; }
void DlgSendStream::EchoStatusTo(std::FILE* f) { g_echo = f; }

DlgSendStream::DlgSendStream(Dialog* parent, int resource) : transfer_(std::make_unique<HttpTransfer>()) {
  result_[0] = 0;
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
  transfer_->Cancel();
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

void DlgSendStream::Check_Events() { plat().CheckEvents(); }

void DlgSendStream::GoToIdleState() {
  transfer_->Cancel();
  SetState(kIdle);
}

void DlgSendStream::CmStop() {
  if (quit_) return;
  if (state_ != kIdle) GoToIdleState();
}

void DlgSendStream::Abort() {
  quit_ = true;
  transfer_->Cancel();
  state_ = kIdle;
}

void DlgSendStream::Poll() {
  if (in_poll_ || !transfer_->running()) return;  // a message box shown by a handler may pump again
  in_poll_ = true;
  transfer_->Perform();
  if (transfer_->running()) {
    int want = state_;
    switch (transfer_->phase()) {
      case HttpTransfer::Phase::kResolving: want = kWaitingForAddress; break;
      case HttpTransfer::Phase::kConnecting: want = kConnecting; break;
      case HttpTransfer::Phase::kConnected: want = kConnected; break;
      case HttpTransfer::Phase::kIdle: break;
    }
    if (want != state_) {
      SetState(want);
      if (want == kConnected) ShowStatus("Status: Waiting for Data");
    }
    uint64_t got = transfer_->received();
    if (got != shown_bytes_) {
      shown_bytes_ = got;
      char text[64];
      std::snprintf(text, sizeof text, "Status: Reading Data %llu bytes", static_cast<unsigned long long>(got));
      ShowStatus(text);
    }
  }
  in_poll_ = false;
}

bool DlgSendStream::Fetch(const std::string& url, bool vendor_headers, const Sink& sink) {
  reason_.clear();
  if (quit_) {
    reason_ = "stopped";
    return false;
  }
  const QuoteSettings settings = CurrentQuoteSettings();
  HttpRequest req;
  req.url = url;
  req.max_redirects = kMaxRedirects;
  req.cacert = settings.cacert;
  if (theOptions && theOptions->iGetOption("use_proxy") > 0)
    req.proxy = std::string(theOptions->cGetOption("proxy_name")) + ":" +
                std::to_string(theOptions->iGetOption("proxy_port"));
  if (vendor_headers) {
    // What the vendor's servers have always been asked with.
    req.http10 = true;
    req.headers = {"Proxy-Connection: Keep-Alive",
                   "User-Agent: Mozilla/4.03 [en] (Win95; I)",
                   "Host: " + HostOf(url),
                   "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*",
                   "Accept-Language: en",
                   "Accept-Charset: iso-8859-1,*,utf-8"};
  } else {
    req.headers = {"User-Agent: Kestrivane/2.4", "Accept: text/csv, text/plain, */*"};
  }

  if (state_ != kIdle) GoToIdleState();  // one connection serves one request
  shown_bytes_ = 0;
  std::string start_error;
  if (!transfer_->Start(req, sink, &start_error)) {
    reason_ = start_error;
    return false;
  }
  SetState(kWaitingForAddress);

  Clock& clock = plat().clock();
  const uint64_t started = clock.TickMs();
  const uint64_t deadline_ms = static_cast<uint64_t>(settings.timeout_s) * 1000;
  uint64_t last_data = started;
  uint64_t last_bytes = 0;
  while (transfer_->running()) {
    transfer_->Wait(kSliceMs);
    Poll();
    plat().CheckEvents();
    if (quit_) {
      transfer_->Cancel();
      state_ = kIdle;
      reason_ = "stopped";
      return false;
    }
    if (!transfer_->running()) break;
    const uint64_t now = clock.TickMs();
    if (transfer_->received() != last_bytes) {
      last_bytes = transfer_->received();
      last_data = now;
    }
    // Each byte restarts the idle timer, so a server that trickles is
    // stopped by the overall deadline.
    if (now - started >= deadline_ms) {
      GoToIdleState();
      reason_ = "timeout after " + std::to_string(settings.timeout_s) + " s";
      return false;
    }
    if (now - last_data >= g_idle_timeout_ms) {
      GoToIdleState();
      const int secs = static_cast<int>(g_idle_timeout_ms / 1000);
      reason_ = "no data for " + std::to_string(secs) + " s";
      char text[128];
      std::snprintf(text, sizeof text, "No answer from the Internet Server for %d seconds.", secs);
      Error(text, "Error");
      return false;
    }
  }
  SetState(kIdle);

  switch (transfer_->failure()) {
    case HttpTransfer::Failure::kNone: return true;
    case HttpTransfer::Failure::kResolve:
      reason_ = transfer_->error();
      Error("Error Connecting to Internet Server.", "Error");
      return false;
    case HttpTransfer::Failure::kConnect:
      reason_ = transfer_->error();
      Error("Error Connecting to Host.", "");
      return false;
    case HttpTransfer::Failure::kCertificate: reason_ = "certificate: " + transfer_->error(); return false;
    case HttpTransfer::Failure::kTls: reason_ = "secure connection: " + transfer_->error(); return false;
    case HttpTransfer::Failure::kStatusLine: reason_ = "malformed status line"; return false;
    case HttpTransfer::Failure::kStatus: reason_ = "HTTP " + std::to_string(transfer_->status()); return false;
    case HttpTransfer::Failure::kShort: reason_ = "answer cut short"; return false;
    case HttpTransfer::Failure::kRedirects:
      reason_ = "more than " + std::to_string(kMaxRedirects) + " redirects";
      return false;
    case HttpTransfer::Failure::kStopped:
      // The sink said why, or leaves reason_ to its caller.
      return false;
    case HttpTransfer::Failure::kOther: reason_ = transfer_->error(); return false;
  }
  return false;
}

bool DlgSendStream::GetURL(const char* host, const char* path, char* dst, int dstSize) {
  if (dst && dstSize > 0) dst[0] = 0;
  if (!host || !path || !dst || dstSize <= 0) return false;
  std::string body;
  bool nul = false;
  const size_t keep = static_cast<size_t>(dstSize - 1);
  Sink sink = [&](const char* data, size_t n) {
    if (std::memchr(data, 0, n)) {
      nul = true;
      return false;
    }
    // Only what fits is kept; the rest is read and let go.
    if (body.size() < keep) body.append(data, std::min(n, keep - body.size()));
    return true;
  };
  if (!Fetch(VendorUrl(host, path), true, sink)) {
    if (nul) reason_ = "NUL byte in the answer";
    return false;
  }
  if (body.empty()) {
    reason_ = "empty answer";
    return false;
  }
  std::memcpy(dst, body.data(), body.size());
  dst[body.size()] = 0;
  return true;
}

bool DlgSendStream::GetURLConfig() {
  if (config_loaded_) return true;
  win_->SetCaption("Loading Configuration");
  for (QuoteSource& q : sources_) q.Clear();
  result_[0] = 0;
  std::string server = VendorServer();
  if (!GetURL(server.c_str(), kConfigPath, result_, kResultSize)) return false;
  if (!ParseLoaderConfig(result_, sources_, kSources, &reason_)) return false;
  config_loaded_ = true;
  return true;
}

bool DlgSendStream::FetchQuoteFile(const std::string& url, bool vendor, const char* outPath) {
  // The vendor's files have their CRs written as spaces, as they always had.
  QuoteFileWriter w(outPath, vendor);
  if (!w.Open()) {
    reason_ = w.error();
    return false;
  }
  if (!Fetch(url, vendor, [&w](const char* d, size_t n) { return w.Write(d, n); })) {
    if (!w.error().empty()) reason_ = w.error();
    return false;
  }
  if (!w.Commit()) {
    reason_ = w.error();
    return false;
  }
  return true;
}

bool DlgSendStream::GetTickerFile(const char* database, const char* ticker, const char* outPath) {
  if (!GetURLConfig()) return false;
  reason_.clear();
  if (!database || !ticker || !outPath || !*database || !*ticker) return false;
  win_->SetCaption(ticker);
  int found = -1;
  for (int i = 0; i < kSources; ++i)  // the last entry of that name wins
    if (sources_[i].name[0] && strcasecmp(sources_[i].name, database) == 0) found = i;
  if (found < 0) {
    reason_ = std::string("no quote database named \"") + database + "\"";
    return false;
  }
  const QuoteSource& q = sources_[found];
  std::string path = std::string(q.prefix) + EncodeSymbol(ticker) + q.suffix;
  return FetchQuoteFile(VendorUrl(q.host, path.c_str()), true, outPath);
}

bool DlgSendStream::GetTemplateFile(const std::string& url_template, const char* ticker, const char* outPath) {
  reason_.clear();
  if (!ticker || !outPath || !*ticker) return false;
  win_->SetCaption(ticker);
  return FetchQuoteFile(ExpandQuoteUrl(url_template, ticker), false, outPath);
}

}  // namespace kv
