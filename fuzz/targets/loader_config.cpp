// The quote-source configuration (Loader.cnf) as the client parses it after
// fetching it: the received text, cut at the buffer's size and at its first
// NUL as a C string is, into a freshly cleared table of 20 sources; then the
// lookups the download makes by database name.
#include <cstring>
#include <memory>
#include <string>
#include <strings.h>

#include "download/http_client.h"
#include "fuzz/targets/harness.h"

namespace kv::fuzz {

void FuzzLoaderConfig(const uint8_t* data, size_t size) {
  constexpr int kSources = DlgSendStream::kSources;
  constexpr size_t kBuffer = DlgSendStream::kResultSize;
  static char text[kBuffer];
  const size_t n = size < kBuffer - 1 ? size : kBuffer - 1;
  std::memcpy(text, data, n);
  text[n] = 0;

  auto table = std::make_unique<QuoteSource[]>(kSources + 1);
  // A sentinel entry past the table: the parser must never reach it.
  std::memset(table[kSources].name, 'x', QuoteSource::kFieldMax);
  table[kSources].name[QuoteSource::kFieldMax] = 0;
  for (int i = 0; i < kSources; ++i) table[i].Clear();

  const bool ok = ParseLoaderConfig(text, table.get(), kSources);
  if (!ok) KV_FUZZ_CHECK(strncasecmp(text, "KVL", 3) != 0 || !std::strchr(text, ':'));
  for (int i = 0; i <= kSources; ++i) {
    const QuoteSource& q = table[i];
    for (const char* f : {q.name, q.host, q.prefix, q.suffix})
      KV_FUZZ_CHECK(strnlen(f, QuoteSource::kFieldMax + 1) <= QuoteSource::kFieldMax);
  }
  KV_FUZZ_CHECK(std::strlen(table[kSources].name) == QuoteSource::kFieldMax);
  if (!ok) {
    for (int i = 0; i < kSources; ++i) KV_FUZZ_CHECK(table[i].name[0] == 0 && table[i].host[0] == 0);
  }

  // The path of a quote file on its server, for every named source.
  for (int i = 0; i < kSources; ++i) {
    if (!table[i].name[0]) continue;
    std::string host;
    int port = 0;
    if (SplitHostPort(table[i].host, host, port)) KV_FUZZ_CHECK(port >= 1 && port <= 65535 && !host.empty());
    const std::string path = std::string(table[i].prefix) + "IBM" + table[i].suffix;
    KV_FUZZ_CHECK(path.size() <= 2 * QuoteSource::kFieldMax + 3);
  }
}

}  // namespace kv::fuzz
