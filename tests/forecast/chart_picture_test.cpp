// kestrivane-cli chart into SVG files: a well-formed document per window with
// its series, the window's own labels, the title and the legend; and a PNG
// screenshot of the main chart where the program has the desktop build's
// drawing library.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "support/fixture.h"
#include "support/walkforward_doc.h"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

// What a small XML reader needs to accept the document: one root element,
// every tag closed in order, attributes quoted, only the five predefined
// entities. Fills texts with the content of the <text> elements.
bool WellFormed(const std::string& doc, std::vector<std::string>& texts, std::string& why) {
  // UTF-8, as the declaration says.
  for (size_t k = 0; k < doc.size(); ++k) {
    const auto b = static_cast<unsigned char>(doc[k]);
    const size_t len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    bool ok = len > 0 && k + len <= doc.size();
    for (size_t c = 1; ok && c < len; ++c) ok = (static_cast<unsigned char>(doc[k + c]) & 0xC0) == 0x80;
    if (!ok) return why = "not UTF-8 at " + std::to_string(k), false;
    k += len - 1;
  }
  std::vector<std::string> open;
  int roots = 0;
  std::string text;
  bool in_text = false;
  size_t i = 0;
  auto entity_ok = [&](size_t at) {
    static const char* const kEntities[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"};
    for (const char* e : kEntities)
      if (doc.compare(at, std::strlen(e), e) == 0) return true;
    return false;
  };
  while (i < doc.size()) {
    if (doc[i] != '<') {
      if (open.empty() && !std::isspace(static_cast<unsigned char>(doc[i])))
        return why = "text outside the root", false;
      if (doc[i] == '&' && !entity_ok(i)) return why = "bad entity at " + std::to_string(i), false;
      if (in_text) text += doc[i];
      ++i;
      continue;
    }
    if (doc.compare(i, 5, "<?xml") == 0 && i == 0) {
      i = doc.find("?>", i);
      if (i == std::string::npos) return why = "unclosed declaration", false;
      i += 2;
      continue;
    }
    const size_t end = doc.find('>', i);
    if (end == std::string::npos) return why = "unclosed tag", false;
    std::string tag = doc.substr(i + 1, end - i - 1);
    i = end + 1;
    if (!tag.empty() && tag[0] == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return why = "mismatched </" + tag.substr(1) + ">", false;
      if (open.back() == "text") texts.push_back(text), in_text = false;
      open.pop_back();
      continue;
    }
    const bool self_closing = !tag.empty() && tag.back() == '/';
    if (self_closing) tag.pop_back();
    const std::string name = tag.substr(0, tag.find_first_of(" \n\t"));
    if (name.empty() || tag.find('<') != std::string::npos) return why = "bad tag <" + tag + ">", false;
    // Attributes: name="value" pairs.
    static const std::regex kAttrs(R"(^[A-Za-z][\w:.-]*(\s+[A-Za-z][\w:.-]*="[^"<]*")*\s*$)");
    if (!std::regex_match(tag, kAttrs)) return why = "bad attributes in <" + tag + ">", false;
    if (open.empty() && ++roots > 1) return why = "two root elements", false;
    if (!self_closing) {
      open.push_back(name);
      if (name == "text") in_text = true, text.clear();
    }
  }
  if (!open.empty()) return why = "unclosed <" + open.back() + ">", false;
  if (roots != 1) return why = "no root element", false;
  return true;
}

int Count(const std::string& doc, const std::string& what) {
  int n = 0;
  for (size_t at = doc.find(what); at != std::string::npos; at = doc.find(what, at + 1)) ++n;
  return n;
}

class ChartPictureTest : public PlatformTest {
 protected:
  int Cli(const std::string& args) {
    std::string cmd = std::string("\"") + KV_CLI_PATH + "\" " + args + " >>cli.log 2>&1";
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
};

TEST_F(ChartPictureTest, SvgOfEachWindowHasSeriesTitleLegendAndLabels) {
  ASSERT_EQ(Cli("create ge.kvn --stock GE," + SamplePath("GE.csv") + ",10,ps --stock KO," +
                SamplePath("KO.csv") + ",5,p"),
            0)
      << ReadFile("cli.log");
  const std::regex value_label(R"(^\d+\.\d\d\s*$)");
  const std::regex day_label(R"(^\s*-?\d+$)");
  const std::regex title(R"(^GE +(training period )?\d{4}-\d\d-\d\d to \d{4}-\d\d-\d\d.* ge\.kvn$)");
  struct Case {
    const char* args;
    const char* size;          // width="W" height="H"
    int min_polylines;         // connected series (the price lines, the error curve)
    int value_labels;
    std::vector<std::string> texts;   // every one must be written
  } cases[] = {
      {"chart ge.kvn --out main.svg", "width=\"1280\" height=\"520\"", 1, 6,
       {"GE close", "rise output, buy signal", "fall output, sell signal", "output, no signal",
        "Training Period"}},
      {"chart ge.kvn --out Stats.SVG --window stats", "width=\"560\" height=\"270\"", 0, 0,
       {"days per predicted and actual move", "error distribution", "Predicted vs Actual",
        "Error Distribution"}},
      // The first day number keeps its sign and no number follows day 9.
      {"chart ge.kvn --out proj.svg --window projections --size 484x335", "width=\"484\" height=\"335\"",
       1, 6, {"GE close", "ten-day range the outputs imply", "-30", "  0", "  9"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.args);
    ASSERT_EQ(Cli(k.args), 0) << ReadFile("cli.log");
    std::string out = std::string(k.args).substr(std::string(k.args).find("--out ") + 6);
    const std::string doc = ReadFile(out.substr(0, out.find(' ')));
    std::vector<std::string> texts;
    std::string why;
    ASSERT_TRUE(WellFormed(doc, texts, why)) << why;
    EXPECT_NE(doc.find(k.size), std::string::npos);
    EXPECT_GE(Count(doc, "<polyline "), k.min_polylines);
    // The title: symbol, dates, model file.
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
      return std::regex_match(t, title);
    }));
    for (const std::string& t : k.texts)
      EXPECT_NE(std::find(texts.begin(), texts.end(), t), texts.end()) << "missing text \"" << t << "\"";
    int values = 0, days_after = 0;
    for (const std::string& t : texts) {
      values += std::regex_match(t, value_label);
      // Day numbers run to 9, the last projected day (the main chart's
      // numbers are years).
      if (std::regex_match(t, day_label) && std::atoi(t.c_str()) > 9 && std::atoi(t.c_str()) < 1900)
        ++days_after;
    }
    EXPECT_EQ(values, k.value_labels);
    EXPECT_EQ(days_after, 0);
  }
  // The projection bands are pixels brightened on the black plot, written as
  // paths of their colour.
  const std::string proj = ReadFile("proj.svg");
  EXPECT_GT(Count(proj, "<path "), 0);
  // The first day number starts inside the picture, its sign included.
  std::smatch first_day;
  ASSERT_TRUE(std::regex_search(proj, first_day, std::regex(R"re(<text [^>]*x="(-?[\d.]+)"[^>]*>-30</text>)re")));
  EXPECT_GE(std::stod(first_day[1]), 0.0);

  // A symbol in another encoding than UTF-8 still gives a document that parses.
  ASSERT_EQ(Cli("create latin1.kvn --stock G\xe9," + SamplePath("GE.csv") + ",10,ps"), 0) << ReadFile("cli.log");
  ASSERT_EQ(Cli("chart latin1.kvn --out latin1.svg"), 0) << ReadFile("cli.log");
  std::vector<std::string> texts;
  std::string why;
  EXPECT_TRUE(WellFormed(ReadFile("latin1.svg"), texts, why)) << why;
  EXPECT_NE(std::find(texts.begin(), texts.end(), "G? close"), texts.end());

  // The main chart as a PNG screenshot beside the desktop program's.
  if (Cli("chart ge.kvn --out main.png") == 0) {
    const fs::path shots = fs::path(KV_CLI_PATH).parent_path() / "screenshots";
    fs::create_directories(shots);
    fs::copy_file("main.png", shots / "cli_main_chart.png", fs::copy_options::overwrite_existing);
  } else {
    EXPECT_NE(ReadFile("cli.log").find("write an SVG picture instead"), std::string::npos);
  }
}

TEST_F(ChartPictureTest, WalkForwardChartFromResultsFileWithoutModel) {
  dir.write("wf.json", WalkForwardDocument().Dump() + "\n");
  dir.write("plain.json", "{\"folds\": 3}\n");
  dir.write("broken.json", "{\"folds\": [\n");
  ASSERT_EQ(Cli("create ge.kvn --stock GE," + SamplePath("GE.csv") + ",10,ps"), 0) << ReadFile("cli.log");
  struct Case {
    const char* args;
    int status;
    const char* says;   // in the output, when given
  } cases[] = {
      {"chart --window walkforward --from wf.json --out wf.svg", 0, "wf.svg: walkforward chart, 900 x 480 pixels"},
      {"chart --window walkforward --from wf.json --out small.svg --size 400x300", 0, nullptr},
      {"chart ge.kvn --window walkforward --from wf.json --out x.svg", 2, "give no model file with --from"},
      {"chart ge.kvn --from wf.json --out x.svg", 2, "give --window walkforward with it"},
      {"chart --window walkforward --out x.svg", 2, "needs --from RESULTS.json"},
      {"chart --window walkforward --from plain.json --out x.svg", 1,
       "plain.json: not a walk-forward result: no \"folds\" list"},
      {"chart --window walkforward --from broken.json --out x.svg", 1, "broken.json: not JSON"},
      {"chart --window walkforward --from missing.json --out x.svg", 1, "cannot read missing.json"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.args);
    fs::remove("cli.log");
    EXPECT_EQ(Cli(k.args), k.status) << ReadFile("cli.log");
    if (k.says) {
      EXPECT_NE(ReadFile("cli.log").find(k.says), std::string::npos) << ReadFile("cli.log");
    }
  }
  EXPECT_FALSE(fs::exists("x.svg"));

  const std::string doc = ReadFile("wf.svg");
  std::vector<std::string> texts;
  std::string why;
  ASSERT_TRUE(WellFormed(doc, texts, why)) << why;
  // The three series in their colours, and the fold boundaries.
  for (const char* stroke : {"stroke:#0000ff", "stroke:#787878", "stroke:#e67800"})
    EXPECT_NE(doc.find(stroke), std::string::npos) << stroke;
  EXPECT_GE(Count(doc, "<polyline "), 3);
  for (const char* t :
       {"out-of-sample (test windows)", "buy and hold", "in-sample replay (training windows)", "fold 1",
        "fold 3", "0 %", "100 %", "Walk-forward test, 3 folds   out-of-sample 2025-04-26 to 2025-07-02"})
    EXPECT_NE(std::find(texts.begin(), texts.end(), t), texts.end()) << "missing text \"" << t << "\"";
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                          [](const std::string& t) { return t.find("progress through each run") == 0; }));

  // Without buy-and-hold in the result, its series and legend entry are left out.
  dir.write("nobh.json", WalkForwardDocument(false).Dump() + "\n");
  ASSERT_EQ(Cli("chart --window walkforward --from nobh.json --out nobh.svg"), 0) << ReadFile("cli.log");
  const std::string nobh = ReadFile("nobh.svg");
  EXPECT_EQ(nobh.find("buy and hold"), std::string::npos);
  EXPECT_EQ(nobh.find("stroke:#787878"), std::string::npos);
}

}  // namespace
}  // namespace kv::test
