// The model file's codec on its own: every model file we have survives a
// round trip, files this program wrote come back byte for byte, and each
// kind of bad file gives its number and exact message.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "model/kvn_codec.h"
#include "model/model_fixture.h"
#include "support/fixture.h"
#include "util/file.h"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

// A small model of one stock: 2 inputs, 2 hidden neurons, 2 outputs.
KvnModel SmallModel() {
  KvnModel m;
  KvnStock s;
  s.data_file = "prices.csv";
  s.symbol = "GE";
  m.stocks.push_back(s);
  m.in_nodes = 2;
  m.x_matrix = 2;
  m.out_nodes = 2;
  m.learn_rate = 0.05f;
  m.hidden_w = {0.5f, -1.25f, 3, 0.125f, 7e-5f, -2};
  m.out_w = {1, 2, 3, 4, 5, 6};
  return m;
}

// text with the first line that starts with `key` replaced by `line`.
std::string WithLine(std::string text, const std::string& key, const std::string& line) {
  const size_t at = text.find("\n" + key) + 1;
  return text.replace(at, text.find('\n', at) - at, line);
}

TEST(KvnCodecTest, EveryModelFileRoundTrips) {
  TempDir dir;
  // Models this program writes: one from the sample prices, through the
  // command line as a user makes it.
  ASSERT_EQ(RunCli(dir, "create made.kvn --accept-poor-data --stock GE," + SamplePath("GE.csv") +
                            ",10,ps --stock KO," + SamplePath("KO.csv") + ",5,pv")
                .status,
            0);
  std::vector<std::string> written = {dir.file("made.kvn")};
  std::vector<std::string> files = written;
  const fs::path root = fs::path(KV_SAMPLES_DIR).parent_path();
  for (const char* folder : {"samples", "tests", "fuzz/corpus"})
    for (const auto& e : fs::recursive_directory_iterator(root / folder))
      if (e.path().extension() == ".kvn") files.push_back(e.path().string());

  int parsed = 0;
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    std::string text;
    ASSERT_TRUE(ReadFileToString(path, &text));
    KvnModel x, again;
    KvnError err;
    if (!ParseKvn(text, &x, &err)) continue;   // refused files are the error table's
    ++parsed;
    ASSERT_TRUE(ParseKvn(FormatKvn(x), &again, &err)) << err.message;
    EXPECT_EQ(again, x);
    if (std::find(written.begin(), written.end(), path) != written.end()) {
      EXPECT_EQ(FormatKvn(x), text);
    }
  }
  EXPECT_GE(parsed, 6);
}

using KvnCodecDialogTest = ModelFileTest;

TEST_F(KvnCodecDialogTest, FilesTheDialogWritesFormatToTheSameBytes) {
  BuildModel();   // two stocks, strategy 7, every setting away from its default
  main->Strategy = 4;
  main->model_path = dir.file("strategy4.kvn");
  main->Save_Param();
  main->CmFilenew();
  main->model_path = dir.file("empty.kvn");
  main->Save_Param();
  for (const std::string& path : {model, dir.file("strategy4.kvn"), dir.file("empty.kvn")}) {
    SCOPED_TRACE(path);
    const std::string text = ReadFile(path);
    KvnModel x;
    ASSERT_TRUE(ParseKvn(text, &x, nullptr));
    EXPECT_EQ(FormatKvn(x), text);
  }
}

TEST(KvnCodecTest, ValuesOutsideTheirRangeAreBroughtIn) {
  const std::string good = FormatKvn(SmallModel());
  const struct {
    const char* key;
    const char* line;
    bool (*check)(const KvnModel&);
  } cases[] = {
      {"eval_days", "eval_days= 5", [](const KvnModel& m) { return m.eval_days == 10; }},
      {"keepout_days", "keepout_days= 3", [](const KvnModel& m) { return m.keepout_days == 10; }},
      {"Strategy", "Strategy= 9 ", [](const KvnModel& m) { return m.Strategy == 3; }},
      {"Strategy", "Strategy= -1 ", [](const KvnModel& m) { return m.Strategy == 3; }},
      {"out_nodes", "out_nodes= 5", [](const KvnModel& m) { return m.out_nodes == 2; }},
      {"Training", "Training= 0  ", [](const KvnModel& m) { return !m.DoAnnealing && !m.DoGenetic; }},
      {"Training", "Training= a g", [](const KvnModel& m) { return m.DoAnnealing && m.DoGenetic; }},
      {"Training", "Training= 1", [](const KvnModel& m) { return m.DoAnnealing && !m.DoGenetic; }},
      {"symbol", "symbol= A B", [](const KvnModel& m) { return m.stocks[0].symbol == "A B"; }},
      {"n_days", "n_days= many", [](const KvnModel& m) { return m.n_days == 0; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    KvnModel m;
    KvnError err;
    ASSERT_TRUE(ParseKvn(WithLine(good, c.key, c.line), &m, &err)) << err.message;
    EXPECT_TRUE(c.check(m));
  }
  // A hidden layer below two neurons is raised to two, and its weights are
  // read for two.
  KvnModel one = SmallModel();
  one.x_matrix = 1;
  one.hidden_w.resize(3);
  one.out_w = {1, 2, 3, 4};
  KvnModel m;
  EXPECT_FALSE(ParseKvn(FormatKvn(one), &m, nullptr));
  one.hidden_w.resize(6, 0.25f);
  one.out_w.resize(6, 0.5f);
  ASSERT_TRUE(ParseKvn(FormatKvn(one), &m, nullptr));
  EXPECT_EQ(m.x_matrix, 2);
  EXPECT_EQ(m.out_w.back(), 0.5f);
}

TEST(KvnCodecTest, Errors) {
  const std::string good = FormatKvn(SmallModel());
  const std::string header = "Kestrivane 1.8\n";
  const std::string format = "Bad Neural Parameters (.kvn) file format\n";
  const std::string limits = "Neural Parameters (.kvn) file exceeds the limits of Kestrivane\n";
  const std::string ended = format + "The file ends before all values were read\n-ERROR 101";
  const std::string weights = good.substr(0, good.find("\n0.5\n") + 1);
  const struct {
    const char* name;
    std::string input;
    int number;
    std::string message;
    std::string detail;   // empty: not checked
  } cases[] = {
      {"empty", "", 101, "Bad Neural Parameters (.kvn) file format -ERROR 101", ""},
      {"binary", std::string("\x7f" "ELF\x02\x01\x01\0\0\xff\xfe", 11), 101,
       "Bad Neural Parameters (.kvn) file format -ERROR 101", ""},
      {"another header", "Kestrel 1.8\nn_files= 0\n", 101, "Bad Neural Parameters (.kvn) file format -ERROR 101", ""},
      {"wrong version", "Kestrivane 1.9\n" + good.substr(header.size()), 102,
       "Wrong Version  Neural Parameters (.kvn) file -ERROR 102", "version \"1.9\"; this program reads version 1.8"},
      {"retired version", "Kestrivane 1.7\n" + good.substr(header.size()), 102, "", ""},
      {"header alone", header, 101, ended, "line 2 (n_files)"},
      {"cut in the stock", good.substr(0, good.find("normal3=")), 101, ended, ""},
      {"cut in the weights", weights + "0.5\n", 101, ended, "line 37 (a weight)"},
      {"binary after the header", header + std::string("n_files= \x01\x02\xff\n", 13), 101,
       format + "The value of n_files is not a whole number\n-ERROR 101", "line 2 (n_files)"},
      {"a word for a number", WithLine(good, "learn_rate", "learn_rate= abc"), 101,
       format + "The value of learn_rate is not a number\n-ERROR 101", "line 26 (learn_rate)"},
      {"a real for an integer", WithLine(good, "eval_days", "eval_days= 140.5"), 101,
       format + "The value of eval_days is not a whole number\n-ERROR 101", ""},
      {"an infinite factor", WithLine(good, "normal3", "normal3= 1e999"), 101,
       format + "The value of normal3 is not a number\n-ERROR 101", ""},
      {"a weight that is no number", weights + "nan\n", 101,
       format + "A weight of the network is not a number\n-ERROR 101", "line 36 (a weight)"},
      {"a path without quotes", WithLine(good, "data_file", "data_file= prices.csv"), 101,
       format + "The data_file of stock 1 is not a path between double quotes\n-ERROR 101", ""},
      {"four stocks", WithLine(good, "n_files", "n_files= 4"), 101,
       limits + "n_files= 4: a model holds at most 3 stocks\n-ERROR 101", "line 2 (n_files)"},
      {"influence period 21", WithLine(good, "infl_periods", "infl_periods= 21"), 101,
       limits + "infl_periods= 21: the influence period is at most 20\n-ERROR 101", ""},
      {"13 hidden neurons", WithLine(good, "x_matrix", "x_matrix= 13"), 101,
       limits + "x_matrix= 13: the hidden layer has at most 12 neurons\n-ERROR 101", ""},
      {"two hidden layers", WithLine(good, "y_matrix", "y_matrix= 2"), 101,
       limits + "y_matrix= 2: the network has one hidden layer\n-ERROR 101", ""},
      {"241 inputs", WithLine(good, "in_nodes", "in_nodes= 241"), 101,
       limits + "in_nodes= 241: the network has at most 240 inputs\n-ERROR 101", ""},
      {"negative inputs", WithLine(good, "in_nodes", "in_nodes= -3"), 101,
       format + "The value of net.in_nodes is negative\n-ERROR 101", ""},
      {"inputs beyond the weights", WithLine(good, "in_nodes", "in_nodes= 240"), 101, ended, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    KvnModel m = SmallModel();
    KvnError err;
    EXPECT_FALSE(ParseKvn(c.input, &m, &err));
    EXPECT_EQ(err.number, c.number);
    EXPECT_EQ(err.message, c.message);
    if (!c.detail.empty()) {
      EXPECT_EQ(err.detail, c.detail);
    }
    EXPECT_EQ(m, SmallModel());   // a refused file changes nothing
  }
}

}  // namespace
}  // namespace kv::test
