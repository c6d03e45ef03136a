// kestrivane-cli batch --check: what each line of a batch file would do, and
// its errors, without running anything.
#include <cstdlib>
#include <filesystem>

#include "forecast/batch_file.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

TEST(BatchCheckCli, GoodAndBadFiles) {
  struct Case {
    const char* name;
    const char* args;  // after "batch --check"
    const char* text;  // written to b.kbf; nullptr writes nothing
    int status;
    std::vector<const char*> lines;  // each must appear in stdout
  };
  const Case cases[] = {
      {"every kind of line", "b.kbf",
       "KBF 1.9 written by hand\n"
       "# models of the week\n"
       "\n"
       "T 1:30 \"m.kvn\" trailing words\n"
       "P \"m.kvn\"\n"
       " T 2:00 \"m.kvn\"\n"
       "xP \"m.kvn\"\n"
       "zz\n"
       "T 0:45 \"m.kvn\"\r\n"
       "Q\n"
       "P \"gone.kvn\"\n",
       0,
       {"line 1: batch file header\n", "line 2: comment, skipped\n", "line 3: empty, skipped\n",
        "line 4: train \"m.kvn\" for 1 h 30 min, then forecast\n", "line 5: forecast \"m.kvn\"\n",
        "line 6: starts with a blank, so skipped as a comment; a command letter must be the first",
        "line 7: forecast \"m.kvn\" (the character before the P is passed over)\n",
        "line 8: no command letter, skipped\n", "line 9: train \"m.kvn\" for 45 min, then forecast\n",
        "line 10: quit\n", "line 10: the lines after this one are not carried out", "b.kbf: no errors\n"}},
      {"header in lower case", "b.kbf", "kbf 1.9\nP \"m.kvn\"\n", 1,
       {"line 1: error: File b.kbf is not a batch file -ERROR 703"}},
      {"empty file", "b.kbf", "", 1, {"is not a batch file -ERROR 703"}},
      {"no such batch file", "none.kbf", nullptr, 1,
       {"error: Unable to open batch file for reading -ERROR 702: none.kbf: No such file or directory\n"}},
      {"batch file is a folder", "dir.kvn", nullptr, 1, {"-ERROR 702: dir.kvn: not a regular file\n"}},
      {"T line without quotes", "b.kbf", "KBF 1.9\nT 1:00 m.kvn\n", 1,
       {"line 2: train (no model) for 1 h, then forecast\n", "line 2: error: no model path in double quotes; write",
        "line 2: error: the run would log: Error openning neural file \":\" for reading\n"}},
      {"T line without a time", "b.kbf", "KBF 1.9\nT \"m.kvn\"\n", 1,
       {"line 2: train \"m.kvn\" for 0 min, then forecast\n", "line 2: error: no training time h:mm after the T"}},
      {"time not a number", "b.kbf", "KBF 1.9\nT one:30 \"m.kvn\"\n", 1,
       {"line 2: error: the training time \" one:30\" is not hours:minutes"}},
      {"control characters in a path", "b.kbf", "KBF 1.9\nP \"\x1b[2Jx\tm.kvn\"\n", 1,
       {"line 2: forecast \"?[2Jx?m.kvn\"\n"}},
      {"unclosed quote", "b.kbf", "KBF 1.9\nP \"m.kvn\n", 1,
       {"line 2: error: the model path has no closing double quote"}},
      {"missing model", "b.kbf", "KBF 1.9\nP \"m.kvn\"\nP \"gone.kvn\"\n", 1,
       {"line 3: error: gone.kvn: No such file or directory; the run would log: Error openning neural "
        "file \"gone.kvn\" for reading\n"}},
      {"model is a folder", "b.kbf", "KBF 1.9\nT 2:00 \"dir.kvn\"\n", 1,
       {"line 2: error: dir.kvn: not a regular file; the run would log: Error openning neural file "
        "\":dir.kvn\" for reading\n"}},
      {"the log as batch file", "batch.log", nullptr, 1, {"is the batch log itself"}},
      {"no file", "", nullptr, 2, {}},
      {"two files", "b.kbf b.kbf", "KBF 1.9\n", 2, {}},
      {"unknown option", "--bogus b.kbf", "KBF 1.9\n", 2, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.write("m.kvn", "not read by a check");
    std::filesystem::create_directory(dir.file("dir.kvn"));
    // A check never touches the results of the last run.
    const std::string old_log = "KBF 1.9\nold results\n";
    dir.write("batch.log", old_log);
    if (c.text) dir.write("b.kbf", c.text);
    const std::string out = dir.file("stdout"), err = dir.file("stderr");
    const std::string cmd = "cd '" + dir.path().string() + "' && '" KV_CLI_PATH "' batch --check " +
                            c.args + " >'" + out + "' 2>'" + err + "' </dev/null";
    const int rc = std::system(cmd.c_str());
    const std::string text = ReadFile(out);
    EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, c.status) << text << ReadFile(err);
    for (const char* line : c.lines) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(ReadFile(dir.file("batch.log")), old_log);
    if (c.status != 0) {
      EXPECT_NE(ReadFile(err), "");
    }
  }
}

// Every fault a T or P line can have, with its exact advice; the line still
// runs, so kind and path are kept.
TEST(BatchLineTest, Errors) {
  const std::string long_path(256, 'x');
  const std::string t = "; write the line as T 1:30 \"/path/to/model.kvn\"";
  const std::string p = "; write the line as P \"/path/to/model.kvn\"";
  const struct {
    std::string line, error, path;
  } cases[] = {
      {"P m.kvn", "no model path in double quotes" + p, ""},
      {"xP \"m.kvn", "the model path has no closing double quote" + p, "m.kvn"},
      {"P \"\"", "the model path between the quotes is empty" + p, ""},
      {"P \"" + long_path + "\"",
       "the model path is longer than 255 characters, and only its first 255 are used" + p, long_path.substr(1)},
      {"T \"m.kvn\"", "no training time h:mm after the T" + t, "m.kvn"},
      {"T one:30 \"m.kvn\"", "the training time \" one:30\" is not hours:minutes" + t, "m.kvn"},
      {"T 1:xx \"m.kvn\"", "the training time \" 1:xx\" is not hours:minutes" + t, "m.kvn"},
      {"T :30 m.kvn", "the training time \" :30\" is not hours:minutes" + t, ""},
      {"T 1:30 m.kvn", "no model path in double quotes" + t, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const BatchLine b = ParseBatchLine(c.line);
    EXPECT_EQ(b.kind, c.line.find('T') == 0 ? BatchLine::Kind::kTrain : BatchLine::Kind::kPredict);
    EXPECT_EQ(b.error, c.error);
    EXPECT_EQ(b.path, c.path);
  }
}

}  // namespace
}  // namespace kv::test
