// Bad model files (.kvn) opened with File > Open: each is refused with its
// message, the program starts a new model, and neither the file nor anything
// else in its folder is written.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "badinput/bad_inputs.h"
#include "badinput/badinput_support.h"
#include "data/price_files.h"
#include "resources/ids.h"
#include "support/fixture.h"
#include "util/text.h"

namespace kv::test {
namespace {

class KvnBadInput : public MainDlgTest {
 protected:
  std::string good;   // a saved model of two stocks

  void SetUp() override {
    const auto days = TradingDays(2024, 1, 2, 200);
    dir.write("target.csv", PriceText(days, IsoLine, "Date,Close,Volume\n"));
    dir.write("related.csv", PriceText(days, IsoLine, "Date,Close,Volume\n"));
    Add("TGT", "target.csv");
    Add("REL", "related.csv");
    main->model_path = "good.kvn";
    main->Save_Param();
    good = ReadFile(dir.file("good.kvn"));
    ASSERT_FALSE(good.empty());
    ASSERT_TRUE(platform.messages().empty());
  }
  void Add(const std::string& symbol, const std::string& file) {
    window->SetText(ids::IDC_SYMBOL, symbol);
    window->SetText(ids::IDC_FILENAME, file);
    window->SetText(ids::IDC_INFL_PERIOD, "4");
    window->Check(ids::IDC_PRICE, true);
    window->Check(ids::IDC_LONG, true);
    main->TICKER_ADD_BNClicked();
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < good.size()) {
      size_t nl = good.find('\n', at);
      out.push_back(good.substr(at, nl - at));
      at = nl + 1;
    }
    return out;
  }
  // The good file with the line starting with `key` replaced by `line`.
  std::string Replace(const std::string& key, const std::string& line) const {
    std::string out;
    for (const std::string& l : Lines()) out += (l.rfind(key, 0) == 0 ? line : l) + "\n";
    return out;
  }
  // File > Open of `text` saved as name; true when the model loaded.
  bool Open(const std::string& text, const std::string& name = "bad.kvn") {
    return OpenPath(dir.write(name, text));
  }
  bool OpenPath(const std::string& path) {
    platform.ClearRecords();
    platform.QueueFile(path);
    main->CmFileopen();
    return !main->untitled;
  }
  // A refused file: a message naming the fault, a new empty model, and the
  // folder exactly as it was.
  void ExpectRefused(const std::string& text, const std::string& error) {
    const std::string path = dir.write("bad.kvn", text);
    const auto folder = FolderContents(dir.path().string() + "/");
    EXPECT_FALSE(OpenPath(path)) << "the file loaded";
    const auto errors = ErrorNumbers(platform);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], error);
    EXPECT_EQ(platform.messages()[0].caption, "File Error");
    EXPECT_EQ(main->n_files, 0);
    EXPECT_EQ(main->stocks[0], nullptr);
    EXPECT_EQ(main->dlg.ItemCount(ids::IDC_TICKER_LIST), 0);
    EXPECT_FALSE(main->modified);
    EXPECT_EQ(FolderContents(dir.path().string() + "/"), folder);
  }
};

TEST_F(KvnBadInput, FilesOfTheWrongKind) {
  // The version word of a file without line ends runs into the next key
  // (102); every other kind fails at the header or at its first value.
  const std::vector<std::string> errors = {"101", "101", "101", "102", "101", "101", "101"};
  const auto variants = bad::CommonVariants(good, std::string(100000, '1'));
  for (size_t i = 0; i < variants.size(); ++i) {
    SCOPED_TRACE(variants[i].name);
    ExpectRefused(variants[i].bytes, errors[i]);
  }
}

TEST_F(KvnBadInput, CutAtEveryLine) {
  const std::vector<std::string> lines = Lines();
  std::string text;
  for (size_t k = 0; k < lines.size(); ++k) {
    SCOPED_TRACE("cut after " + std::to_string(k) + " of " + std::to_string(lines.size()) + " lines");
    ExpectRefused(text, "101");
    if (HasFatalFailure()) return;
    text += lines[k] + "\n";
  }
  EXPECT_TRUE(Open(text));
  EXPECT_EQ(main->n_files, 2);
}

TEST_F(KvnBadInput, CountsBeyondWhatTheModelHolds) {
  struct Case {
    const char* key;
    const char* line;
  } cases[] = {
      {"in_nodes=", "in_nodes= 241"},       {"n_files=", "n_files= 4"},
      {"x_matrix=", "x_matrix= 13"},        {"y_matrix=", "y_matrix= 2"},
      {"infl_periods=", "infl_periods= 21"}, {"in_nodes=", "in_nodes= -1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ExpectRefused(Replace(c.key, c.line), "101");
  }
}

TEST_F(KvnBadInput, NegativeCountsAreClampedOrRefused) {
  // A count below its range is raised to the smallest value the model
  // allows, as the file format always did; what loads is a sound model.
  struct Case {
    const char* key;
    const char* line;
  } cases[] = {
      {"Trained=", "Trained= -5"},         {"x_matrix=", "x_matrix= -4"},
      {"out_nodes=", "out_nodes= -2"},     {"eval_days=", "eval_days= -100"},
      {"keepout_days=", "keepout_days= -1"}, {"TimeTrained=", "TimeTrained= -7"},
      {"PredicMode=", "PredicMode= -1"},   {"Strategy=", "Strategy= -3 "},
      {"infl_periods=", "infl_periods= -3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    if (Open(Replace(c.key, c.line))) {
      EXPECT_GE(main->net.x_matrix, 2);
      EXPECT_GE(main->net.out_nodes, 1);
      EXPECT_GE(main->eval_days, 0);
      EXPECT_GE(main->keepout_days, 10);
      EXPECT_GE(main->Strategy, 0);
      EXPECT_LE(main->net.in_nodes, kMaxInputs);
    } else {
      ASSERT_EQ(ErrorNumbers(platform).size(), 1u);
      EXPECT_EQ(ErrorNumbers(platform)[0], "101");
      EXPECT_EQ(main->n_files, 0);
    }
  }
}

TEST_F(KvnBadInput, WeightsThatAreNoNumbers) {
  // The first weight line follows the PredicMode line.
  const std::vector<std::string> lines = Lines();
  size_t first = 0;
  while (lines[first].rfind("PredicMode=", 0) != 0) ++first;
  ++first;
  for (const char* w : {"nan", "NaN", "-nan", "inf", "-inf", "Infinity", "1e39", "-1e39", "1.#QNAN", "1.#INF"}) {
    for (size_t at : {first, lines.size() - 1}) {
      SCOPED_TRACE(std::string(w) + " at line " + std::to_string(at + 1));
      std::string text;
      for (size_t k = 0; k < lines.size(); ++k) text += (k == at ? std::string(w) : lines[k]) + "\n";
      ExpectRefused(text, "101");
    }
  }
  for (const char* v : {"nan", "inf", "1e39"}) {
    SCOPED_TRACE(std::string("normal1= ") + v);
    ExpectRefused(Replace("normal1=", std::string("normal1= ") + v), "101");
  }
}

// base/ddd.../ddd/name.ext, exactly `total` characters long.
std::string PathOfLength(const std::filesystem::path& base, size_t total, const std::string& ext) {
  std::string p = base.string();
  while (p.size() + 1 + 40 + 1 + 20 + ext.size() < total) p += "/" + std::string(40, 'd');
  p += "/";
  return p + std::string(total - p.size() - ext.size(), 'n') + ext;
}

TEST_F(KvnBadInput, PathsOfThreeHundredCharacters) {
  // A price file whose path is 300 characters long and does not exist.
  const std::string missing = PathOfLength(dir.path(), 300, ".csv");
  ASSERT_EQ(missing.size(), 300u);
  ExpectRefused(Replace("data_file=", "data_file= \"" + missing + "\""), "453");
  EXPECT_NE(platform.messages()[0].text.find(missing), std::string::npos);

  // A model and its price file in a folder 300 characters deep load as usual.
  const std::string model = PathOfLength(dir.path() / "deep", 300, ".kvn");
  ASSERT_EQ(model.size(), 300u);
  const std::filesystem::path folder = std::filesystem::path(model).parent_path();
  std::filesystem::create_directories(folder);
  const std::string csv = (folder / "target.csv").string();
  std::filesystem::copy_file(dir.file("target.csv"), csv);
  const std::string text = Replace("data_file= \"target.csv\"", "data_file= \"" + csv + "\"");
  std::ofstream(model) << text;
  EXPECT_TRUE(OpenPath(model));
  EXPECT_TRUE(platform.messages().empty());
  EXPECT_EQ(main->n_files, 2);
  EXPECT_EQ(main->stocks[0]->data_file, csv);
  main->modified = true;
  main->CmFilesave();
  EXPECT_FALSE(main->modified);
  // Saved again, the price file beside the model is stored relative to it,
  // the one elsewhere with its full path.
  std::string expected = text;
  expected.replace(expected.find(csv), csv.size(), "target.csv");
  const std::string related = std::filesystem::weakly_canonical(dir.file("related.csv")).string();
  expected.replace(expected.find("\"related.csv\""), 13, "\"" + related + "\"");
  EXPECT_EQ(ReadFile(model), expected);
}

TEST_F(KvnBadInput, FiftyMegabytesAfterTheWeights) {
  // A model with 50 MB appended (a file joined to another by mistake): the
  // reader stops after the last weight, so the model loads as saved.
  std::string text = good + bad::Repeated("0.125", 50u << 20);
  EXPECT_TRUE(Open(text));
  EXPECT_TRUE(platform.messages().empty());
  EXPECT_EQ(main->n_files, 2);
  // Saved again, it is the model it was.
  main->model_path = "saved.kvn";
  main->Save_Param();
  EXPECT_EQ(ReadFile(dir.file("saved.kvn")), good);
}

}  // namespace
}  // namespace kv::test
