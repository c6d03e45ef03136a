#include "download/quote_settings.h"

#include <cctype>
#include <cstdio>

#include "app/options.h"

namespace kv {

namespace {
QuoteRunOverrides g_overrides;
}  // namespace

void SetQuoteRunOverrides(const QuoteRunOverrides& o) { g_overrides = o; }

QuoteSettings CurrentQuoteSettings() {
  QuoteSettings s;
  if (theOptions) {
    s.url = theOptions->cGetOption("quote_url");
    s.cacert = theOptions->cGetOption("quote_cacert");
    s.timeout_s = theOptions->iGetOption("quote_timeout");
  }
  if (g_overrides.url) s.url = *g_overrides.url;
  if (g_overrides.cacert) s.cacert = *g_overrides.cacert;
  if (g_overrides.timeout_s) s.timeout_s = *g_overrides.timeout_s;
  // A hand-edited zero or negative deadline would give up every transfer at once.
  if (s.timeout_s <= 0) s.timeout_s = QuoteSettings::kDefaultTimeoutS;
  return s;
}

std::string PercentEncode(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    }
  }
  return out;
}

std::string ExpandQuoteUrl(std::string_view t, std::string_view symbol) {
  std::string upper(symbol), lower(symbol);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const struct {
    std::string_view key;
    std::string value;
  } kKeys[] = {{"{symbol}", PercentEncode(symbol)},
               {"{SYMBOL}", PercentEncode(upper)},
               {"{symbol_lc}", PercentEncode(lower)}};
  std::string out;
  for (size_t i = 0; i < t.size();) {
    bool replaced = false;
    for (const auto& k : kKeys) {
      if (t.substr(i, k.key.size()) == k.key) {
        out += k.value;
        i += k.key.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) out += t[i++];
  }
  return out;
}

}  // namespace kv
