// What the command line prints for the program's messages: its own words
// where the window names a button or menu, and the path and the system's
// reason after a failed file operation.
#include <filesystem>
#include <functional>
#include <string>

#include "cli/cli_wording.h"
#include "resources/ids.h"
#include "support/fixture.h"
#include "util/file_failure.h"

namespace kv::test {
namespace {

class CliWordingTest : public MainDlgTest {
 protected:
  void AddStock(const std::string& symbol, const std::string& file, const std::string& period, bool price) {
    win().SetText(ids::IDC_SYMBOL, symbol);
    win().SetText(ids::IDC_FILENAME, file);
    win().SetText(ids::IDC_INFL_PERIOD, period);
    win().Check(ids::IDC_PRICE, price);
    main->TICKER_ADD_BNClicked();
  }
  // A one-stock model whose price file is missing, read as the program reads it.
  void ReadMissing() {
    auto stock = std::make_unique<Stock>();
    stock->data_file = dir.file("gone.csv");
    stock->symbol = "GONE";
    stock->do_price = true;
    main->stocks[0] = std::move(stock);
    main->n_files = 1;
    main->Update_Stocks();
  }
};

TEST_F(CliWordingTest, MessagesNamingAControlAreWordedForTheCommandLine) {
  const std::string ge = SamplePath("GE.csv");
  const std::string gone = dir.file("gone.csv");
  const std::string stock = "--stock SYMBOL,FILE,PERIOD,FLAGS";
  const struct {
    const char* name;
    std::function<void()> raise;   // what the user does in the window
    std::string window;            // a phrase the window's text keeps
    std::string cli;               // the whole text the command line prints ({damage}: the model's)
  } cases[] = {
      {"symbol too long", [&] { AddStock("TOOLONG", ge, "10", true); }, "(left of the ADD button)",
       "Invalid Stock Ticker Symbol\nPlease give a symbol of 1 to 5 characters as the first field of " + stock +
           "\n-ERROR 450"},
      {"no price file", [&] { AddStock("GE", "", "10", true); }, "the Browse button",
       "Invalid Historical File Filename\nPlease give the price file as the second field of " + stock +
           "\n-ERROR 451"},
      {"no influence period", [&] { AddStock("GE", ge, "0", true); }, "the Influence Period field",
       "Invalid Influence Period\nPlease give the influence period, a number of days, as the third field of " +
           stock + "\n-ERROR 451"},
      {"no series", [&] { AddStock("GE", ge, "10", false); }, "Checkboxes",
       "Please give one or more of the flags p (price), l (long), s (short) and v (volume) as the fourth "
       "field of " + stock + "\n-ERROR 452"},
      {"price file gone", [&] { ReadMissing(); }, "Reread from the File menu",
       "An Error has occured while reading\n" + gone +
           "\nPlease correct the error and run the command again\n-ERROR 453\ncannot open " + gone +
           ": No such file or directory"},
      {"training a damaged model",
       [&] {
         ReadMissing();
         platform.ClearRecords();
         TakeFileFailure();
         main->B1_BNClicked();
       },
       "with MOD, then select Reread from the File menu.",
       "The model cannot be trained: {damage}\nRestore the price file at that path, or make the model anew "
       "with kestrivane-cli create, then run the command again."},
      {"no training algorithm",
       [&] {
         main->DoBackProp = main->DoAnnealing = false;
         main->B1_BNClicked();
       },
       "from the Options Menu",
       "Neither training algorithm is on in this model (kestrivane-cli info MODEL.kvn shows DoBackProp and "
       "DoAnnealing as 0); switch one on in the desktop program's Options menu and save the model"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    main->CmFilenew();
    platform.ClearRecords();
    TakeFileFailure();
    c.raise();
    ASSERT_FALSE(platform.messages().empty());
    const std::string raised = platform.messages().back().text;
    EXPECT_NE(raised.find(c.window), std::string::npos) << raised;
    std::string cli = c.cli;
    if (const size_t at = cli.find("{damage}"); at != std::string::npos) cli.replace(at, 8, main->stocks_error);
    EXPECT_EQ(cli::CliMessageText(raised), cli);
  }
}

TEST(CliFileErrors, AFailedFileOperationNamesThePathAndTheReason) {
  TempDir dir;
  dir.write("plain", "not a folder\n");
  std::filesystem::create_directory(dir.file("folder"));
  const struct {
    std::string args;
    std::string err;   // a part of what the command prints on stderr
  } cases[] = {
      {"inspect missing.csv", "cannot open missing.csv: No such file or directory"},
      {"inspect folder", "cannot open folder: Is a directory"},
      {"inspect plain/x.csv", "cannot open plain/x.csv: Not a directory"},
      {"info missing.kvn", "Unable to open file -ERROR 100\ncannot open missing.kvn: No such file or directory"},
      {"predict folder", "cannot open folder: Is a directory"},
      {"info plain/m.kvn", "cannot open plain/m.kvn: Not a directory"},
      {"download --list folder GE", "cannot open the symbol list folder: Is a directory"},
      {"download --list missing GE", "cannot open the symbol list missing: No such file or directory"},
      {"download --cacert plain/x.pem GE", "cannot open the certificate file plain/x.pem: Not a directory"},
      {"create m.kvn --stock GE,missing.csv,10,p", "cannot open missing.csv: No such file or directory"},
      {"demo plain/d --seconds 1", "plain/d: Not a directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CliOutput o = RunCli(dir, c.args);
    EXPECT_NE(o.status, 0);
    EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
  }
}

}  // namespace
}  // namespace kv::test
