// The quote-source configuration (Loader.cnf on the vendor's server): the
// quote databases and where each one's files live. Text in, table out; the
// download client fetches the text and reports the error.
#pragma once

#include <string>
#include <string_view>

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

// Reads the configuration text ("KVL:" first line, then KEY:VALUE lines) into
// table[0..count-1], which the caller has cleared. Pure: no files, no
// messages. False when the text does not begin with the magic token; then
// the table is untouched and *err (when given) is the one line that says so:
//   not a quote-source configuration (no "KVL:" at its start)
//
// Everything after the first line is taken leniently, never as an error:
// a CN outside 0..count-1 selects no entry, so the lines of its group are
// ignored until the next valid CN; a value longer than 255 characters is
// ignored (a cut host or path would only fetch the wrong thing); a line
// without a colon runs into the next key, which then matches nothing; a
// key with nothing after its colon ends the text; a line end is CR LF or LF
// alone, and only a CR is taken off the value.
bool ParseLoaderConfig(std::string_view text, QuoteSource* table, int count, std::string* err = nullptr);

}  // namespace kv
