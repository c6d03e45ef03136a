// kestrivane-cli create, info and inspect on the bundled samples, run as a
// user runs them.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <sys/stat.h>

#include "support/fixture.h"

namespace kv::test {
namespace {

using Output = CliOutput;

class CliModelCommandsTest : public ::testing::Test {
 protected:
  TempDir dir;
  Output Run(const std::string& args) { return RunCli(dir, args); }
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

namespace kv::test {
namespace {

namespace fs = std::filesystem;

TEST_F(CliModelCommandsTest, AMissingPriceFileLeavesTheModelAsItWas) {
  fs::copy_file(SamplePath("GE.csv"), dir.file("GE.csv"));
  fs::copy_file(SamplePath("KO.csv"), dir.file("KO.csv"));
  ASSERT_EQ(Run("create m.kvn --stock GE,GE.csv,10,ps --stock KO,KO.csv,5,p").status, 0);
  const std::string before = ReadFile(dir.file("m.kvn"));
  fs::rename(dir.file("KO.csv"), dir.file("KO.moved"));
  const std::string missing = (fs::weakly_canonical(dir.path()) / "KO.csv").string();
  for (const char* command : {"info m.kvn", "train m.kvn --steps 3", "predict m.kvn",
                              "simulate m.kvn --report r.txt", "search m.kvn --force",
                              "chart m.kvn --out c.png"}) {
    SCOPED_TRACE(command);
    Output o = Run(command);
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("m.kvn is not loaded: the price file " + missing +
                         " of KO did not read: the file does not exist"),
              std::string::npos)
        << o.err;
    EXPECT_EQ(ReadFile(dir.file("m.kvn")), before);
  }
  EXPECT_FALSE(fs::exists(dir.file("r.txt")));
  EXPECT_FALSE(fs::exists(dir.file("c.png")));
}

TEST_F(CliModelCommandsTest, AModelTravelsWithItsPriceFiles) {
  fs::create_directories(dir.file("models"));
  fs::create_directories(dir.file("shared"));
  fs::copy_file(SamplePath("GE.csv"), dir.file("models/GE.csv"));
  fs::copy_file(SamplePath("KO.csv"), dir.file("shared/KO.csv"));
  const std::string shared = (fs::weakly_canonical(dir.path()) / "shared/KO.csv").string();
  ASSERT_EQ(Run("create models/m.kvn --stock GE,models/GE.csv,10,ps --stock KO,shared/KO.csv,5,p")
                .status,
            0);
  const std::string text = ReadFile(dir.file("models/m.kvn"));
  EXPECT_NE(text.find("data_file= \"GE.csv\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("data_file= \"" + shared + "\"\n"), std::string::npos) << text;

  struct Step {
    const char* name;
    std::function<void()> change;
    const char* model;
  } steps[] = {
      {"the model's folder renamed", [&] { fs::rename(dir.file("models"), dir.file("moved")); },
       "moved/m.kvn"},
      {"an absolute file moved in beside the model",
       [&] { fs::rename(dir.file("shared/KO.csv"), dir.file("moved/KO.csv")); }, "moved/m.kvn"},
      {"opened through a link from another folder",
       [&] { fs::create_symlink("../moved/m.kvn", dir.file("shared/link.kvn")); },
       "shared/link.kvn"},
      {"a file written with a path from the current folder",
       [&] {
         std::string old = ReadFile(dir.file("moved/m.kvn"));
         old.replace(old.find("\"GE.csv\""), 8, "\"moved/GE.csv\"");
         old.replace(old.find(shared), shared.size(), "moved/KO.csv");
         dir.write("shared/old.kvn", old);
       },
       "shared/old.kvn"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    s.change();
    Output o = Run(std::string("info ") + s.model);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Fields(o.out)["symbols"], "GE KO");
  }

  // Saved twice through the link: the link stays, the file behind it is
  // replaced (a new inode) each time.
  auto inode = [&] {
    struct stat st {};
    ::stat(dir.file("moved/m.kvn").c_str(), &st);
    return st.st_ino;
  };
  for (int i = 0; i < 2; ++i) {
    const auto before = inode();
    ASSERT_EQ(Run("train shared/link.kvn --steps 2").status, 0);
    EXPECT_TRUE(fs::is_symlink(dir.file("shared/link.kvn")));
    EXPECT_NE(inode(), before);
  }
  EXPECT_NE(ReadFile(dir.file("moved/m.kvn")).find("data_file= \"KO.csv\""), std::string::npos);
}

TEST_F(CliModelCommandsTest, AReportNamedToStandardOutputIsWrittenThere) {
  ASSERT_EQ(Run("create m.kvn --stock GE," + SamplePath("GE.csv") + ",10,ps").status, 0);
  Output o = Run("simulate m.kvn --report /dev/stdout");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("value: "), std::string::npos);
  EXPECT_GT(std::count(o.out.begin(), o.out.end(), '\n'), 50) << o.out;
}

}  // namespace
}  // namespace kv::test
