// Starting the browser and the text viewer, the registry stand-in, and the
// progress window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "app/launch.h"
#include "app/wait_dialog.h"
#include "resources/ids.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

using Argv = std::vector<std::string>;

class LaunchTest : public PlatformTest {
 protected:
  LaunchTest() {
    // Programs "start" when the test says so; every attempt is recorded.
    SetSpawnForTesting([this](const Argv& argv) {
      tried.push_back(argv);
      return starts.count(argv[0]) > 0;
    });
  }
  ~LaunchTest() override {
    SetSpawnForTesting(nullptr);
    SetRegistryForTesting(nullptr);
  }
  void Registry(std::map<std::string, std::string> values) {
    SetRegistryForTesting([this, values](RegRoot, const std::string& key) -> std::optional<std::string> {
      keys_read.push_back(key);
      auto it = values.find(key);
      if (it == values.end()) return std::nullopt;
      return it->second;
    });
  }

  std::vector<Argv> tried;
  std::map<std::string, bool> starts;
  std::vector<std::string> keys_read;
};

constexpr const char* kNetscape = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe";
constexpr const char* kExplorer = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
constexpr const char* kHttp = "HTTP\\shell\\open\\command";
constexpr const char* kHtmlFile = "htmlfile\\shell\\open\\command";

TEST_F(LaunchTest, RegistryValuesGiveTheProgramPath) {
  struct Case {
    std::optional<std::string> value;
    const char* program;   // null: nothing
  } cases[] = {
      {"\"C:\\Program Files\\Netscape\\netscape.exe\" %1", "C:\\Program Files\\Netscape\\netscape.exe"},
      {"\"C:\\ie\\iexplore.exe\"", "C:\\ie\\iexplore.exe"},
      {"C:\\ie\\iexplore.exe -nohome", "C:\\ie\\iexplore.exe -nohome"},   // whole, arguments too
      {"\"unclosed", ""},
      {"", nullptr},
      {std::nullopt, nullptr},
      {std::string(1024, 'x'), nullptr},   // does not fit the buffer
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value.value_or("(missing)").substr(0, 40));
    SetRegistryForTesting([&](RegRoot, const std::string&) { return c.value; });
    const char* got = GetKeyDefault(RegRoot::ClassesRoot, kHttp);
    if (c.program) {
      ASSERT_NE(got, nullptr);
      EXPECT_STREQ(got, c.program);
    } else {
      EXPECT_EQ(got, nullptr);
    }
  }
  // This platform has no registry: every lookup finds nothing.
  SetRegistryForTesting(nullptr);
  for (const char* key : {kNetscape, kExplorer, kHttp, kHtmlFile})
    EXPECT_EQ(GetKeyDefault(RegRoot::LocalMachine, key), nullptr);
}

TEST_F(LaunchTest, BrowserSearchOrder) {
  const char* url = "https://example.org/kv?a=1&b=\"2\"";
  Registry({{kExplorer, "C:\\ie\\iexplore.exe -nohome"}, {kHtmlFile, "\"/opt/web/browser\" \"%1\""}});

  // The desktop's own handler first: nothing else is asked.
  starts = {{"xdg-open", true}};
  EXPECT_TRUE(BrowseTo(url));
  EXPECT_EQ(tried, (std::vector<Argv>{{"xdg-open", url}}));
  EXPECT_TRUE(keys_read.empty());

  // Then the registered programs in order, the URL passed as one argument.
  tried.clear();
  starts = {{"/opt/web/browser\" \"%1", true}};
  EXPECT_TRUE(BrowseTo(url));
  EXPECT_EQ(keys_read, (std::vector<std::string>{kNetscape, kExplorer, kHttp, kHtmlFile}));
  EXPECT_EQ(tried, (std::vector<Argv>{{"xdg-open", url},
                                      {"C:\\ie\\iexplore.exe -nohome", url},
                                      {"/opt/web/browser\" \"%1", url}}));

  // Then the usual browser commands; when none starts, the user is told.
  tried.clear();
  starts = {};
  EXPECT_FALSE(BrowseTo(url));
  ASSERT_EQ(tried.size(), 7u);
  EXPECT_EQ(tried[3], (Argv{"sensible-browser", url}));
  EXPECT_EQ(tried[6], (Argv{"chromium", url}));
  ASSERT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(platform.messages()[0].text,
            std::string("Kestrivane was unable to find a Web Browser\nYou may find this information at:\n") +
                kVendorAddress);
  EXPECT_EQ(platform.messages()[0].caption, "Kestrivane");
}

TEST_F(LaunchTest, TextViewer) {
  const char* visual = std::getenv("VISUAL");
  const char* editor = std::getenv("EDITOR");
  const std::string saved_visual = visual ? visual : "", saved_editor = editor ? editor : "";
  setenv("VISUAL", "myedit  -x", 1);
  const std::string abs = dir.file("report.txt");

  starts = {{"xdg-open", true}};
  EXPECT_TRUE(OpenInNotepad("report.txt", "report.txt"));   // relative to the current folder
  EXPECT_EQ(tried, (std::vector<Argv>{{"xdg-open", abs}}));

  tried.clear();
  starts = {{"x-terminal-emulator", true}};
  EXPECT_TRUE(OpenInNotepad(abs.c_str(), "report.txt"));
  ASSERT_EQ(tried.size(), 2u);
  EXPECT_EQ(tried[1], (Argv{"x-terminal-emulator", "-e", "myedit", "-x", abs}));
  EXPECT_TRUE(platform.messages().empty());

  starts = {};
  EXPECT_FALSE(OpenInNotepad("batch.log", "batch.log"));
  ASSERT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(platform.messages()[0].text, "Unable to start Notepad.exe\nto view the file \"batch.log\"");
  EXPECT_EQ(platform.messages()[0].caption, "Kestrivane");

  if (visual) setenv("VISUAL", saved_visual.c_str(), 1);
  else unsetenv("VISUAL");
  if (editor) setenv("EDITOR", saved_editor.c_str(), 1);
}

TEST_F(LaunchTest, ProgressWindow) {
  {
    TWaitDlg wait(nullptr);
    EXPECT_EQ(wait.window().ResourceId(), ids::DLG_WAIT);
    EXPECT_EQ(wait.window().Caption(), "");
    EXPECT_EQ(wait.window().GetValue(ids::IDC_WAIT_PROGRESS), 0);
    wait.SetRange(0, 100);
    wait.SetValue(50);
    EXPECT_EQ(wait.window().GetValue(ids::IDC_WAIT_PROGRESS), 50);
    theWaitDlg = &wait;
  }
  EXPECT_EQ(theWaitDlg, nullptr);   // a closed window is not left behind
}

}  // namespace
}  // namespace kv::test
