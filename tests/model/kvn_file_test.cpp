// The .kvn model file: round trips, clamps, refusals, damaged files and the
// atomic save.
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <random>

#include "model/model_fixture.h"
#include "net/random.h"
#include "resources/ids.h"
#include "support/fixture.h"
#include "util/text.h"

namespace kv::test {

namespace {

using KvnFileTest = ModelFileTest;

TEST_F(KvnFileTest, RoundTripKeepsEveryFieldAndWeight) {
  BuildModel();
  TMainDlg& m = *main;
  // What the reader must give back.
  const std::vector<float> hidden = [&] {
    std::vector<float> v;
    for (int h = 0; h < 5; ++h)
      for (int j = 0; j <= m.net.in_nodes; ++j) v.push_back(Rounded(m.net.hidden_w[j][h]));
    return v;
  }();
  const float out01 = Rounded(m.net.out_w[0][1]), out15 = Rounded(m.net.out_w[1][5]);
  const float a_norm[5] = {Rounded(m.stocks[0]->normal1), Rounded(m.stocks[0]->normal2),
                           Rounded(m.stocks[0]->normal3), Rounded(m.stocks[0]->normal4),
                           Rounded(m.stocks[0]->normal5)};
  const int in_nodes = m.net.in_nodes, eval_days = m.eval_days, keepout_days = m.keepout_days;
  const std::string first = ReadFile(model);
  // Price files beside the model are stored relative to its folder.
  EXPECT_NE(first.find("data_file= \"my data/a prices.csv\"\n"), std::string::npos);
  EXPECT_NE(first.find("\nStrategy= 7 0.8 0.3 0.7 0.35 0.15 \n"), std::string::npos);
  EXPECT_NE(first.find("\nlearn_rate= 0.0123457\n"), std::string::npos);
  EXPECT_NE(first.find("\nTraining= 0 g\n"), std::string::npos);
  EXPECT_EQ(first.rfind("Kestrivane 1.8\nn_files= 2\nTrained= 2\n", 0), 0u);

  m.CmFilenew();
  ASSERT_EQ(m.n_files, 0);
  m.model_path = model;
  ASSERT_TRUE(m.Read_Param().ok);
  EXPECT_TRUE(platform.messages().empty());
  EXPECT_FALSE(m.modified);
  EXPECT_FALSE(m.untitled);

  ASSERT_EQ(m.n_files, 2);
  const Stock& a = *m.stocks[0];
  const Stock& b = *m.stocks[1];
  EXPECT_EQ(a.data_file, dir.file("my data/a prices.csv"));
  EXPECT_EQ(a.symbol, "AAA");
  EXPECT_EQ(b.symbol, "BB");
  EXPECT_EQ(a.infl_periods, 3);
  EXPECT_EQ(b.infl_periods, 2);
  EXPECT_EQ(b.infl_period, 4);
  EXPECT_TRUE(a.do_price && !a.do_volume && !a.do_l_price && a.do_s_price);
  EXPECT_TRUE(!b.do_price && b.do_volume && b.do_l_price && !b.do_s_price);
  const float got_norm[5] = {a.normal1, a.normal2, a.normal3, a.normal4, a.normal5};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(got_norm[k], a_norm[k]) << "normal" << k + 1;
  EXPECT_EQ(m.Trained, 2);
  EXPECT_EQ(m.net.x_matrix, 5);
  EXPECT_EQ(m.Strategy, 7);
  EXPECT_EQ(m.buy_up_min, 0.8f);
  EXPECT_EQ(m.take_stop_band, 0.15f);
  EXPECT_EQ(m.nh_synapsis, 7);
  EXPECT_EQ(m.threshold, 1.5f);
  EXPECT_EQ(m.points_stock, 11);
  EXPECT_EQ(m.net.in_nodes, in_nodes);
  EXPECT_EQ(m.net.learn_rate, Rounded(0.0123456789f));
  EXPECT_EQ(m.eval_days, eval_days);
  EXPECT_EQ(m.keepout_days, keepout_days);
  EXPECT_EQ(m.day_increm, 3);
  EXPECT_EQ(m.TimeTrained, 77);
  EXPECT_FALSE(m.DoAnnealing);
  EXPECT_TRUE(m.DoGenetic);
  EXPECT_FALSE(m.DoBackProp);
  EXPECT_TRUE(m.AutoSave);
  EXPECT_FALSE(m.AutoIncNeu);
  EXPECT_EQ(m.PredicMode, 1);
  size_t k = 0;
  for (int h = 0; h < 5; ++h)
    for (int j = 0; j <= m.net.in_nodes; ++j)
      ASSERT_EQ(m.net.hidden_w[j][h], hidden[k++]) << h << "," << j;
  EXPECT_EQ(m.net.out_w[0][1], out01);
  EXPECT_EQ(m.net.out_w[1][5], out15);
  // A trained model: the list is locked, PREDICT open.
  EXPECT_TRUE(window->IsEnabled(ids::IDC_PREDICT));
  EXPECT_FALSE(window->IsEnabled(ids::IDC_ADD));
  EXPECT_TRUE(window->IsReadOnly(ids::IDC_NEURONS));
  EXPECT_EQ(window->ItemText(ids::IDC_TICKER_LIST, 1), "BB");

  // Written again, the file is the same byte for byte.
  m.model_path = dir.file("again.kvn");
  m.Save_Param();
  EXPECT_EQ(ReadFile(dir.file("again.kvn")), first);
}

TEST_F(KvnFileTest, VersionsAndHeaders) {
  BuildModel();
  std::string body = ReadFile(model).substr(std::string("Kestrivane 1.8").size());
  const struct {
    std::string text;
    const char* message;   // nullptr: refused without a word
  } cases[] = {
      {"Kestrivane 1.7" + body, nullptr},
      {"Kestrivane 1.9" + body, "Wrong Version  Neural Parameters (.kvn) file -ERROR 102"},
      {"Kestrel 1.8" + body, "Bad Neural Parameters (.kvn) file format -ERROR 101"},
      {"", "Bad Neural Parameters (.kvn) file format -ERROR 101"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 14));
    EXPECT_FALSE(ReadText(c.text));
    if (!c.message) {
      EXPECT_TRUE(platform.messages().empty());
    } else {
      ASSERT_EQ(platform.messages().size(), 1u);
      EXPECT_EQ(platform.messages()[0].text, c.message);
      EXPECT_EQ(platform.messages()[0].caption, "File Error");
    }
  }
  // Only a regular file opens; a FIFO or /dev/zero must not hang the reader.
  std::filesystem::create_directory(dir.file("folder.kvn"));
  ASSERT_EQ(::mkfifo(dir.file("fifo.kvn").c_str(), 0600), 0);
  for (const std::string& path : {dir.file("absent.kvn"), dir.file("folder.kvn"),
                                 dir.file("fifo.kvn"), std::string("/dev/zero")}) {
    SCOPED_TRACE(path);
    platform.ClearRecords();
    main->model_path = path;
    EXPECT_FALSE(main->Read_Param().ok);
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_EQ(platform.messages()[0].text, "Unable to open file -ERROR 100");
  }

  // While a batch runs the model-file messages are kept quiet.
  platform.ClearRecords();
  main->batch_running = true;
  EXPECT_FALSE(ReadText("Kestrivane 1.9" + body));
  EXPECT_FALSE(ReadText(WithLine("x_matrix", "x_matrix= 13")));
  main->model_path = dir.file("no/such/dir/x.kvn");
  main->Save_Param();
  EXPECT_TRUE(platform.messages().empty());
  main->batch_running = false;
}

TEST_F(KvnFileTest, OutOfRangeValuesAreClamped) {
  // The codec's clamps are its own test's; here, that the dialog takes the
  // clamped value, and that the days come from the target's file.
  BuildModel();
  struct Case {
    const char* key;
    const char* line;
    std::function<bool(const TMainDlg&)> check;
  } cases[] = {
      {"x_matrix", "x_matrix= 1", [](const TMainDlg& m) { return m.net.x_matrix == 2; }},
      {"n_days", "n_days= 5", [](const TMainDlg& m) { return m.patterns.n_days == 300; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    platform.ClearRecords();
    main->model_path = dir.write("edited.kvn", WithLine(c.key, c.line));
    EXPECT_TRUE(main->Read_Param().ok);
    EXPECT_TRUE(platform.messages().empty());
    EXPECT_TRUE(c.check(*main));
  }
}

TEST_F(KvnFileTest, DamagedAndOversizedFilesAreRefused) {
  BuildModel();
  const std::string original = ReadFile(model);
  std::mt19937 gen(3);
  std::string binary = "Kestrivane 1.8\n";
  for (int i = 0; i < 200000; ++i) binary.push_back(static_cast<char>(gen()));
  const std::string big(10 * 1024 * 1024, '1');
  std::string weight_garbage = original;
  weight_garbage.replace(weight_garbage.rfind('\n', weight_garbage.size() - 2) + 1, std::string::npos, "xyz\n");

  // Each kind of refusal has its exact text in the codec's table; here, that
  // the dialog shows one message for it, large inputs included.
  const struct {
    const char* name;
    std::string text;
    const char* expect;   // part of the message
  } cases[] = {
      {"more than 3 stocks", WithLine("n_files", "n_files= 4"), "at most 3 stocks"},
      {"a word for a number", WithLine("learn_rate", "learn_rate= abc"), "learn_rate is not a number"},
      {"a weight that is no number", weight_garbage, "weight"},
      {"binary after the header", binary, "-ERROR 101"},
      {"a 10 MB number", "Kestrivane 1.8\nn_files= " + big, "n_files is not a whole"},
      {"a 10 MB path", "Kestrivane 1.8\nn_files= 1\nTrained= 0\ndata_file= \"" + big, "double quotes"},
      {"no line ends at all", "Kestrivane 1.8 " + std::string(10 * 1024 * 1024, 'x'), "ERROR 10"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadText(c.text));
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_NE(platform.messages()[0].text.find(c.expect), std::string::npos) << platform.messages()[0].text;
    EXPECT_NE(platform.messages()[0].text.find("-ERROR 10"), std::string::npos);
    EXPECT_EQ(platform.messages()[0].caption, "File Error");
  }
}

TEST_F(KvnFileTest, EveryTruncationIsRefused) {
  BuildModel();
  const std::string text = ReadFile(model);
  size_t cut = 0;
  int lines = 0;
  while ((cut = text.find('\n', cut)) != std::string::npos && cut + 1 < text.size()) {
    ++cut;
    ++lines;
    EXPECT_FALSE(ReadText(text.substr(0, cut))) << "after line " << lines;
    ASSERT_EQ(platform.messages().size(), 1u) << "after line " << lines;
  }
  EXPECT_GT(lines, 80);
  EXPECT_TRUE(ReadText(text));
}

TEST_F(KvnFileTest, AFailedSaveLeavesTheOldFileAndTheModifiedFlag) {
  BuildModel();
  const std::string before = ReadFile(model);
  main->Trained = 9;
  main->modified = true;

  // The file system refuses the write half way (a file size limit below the
  // model's size): the old file stays as it was, no temporary file remains.
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 600;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  main->Save_Param();
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  ASSERT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(platform.messages()[0].text.rfind("Unable to open file for writing -ERROR 200\n", 0), 0u);
  EXPECT_NE(platform.messages()[0].text.find("The model is not saved."), std::string::npos);
  EXPECT_EQ(platform.messages()[0].caption, "File Error");
  EXPECT_TRUE(main->modified);
  EXPECT_EQ(ReadFile(model), before);
  for (auto& e : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();

  // Renaming over a folder fails at the last step, with the same result.
  platform.ClearRecords();
  std::filesystem::create_directory(dir.file("folder.kvn"));
  main->model_path = dir.file("folder.kvn");
  main->Save_Param();
  EXPECT_EQ(platform.messages().size(), 1u);
  EXPECT_TRUE(main->modified);
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.kvn")));
}

TEST_F(KvnFileTest, OtherStrategiesEndTheLineAfterTheNumber) {
  BuildModel();
  main->Strategy = 4;
  main->Save_Param();
  EXPECT_NE(ReadFile(model).find("\nStrategy= 4 \nnh_synapsis= 7\n"), std::string::npos);
  main->model_path = model;
  ASSERT_TRUE(main->Read_Param().ok);
  EXPECT_EQ(main->Strategy, 4);
}

TEST_F(KvnFileTest, WindowsLineEndsReadTheSame) {
  BuildModel();
  std::string crlf;
  for (char c : ReadFile(model)) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  const float last_weight = main->net.out_w[1][5];
  main->CmFilenew();
  ASSERT_TRUE(ReadText(crlf));
  EXPECT_TRUE(platform.messages().empty());
  EXPECT_EQ(main->stocks[0]->symbol, "AAA");
  EXPECT_EQ(main->stocks[0]->data_file, dir.file("my data/a prices.csv"));
  EXPECT_FALSE(main->DoAnnealing);
  EXPECT_EQ(main->net.out_w[1][5], Rounded(last_weight));
}

TEST_F(KvnFileTest, AModelWithoutStocksReadsBack) {
  main->model_path = dir.file("empty.kvn");
  main->Save_Param();
  ASSERT_FALSE(main->modified);
  ASSERT_TRUE(main->Read_Param().ok);
  EXPECT_EQ(main->n_files, 0);
  EXPECT_EQ(main->patterns.n_days, 0);
  EXPECT_TRUE(platform.messages().empty());
}

}  // namespace
}  // namespace kv::test
