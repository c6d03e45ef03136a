#include "download/loader_config.h"

#include <cstring>
#include <strings.h>

#include "util/text.h"

namespace kv {

namespace {

// Copies a value into a fixed field; false when it does not fit.
bool CopyField(char* dst, size_t size, std::string_view v) {
  if (v.size() >= size) return false;
  std::memcpy(dst, v.data(), v.size());
  dst[v.size()] = 0;
  return true;
}

bool KeyIs(std::string_view key, const char* name) {
  return key.size() == std::strlen(name) && strncasecmp(key.data(), name, key.size()) == 0;
}

}  // namespace

bool ParseLoaderConfig(std::string_view text, QuoteSource* table, int count, std::string* err) {
  size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon < 3 || strncasecmp(text.data(), "KVL", 3) != 0) {
    if (err) *err = "not a quote-source configuration (no \"KVL:\" at its start)";
    return false;
  }
  size_t p = text.find('\n', colon + 1);
  if (p == std::string_view::npos) return true;  // nothing follows the first line
  ++p;

  int entry = 0;  // lines before the first CN fill entry 0
  while (p < text.size()) {
    colon = text.find(':', p);
    if (colon == std::string_view::npos) break;
    const std::string_view key = text.substr(p, colon - p);
    const size_t value = colon + 1;
    if (value >= text.size()) break;
    const size_t nl = text.find('\n', value);
    const size_t end = nl == std::string_view::npos ? text.size() : nl;
    p = nl == std::string_view::npos ? end : nl + 1;
    std::string_view v = text.substr(value, end - value);
    if (!v.empty() && v.back() == '\r') v.remove_suffix(1);

    if (KeyIs(key, "CN")) {
      const size_t i = v.find_first_not_of(" \t");
      const bool number = i != std::string_view::npos &&
                          ((v[i] >= '0' && v[i] <= '9') ||
                           ((v[i] == '-' || v[i] == '+') && i + 1 < v.size() && v[i + 1] >= '0' && v[i + 1] <= '9'));
      const long long cn = number ? LeadingInt(v) : -1;
      entry = (cn >= 0 && cn < count) ? static_cast<int>(cn) : -1;
      continue;
    }
    if (entry < 0) continue;
    QuoteSource& q = table[entry];
    char* field = nullptr;
    if (KeyIs(key, "CNAME")) field = q.name;
    else if (KeyIs(key, "CURL")) field = q.host;
    else if (KeyIs(key, "CRPRE")) field = q.prefix;
    else if (KeyIs(key, "CRPOST")) field = q.suffix;
    // CUSER, CPWD and CHL belong to a group too but carry nothing we use;
    // every other key is ignored as well.
    if (field) CopyField(field, QuoteSource::kFieldMax + 1, v);
  }
  return true;
}

}  // namespace kv
