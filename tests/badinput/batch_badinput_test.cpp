// Bad batch files (.kbf) run with File > Batch > Run Batch. A file that is
// no batch file is refused with 703 before anything runs and the model in
// the window stays; a bad line costs only that line.
#include <string>
#include <vector>

#include "app/launch.h"
#include "badinput/bad_inputs.h"
#include "badinput/badinput_support.h"
#include "data/price_files.h"
#include "resources/ids.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

constexpr const char* kHeader = "Date\tTime\tSymbol\tSignal\tConfid\t+Volat\t-Volat\tProfit\tLoss\tfilename\n";

class BatchBadInput : public MainDlgTest {
 protected:
  std::string model;   // good.kvn: a one-stock model
  std::string model_text;

  void SetUp() override {
    // A minute of training passes at every pump.
    clock.SetStepPerPump(60000);
    SetSpawnForTesting([](const std::vector<std::string>&) { return true; });
    dir.write("target.csv", PriceText(TradingDays(2024, 1, 2, 200), IsoLine));
    window->SetText(ids::IDC_SYMBOL, "TGT");
    window->SetText(ids::IDC_FILENAME, "target.csv");
    window->SetText(ids::IDC_INFL_PERIOD, "3");
    window->Check(ids::IDC_SHORT, true);
    main->TICKER_ADD_BNClicked();
    main->model_path = "good.kvn";
    main->Save_Param();
    model = dir.file("good.kvn");
    model_text = ReadFile(model);
    platform.ClearRecords();
  }
  void TearDown() override { SetSpawnForTesting(nullptr); }

  static constexpr const char* kLastLog = "the log of the last run\n";

  std::string Run(const std::string& text) {
    const std::string path = dir.write("bad.kbf", text);
    dir.write("batch.log", kLastLog);
    platform.ClearRecords();
    main->RunBatch(path.c_str());
    EXPECT_FALSE(main->batch_running);
    return ReadFile(dir.file("batch.log"));
  }
};

TEST_F(BatchBadInput, FilesOfTheWrongKind) {
  const std::string good = "KBF 1.9\nP \"good.kvn\"\n";
  for (const auto& v : bad::CommonVariants(good, "# " + std::string(99998, '#'))) {
    SCOPED_TRACE(v.name);
    const std::string name = v.name;
    main->model_path = model;
    ASSERT_TRUE(main->Read_Param().ok);   // the model in the window
    const ModelPicture before = ModelPicture::Of(*main);
    const std::string log = Run(v.bytes);
    if (name == "a line of 100,000 characters") {
      // A long comment is one line: the P line after it runs.
      EXPECT_TRUE(platform.messages().empty());
      EXPECT_EQ(log.rfind(kHeader, 0), 0u);
      EXPECT_NE(log.find("\tTGT\t"), std::string::npos);
    } else if (name == "no line ends" || name == "CR-only line ends") {
      // Without line feeds the whole file is the first line: it begins with
      // the magic, the rest of it is ignored, and nothing runs.
      EXPECT_TRUE(platform.messages().empty());
      EXPECT_EQ(log, kHeader);
    } else {
      // Not a batch file: 703, the last run's log is left alone, and the
      // model in the window stays as it was.
      ASSERT_EQ(ErrorNumbers(platform), std::vector<std::string>{"703"});
      EXPECT_EQ(platform.messages()[0].text, "File " + dir.file("bad.kbf") + " is not a batch file -ERROR 703");
      EXPECT_EQ(log, kLastLog);
      EXPECT_EQ(ModelPicture::Of(*main), before);
      EXPECT_EQ(main->n_files, 1);
    }
    EXPECT_EQ(ReadFile(model), model_text);
  }
}

TEST_F(BatchBadInput, TLineWithoutQuotes) {
  // No quotes: no model path. The line's failure is logged with the empty
  // path and the next line runs; the model named without quotes is neither
  // loaded nor written.
  const std::string log = Run("KBF 1.9\nT 0:01 good.kvn\nP \"good.kvn\"\n");
  EXPECT_TRUE(platform.messages().empty());
  const std::string failed = std::string(kHeader) + " Error openning neural file \":\" for reading\n";
  ASSERT_EQ(log.rfind(failed, 0), 0u) << log;
  EXPECT_NE(log.find("\tTGT\tHOLD\t", failed.size()), std::string::npos) << log;
  EXPECT_EQ(ReadFile(model), model_text);
}

TEST_F(BatchBadInput, TimeOfNinetyNineThousandHours) {
  // 99999:99 is more than a window timer holds: the limit is the longest
  // one it does hold (about 49.7 days), not a time wrapped round to a few
  // hours. A day passes at every pump, so the run ends after some 50 pumps.
  clock.SetStepPerPump(24ull * 3600 * 1000);
  std::vector<unsigned> limits;
  platform.AddPoller([&] {
    if (platform.HasTimer(main.get(), ids::TIMER_TIME_LIMIT))
      limits.push_back(platform.TimerPeriod(main.get(), ids::TIMER_TIME_LIMIT));
  });
  const std::string log = Run("KBF 1.9\nT 99999:99 \"good.kvn\"\n");
  ASSERT_FALSE(limits.empty());
  EXPECT_EQ(limits.front(), 4294967295u);
  EXPECT_TRUE(platform.messages().empty());
  EXPECT_NE(log.find("\tTGT\t"), std::string::npos) << log;
  EXPECT_NE(log.find("good.kvn\t\n"), std::string::npos) << log;
  // The trained model was saved.
  EXPECT_NE(ReadFile(model), model_text);
}

TEST_F(BatchBadInput, FiftyMegabytesOfComments) {
  const std::string log = Run("KBF 1.9\n" + bad::Repeated("# nothing to do", 50u << 20) + "P \"good.kvn\"\n");
  EXPECT_TRUE(platform.messages().empty());
  EXPECT_NE(log.find("\tTGT\t"), std::string::npos);
}

}  // namespace
}  // namespace kv::test
