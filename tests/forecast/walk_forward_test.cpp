// The walk-forward test: no fold sees a later price, the threads change
// nothing, and kestrivane-cli walkforward as a user runs it.
#include <cmath>
#include <cstring>
#include <memory>

#include "forecast/walk_forward.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

// Two stocks of 260 days with some rhythm to learn.
WalkForwardModel SmallModel() {
  WalkForwardModel m;
  const int n = 260;
  for (int d = 0; d < n; ++d) m.dates.push_back(20100101 + d);
  for (int s = 0; s < 2; ++s) {
    RawStock st;
    for (int d = 0; d < n; ++d) {
      st.close.push_back(40.0f + 6.0f * std::sin(d / (7.0f + s)) + 0.05f * d);
      st.volume.push_back(1000.0f + (d * 37 % 101));
    }
    st.do_s_price = st.do_l_price = true;
    st.do_volume = s == 1;
    st.periods = 5;
    m.stocks.push_back(std::move(st));
  }
  m.neurons = 3;
  m.rules.max_neurons = 5;
  return m;
}

WalkForwardSettings SmallSettings() {
  WalkForwardSettings s;
  s.folds = 3;
  s.test_days = 30;
  s.train_days = 60;
  s.steps_per_fold = 2500;   // past two checkpoints, where a phase keeps its best network
  s.seed = 7;
  s.jobs = 2;
  return s;
}

WalkForwardResult RunTest(const WalkForwardModel& m, const WalkForwardSettings& s) {
  WalkForwardResult r;
  std::string err;
  EXPECT_TRUE(RunWalkForward(m, s, nullptr, nullptr, &r, &err)) << err;
  return r;
}

TEST(WalkForward, NoFoldDependsOnALaterPrice) {
  const WalkForwardModel base = SmallModel();
  const WalkForwardResult before = RunTest(base, SmallSettings());
  ASSERT_EQ(before.folds.size(), 3u);
  // Fold 1 tests days 190..219 and trains on 121..180 (targets up to 189).
  EXPECT_EQ(before.folds[1].test_start, 20100101 + 190);
  EXPECT_EQ(before.folds[1].test_end, 20100101 + 219);
  EXPECT_EQ(before.folds[1].train_start, 20100101 + 121);
  EXPECT_EQ(before.folds[1].train_end, 20100101 + 180);
  struct Case {
    const char* name;
    int changed_from;       // every price of every stock from this day on
    bool same_network;      // fold 1's
    size_t same_outputs;    // fold 1's first outputs unchanged
  } cases[] = {
      {"after the training window and its targets", 190, true, 0},
      {"after test day 204", 205, true, 15},
      {"inside the training window", 150, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WalkForwardModel m = base;
    for (RawStock& st : m.stocks)
      for (size_t d = c.changed_from; d < st.close.size(); ++d) {
        st.close[d] = st.close[d] * 1.3f + 2;
        st.volume[d] *= 3;
      }
    const WalkForwardResult after = RunTest(m, SmallSettings());
    const FoldResult &a = before.folds[1], &b = after.folds[1];
    EXPECT_EQ(a.weights == b.weights, c.same_network);
    for (size_t k = 0; k < c.same_outputs; ++k)
      EXPECT_EQ(std::memcmp(&a.outputs[k], &b.outputs[k], sizeof a.outputs[k]), 0) << k;
    if (c.same_network) {
      JsonValue sa, sb;   // in sample, too
      AddStats(sa, a.train);
      AddStats(sb, b.train);
      EXPECT_EQ(sa.Dump(), sb.Dump());
      EXPECT_TRUE(before.folds[0].weights == after.folds[0].weights);
    }
  }
}

TEST(WalkForward, ThreadsAndRunsGiveTheSameResult) {
  const WalkForwardModel m = SmallModel();
  WalkForwardSettings s = SmallSettings();
  const std::string first = WalkForwardJson(RunTest(m, s)).Dump();
  for (int jobs : {1, 3, 2}) {
    s.jobs = jobs;
    EXPECT_EQ(WalkForwardJson(RunTest(m, s)).Dump(), first) << jobs;
  }
  s.seed = 8;
  EXPECT_NE(WalkForwardJson(RunTest(m, s)).Dump(), first);
}

TEST(WalkForward, RefusesWhatItCannotRun) {
  struct Case {
    int folds, test_days, train_days;
    bool stopped;
    const char* error_part;
  } cases[] = {
      {3, 60, 61, false, "holds 260 days, but 3 folds of 60 test days with 61 training days need 261"},
      {4, 40, 81, false, "need 261"},
      {0, 30, 60, false, "folds must be 1 to 100"},
      {3, 30, 60, true, "stopped"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error_part);
    WalkForwardSettings s = SmallSettings();
    s.folds = c.folds;
    s.test_days = c.test_days;
    s.train_days = c.train_days;
    std::atomic<bool> stop{c.stopped};
    WalkForwardResult r;
    std::string err;
    EXPECT_FALSE(RunWalkForward(SmallModel(), s, nullptr, &stop, &r, &err));
    EXPECT_NE(err.find(c.error_part), std::string::npos) << err;
  }
  // One day fewer than needed is too few; exactly enough runs.
  WalkForwardSettings s = SmallSettings();
  s.train_days = 150;   // 3 x 30 + 150 + 20 = 260
  EXPECT_EQ(RunTest(SmallModel(), s).folds.size(), 3u);
}

// kestrivane-cli walkforward on a model made from a sample file.
TEST(WalkForwardCli, RunsAsAUserRunsIt) {
  TempDir dir;
  CliOutput made = RunCli(dir, "create m.kvn --stock GE," + SamplePath("GE.csv") + ",5,sl");
  ASSERT_EQ(made.status, 0) << made.err;
  const std::string model = ReadFile(dir.file("m.kvn"));
  const std::string opts = " --folds 2 --test-days 20 --train-days 40 --steps-per-fold 2500";

  CliOutput text = RunCli(dir, "walkforward m.kvn" + opts + " --json=a.json --jobs 1");
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("out of sample"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("minimum\ntraining time does not apply"), std::string::npos);
  EXPECT_NE(text.err.find("fold 2 of 2"), std::string::npos) << text.err;
  CliOutput json = RunCli(dir, "walkforward m.kvn" + opts + " --json --jobs 2 --cash 5000");
  ASSERT_EQ(json.status, 0) << json.err;
  CliOutput again = RunCli(dir, "walkforward m.kvn" + opts + " --jobs 2 --json");
  EXPECT_EQ(ReadFile(dir.file("a.json")), again.out);
  EXPECT_NE(json.out, again.out);   // other money
  JsonValue doc;
  std::string err;
  ASSERT_TRUE(ParseJson(json.out, &doc, &err)) << err;
  ASSERT_EQ(doc.Find("folds")->size(), 2u);
  EXPECT_EQ(doc.Find("folds")->items()[0].Find("outputs")->size(), 20u);
  EXPECT_EQ(doc.Find("out_of_sample")->Find("equity")->items()[0].Find("value")->AsNumber(), 5000);
  EXPECT_EQ(ReadFile(dir.file("m.kvn")), model);   // only read

  struct Case {
    const char* args;
    int status;
    const char* says;
  } cases[] = {
      {"walkforward m.kvn --folds 40", 1, "use fewer folds or fewer days"},
      {"walkforward missing.kvn --steps-per-fold 1", 1, "cannot open the model"},
      {"walkforward m.kvn --folds 0", 2, "--folds wants a whole number from 1 to 100"},
      {"walkforward m.kvn --steps-per-fold 5 --seconds-per-fold 1", 2, "not both"},
      {"walkforward m.kvn --strategy 8", 2, "--strategy wants"},
      {"walkforward m.kvn --jobs x", 2, "--jobs wants"},
      {"walkforward m.kvn --window 3", 2, "--window"},
      {"walkforward", 2, "give exactly one model file"},
  };
  for (const Case& c : cases) {
    CliOutput r = RunCli(dir, c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
  }
}

}  // namespace
}  // namespace kv::test
