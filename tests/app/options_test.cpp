// The preferences store: defaults, kv.dat reading and writing, where the
// file lives, and the money settings it hands to the simulator.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "app/options.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

class OptionsTest : public PlatformTest {
 protected:
  std::string kvdat() { return dir.file("kv.dat"); }
};

constexpr const char* kDefaults =
    "proxy_name,\"\"\n"
    "proxy_port,80\n"
    "use_proxy,0\n"
    "inet_dall_start,0\n"
    "inet_d_kvn,0\n"
    "inet_q,0\n"
    "inet_des_dir,\"./\"\n"
    "inet_filter,\"*.csv\"\n"
    "inet_database,\"USA\"\n"
    "inv_currency,\"$\"\n"
    "inv_initial,1000.000000\n"
    "inv_broker_fee,25.000000\n"
    "inv_broker_com,0.000000\n"
    "inv_broker_q_over,1000\n"
    "inv_broker_fpshare,0.020000\n";

// The file without the lines of settings added beyond the classic fifteen
// (the quote server of the download dialog, the quote transfers' settings,
// the batch menu's models at once).
std::string ClassicLines(const std::string& text) {
  std::string out;
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = text.substr(start, end - start + 1);
    if (line.rfind("inet_server,", 0) != 0 && line.rfind("quote_", 0) != 0 && line.rfind("batch_", 0) != 0)
      out += line;
  }
  return out;
}

TEST_F(OptionsTest, DefaultsAndTheFirstSave) {
  {
    Options o;
    EXPECT_EQ(o.iGetOption("proxy_port"), 80);
    EXPECT_STREQ(o.cGetOption("inet_des_dir"), "./");
    EXPECT_STREQ(o.cGetOption("inet_database"), "USA");
    EXPECT_FLOAT_EQ(o.fGetOption("inv_broker_fpshare"), 0.02f);
    EXPECT_EQ(o.iGetOption("inv_broker_q_over"), 1000);
    EXPECT_FALSE(std::filesystem::exists(kvdat()));   // loading creates nothing
  }
  // Deleting the store saved it.
  EXPECT_EQ(ClassicLines(ReadFile(kvdat())), kDefaults);
}

TEST_F(OptionsTest, ReadingRules) {
  struct Case {
    const char* file;
    const char* key;
    int type;           // 0 integer, 1 text, 3 real
    int i;
    const char* text = nullptr;
    float f = 0;
  } cases[] = {
      {"PROXY_PORT,8080\n", "proxy_port", 0, 8080},
      {"Proxy_Port,8080\r\n", "proxy_port", 0, 8080},
      {"proxy_port,abc\n", "proxy_port", 0, 0},
      {"proxy_port,\n", "proxy_port", 0, 80},
      {"proxy_port\n", "proxy_port", 0, 80},
      {"proxy_port, 42x\n", "proxy_port", 0, 42},
      {"proxy_port,1\nproxy_port,2\n", "proxy_port", 0, 2},
      {",,proxy_port,90\n", "proxy_port", 0, 90},
      {"no_such_key,5\n\nproxy_port,81\n", "proxy_port", 0, 81},
      {"inet_des_dir,\"\"\n", "inet_des_dir", 1, 0, "./"},
      {"inet_des_dir,c:\\data\n", "inet_des_dir", 1, 0, ":\\data"},
      {"inet_filter,\"*.t\"xt\"\n", "inet_filter", 1, 0, "*.t"},
      {"inet_filter,\"*.txt\n", "inet_filter", 1, 0, "*.txt"},
      {"inet_filter,\n", "inet_filter", 1, 0, "*.csv"},
      {"inv_broker_fee,12.5\n", "inv_broker_fee", 3, 0, nullptr, 12.5f},
      {"inv_initial,abc\n", "inv_initial", 3, 0, nullptr, 0.0f},
      {"inv_initial,\n", "inv_initial", 3, 0, nullptr, 1000.0f},
      {"inv_broker_fpshare,0.020000\n", "inv_broker_fpshare", 3, 0, nullptr, 0.02f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    dir.write("kv.dat", c.file);
    Options o;
    if (c.type == 0) {
      EXPECT_EQ(o.iGetOption(c.key), c.i);
    }
    if (c.type == 1) {
      EXPECT_STREQ(o.cGetOption(c.key), c.text);
    }
    if (c.type == 3) {
      EXPECT_EQ(o.fGetOption(c.key), c.f);
    }
  }
}

TEST_F(OptionsTest, OverlongLinesAreDroppedWhole) {
  // A line longer than the reader keeps is cut, never split into a second
  // line that could look like a setting.
  dir.write("kv.dat", "inet_filter,\"" + std::string(600, 'x') + "proxy_port,99\"\nuse_proxy,1\n");
  Options o;
  EXPECT_EQ(o.iGetOption("proxy_port"), 80);
  EXPECT_EQ(o.iGetOption("use_proxy"), 1);
  EXPECT_EQ(std::string(o.cGetOption("inet_filter")), std::string(497, 'x'));
}

TEST_F(OptionsTest, UnknownNamesAndIdsLandOnTheReservedSlot) {
  Options o;
  EXPECT_EQ(o.GetOptionID("no_such_key"), 0);
  EXPECT_EQ(o.GetOptionID("INV_INITIAL"), 21);
  EXPECT_EQ(o.iGetOption("no_such_key"), 0);
  EXPECT_STREQ(o.cGetOption("no_such_key"), "");
  o.SetOption("no_such_key", 7);
  o.SetOption("other_key", "text");
  EXPECT_EQ(o.iGetOption("yet_another"), 7);
  EXPECT_STREQ(o.cGetOption(0), "text");
  o.SetOption(100, 5);    // outside the table: the reserved slot too
  o.SetOption(-1, 6);
  EXPECT_EQ(o.iGetOption(0), 6);
  EXPECT_EQ(o.iGetOption(12345), 6);
  o.SaveOptions();
  EXPECT_EQ(ClassicLines(ReadFile(kvdat())), kDefaults);   // slot 0 is never saved
}

TEST_F(OptionsTest, WriteAndReadBack) {
  {
    Options o;
    o.SetOption("proxy_name", "proxy.example.org");
    o.SetOption("proxy_port", 3128);
    o.SetOption("inv_broker_com", 0.5f);
    o.SetOption("inet_des_dir", "/data/quotes/");
  }
  const std::string text = ReadFile(kvdat());
  EXPECT_NE(text.find("proxy_name,\"proxy.example.org\"\nproxy_port,3128\n"), std::string::npos);
  EXPECT_NE(text.find("inv_broker_com,0.500000\n"), std::string::npos);
  Options o;
  EXPECT_STREQ(o.cGetOption("proxy_name"), "proxy.example.org");
  EXPECT_EQ(o.iGetOption("proxy_port"), 3128);
  EXPECT_EQ(o.fGetOption("inv_broker_com"), 0.5f);
  EXPECT_STREQ(o.cGetOption("inet_des_dir"), "/data/quotes/");
}

TEST_F(OptionsTest, ApplyFillsTheMoneySettings) {
  InvestSettings = InvestSettingsRecord{};
  Options o;
  o.SetOption("inv_currency", "EURO-DOLLAR");   // longer than the record holds
  o.SetOption("inv_initial", 5000.0f);
  o.SetOption("inv_broker_fee", 9.5f);
  o.SetOption("inv_broker_com", 0.25f);
  o.SetOption("inv_broker_fpshare", 0.01f);
  o.SetOption("inv_broker_q_over", 200);
  EXPECT_EQ(InvestSettings.inv_initial, 1000.0f);   // not before it is applied
  o.SaveOptions();
  EXPECT_STREQ(InvestSettings.inv_currency, "EURO-DO");
  EXPECT_EQ(InvestSettings.inv_initial, 5000.0f);
  EXPECT_EQ(InvestSettings.inv_broker_fee, 9.5f);
  EXPECT_EQ(InvestSettings.inv_broker_com, 0.25f);
  EXPECT_EQ(InvestSettings.inv_broker_fpshare, 0.01f);
  EXPECT_EQ(InvestSettings.inv_broker_q_over, 200);
  InvestSettings = InvestSettingsRecord{};
}

TEST_F(OptionsTest, UnwritableFileChangesNothingAndStillApplies) {
  std::filesystem::create_directory(dir.file("locked"));
  std::filesystem::create_directory(dir.file("locked/kv.dat"));   // kv.dat is a folder
  program_dir = dir.file("locked") + "/";
  Options o;
  o.SetOption("inv_initial", 300.0f);
  o.SaveOptions();
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("locked/kv.dat")));
  EXPECT_TRUE(platform.messages().empty());
  EXPECT_EQ(InvestSettings.inv_initial, 300.0f);
  InvestSettings = InvestSettingsRecord{};
}

TEST_F(OptionsTest, UserConfigurationFolderWhenTheProgramFolderCannotBeWritten) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
  program_dir = dir.file("no-such-folder") + "/";
  {
    Options o;
    EXPECT_EQ(o.FilePath(), dir.file("config") + "/kestrivane/kv.dat");
    o.SetOption("proxy_port", 8081);
  }
  EXPECT_NE(ReadFile(dir.file("config/kestrivane/kv.dat")).find("proxy_port,8081\n"), std::string::npos);
  {
    Options o;
    EXPECT_EQ(o.iGetOption("proxy_port"), 8081);
  }
  // A writable program folder keeps kv.dat beside the program.
  program_dir = dir.path().string() + "/";
  EXPECT_EQ(Options().FilePath(), kvdat());
  if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
}

TEST_F(OptionsTest, SavingReplacesOnlyWhatChanged) {
  struct Case {
    const char* name;
    std::string before;
    std::function<void(Options&)> act;
    std::string after;
    const char* proxy_name = "";   // what the store holds afterwards
  } cases[] = {
      {"same value: the file is not touched", "PROXY_PORT,8080\r\nfuture_key,1\n",
       [](Options& o) { o.SetOption("proxy_port", 8080); }, "PROXY_PORT,8080\r\nfuture_key,1\n"},
      {"every copy of the key replaced, other lines kept", "future_key,1\nproxy_port,80\nproxy_port,81\n",
       [](Options& o) { o.SetOption("proxy_port", 3128); }, "future_key,1\nproxy_port,3128\nproxy_port,3128\n"},
      {"a key the file lacks goes at its end", "use_proxy,1",
       [](Options& o) { o.SetOption("proxy_name", "p.example"); }, "use_proxy,1\nproxy_name,\"p.example\"\n",
       "p.example"},
      {"settings for this run never reach the file", "inet_des_dir,\"/q/\"\n",
       [](Options& o) {
         o.SetForRun("inet_des_dir", "/run/");
         o.SetOption("inet_des_dir", "/run2/");   // as the dialog stores it
         o.MarkRunOnly("inet_filter");
         o.SetOption("inet_filter", "*.txt");
         o.SetOption("use_proxy", 1);
         EXPECT_STREQ(o.cGetOption("inet_des_dir"), "/run2/");
       },
       "inet_des_dir,\"/q/\"\nuse_proxy,1\n"},
      {"another program's edit meanwhile survives", "proxy_name,\"a\"\n",
       [this](Options& o) {
         dir.write("kv.dat", "proxy_name,\"edited\"\n");
         o.SetOption("proxy_port", 99);
       },
       "proxy_name,\"edited\"\nproxy_port,99\n", "edited"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir.write("kv.dat", c.before);
    Options o;
    c.act(o);
    o.SaveOptions();
    EXPECT_EQ(ReadFile(kvdat()), c.after);
    EXPECT_STREQ(o.cGetOption("proxy_name"), c.proxy_name);
  }

  // With no file at all, the first save writes every setting; one meant for
  // this run only is written with the value it had before.
  std::filesystem::remove(kvdat());
  {
    Options o;
    o.SetForRun("inet_database", "EUROPE");
  }
  EXPECT_EQ(ClassicLines(ReadFile(kvdat())), kDefaults);
}

TEST_F(OptionsTest, InstalledProgramKeepsItsSettingsWithTheUser) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
  std::filesystem::create_directories(dir.file("prefix/bin"));
  std::filesystem::create_directories(dir.file("tools/binaries"));
  struct Case {
    std::string program_dir, file;
  } cases[] = {
      {dir.file("prefix/bin") + "/", dir.file("config") + "/kestrivane/kv.dat"},
      {dir.file("tools/binaries") + "/", dir.file("tools/binaries") + "/kv.dat"},
  };
  for (const Case& c : cases) {
    program_dir = c.program_dir;
    EXPECT_EQ(Options().FilePath(), c.file);
  }
  if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace kv::test
