// kestrivane-cli demo, predict, simulate, search and batch, run as a user
// runs them.
#include <cstdlib>
#include <map>
#include <sstream>

#include "support/fixture.h"

namespace kv::test {
namespace {

using Output = CliOutput;

class TradingCliTest : public ::testing::Test {
 protected:
  TempDir dir;
  Output Run(const std::string& args) { return RunCli(dir, args); }
  static std::map<std::string, std::string> Fields(const std::string& text) {
    std::map<std::string, std::string> f;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      size_t colon = line.find(": ");
      if (colon != std::string::npos) f[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return f;
  }
};

TEST_F(TradingCliTest, DemoThenTheTradingCommands) {
  Output demo = Run("demo out --seconds 1");
  ASSERT_EQ(demo.status, 0) << demo.err;
  EXPECT_NE(demo.out.find("Ten Day Probability Forecast for GE\n"), std::string::npos) << demo.out;
  EXPECT_NE(demo.out.find("  value:   "), std::string::npos);
  EXPECT_NE(demo.out.find("  trades:  "), std::string::npos);
  EXPECT_NE(demo.err.find("training: "), std::string::npos);
  const std::string model = dir.file("out/demo.kvn");
  for (const char* f : {"out/GE.csv", "out/KO.csv", "out/PG.csv", "out/demo.kvn", "out/report.txt",
                        "out/chart.svg"}) {
    EXPECT_NE(demo.out.find(dir.file(f)), std::string::npos) << f;
    EXPECT_FALSE(ReadFile(dir.file(f)).empty()) << f;
  }

  // predict prints the forecast box's text.
  Output p = Run("predict out/demo.kvn");
  ASSERT_EQ(p.status, 0) << p.err;
  EXPECT_EQ(p.out.rfind("Ten Day Probability Forecast for GE\n\nUp = ", 0), 0u);
  EXPECT_NE(p.out.find("\nKestrivanes advice on "), std::string::npos);

  // simulate prints the four figures; strategy 1 on the same model, with a report.
  Output s = Run("simulate out/demo.kvn --strategy 1 --report rep.txt");
  ASSERT_EQ(s.status, 0) << s.err;
  auto f = Fields(s.out);
  EXPECT_EQ(f["initial"], "1000");
  EXPECT_EQ(f.count("value") + f.count("market") + f.count("trades"), 3u);
  EXPECT_EQ(ReadFile(dir.file("rep.txt")).rfind("               Kestrivane", 0), 0u);
  EXPECT_NE(Run("simulate out/demo.kvn --strategy 9").status, 0);

  // search is refused on a briefly trained model unless forced.
  Output refused = Run("search out/demo.kvn");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("12:00"), std::string::npos);
  Output found = Run("search out/demo.kvn --force");
  ASSERT_EQ(found.status, 0) << found.err;
  f = Fields(found.out);
  for (const char* key : {"buy_up_min", "buy_down_max", "sell_down_min", "sell_up_max", "take_stop_band", "value"})
    EXPECT_EQ(f.count(key), 1u) << key;
  EXPECT_NE(ReadFile(model).find("\nStrategy= 7 "), std::string::npos);

  // batch prints the log.
  dir.write("b.kbf", "KBF 1.9\nP \"" + model + "\"\nP \"missing.kvn\"\n");
  Output b = Run("batch b.kbf");
  EXPECT_EQ(b.status, 1) << b.err;   // a model failed to load
  EXPECT_NE(b.err.find("1 model failed"), std::string::npos) << b.err;
  EXPECT_EQ(b.out.rfind("Date\tTime\tSymbol\tSignal\tConfid\t+Volat\t-Volat\tProfit\tLoss\tfilename\n", 0), 0u);
  EXPECT_NE(b.out.find("\tGE\t"), std::string::npos);
  EXPECT_NE(b.out.find("\n Error openning neural file \"missing.kvn\" for reading\n"), std::string::npos);
  dir.write("bad.kbf", "KBF 1.8\n");
  EXPECT_EQ(Run("batch bad.kbf").status, 1);
}

TEST_F(TradingCliTest, PredictRefusesAnUntrainedModel) {
  Output c = Run("create m.kvn --stock GE," + SamplePath("GE.csv") + ",5,s");
  ASSERT_EQ(c.status, 0) << c.err;
  Output p = Run("predict m.kvn");
  EXPECT_EQ(p.status, 1);
  EXPECT_TRUE(p.out.empty());
  EXPECT_NE(p.err.find("not trained"), std::string::npos);
}

}  // namespace
}  // namespace kv::test
