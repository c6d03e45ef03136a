// Where quote files come from and how long a transfer may take: the kv.dat
// settings quote_url, quote_timeout and quote_cacert, unless the command line
// overrides them for one run (an override is never saved).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kv {

struct QuoteSettings {
  static constexpr int kDefaultTimeoutS = 300;
  std::string url;                    // URL template; empty: the vendor's configuration
  int timeout_s = kDefaultTimeoutS;   // overall deadline of one transfer
  std::string cacert;                 // PEM file of trusted authorities; empty: the system store
};

// The settings in force: this run's overrides, else the options, else the defaults.
QuoteSettings CurrentQuoteSettings();

// Overrides for this run only; nullopt leaves that setting to kv.dat.
struct QuoteRunOverrides {
  std::optional<std::string> url;
  std::optional<int> timeout_s;
  std::optional<std::string> cacert;
};
void SetQuoteRunOverrides(const QuoteRunOverrides& o);

// The address of one symbol's quote file: {symbol} becomes the symbol
// percent-encoded, {SYMBOL} upper-case and {symbol_lc} lower-case (both
// encoded too). Other text, braces included, is kept as written.
std::string ExpandQuoteUrl(std::string_view url_template, std::string_view symbol);

// Percent-encodes everything but letters, digits and "-._~".
std::string PercentEncode(std::string_view s);

}  // namespace kv
