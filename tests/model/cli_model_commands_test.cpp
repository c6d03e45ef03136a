// kestrivane-cli create, info and inspect on the bundled samples, run as a
// user runs them.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "support/fixture.h"

namespace kv::test {
namespace {

struct Output {
  int status;
  std::string out, err;
};

class CliModelCommandsTest : public ::testing::Test {
 protected:
  TempDir dir;
  Output Run(const std::string& args) {
    const std::string out = dir.file("stdout"), err = dir.file("stderr");
    const std::string cmd = "cd '" + dir.path().string() + "' && '" KV_CLI_PATH "' " + args + " >'" +
                            out + "' 2>'" + err + "'";
    int rc = std::system(cmd.c_str());
    return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, ReadFile(out), ReadFile(err)};
  }
  // "name: value" lines of an output.
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

TEST_F(CliModelCommandsTest, CreateThenInfoShowsTheCalendarSpan) {
  Output c = Run("create 'm 1.kvn' --stock ge," + SamplePath("GE.csv") + ",10,ps --stock KO," +
                 SamplePath("KO.csv") + ",5,pvls --neurons 6 --mode percent");
  ASSERT_EQ(c.status, 0) << c.err;
  Output i = Run("info 'm 1.kvn'");
  ASSERT_EQ(i.status, 0) << i.err;
  auto f = Fields(i.out);
  EXPECT_EQ(f["n_files"], "2");
  EXPECT_EQ(f["symbols"], "GE KO");
  EXPECT_EQ(f["n_days"], "1000");
  EXPECT_EQ(f["first_date"], "19970116");
  EXPECT_EQ(f["last_date"], "20010102");
  EXPECT_EQ(f["in_nodes"], "40");
  EXPECT_EQ(f["x_matrix"], "6");
  EXPECT_EQ(f["PredicMode"], "1");
  EXPECT_EQ(f["Trained"], "0");
  EXPECT_EQ(f["eval_days"], "140");
  EXPECT_EQ(f.count("eval_error"), 1u);
  for (const char* key : {"out_nodes", "TimeTrained", "keepout_days", "learn_rate", "Strategy",
                          "DoBackProp", "DoAnnealing", "AutoIncNeu", "AutoSave"})
    EXPECT_EQ(f.count(key), 1u) << key;
}

TEST_F(CliModelCommandsTest, CreateRefusesWhatAddRefuses) {
  const struct {
    std::string stock;
    const char* message;
  } cases[] = {
      {"TOOLONG," + SamplePath("GE.csv") + ",10,p", "Kestrivane: Invalid Stock Ticker Symbol"},
      {"GE,,10,p", "-ERROR 451"},
      {"GE," + SamplePath("GE.csv") + ",x,p", "Invalid Influence Period"},
      {"GE," + SamplePath("GE.csv") + ",10,", "-ERROR 452"},
      {"GE,missing.csv,10,p", "File Error: An Error has occured while reading\nmissing.csv"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stock);
    Output o = Run("create x.kvn --stock '" + c.stock + "'");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.kvn")));
  }
  EXPECT_EQ(Run("info x.kvn").status, 1);
}

TEST_F(CliModelCommandsTest, InspectShowsEachSamplesLayout) {
  const struct {
    const char* file;
    const char* layout;
  } cases[] = {{"GE.csv", "YMD"}, {"KO.csv", "MDY"}, {"PG.csv", "DMY"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Output o = Run("inspect " + SamplePath(c.file) + " --rows");
    ASSERT_EQ(o.status, 0) << o.err;
    auto f = Fields(o.out);
    EXPECT_EQ(f["header_lines"], "1");
    EXPECT_EQ(f["date_layout"], c.layout);
    EXPECT_EQ(f["n_days"], "1000");
    EXPECT_EQ(f["first_date"], "19970116");
    EXPECT_EQ(f["last_date"], "20010102");
    EXPECT_NE(o.out.find("\n19970116,"), std::string::npos);
    EXPECT_NE(o.out.find("\n20010102,"), std::string::npos);
  }
  Output pg = Run("inspect " + SamplePath("PG.csv") + " --rows");
  EXPECT_NE(pg.out.find("\n20010102,76.81,"), std::string::npos);   // the decimal comma read

  Output bad = Run("inspect " + dir.write("bad.csv", "no dates here\n"));
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("-ERROR 453"), std::string::npos);
}

}  // namespace
}  // namespace kv::test
