#include "platform/http_transfer.h"

#include <cstring>
#include <string_view>

#include "platform/curl_library.h"

namespace kv {

bool ParseStatusLine(std::string_view line, int* code) {
  // HTTP/D[.D] SP DDD [SP reason] line end: anything else is not an answer we
  // can judge (a lower-case protocol, two blanks, a blank line first).
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.substr(0, 5) != "HTTP/") return false;
  size_t i = 5;
  auto digit = [&](size_t at) { return at < line.size() && line[at] >= '0' && line[at] <= '9'; };
  if (!digit(i)) return false;
  ++i;
  if (i < line.size() && line[i] == '.') {
    if (!digit(i + 1)) return false;
    i += 2;
  }
  if (i >= line.size() || line[i] != ' ') return false;
  ++i;
  if (!digit(i) || !digit(i + 1) || !digit(i + 2)) return false;
  int c = (line[i] - '0') * 100 + (line[i + 1] - '0') * 10 + (line[i + 2] - '0');
  i += 3;
  if (i < line.size() && line[i] != ' ') return false;
  if (code) *code = c;
  return true;
}

struct HttpTransfer::Impl {
  // libcurl and the multi handle, from the first Start on.
  const CurlLibrary* curl = nullptr;
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  Sink sink;
  bool running = false;
  bool expect_status = true;   // the next header line opens an answer
  bool status_ok = false;
  int status = 0;
  uint64_t received = 0;
  Failure failure = Failure::kNone;
  std::string error;
  char errbuf[CURL_ERROR_SIZE] = {};

  ~Impl() {
    Release();
    if (multi) curl->multi_cleanup(multi);
  }

  void Release() {
    if (easy) {
      curl->multi_remove_handle(multi, easy);
      curl->easy_cleanup(easy);
      easy = nullptr;
    }
    if (headers) curl->slist_free_all(headers);
    headers = nullptr;
    running = false;
  }

  static size_t OnHeader(char* data, size_t size, size_t n, void* p) {
    Impl& t = *static_cast<Impl*>(p);
    std::string_view line(data, size * n);
    t.received += line.size();
    if (t.expect_status) {
      t.expect_status = false;
      t.status = 0;
      t.status_ok = ParseStatusLine(line, &t.status);
    } else if (line == "\r\n" || line == "\n") {
      t.expect_status = true;  // a redirect or an interim answer: another follows
    }
    return line.size();
  }

  static size_t OnBody(char* data, size_t size, size_t n, void* p) {
    Impl& t = *static_cast<Impl*>(p);
    size_t len = size * n;
    t.received += len;
    // An error page or a garbled answer is not the document asked for.
    if (!t.status_ok) {
      t.failure = Failure::kStatusLine;
      return 0;
    }
    if (t.status < 200 || t.status > 299) {
      t.failure = Failure::kStatus;
      return 0;
    }
    if (len && t.sink && !t.sink(data, len)) {
      t.failure = Failure::kStopped;
      return 0;
    }
    return len;
  }

  void Finish(CURLcode rc) {
    if (rc == CURLE_OK) {
      if (!status_ok) failure = Failure::kStatusLine;
      else if (status < 200 || status > 299) failure = Failure::kStatus;
    } else if (failure == Failure::kNone) {
      switch (rc) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY: failure = Failure::kResolve; break;
        case CURLE_COULDNT_CONNECT: failure = Failure::kConnect; break;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR: failure = Failure::kCertificate; break;
        case CURLE_SSL_CONNECT_ERROR: failure = Failure::kTls; break;
        case CURLE_WEIRD_SERVER_REPLY: failure = Failure::kStatusLine; break;
        case CURLE_UNSUPPORTED_PROTOCOL:
          // An answer without a status line is taken for HTTP/0.9.
          failure = std::strstr(errbuf, "HTTP/0.9") ? Failure::kStatusLine : Failure::kOther;
          break;
        case CURLE_PARTIAL_FILE: failure = Failure::kShort; break;
        case CURLE_TOO_MANY_REDIRECTS: failure = Failure::kRedirects; break;
        default: failure = Failure::kOther; break;
      }
    }
    if (failure != Failure::kNone && error.empty())
      error = errbuf[0] ? errbuf : curl->easy_strerror(rc);
    Release();
  }
};

HttpTransfer::HttpTransfer() : impl_(std::make_unique<Impl>()) {}
HttpTransfer::~HttpTransfer() = default;

bool HttpTransfer::Start(const HttpRequest& r, Sink sink, std::string* error) {
  Impl& t = *impl_;
  t.Release();
  t.sink = std::move(sink);
  t.expect_status = true;
  t.status_ok = false;
  t.status = 0;
  t.received = 0;
  t.failure = Failure::kNone;
  t.error.clear();
  t.errbuf[0] = 0;
  auto fail = [&](const char* what) {
    t.Release();
    if (error) *error = what;
    return false;
  };
  if (!t.curl) {
    std::string why;
    t.curl = Curl(&why);
    if (!t.curl) return fail(why.c_str());
  }
  const CurlLibrary& c = *t.curl;
  if (!t.multi) t.multi = c.multi_init();
  if (!t.multi) return fail("the HTTP library could not be started");
  t.easy = c.easy_init();
  if (!t.easy) return fail("the HTTP library could not be started");
  CURL* e = t.easy;
  for (const std::string& h : r.headers) {
    curl_slist* n = c.slist_append(t.headers, h.c_str());
    if (!n) return fail("out of memory");
    t.headers = n;
  }
  bool ok = c.easy_setopt(e, CURLOPT_URL, r.url.c_str()) == CURLE_OK;
  // Only the web's own schemes, also after a redirect.
  ok &= c.easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
  ok &= c.easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
  if (!ok) return fail(("not a web address: " + r.url).c_str());
  c.easy_setopt(e, CURLOPT_ERRORBUFFER, t.errbuf);
  c.easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  c.easy_setopt(e, CURLOPT_HTTP_VERSION,
                   r.http10 ? static_cast<long>(CURL_HTTP_VERSION_1_0) : static_cast<long>(CURL_HTTP_VERSION_1_1));
  c.easy_setopt(e, CURLOPT_FOLLOWLOCATION, r.max_redirects > 0 ? 1L : 0L);
  c.easy_setopt(e, CURLOPT_MAXREDIRS, r.max_redirects);
  // One connection per transfer, closed when it ends: a server that keeps it
  // open has nothing to keep it for.
  c.easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
  c.easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
  // An empty proxy also keeps the library from reading http_proxy and friends.
  c.easy_setopt(e, CURLOPT_PROXY, r.proxy.c_str());
  c.easy_setopt(e, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
  c.easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  if (!r.cacert.empty()) c.easy_setopt(e, CURLOPT_CAINFO, r.cacert.c_str());
  if (t.headers) c.easy_setopt(e, CURLOPT_HTTPHEADER, t.headers);
  c.easy_setopt(e, CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
  c.easy_setopt(e, CURLOPT_HEADERDATA, &t);
  c.easy_setopt(e, CURLOPT_WRITEFUNCTION, &Impl::OnBody);
  c.easy_setopt(e, CURLOPT_WRITEDATA, &t);
  if (c.multi_add_handle(t.multi, e) != CURLM_OK) return fail("the HTTP library could not be started");
  t.running = true;
  return true;
}

bool HttpTransfer::Perform() {
  Impl& t = *impl_;
  if (!t.running) return true;
  int still = 0;
  t.curl->multi_perform(t.multi, &still);
  int left = 0;
  while (CURLMsg* m = t.curl->multi_info_read(t.multi, &left)) {
    if (m->msg == CURLMSG_DONE && m->easy_handle == t.easy) {
      t.Finish(m->data.result);
      return true;
    }
  }
  return !t.running;
}

void HttpTransfer::Wait(int ms) {
  Impl& t = *impl_;
  if (!t.running) return;
  int n = 0;
  t.curl->multi_poll(t.multi, nullptr, 0, ms, &n);
}

void HttpTransfer::Cancel() {
  Impl& t = *impl_;
  if (!t.running) return;
  t.failure = Failure::kStopped;
  t.error = "stopped";
  t.Release();
}

HttpTransfer::Phase HttpTransfer::phase() const {
  const Impl& t = *impl_;
  if (!t.running) return Phase::kIdle;
  curl_off_t lookup = 0, connect = 0;
  t.curl->easy_getinfo(t.easy, CURLINFO_NAMELOOKUP_TIME_T, &lookup);
  t.curl->easy_getinfo(t.easy, CURLINFO_CONNECT_TIME_T, &connect);
  if (connect > 0 || t.received > 0) return Phase::kConnected;
  if (lookup > 0) return Phase::kConnecting;
  return Phase::kResolving;
}

bool HttpTransfer::running() const { return impl_->running; }
uint64_t HttpTransfer::received() const { return impl_->received; }
HttpTransfer::Failure HttpTransfer::failure() const { return impl_->failure; }
int HttpTransfer::status() const { return impl_->status; }
const std::string& HttpTransfer::error() const { return impl_->error; }

}  // namespace kv
