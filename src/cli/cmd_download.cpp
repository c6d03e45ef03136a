// kestrivane-cli download: the download dialog's Download, without a window.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "app/options.h"
#include "cli/cli.h"
#include "cli/json_output.h"
#include "download/http_client.h"
#include "download/loader_dlg.h"
#include "download/quote_settings.h"
#include "util/file.h"

namespace kv::cli {
namespace {

// The price lines of a quote file as written: those starting with a digit,
// after an optional quote.
int CountDays(const std::string& path) {
  std::string text;
  ReadFileToString(path, &text);
  int days = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const size_t at = start + (text[start] == '"' ? 1 : 0);
    if (at < end && text[at] >= '0' && text[at] <= '9') ++days;
    start = end + 1;
  }
  return days;
}

// Whether path can be read: a regular file that opens (a FIFO would block,
// a folder opens but cannot be read); otherwise *why is the reason.
bool Readable(const std::string& path, std::string* why) {
  File f = OpenRegularFile(path);
  if (!f) {
    *why = errno == EINVAL ? "not a regular file" : std::strerror(errno);
    return false;
  }
  errno = 0;
  const bool read = std::fgetc(f.get()) != EOF || !std::ferror(f.get());
  if (!read) *why = std::strerror(errno ? errno : EIO);
  return read;
}

int RunDownload(Args& args) {
  std::string server, database, dest, list, url, timeout, cacert;
  const JsonOutput json = TakeJson(args);
  bool verbose = TakeFlag(args, "--verbose");
  bool all = TakeFlag(args, "--all");
  TakeOption(args, "--server", server);
  bool has_url = TakeOption(args, "--url", url);
  bool has_timeout = TakeOption(args, "--timeout", timeout);
  bool has_cacert = TakeOption(args, "--cacert", cacert);
  TakeOption(args, "--database", database);
  TakeOption(args, "--dest", dest);
  bool has_list = TakeOption(args, "--list", list);
  if (int rc = CheckArgs(args, 0, static_cast<size_t>(-1), "")) return rc;
  if (!server.empty()) {
    std::string host;
    int port;
    std::string_view bare = server;
    for (std::string_view scheme : {"http://", "https://"})
      if (bare.substr(0, scheme.size()) == scheme) bare.remove_prefix(scheme.size());
    if (!SplitHostPort(bare, host, port))
      return UsageError("bad server \"" + server + "\": use HOST, HOST:PORT or https://HOST[:PORT]");
  }
  QuoteRunOverrides run;
  if (has_url) {
    // Without a placeholder every symbol would get the same file.
    bool placeholder = url.find("{symbol}") != std::string::npos || url.find("{SYMBOL}") != std::string::npos ||
                       url.find("{symbol_lc}") != std::string::npos;
    if ((url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) || !placeholder)
      return UsageError("bad --url \"" + url + "\": give an http:// or https:// address with {symbol}, {SYMBOL} or {symbol_lc} in it");
    run.url = url;
  }
  if (has_timeout) {
    int secs = 0;
    bool digits = !timeout.empty() && timeout.size() <= 6 &&
                  timeout.find_first_not_of("0123456789") == std::string::npos;
    if (digits) secs = std::stoi(timeout);
    if (secs < 1) return UsageError("bad --timeout \"" + timeout + "\": give a number of seconds, 1 or more");
    run.timeout_s = secs;
  }
  std::string why;
  if (has_cacert) {
    if (!Readable(cacert, &why)) return UsageError("cannot open the certificate file " + cacert + ": " + why);
    run.cacert = cacert;
  }
  if (has_list && !Readable(list, &why)) return Fail("cannot open the symbol list " + list + ": " + why);

  Session s;
  // The command's settings apply to this run only: kv.dat keeps the user's
  // choices, including the filter, destination and database that the dialog
  // itself stores as it works, however the run ends.
  for (const char* key : {"inet_server", "inet_des_dir", "inet_database", "inet_filter"})
    theOptions->MarkRunOnly(key);
  if (!server.empty()) theOptions->SetOption("inet_server", server.c_str());
  if (!dest.empty()) theOptions->SetOption("inet_des_dir", dest.c_str());
  if (!database.empty()) theOptions->SetOption("inet_database", database.c_str());
  if (verbose) DlgSendStream::EchoStatusTo(stderr);
  // Never stored: the overrides live beside the options, not in them.
  SetQuoteRunOverrides(run);
  const bool by_url = !CurrentQuoteSettings().url.empty();

  int rc = 0;
  {
    LoaderDlg ld(s.window.get());
    if (!ld.SetupWindow()) {
      std::string why = ld.setup_reason().empty() ? "" : " (" + ld.setup_reason() + ")";
      rc = Fail("the quote-source configuration could not be loaded from " + VendorServer() + why +
                "; check --server, or give the quote files' address with --url");
    } else if (by_url) {
      // The database belongs to the vendor's configuration, which a URL template replaces.
    } else if (!database.empty() && !ld.SelectDatabase(database)) {
      std::string names;
      for (int i = 0; i < ld.dlg().ItemCount(ids::IDC_LD_DATABASE); ++i)
        names += (names.empty() ? "" : ", ") + ld.dlg().ItemText(ids::IDC_LD_DATABASE, i);
      rc = Fail("no quote database named \"" + database + "\" (available: " + names + ")");
    } else if (ld.dlg().GetSel(ids::IDC_LD_DATABASE) < 0) {
      rc = Fail("the configuration names no quote database");
    }
    if (rc == 0 && ld.setup_ok()) {
      for (const std::string& symbol : args) ld.AddSymbol(symbol);
      if (has_list) ld.LoadListFile(list);
      if (all) {
        ld.SEL_ALL_BNClicked();
        ld.ADD_FILES_BNClicked();
      }
      if (ld.dlg().ItemCount(ids::IDC_LD_SYMBOLS) == 0) {
        rc = Fail("no symbols to download (give SYMBOL..., --list FILE or --all)");
      } else {
        JsonValue results = JsonValue::Array();
        ld.on_result = [&](const LoaderDlg::Outcome& o) {
          if (json.text()) {
            std::string l = o.line;
            while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
            std::printf("%s\n", l.c_str());
            std::fflush(stdout);
          }
          if (!json.wanted()) return;
          JsonValue r = JsonValue::Object();
          r.Set("symbol", o.symbol);
          r.Set("file", o.path);
          r.Set("outcome", o.ok ? "ok" : "failed");
          if (o.ok)
            r.Set("days", CountDays(o.path));
          else
            r.Set("error", o.reason.empty() ? JsonValue() : JsonValue(o.reason));
          results.Push(std::move(r));
        };
        ld.DOWNLOAD_BNClicked();
        rc = ld.failed() > 0 ? 1 : 0;
        if (json.wanted()) {
          JsonValue doc = JsonValue::Object();
          doc.Set("results", std::move(results));
          doc.Set("succeeded", ld.succeeded());
          doc.Set("failed", ld.failed());
          if (!json.Write(doc)) rc = 1;
        }
      }
    }
  }
  DlgSendStream::EchoStatusTo(nullptr);
  SetQuoteRunOverrides({});
  return rc;
}

const Registrar reg({
    "download",
    "download [--url TEMPLATE | --server HOST[:PORT] [--database NAME]] [--timeout SECONDS] [--cacert FILE] "
    "[--dest DIR] [--list FILE] [--all] [--verbose] [--json[=FILE]] [SYMBOL...]",
    "Downloads one quote file per symbol, as the download dialog's Download\n"
    "does: SYMBOL.csv in the destination directory (--dest, else the option\n"
    "inet_des_dir). With a URL template (--url, else the option quote_url) each\n"
    "file comes from the template's address, where {symbol} stands for the\n"
    "symbol, {SYMBOL} for it in upper case and {symbol_lc} in lower case, e.g.\n"
    "--url 'https://host/daily?s={symbol_lc}&f=csv'; the file is written as\n"
    "received. Without one, from the quote database NAME (else inet_database)\n"
    "of the quote-source configuration on the vendor's web server (--server,\n"
    "else inet_server; HOST:PORT picks a port other than 80). Symbols come from\n"
    "the arguments, from a symbol-list file (--list: one symbol per line, the\n"
    "first comma-separated field) and, with --all, from every file of the\n"
    "destination matching inet_filter. A transfer gives up after --timeout\n"
    "seconds (else quote_timeout, 300) or after 60 s without data; --cacert\n"
    "trusts the authorities of a PEM file besides the system's (else\n"
    "quote_cacert). Prints one result line per symbol: OK, or FAIL and why;\n"
    "--verbose also shows the connection status on stderr. Exit status 1 when\n"
    "any symbol failed. --json prints one object per symbol as JSON instead\n"
    "(--json=FILE writes it to FILE as well). The flags apply to this run\n"
    "only; kv.dat keeps its settings.",
    RunDownload,
});

}  // namespace
}  // namespace kv::cli
