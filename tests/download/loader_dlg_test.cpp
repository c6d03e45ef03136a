// The download dialog driven as a user drives it, against a real server on
// 127.0.0.1.
#include "download/loader_dlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

#include "app/options.h"
#include "app/preferences_dlg.h"
#include "data/price_files.h"
#include "download/auto_download.h"
#include "download/download_support.h"
#include "download/test_server.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

class LoaderDlgTest : public MainDlgTest {
 protected:
  LoaderDlgTest() {
    theOptions->SetOption("inet_server", server.host().c_str());
    ServeQuoteSource(server, "CN:1\r\nCNAME:Germany\r\nCURL:" + server.host() +
                                 "\r\nCRPRE:de/\r\nCRPOST:.txt\r\nCN:5\r\nCNAME:UK\r\n");
    for (const char* s : {"IBM", "KO", "PG", "A1", "B2", "C3"}) Serve(s);
    platform.SetQuitHandler([this](int) { ++quit_requests; });
  }

  void Serve(const std::string& symbol, size_t size = 1500) {
    server.SetBody("/q/" + symbol + ".txt", QuoteText(size));
  }
  std::unique_ptr<LoaderDlg> Open() {
    auto ld = std::make_unique<LoaderDlg>(main.get(), window.get());
    EXPECT_TRUE(ld->SetupWindow());
    platform.ClearRecords();
    return ld;
  }
  static HeadlessDialog& H(LoaderDlg& ld) { return static_cast<HeadlessDialog&>(ld.dlg()); }
  static std::vector<std::string> Items(LoaderDlg& ld, int id) {
    std::vector<std::string> out;
    for (int i = 0; i < ld.dlg().ItemCount(id); ++i) out.push_back(ld.dlg().ItemText(id, i));
    return out;
  }
  void AddManual(LoaderDlg& ld, const std::string& symbol) {
    H(ld).Type(ids::IDC_LD_MANUAL, symbol);
    H(ld).Click(ids::IDC_LD_ADD_MANUAL);
  }
  static std::string Written(const std::string& raw) {
    std::string s = raw;
    std::replace(s.begin(), s.end(), '\r', ' ');
    return s;
  }

  TestHttpServer server;
  int quit_requests = 0;
};

TEST_F(LoaderDlgTest, SetupFillsTheDialog) {
  theOptions->SetOption("inet_database", "ger");
  auto ld = Open();
  EXPECT_EQ(Items(*ld, ids::IDC_LD_DATABASE), (std::vector<std::string>{"USA", "Germany", "UK"}));
  EXPECT_EQ(ld->dlg().GetSel(ids::IDC_LD_DATABASE), 1);
  EXPECT_STREQ(ld->banner(), "Quotes for every market");
  EXPECT_FALSE(ld->dlg().IsEnabled(ids::IDC_LD_REMOVE));
  EXPECT_FALSE(ld->dlg().IsEnabled(ids::IDC_LD_CANCEL));
  EXPECT_FALSE(ld->dlg().IsVisible(ids::IDC_LD_BROWSE));
  EXPECT_EQ(ld->dlg().GetText(ids::IDC_LD_FILTER), "*.csv");
  EXPECT_EQ(ld->dlg().GetText(ids::IDC_LD_DEST), "./");
  EXPECT_EQ(platform.TimerPeriod(ld.get(), ids::TIMER_BANNER), 100u);

  // The banner scrolls by one character per tick.
  std::string banner = ld->banner();
  clock.Advance(100);
  platform.CheckEvents();
  std::string first = ld->dlg().GetText(ids::IDC_LD_BANNER);
  clock.Advance(100);
  platform.CheckEvents();
  std::string second = ld->dlg().GetText(ids::IDC_LD_BANNER);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(banner.substr(banner.size() - first.size()), first);
  if (first.size() > 1) {
    EXPECT_EQ(second, first.substr(1));
  }

  // No entry begins with the stored name: the first one is taken.
  theOptions->SetOption("inet_database", "Mars");
  auto other = Open();
  EXPECT_EQ(other->dlg().GetSel(ids::IDC_LD_DATABASE), 0);
}

TEST_F(LoaderDlgTest, SetupFailureClosesTheDialog) {
  struct Case {
    const char* name;
    std::string server;
    std::vector<std::string> messages;
  } cases[] = {
      {"nothing listens", "127.0.0.1:" + std::to_string(TestHttpServer::ClosedPort()),
       {"Error Connecting to Host."}},
      {"no configuration", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    theOptions->SetOption("inet_server", (c.server.empty() ? server.host() : c.server).c_str());
    if (c.server.empty()) server.Set("/kestrivane/Loader.cnf", "HTTP/1.0 404 Not Found\r\n\r\nnot here");
    platform.ClearRecords();
    LoaderDlg ld(main.get(), window.get());
    EXPECT_FALSE(ld.SetupWindow());
    EXPECT_FALSE(ld.dlg().IsOpen());
    std::vector<std::string> texts;
    for (const auto& m : platform.messages()) texts.push_back(m.text);
    EXPECT_EQ(texts, c.messages);
    EXPECT_FALSE(platform.HasTimer(&ld, ids::TIMER_BANNER));
    EXPECT_EQ(download_stream, nullptr);
  }
}

TEST_F(LoaderDlgTest, DownloadWritesFilesAndResultLines) {
  server.SetBody("/q/XX.txt", QuoteText(999));
  std::string old = dir.write("XX.csv", "old XX quotes\n");
  auto ld = Open();
  for (const char* s : {"IBM", "KO", "XX"}) AddManual(*ld, s);
  H(*ld).Click(ids::IDC_LD_DOWNLOAD);

  EXPECT_EQ(ld->dlg().GetText(ids::IDC_LD_RESULTS), "   IBM \tOK\r\n    KO \tOK\r\n    XX \tFAIL only 999 characters (a quote file has at least 1000)\r\n");
  EXPECT_EQ(ld->dlg().ItemCount(ids::IDC_LD_SYMBOLS), 0);
  EXPECT_EQ(ReadFile("./IBM.csv"), Written(QuoteText(1500)));
  EXPECT_TRUE(fs::exists(dir.file("KO.csv")));
  EXPECT_EQ(ReadFile(old), "old XX quotes\n");
  EXPECT_TRUE(ld->dlg().IsEnabled(ids::IDC_LD_DOWNLOAD));
  EXPECT_FALSE(ld->dlg().IsEnabled(ids::IDC_LD_CANCEL));
  EXPECT_TRUE(ld->dlg().IsOpen());
  EXPECT_EQ(download_stream, nullptr);
  EXPECT_TRUE(fs::exists(dir.file("kv.dat")));  // options saved when the download started
  EXPECT_EQ(ld->succeeded(), 2);
  EXPECT_EQ(ld->failed(), 1);

  // A database no source has fails every symbol without fetching it.
  ld->dlg().AddItem(ids::IDC_LD_DATABASE, "Mars");
  ld->dlg().SetSel(ids::IDC_LD_DATABASE, 3);
  AddManual(*ld, "PG");
  H(*ld).Click(ids::IDC_LD_DOWNLOAD);
  EXPECT_EQ(server.requests_for("/q/PG.txt"), 0);
  EXPECT_FALSE(fs::exists(dir.file("PG.csv")));
  EXPECT_NE(ld->dlg().GetText(ids::IDC_LD_RESULTS).find("    PG \tFAIL no quote database named \"Mars\"\r\n"), std::string::npos);
}

TEST_F(LoaderDlgTest, DestinationIsNormalised) {
  fs::create_directory(dir.path() / "quotes");
  std::string abs = (dir.path() / "quotes").string();
  std::string abs_back = abs;
  std::replace(abs_back.begin(), abs_back.end(), '/', '\\');
  for (const std::string& typed : {abs_back + "\\", abs + "///", std::string("quotes\\"), std::string("./quotes/")}) {
    SCOPED_TRACE(typed);
    fs::remove(dir.path() / "quotes" / "IBM.csv");
    auto ld = Open();
    H(*ld).Type(ids::IDC_LD_DEST, typed);
    EXPECT_STREQ(theOptions->cGetOption("inet_des_dir"), typed.c_str());
    AddManual(*ld, "IBM");
    H(*ld).Click(ids::IDC_LD_DOWNLOAD);
    EXPECT_EQ(ld->dlg().GetText(ids::IDC_LD_RESULTS), "   IBM \tOK\r\n");
    EXPECT_TRUE(fs::exists(dir.path() / "quotes" / "IBM.csv"));
  }
  // The listing did not move the process.
  EXPECT_EQ(fs::current_path(), dir.path());
}

TEST_F(LoaderDlgTest, SymbolsFromEverySourceAreKeptOnce) {
  for (const char* f : {"IBM.CSV", "BRK.B.CSV", "ko.csv", "notes.txt"}) dir.write(f, "x");
  fs::create_directory(dir.path() / "folder.csv");
  std::string list = dir.write("list.txt",
                               "IBM,International Business Machines\r\n,,PG,Procter & Gamble\r\n\r\n"
                               "  KO  ,The Coca-Cola Company\n,,,\nIBM\n");
  auto ld = Open();
  H(*ld).Type(ids::IDC_LD_FILTER, "*.CSV");
  EXPECT_EQ(Items(*ld, ids::IDC_LD_FILES), (std::vector<std::string>{"BRK.B.CSV", "IBM.CSV", "ko.csv"}));
  EXPECT_STREQ(theOptions->cGetOption("inet_filter"), "*.CSV");

  AddManual(*ld, "IBM");
  AddManual(*ld, "IBM");
  EXPECT_EQ(ld->dlg().GetText(ids::IDC_LD_MANUAL), "");
  H(*ld).Click(ids::IDC_LD_ALL);
  H(*ld).Click(ids::IDC_LD_ADD_FILES);
  platform.QueueFile(list);
  H(*ld).Click(ids::IDC_LD_LOAD_LIST);
  EXPECT_EQ(Items(*ld, ids::IDC_LD_SYMBOLS), (std::vector<std::string>{"IBM", "BRK", "ko", "PG", "KO"}));
  ASSERT_EQ(platform.file_dialogs().size(), 1u);
  EXPECT_FALSE(platform.file_dialogs()[0].spec.save);
  EXPECT_EQ(platform.file_dialogs()[0].spec.filter, "Text Files(*.txt)|*.txt|All Files (*.*)|*.*|");

  // NONE, then a cancelled list dialog and a missing list change nothing.
  H(*ld).Click(ids::IDC_LD_NONE);
  EXPECT_TRUE(ld->dlg().SelectedItems(ids::IDC_LD_FILES).empty());
  H(*ld).Click(ids::IDC_LD_LOAD_LIST);
  ld->LoadListFile(dir.file("missing.txt"));
  EXPECT_EQ(ld->dlg().ItemCount(ids::IDC_LD_SYMBOLS), 5);

  // SAVE LIST writes the list in order.
  platform.QueueFile(dir.file("saved.txt"));
  H(*ld).Click(ids::IDC_LD_SAVE_LIST);
  EXPECT_EQ(ReadFile(dir.file("saved.txt")), "IBM\nBRK\nko\nPG\nKO\n");
  EXPECT_TRUE(platform.file_dialogs().back().spec.save);
  EXPECT_EQ(platform.file_dialogs().back().spec.options, unsigned{OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT});

  // Selecting symbols enables Remove and shows the caret's symbol; Remove
  // deletes the selection.
  ld->dlg().SelectItem(ids::IDC_LD_SYMBOLS, 1, true);
  ld->dlg().SelectItem(ids::IDC_LD_SYMBOLS, 3, true);
  ld->dlg().SetCaret(ids::IDC_LD_SYMBOLS, 3);
  ld->OnControl(ids::IDC_LD_SYMBOLS, Notify::SelChange);
  EXPECT_TRUE(ld->dlg().IsEnabled(ids::IDC_LD_REMOVE));
  EXPECT_EQ(ld->dlg().GetText(ids::IDC_LD_MANUAL), "PG");
  H(*ld).Click(ids::IDC_LD_REMOVE);
  EXPECT_EQ(Items(*ld, ids::IDC_LD_SYMBOLS), (std::vector<std::string>{"IBM", "ko", "KO"}));
}

TEST_F(LoaderDlgTest, CancelStopsBeforeTheNextSymbol) {
  auto ld = Open();
  for (const char* s : {"A1", "B2", "C3"}) AddManual(*ld, s);
  int poller = platform.AddPoller([&] {
    if (server.requests_for("/q/A1.txt") > 0 && ld->dlg().IsEnabled(ids::IDC_LD_CANCEL))
      H(*ld).Click(ids::IDC_LD_CANCEL);
  });
  H(*ld).Click(ids::IDC_LD_DOWNLOAD);
  platform.RemovePoller(poller);
  EXPECT_EQ(ld->dlg().GetText(ids::IDC_LD_RESULTS), "    A1 \tOK\r\n");
  EXPECT_EQ(Items(*ld, ids::IDC_LD_SYMBOLS), (std::vector<std::string>{"B2", "C3"}));
  EXPECT_EQ(server.requests_for("/q/B2.txt"), 0);
  EXPECT_TRUE(ld->dlg().IsOpen());

  // Escape (the Cancel command) never closes the dialog; the next Download
  // runs the rest.
  ld->OnCommand(IDCANCEL);
  platform.CheckEvents();
  EXPECT_TRUE(ld->dlg().IsOpen());
  H(*ld).Click(ids::IDC_LD_DOWNLOAD);
  EXPECT_EQ(ld->dlg().ItemCount(ids::IDC_LD_SYMBOLS), 0);
  EXPECT_EQ(ld->succeeded(), 3);
}

TEST_F(LoaderDlgTest, QuitOptionClosesTheDialogAfterTheLastSymbol) {
  for (int q : {0, 1}) {
    SCOPED_TRACE(q);
    theOptions->SetOption("inet_q", q);
    auto ld = Open();
    AddManual(*ld, "IBM");
    H(*ld).Click(ids::IDC_LD_DOWNLOAD);
    platform.CheckEvents();
    EXPECT_EQ(ld->dlg().IsOpen(), q == 0);
    EXPECT_EQ(quit_requests, 0);
  }
}

TEST_F(LoaderDlgTest, ExitDuringAFetchClosesOnlyTheDialog) {
  server.Set("/q/A1.txt", "", TestHttpServer::Mode::kStall);
  auto ld = Open();
  for (const char* s : {"A1", "B2"}) AddManual(*ld, s);
  int poller = platform.AddPoller([&] {
    if (server.requests_for("/q/A1.txt") > 0 && ld->dlg().IsOpen() && !ld->closed())
      H(*ld).Click(ids::IDC_LD_EXIT);
  });
  uint64_t start = clock.TickMs();
  H(*ld).Click(ids::IDC_LD_DOWNLOAD);
  platform.RemovePoller(poller);
  EXPECT_LT(clock.TickMs() - start, 30000u);  // ended by the close, not by the time-out
  EXPECT_FALSE(ld->dlg().IsOpen());
  EXPECT_EQ(quit_requests, 0);
  EXPECT_TRUE(platform.messages().empty());
  EXPECT_EQ(ld->dlg().GetText(ids::IDC_LD_RESULTS), "    A1 \tFAIL stopped\r\n");
  EXPECT_EQ(server.requests_for("/q/B2.txt"), 0);
  EXPECT_EQ(download_stream, nullptr);
  EXPECT_FALSE(platform.HasTimer(ld.get(), ids::TIMER_BANNER));
}

TEST_F(LoaderDlgTest, DownloadButtonRunsTheDialogModally) {
  bool was_open = false;
  platform.SetModalScript([&](Dialog& d) {
    auto& h = static_cast<HeadlessDialog&>(d);
    was_open = download_dlg != nullptr && &download_dlg->dlg() == &d;
    h.Type(ids::IDC_LD_MANUAL, "KO");
    h.Click(ids::IDC_LD_ADD_MANUAL);
    h.Click(ids::IDC_LD_DOWNLOAD);
    h.Click(ids::IDC_LD_EXIT);
    return IDCANCEL;
  });
  main->DOWNLOAD_BNClicked();
  EXPECT_TRUE(was_open);
  EXPECT_EQ(download_dlg, nullptr);
  EXPECT_EQ(ReadFile(dir.file("KO.csv")), Written(QuoteText(1500)));
}

TEST_F(LoaderDlgTest, AutomaticDownloads) {
  // At start-up: every matching file of the destination is fetched again.
  dir.write("IBM.csv", "old\n");
  dir.write("KO.csv", "old\n");
  DownloadAllAtStartup(*main);  // inet_dall_start is off
  EXPECT_EQ(server.request_count(), 0);
  theOptions->SetOption("inet_dall_start", 1);
  DownloadAllAtStartup(*main);
  EXPECT_EQ(ReadFile(dir.file("IBM.csv")), Written(QuoteText(1500)));
  EXPECT_EQ(ReadFile(dir.file("KO.csv")), Written(QuoteText(1500)));
  EXPECT_EQ(download_dlg, nullptr);

  // Opening a model: the model's own symbols.
  main->stocks[0] = std::make_unique<Stock>();
  main->stocks[0]->symbol = "PG";
  main->stocks[1] = std::make_unique<Stock>();
  main->stocks[1]->symbol = "PG";
  DownloadModelQuotes(*main);  // inet_d_kvn is off
  EXPECT_FALSE(fs::exists(dir.file("PG.csv")));
  theOptions->SetOption("inet_d_kvn", 1);
  DownloadModelQuotes(*main);
  EXPECT_EQ(server.requests_for("/q/PG.txt"), 1);
  EXPECT_TRUE(fs::exists(dir.file("PG.csv")));
}

TEST_F(LoaderDlgTest, OpeningAModelDownloadsItsQuotesBeforeTheyAreRead) {
  // PG.csv holds 200 days; the server has 260. File > Open fetches them
  // only when the preferences say so, and the model reads what it fetched.
  const auto days = TradingDays(2022, 1, 3, 260);
  const std::vector<Day> old_days(days.begin(), days.begin() + 200);
  dir.write("PG.csv", PriceText(old_days, IsoLine, "Date,Close,Volume\n"));
  server.SetBody("/q/PG.txt", PriceText(days, IsoLine, "Date,Close,Volume\n"));
  StockEntry pg;
  pg.symbol = "PG";
  pg.data_file = "PG.csv";
  pg.period = "4";
  pg.price = pg.l_price = true;
  ASSERT_TRUE(main->AddStock(pg).added);
  main->model_path = dir.file("pg.kvn");
  ASSERT_TRUE(main->Save_Param().ok);
  for (int on : {0, 1}) {
    SCOPED_TRACE(on);
    theOptions->SetOption("inet_d_kvn", on);
    platform.QueueFile(dir.file("pg.kvn"));
    main->CmFileopen();
    EXPECT_FALSE(main->untitled);
    EXPECT_EQ(server.requests_for("/q/PG.txt"), on);
    ASSERT_NE(main->stocks[0], nullptr);
    EXPECT_EQ(main->stocks[0]->file_dates.size(), on ? 260u : 200u);
  }
}

TEST_F(LoaderDlgTest, UnsafeSymbolsFailWithoutAFile) {
  auto ld = Open();
  for (const char* s : {"../IBM", "..", "a\\b"}) ld->AddSymbol(s);
  H(*ld).Click(ids::IDC_LD_DOWNLOAD);
  EXPECT_EQ(ld->failed(), 3);
  EXPECT_EQ(server.requests_for("/q/IBM.txt"), 0);
  EXPECT_FALSE(fs::exists(dir.path().parent_path() / "IBM.csv"));
}

TEST_F(LoaderDlgTest, CommandLineDownload) {
  server.SetBody("/q/XX.txt", QuoteText(10));
  std::string out_dir = (dir.path() / "out").string();
  fs::create_directory(out_dir);
  std::string list = dir.write("syms.txt", "KO,Coca-Cola\nIBM\n");
  struct Case {
    std::string args;
    int status;
    std::string out;
  } cases[] = {
      {"--list " + list + " IBM", 0, "   IBM \tOK\n    KO \tOK\n"},
      {"--database usa PG XX", 1, "    PG \tOK\n    XX \tFAIL only 10 characters (a quote file has at least 1000)\n"},
      {"--database Mars PG", 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    std::string cmd = std::string(KV_CLI_PATH) + " download --server " + server.host() + " --dest " + out_dir +
                      " " + c.args + " 2>" + dir.file("err.txt");
    std::FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[256];
    while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    int status = ::pclose(p);
    EXPECT_EQ(WEXITSTATUS(status), c.status) << ReadFile(dir.file("err.txt"));
    EXPECT_EQ(out, c.out);
  }
  EXPECT_EQ(ReadFile(out_dir + "/IBM.csv"), Written(QuoteText(1500)));
  EXPECT_NE(ReadFile(dir.file("err.txt")).find("no quote database named \"Mars\""), std::string::npos);
}

TEST_F(LoaderDlgTest, MissingBannerLeavesItEmpty) {
  server.Set("/kestrivane/markee.txt", "HTTP/1.0 404 Not Found\r\n\r\nno banner on this server");
  auto ld = Open();
  EXPECT_STREQ(ld->banner(), "");
  AddManual(*ld, "IBM");
  H(*ld).Click(ids::IDC_LD_DOWNLOAD);
  EXPECT_EQ(ld->dlg().GetText(ids::IDC_LD_RESULTS), "   IBM \tOK\r\n");
}

TEST_F(LoaderDlgTest, UrlTemplateFromThePreferences) {
  // No vendor server at all: the template alone must do.
  theOptions->SetOption("inet_server", ("127.0.0.1:" + std::to_string(TestHttpServer::ClosedPort())).c_str());
  TlsServer tls(dir);
  ASSERT_TRUE(tls.running()) << tls.error();
  tls.Serve("q/ibm.csv", QuoteText(1500));
  server.SetBody("/d/ibm.csv", QuoteText(1500));
  TinyProxy proxy(dir);
  struct Case {
    const char* name;
    std::string url;
    bool proxied;
    std::vector<const char*> symbols;
    std::string results;
  } cases[] = {
      {"plain HTTP", "  http://" + server.host() + "/d/{symbol_lc}.csv ", false, {"IBM", "NOPE"},
       "   IBM \tOK\r\n  NOPE \tFAIL HTTP 404\r\n"},
      {"HTTPS through the proxy", tls.base() + "/q/{symbol_lc}.csv", true, {"IBM"}, "   IBM \tOK\r\n"},
  };
  theOptions->SetOption("quote_cacert", tls.cacert().c_str());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The user types the address into the Preferences' Internet page.
    TOptionsDlg prefs(window.get());
    platform.SetModalScript([&](Dialog&) {
      auto& w = static_cast<HeadlessDialog&>(prefs.window());
      w.Type(ids::IDC_PR_QUOTE_URL, c.url);
      w.Click(ids::IDC_PR_OK);
      platform.CheckEvents();
      return w.end_result();
    });
    prefs.Execute();
    platform.SetModalScript(nullptr);
    if (c.proxied) {  // set past the dialog, whose port field is four digits wide
      if (!proxy.running()) GTEST_SKIP() << proxy.error();
      theOptions->SetOption("use_proxy", 1);
      theOptions->SetOption("proxy_name", "127.0.0.1");
      theOptions->SetOption("proxy_port", proxy.port());
    }
    std::remove("IBM.csv");
    auto ld = Open();
    EXPECT_TRUE(platform.messages().empty());
    for (const char* s : c.symbols) AddManual(*ld, s);
    H(*ld).Click(ids::IDC_LD_DOWNLOAD);
    EXPECT_EQ(ld->dlg().GetText(ids::IDC_LD_RESULTS), c.results);
    EXPECT_EQ(ReadFile("IBM.csv"), QuoteText(1500));  // as received: the CRs stay
  }
  EXPECT_NE(proxy.log().find("CONNECT 127.0.0.1:" + std::to_string(tls.port())), std::string::npos) << proxy.log();
  EXPECT_EQ(server.requests_for("/kestrivane/Loader.cnf"), 0);
}

}  // namespace
}  // namespace kv::test
