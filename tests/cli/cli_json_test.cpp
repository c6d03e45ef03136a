// --json of inspect, info and predict: the document holds what the text
// shows, and --json=FILE writes the same document beside unchanged text.
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/fixture.h"
#include "util/json.h"

namespace kv::test {
namespace {

JsonValue Parse(const std::string& text) {
  JsonValue v;
  std::string err;
  EXPECT_TRUE(ParseJson(text, &v, &err)) << err << "\n" << text;
  return v;
}

// A number as the text's %g shows it: the float the program holds, or a double.
std::string G(const JsonValue& v, bool single) {
  char g[64];
  std::snprintf(g, sizeof g, "%g", single ? static_cast<double>(static_cast<float>(v.AsNumber())) : v.AsNumber());
  return g;
}

std::string Text(const JsonValue& v) {
  if (v.type() == JsonValue::Type::kString) return v.AsString();
  return v.NumberText();
}

// Runs args as text, with --json and with --json=FILE; checks that the file
// form keeps the text and writes what --json prints; returns text and document.
std::pair<std::string, JsonValue> RunBoth(const TempDir& dir, const std::string& args) {
  const CliOutput text = RunCli(dir, args);
  EXPECT_EQ(text.status, 0) << text.err;
  const CliOutput json = RunCli(dir, args + " --json");
  EXPECT_EQ(json.status, 0) << json.err;
  const CliOutput both = RunCli(dir, args + " --json=out.json");
  EXPECT_EQ(both.status, 0) << both.err;
  EXPECT_EQ(both.out, text.out);
  EXPECT_EQ(ReadFile(dir.file("out.json")), json.out);
  return {text.out, Parse(json.out)};
}

TEST(CliJson, InfoAndInspectHoldWhatTheTextShows) {
  TempDir dir;
  // GE with one close of 0: inspect warns about it.
  std::string ge = ReadFile(SamplePath("GE.csv"));
  const size_t line = ge.find("\n2000-06-01,");
  ge.replace(ge.find(',', line) + 1, ge.find('\n', line + 1) - ge.find(',', line) - 1, "0");
  dir.write("ge.csv", ge);
  ASSERT_EQ(RunCli(dir, "create m.kvn --accept-poor-data --stock GE," + SamplePath("GE.csv") +
                            ",10,ps --stock KO," + SamplePath("KO.csv") + ",5,pv --mode percent")
                .status,
            0);
  const struct {
    std::string args, file;
  } cases[] = {{"info m.kvn", "m.kvn"}, {"inspect ge.csv", "ge.csv"}, {"inspect ge.csv --rows", "ge.csv"}};
  for (const auto& [args, file] : cases) {
    SCOPED_TRACE(args);
    const auto [text, doc] = RunBoth(dir, args);
    EXPECT_EQ(doc.Find("file")->AsString(), file);
    std::istringstream in(text);
    std::string l;
    std::vector<std::string> warnings, rows;
    size_t fields = 0;
    while (std::getline(in, l)) {
      const size_t colon = l.find(": ");
      if (colon == std::string::npos) {
        rows.push_back(l);
        continue;
      }
      std::string key = l.substr(0, colon), value = l.substr(colon + 2);
      if (key == "warning") {
        warnings.push_back(value);
        continue;
      }
      for (char& ch : key)
        if (ch == ' ') ch = '_';
      const JsonValue* v = doc.Find(key);
      ASSERT_NE(v, nullptr) << key;
      ++fields;
      if (v->type() == JsonValue::Type::kArray) {
        std::string joined;
        for (const JsonValue& item : v->items()) joined += (joined.empty() ? "" : " ") + item.AsString();
        EXPECT_EQ(joined, value) << key;
      } else if (Text(*v) != value) {   // %g in the text, the shortest form in the document
        EXPECT_EQ(G(*v, key == "learn_rate"), value) << key;
      }
    }
    EXPECT_GE(fields, 8u);
    // The document: "file" and every field the text has, the warnings and the rows.
    const JsonValue* w = doc.Find("warnings");
    if (args.rfind("inspect", 0) == 0) {
      ASSERT_NE(w, nullptr);
      EXPECT_FALSE(warnings.empty());
      ASSERT_EQ(w->size(), warnings.size());
      for (size_t i = 0; i < warnings.size(); ++i) EXPECT_EQ(w->items()[i].AsString(), warnings[i]);
    }
    const JsonValue* days = doc.Find("days");
    ASSERT_EQ(days != nullptr, !rows.empty());
    if (days) {
      ASSERT_EQ(days->size(), rows.size());
      for (size_t i : {size_t{0}, rows.size() / 2, rows.size() - 1}) {
        const JsonValue& d = days->items()[i];
        std::string row = Text(*d.Find("date"));
        for (const char* series : {"raw_price", "price", "s_price", "l_price", "volume"})
          row += "," + G(*d.Find(series), true);
        EXPECT_EQ(row, rows[i]);
      }
    }
  }
}

TEST(CliJson, PredictHoldsTheForecastItShows) {
  TempDir dir;
  const std::regex headline(R"((Up|Gain) = +([0-9.]+)[+ ]?%   (Down|Loss) = +([0-9.]+)[+ ]?%)");
  const std::regex revised(R"((\d{8})  (?:Up|Gain) = +([0-9.]+)[+ ]?%  (?:Down|Loss) = +([0-9.]+)[+ ]?%)");
  const std::regex advice(R"(for GE: (BUY|SELL|HOLD))");
  const std::regex levels(R"(Profit take at +(-?\d+) %\nStop  loss  at -( ?-?\d+) %)");
  const std::regex confidence(R"(confidence of: ([0-9.]+)%)");
  const struct {
    const char* mode;
    const char* json_mode;
  } cases[] = {{"prob", "probability"}, {"percent", "percent"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    ASSERT_EQ(RunCli(dir, std::string("create m.kvn --stock GE,") + SamplePath("GE.csv") + ",10,ps --mode " + c.mode)
                  .status,
              0);
    ASSERT_EQ(RunCli(dir, "train m.kvn --steps 3 --seed 7").status, 0);
    const auto [text, doc] = RunBoth(dir, "predict m.kvn");
    EXPECT_EQ(doc.Find("file")->AsString(), "m.kvn");
    EXPECT_EQ(doc.Find("symbol")->AsString(), "GE");
    EXPECT_EQ(doc.Find("mode")->AsString(), c.json_mode);
    const JsonValue& days = *doc.Find("days");
    ASSERT_EQ(days.size(), 10u);
    EXPECT_EQ(Text(*doc.Find("last_date")), Text(*days.items()[0].Find("date")));
    std::smatch m;
    ASSERT_TRUE(std::regex_search(text, m, headline)) << text;
    EXPECT_EQ(m[2], Text(*days.items()[0].Find("up_pct")));
    EXPECT_EQ(m[4], Text(*days.items()[0].Find("down_pct")));
    size_t i = 1;
    for (std::sregex_iterator it(text.begin(), text.end(), revised), end; it != end; ++it, ++i) {
      ASSERT_LT(i, days.size());
      const JsonValue& d = days.items()[i];
      EXPECT_EQ((*it)[1], Text(*d.Find("date")));
      EXPECT_EQ((*it)[2], Text(*d.Find("up_pct")));
      EXPECT_EQ((*it)[3], Text(*d.Find("down_pct")));
    }
    EXPECT_EQ(i, 10u);
    ASSERT_TRUE(std::regex_search(text, m, advice));
    EXPECT_EQ(m[1], doc.Find("advice")->AsString());
    ASSERT_TRUE(std::regex_search(text, m, levels)) << text;
    EXPECT_EQ(m[1], Text(*doc.Find("profit_take_pct")));
    EXPECT_EQ(std::stod(m[2]), -doc.Find("stop_loss_pct")->AsNumber());
    const bool rated = std::regex_search(text, m, confidence);
    EXPECT_EQ(rated, !doc.Find("confidence_pct")->is_null());
    if (rated) {
      EXPECT_EQ(m[1], Text(*doc.Find("confidence_pct")));
    }
  }
}

}  // namespace
}  // namespace kv::test
