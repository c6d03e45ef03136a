// The price-file side of kestrivane-cli as a user meets it: inspect says
// what was read, create refuses poor data unless told otherwise, and a
// "price file" that is no file is answered at once.
#include <sys/stat.h>

#include <cstdlib>

#include "data/price_files.h"
#include "support/fixture.h"
#include "util/text.h"

namespace kv::test {
namespace {

using Output = CliOutput;

class PriceDataCliTest : public ::testing::Test {
 protected:
  TempDir dir;
  Output Run(const std::string& args) { return RunCli(dir, args); }
};

TEST_F(PriceDataCliTest, InspectSaysWhichColumnsAndHowManyDays) {
  const auto days = TradingDays(2020, 1, 2, 130);
  dir.write("v.csv", PriceText(days, [](const Day& d, int i) {
    return Format("%04d-%02d-%02d,1,2,3,%.2f,%d,%.2f", d.y, d.m, d.d, 30.0 + i % 7, 5000 + i,
                  i == 40 ? 0.0 : 20.0 + i % 7);
  }, "Date,Open,High,Low,Close,Volume,Adj Close\n"));
  const Output o = Run("inspect v.csv");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("price column: 7\nvolume column: 6\nrows: 130\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find(Format("warning: price 0 on 1 quoted day, the first on %d\n", days[40].ymd())),
            std::string::npos)
      << o.out;
}

TEST_F(PriceDataCliTest, CreateRefusesPoorDataUnlessAccepted) {
  const auto days = TradingDays(2020, 1, 2, 200);
  dir.write("t.csv", PriceText(days, IsoLine));
  // The related stock starts late: it quotes only part of the training window.
  dir.write("r.csv", PriceText(std::vector<Day>(days.begin() + 75, days.end()), IsoLine));
  const std::string stocks = "--stock T,t.csv,5,s --stock R,r.csv,5,s";
  const Output refused = Run("create m.kvn " + stocks);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("R (r.csv): quotes only 115 of the 130 days of the training window"),
            std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("--accept-poor-data"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("m.kvn")));

  const Output accepted = Run("create m.kvn " + stocks + " --accept-poor-data");
  EXPECT_EQ(accepted.status, 0) << accepted.err;
  EXPECT_NE(accepted.err.find("warning: R (r.csv): quotes only 115"), std::string::npos) << accepted.err;
  EXPECT_TRUE(std::filesystem::exists(dir.file("m.kvn")));
  const Output info = Run("info m.kvn");
  EXPECT_EQ(info.status, 0);
  EXPECT_NE(info.err.find("r.csv): quotes only 115"), std::string::npos) << info.err;

  // Prices of 2020 are old on any day these tests run.
  ASSERT_EQ(Run("train m.kvn --steps 3 --seed 1").status, 0);
  const Output predict = Run("predict m.kvn");
  EXPECT_EQ(predict.status, 0) << predict.err;
  EXPECT_NE(predict.err.find(Format("warning: latest price %d is ", days.back().ymd())), std::string::npos)
      << predict.err;
}

TEST_F(PriceDataCliTest, NoFileAsPriceFileIsAnsweredAtOnce) {
  ASSERT_EQ(::mkfifo(dir.file("fifo.csv").c_str(), 0600), 0);
  for (const char* path : {"fifo.csv", ".", "/dev/zero"}) {
    SCOPED_TRACE(path);
    const Output o = Run(std::string("inspect ") + path);
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("-ERROR 453"), std::string::npos) << o.err;
  }
}

}  // namespace
}  // namespace kv::test
