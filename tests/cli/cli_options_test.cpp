// kestrivane-cli's option conventions and exit statuses over every command,
// and the training-time formats.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "cli/train_time.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

TEST(TrainingTime, FormatsAndMinutes) {
  const struct {
    const char* text;
    long long minutes;   // -1: refused
  } cases[] = {
      {"1:00", 60},   {"0:05", 5},     {"12:30", 750},  {"90m", 90},    {"2h", 120},
      {"1h30m", 90},  {"0h45m", 45},   {"1h0m", 60},    {"0m", 0},      {"1193:02", 71582},
      {"", -1},       {"1", -1},       {"1:5", -1},     {"1:60", -1},   {"1:005", -1},
      {":30", -1},    {"h", -1},       {"m", -1},       {"1h30", -1},   {"1h60m", -1},
      {"1h30m5", -1}, {"-1h", -1},     {" 1h", -1},     {"1H", -1},     {"1.5h", -1},
      {"1:00m", -1},  {"1m30m", -1},   {"99999999m", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto got = cli::ParseTrainingTime(c.text);
    if (c.minutes < 0) {
      EXPECT_FALSE(got.has_value()) << *got;
    } else {
      ASSERT_TRUE(got.has_value());
      EXPECT_EQ(*got, static_cast<unsigned long long>(c.minutes));
    }
  }
}

class CliOptionsTest : public ::testing::Test {
 protected:
  TempDir dir;
  using Output = CliOutput;
  Output Run(const std::string& args) { return RunCli(dir, args); }
};

TEST_F(CliOptionsTest, ConventionsAndExitStatusOverEveryCommand) {
  // A price file whose name looks like an option.
  std::filesystem::copy_file(KV_SAMPLES_DIR "/GE.csv", dir.path() / "--x");
  dir.write("bad.kvn", "Kestrivane 1.8\nn_files= x\n");
  struct Case {
    std::string args;
    int status;
    std::string err, out;   // parts the output must hold
  };
  std::vector<Case> cases = {
      {"", 2, "", "Commands:"},
      {"bogus", 2, "unknown command \"bogus\" (see kestrivane-cli --help)", ""},
      {"--bogus", 2, "unknown option \"--bogus\" (see kestrivane-cli --help)", ""},
      // A value missing at the end, or given to a flag.
      {"train m.kvn --time", 2, "train: --time wants a value (see kestrivane-cli train --help)", ""},
      {"chart m.kvn --out", 2, "--out wants a value", ""},
      {"simulate m.kvn --strategy", 2, "--strategy wants a value", ""},
      {"create m.kvn --stock", 2, "--stock wants a value", ""},
      {"download --url", 2, "--url wants a value", ""},
      {"demo --seconds", 2, "--seconds wants a value", ""},
      {"search m.kvn --force=yes", 2, "--force takes no value", ""},
      {"inspect --x --rows=1", 2, "--rows takes no value", ""},
      {"train m.kvn --seconds 5 --seconds=6", 2, "--seconds is given more than once", ""},
      // Malformed values and wrong numbers of arguments.
      {"train m.kvn --time 1h75m", 2, "--time wants H:MM, 90m, 2h or 1h30m", ""},
      {"train m.kvn --time=0m", 2, "--time wants", ""},
      {"simulate m.kvn --strategy=9", 2, "--strategy wants a number from 0 to 7, not \"9\"", ""},
      {"chart m.kvn --out=x.gif", 2, "must end in .svg or .png", ""},
      {"create m.kvn --stock GE", 2, "--stock wants SYMBOL,FILE,PERIOD,FLAGS", ""},
      {"create m.kvn", 2, "give at least one --stock", ""},
      {"download --timeout=0 GE", 2, "bad --timeout", ""},
      {"info", 2, "info: give exactly one model file", ""},
      {"predict a.kvn b.kvn", 2, "give exactly one model file", ""},
      {"batch", 2, "give exactly one batch file", ""},
      {"demo a b", 2, "give at most one folder", ""},
      {"train m.kvn", 2, "give exactly one of --time TIME", ""},
      // --opt=value is read as --opt value; past it, the work itself fails.
      {"train missing.kvn --time=1h30m", 1, "cannot open the model missing.kvn", ""},
      {"simulate missing.kvn --strategy=3", 1, "cannot open the model missing.kvn", ""},
      // A model that does not parse: the failure line says where.
      {"predict bad.kvn", 1, "cannot open the model bad.kvn: line 2 (n_files)", ""},
      // "--" ends the options: what follows is a file, even "--help".
      {"inspect -- --x", 0, "", "n_days: "},
      {"inspect --rows -- --x", 0, "", "n_days: "},
      {"predict -- --help", 1, "cannot open the model --help", ""},
      {"train --help", 0, "", "1h30m"},
  };
  for (const char* command : {"batch", "chart", "create", "demo", "download", "info", "inspect",
                              "predict", "search", "simulate", "train"})
    cases.push_back({std::string(command) + " --bogus x", 2,
                     std::string(command) + ": unknown option --bogus (see kestrivane-cli " +
                         command + " --help)",
                     ""});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const Output o = Run(c.args);
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
    EXPECT_NE(o.out.find(c.out), std::string::npos) << o.out;
    // Wrong usage is one line on stderr (the bare program prints its help).
    if (c.status == 2 && !c.args.empty()) {
      EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
      EXPECT_NE(o.err.find("--help)\n"), std::string::npos) << o.err;
    }
  }
}

TEST_F(CliOptionsTest, VersionSaysVersionBuildAndEngine) {
  const Output o = Run("--version");
  EXPECT_EQ(o.status, 0);
  EXPECT_TRUE(std::regex_match(o.out, std::regex("kestrivane-cli [0-9]+\\.[0-9]+(\\.[0-9]+)*\n"
                                                 "build type: [A-Za-z]+\n"
                                                 "engine: (avx512|avx2|plain)\n")))
      << o.out;
}

}  // namespace
}  // namespace kv::test
