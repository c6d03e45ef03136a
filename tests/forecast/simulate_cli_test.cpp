// kestrivane-cli simulate with its statistics, money settings for one run,
// JSON and CSV, run as a user runs it.
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "support/fixture.h"
#include "util/json.h"

namespace kv::test {
namespace {

class SimulateCliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    model_dir_ = new TempDir;
    const CliOutput demo = RunCli(*model_dir_, "demo out --seconds 1");
    ASSERT_EQ(demo.status, 0) << demo.err;
  }
  static void TearDownTestSuite() {
    delete model_dir_;
    model_dir_ = nullptr;
  }
  static std::string Model() { return model_dir_->file("out/demo.kvn"); }
  CliOutput Run(const std::string& args) { return RunCli(dir, args); }
  // "name: value" lines; the block after the first empty line (the
  // statistics) apart from the figures above it.
  static std::map<std::string, std::string> Fields(const std::string& text, bool stats) {
    std::map<std::string, std::string> f;
    std::istringstream in(text);
    std::string line;
    bool below = false;
    while (std::getline(in, line)) {
      if (line.empty()) below = true;
      const size_t colon = line.find(": ");
      if (colon != std::string::npos && below == stats) f[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return f;
  }
  TempDir dir;
  static TempDir* model_dir_;
};
TempDir* SimulateCliTest::model_dir_ = nullptr;

TEST_F(SimulateCliTest, JsonHoldsWhatTheTextShows) {
  const std::string model_before = ReadFile(Model());
  const std::string kv_dat = (std::filesystem::path(KV_CLI_PATH).parent_path() / "kv.dat").string();
  const CliOutput r = Run("simulate '" + Model() + "' --strategy 5 --stats --json=s.json --cash 12345 " +
                          "--fee-per-trade 7 --fee-per-share 0.5 --fee-share-threshold 3 --commission 0.25");
  ASSERT_EQ(r.status, 0) << r.err;
  JsonValue doc;
  std::string err;
  ASSERT_TRUE(ParseJson(ReadFile(dir.file("s.json")), &doc, &err)) << err;

  // The figures: the text rounds to whole units.
  const auto figures = Fields(r.out, false);
  EXPECT_EQ(figures.at("initial"), "12345");
  for (const char* key : {"value", "initial", "market", "trades"}) {
    ASSERT_NE(doc.Find("figures")->Find(key), nullptr) << key;
    EXPECT_NEAR(std::stod(figures.at(key)), doc.Find("figures")->Find(key)->AsNumber(), 0.5) << key;
  }
  // Every statistic, in the text's order, with the text's rounding.
  const auto stats = Fields(r.out, true);
  ASSERT_EQ(stats.size(), 20u) << r.out;
  for (const auto& [key, text] : stats) {
    const JsonValue* v = doc.Find(key);
    ASSERT_NE(v, nullptr) << key;
    if (text == "n/a") EXPECT_TRUE(v->is_null()) << key;
    else EXPECT_NEAR(std::stod(text), v->AsNumber(), 0.0051) << key;
  }
  const JsonValue& money = *doc.Find("money");
  EXPECT_EQ(money.Find("initial")->AsNumber(), 12345);
  EXPECT_EQ(money.Find("fee_per_trade")->AsNumber(), 7);
  EXPECT_EQ(money.Find("fee_share_threshold")->AsNumber(), 3);
  EXPECT_FLOAT_EQ(money.Find("commission_pct")->AsNumber(), 0.25);
  EXPECT_EQ(doc.Find("strategy")->AsNumber(), 5);

  // The curve starts with the cash the day before the run and ends at the
  // value; one trip per completed trade.
  const auto& equity = doc.Find("equity")->items();
  ASSERT_EQ(equity.size(), static_cast<size_t>(doc.Find("days")->AsNumber()) + 1);
  EXPECT_EQ(equity.front().Find("value")->AsNumber(), 12345);
  EXPECT_LT(equity.front().Find("date")->AsNumber(), doc.Find("start")->AsNumber());
  EXPECT_EQ(equity.back().Find("value")->AsNumber(), doc.Find("figures")->Find("value")->AsNumber());
  EXPECT_EQ(doc.Find("round_trips")->size(), static_cast<size_t>(doc.Find("trades")->AsNumber()));
  for (const JsonValue& t : doc.Find("round_trips")->items())
    EXPECT_LE(t.Find("buy_date")->AsNumber(), t.Find("sell_date")->AsNumber());

  // Alone, --json prints the same document instead of the text.
  const CliOutput only = Run("simulate '" + Model() + "' --strategy 5 --json --cash 12345 " +
                             "--fee-per-trade 7 --fee-per-share 0.5 --fee-share-threshold 3 --commission 0.25");
  ASSERT_EQ(only.status, 0) << only.err;
  EXPECT_EQ(only.out, ReadFile(dir.file("s.json")));

  // One run's money never reaches kv.dat, nor anything the model file.
  EXPECT_EQ(ReadFile(kv_dat).find("12345"), std::string::npos);
  EXPECT_EQ(ReadFile(Model()), model_before);
  const CliOutput plain = Run("simulate '" + Model() + "'");
  EXPECT_EQ(Fields(plain.out, false).at("initial"), "1000");
}

TEST_F(SimulateCliTest, ReportAsCsv) {
  const CliOutput r = Run("simulate '" + Model() + "' --strategy 5 --report-csv days.csv --json=s.json");
  ASSERT_EQ(r.status, 0) << r.err;
  JsonValue doc;
  std::string err;
  ASSERT_TRUE(ParseJson(ReadFile(dir.file("s.json")), &doc, &err)) << err;
  std::istringstream csv(ReadFile(dir.file("days.csv")));
  std::string line;
  std::getline(csv, line);
  EXPECT_EQ(line, "date,price,value,action,shares,fee");
  // Row d is the day of equity point d + 1; a row with a trade names it.
  const auto& equity = doc.Find("equity")->items();
  size_t rows = 0, trades = 0;
  while (std::getline(csv, line)) {
    ++rows;
    ASSERT_LT(rows, equity.size());
    EXPECT_EQ(line.substr(0, 8), std::to_string(static_cast<long>(equity[rows].Find("date")->AsNumber())));
    std::vector<std::string> cells;
    std::istringstream fields(line);
    for (std::string c; std::getline(fields, c, ',');) cells.push_back(c);
    if (cells.size() == 5) cells.push_back("");
    ASSERT_EQ(cells.size(), 6u) << line;
    if (!cells[3].empty()) ++trades;
  }
  EXPECT_EQ(rows + 1, equity.size());
  EXPECT_EQ(trades + 1, static_cast<size_t>(doc.Find("figures")->Find("trades")->AsNumber()));
}

TEST_F(SimulateCliTest, BadMoneyIsAUsageError) {
  for (const char* option : {"--cash 0", "--cash -5", "--cash lots", "--fee-per-trade -1",
                             "--fee-per-share nan", "--commission 101", "--fee-share-threshold 2.5",
                             "--fee-share-threshold -1", "--cash", "--report-csv="}) {
    SCOPED_TRACE(option);
    const CliOutput r = Run("simulate '" + Model() + "' " + option);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace kv::test
