// kestrivane-cli download: the download dialog's Download, without a window.
#include <cstdio>
#include <string>

#include "app/options.h"
#include "cli/cli.h"
#include "download/http_client.h"
#include "download/loader_dlg.h"

namespace kv::cli {
namespace {

int RunDownload(Args& args) {
  std::string server, database, dest, list;
  bool verbose = TakeFlag(args, "--verbose");
  bool all = TakeFlag(args, "--all");
  TakeOption(args, "--server", server);
  TakeOption(args, "--database", database);
  TakeOption(args, "--dest", dest);
  bool has_list = TakeOption(args, "--list", list);
  for (const std::string& a : args)
    if (a.size() > 1 && a[0] == '-') return Fail("unknown option \"" + a + "\" (see download --help)");
  if (!server.empty()) {
    std::string host;
    int port;
    if (!SplitHostPort(server, host, port)) return Fail("bad server \"" + server + "\": use HOST or HOST:PORT");
  }
  if (has_list) {
    std::FILE* f = std::fopen(list.c_str(), "rb");
    if (!f) return Fail("cannot open the symbol list \"" + list + "\"");
    std::fclose(f);
  }

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

  int rc = 0;
  {
    LoaderDlg ld(s.window.get());
    if (!ld.SetupWindow()) {
      rc = Fail("the quote-source configuration could not be loaded from " + VendorServer());
    } else if (!database.empty() && !ld.SelectDatabase(database)) {
      std::string names;
      for (int i = 0; i < ld.dlg().ItemCount(ids::IDC_LD_DATABASE); ++i)
        names += (names.empty() ? "" : ", ") + ld.dlg().ItemText(ids::IDC_LD_DATABASE, i);
      rc = Fail("no quote database named \"" + database + "\" (available: " + names + ")");
    } else if (ld.dlg().GetSel(ids::IDC_LD_DATABASE) < 0) {
      rc = Fail("the configuration names no quote database");
    } else {
      for (const std::string& symbol : args) ld.AddSymbol(symbol);
      if (has_list) ld.LoadListFile(list);
      if (all) {
        ld.SEL_ALL_BNClicked();
        ld.ADD_FILES_BNClicked();
      }
      if (ld.dlg().ItemCount(ids::IDC_LD_SYMBOLS) == 0) {
        rc = Fail("no symbols to download (give SYMBOL..., --list FILE or --all)");
      } else {
        ld.on_result = [](const std::string& line, bool) {
          std::string l = line;
          while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
          std::printf("%s\n", l.c_str());
          std::fflush(stdout);
        };
        ld.DOWNLOAD_BNClicked();
        rc = ld.failed() > 0 ? 1 : 0;
      }
    }
  }
  DlgSendStream::EchoStatusTo(nullptr);
  return rc;
}

const Registrar reg({
    "download",
    "download [--server HOST[:PORT]] [--database NAME] [--dest DIR] [--list FILE] [--all] [--verbose] "
    "[SYMBOL...]",
    "Downloads one quote file per symbol, as the download dialog's Download\n"
    "does: SYMBOL.csv in the destination directory (--dest, else the option\n"
    "inet_des_dir), from the quote database NAME (else inet_database) of the\n"
    "quote-source configuration on the vendor's web server (--server, else the\n"
    "option inet_server, default quotes.kestrivane.example; HOST:PORT picks a\n"
    "port other than 80). Symbols come from the arguments, from a symbol-list\n"
    "file (--list: one symbol per line, the first comma-separated field) and,\n"
    "with --all, from every file of the destination matching inet_filter.\n"
    "Prints one result line per symbol (OK or FAIL); --verbose also shows the\n"
    "connection status on stderr. Exit status 1 when any symbol failed. The\n"
    "flags apply to this run only; kv.dat keeps its settings.",
    RunDownload,
});

}  // namespace
}  // namespace kv::cli
