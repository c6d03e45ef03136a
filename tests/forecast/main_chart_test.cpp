// The main chart drawn on the recording surface: zoom, month grid, value
// grid, output bars, period lines and the figures written with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/wait.h>

#include "forecast/chart_test_support.h"
#include "platform/headless/recording_canvas.h"
#include "resources/ids.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

constexpr Color kBlack{0, 0, 0};
constexpr Color kGridGrey{200, 200, 200};
constexpr Color kBuy{40, 160, 40};
constexpr Color kSell{255, 0, 0};
constexpr Color kBlue{0, 0, 255};

// A frame 611 x 171: plot from x 2 to 609, y 2 to 169; the first day at
// x 9, so the days take w = 601 pixels.
constexpr Rect kFrame{0, 0, 611, 171};

class MainChartTest : public MainDlgTest {
 protected:
  std::unique_ptr<RecordingCanvas> Paint() {
    auto c = std::make_unique<RecordingCanvas>(kFrame.right + 100, kFrame.bottom, kFrame);
    main->EvPaint(*c);
    return c;
  }
  // Lines of the colour covering the plot's full height: grid and period lines.
  static std::vector<int> FullHeightLines(const RecordingCanvas& c, Color col) {
    std::vector<int> xs;
    for (auto& l : c.LinesOf(col))
      if (l.from.x == l.to.x && l.from.y == 2 && l.to.y == 169) xs.push_back(l.from.x);
    return xs;
  }
};

TEST_F(MainChartTest, ZoomCommandsStretchAShortHistory) {
  struct Case {
    int days, command, after_command, after_paint;
  } cases[] = {
      {200, 1, 4, 4}, {200, 2, 4, 4}, {200, 3, 4, 4}, {200, 4, 4, 4}, {200, 5, 5, 5},
      {100, 1, 7, 7}, {100, 3, 7, 7}, {100, 4, 4, 7}, {100, 5, 5, 7},
      {700, 1, 1, 1}, {700, 3, 3, 3},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.days << " days, zoom " << k.command);
    MakeChartModel(*main, Dates(1998, 1, 5, k.days), [](int d) { return 10.0f + d % 7; },
                   k.days - 1, 10);
    main->zoom = 2;
    main->CmZoom(k.command);
    EXPECT_EQ(main->zoom, k.after_command);
    int lo, hi;
    win().GetScrollRange(ids::IDC_SCROLL, lo, hi);
    EXPECT_EQ(lo, 600 / k.after_command);
    EXPECT_EQ(hi, k.days);
    EXPECT_EQ(win().GetScrollPos(ids::IDC_SCROLL), k.days);
    Paint();
    EXPECT_EQ(main->zoom, k.after_paint);

    CommandEnabler ce{ids::CM_ZOOM1 + k.after_paint - 1};
    main->CeZoom(k.after_paint, ce);
    EXPECT_TRUE(ce.checked && ce.enabled);
    CommandEnabler other{ids::CM_ZOOM1};
    main->CeZoom(k.after_paint == 1 ? 2 : 1, other);
    EXPECT_FALSE(other.checked);
    EXPECT_TRUE(other.enabled);
  }
}

TEST_F(MainChartTest, MonthGridLabelsMonthsAndYears) {
  // 700 days from 1 April 1998; 1 and 2 January 2000 are no trading days.
  auto dates = Dates(1998, 4, 1, 700, {20000101, 20000102});
  const int jan2000 =
      static_cast<int>(std::find(dates.begin(), dates.end(), 20000103) - dates.begin());
  MakeChartModel(*main, dates, [](int d) { return 20.0f + (d % 30) * 0.5f; }, 300, 10);

  main->CmZoom(1);
  auto c = Paint();
  ASSERT_EQ(main->zoom, 1);
  // One pixel per day; the newest 600 days are visible, from day 100.
  const int x = 9 + (jan2000 - 100);
  const auto* year = c->FindText("'00");
  ASSERT_NE(year, nullptr);
  EXPECT_EQ(year->rect.left, x + 1);
  EXPECT_EQ(year->rect.bottom, 169);
  EXPECT_EQ(year->flags & (DT_BOTTOM | DT_SINGLELINE), DT_BOTTOM | DT_SINGLELINE);
  EXPECT_EQ(year->color, (Color{128, 128, 128}));
  EXPECT_EQ(year->font, (Font{"Courier New", 15, FW_NORMAL}));
  EXPECT_NE(c->FindText("'99"), nullptr);
  EXPECT_EQ(c->CountTexts("2000"), 0);
  auto grid = FullHeightLines(*c, kGridGrey);
  EXPECT_NE(std::find(grid.begin(), grid.end(), x), grid.end());
  // Twenty visible month changes: January twice as a year, the rest by name.
  EXPECT_EQ(grid.size(), 20u);
  EXPECT_EQ(c->CountTexts("Feb"), 2);
  EXPECT_EQ(c->CountTexts("Jan"), 0);

  main->CmZoom(2);
  c = Paint();
  ASSERT_EQ(main->zoom, 2);
  EXPECT_EQ(c->CountTexts("2000"), 1);
  EXPECT_EQ(c->CountTexts("'00"), 0);
}

TEST_F(MainChartTest, ValueGridLabelsTheSelectedStocksRange) {
  MakeChartModel(*main, Dates(2001, 3, 1, 100), [](int d) { return 10.0f + d * 0.1f; }, 80, 10);
  auto c = Paint();
  // y_i = 149 - 25 i; labels from the lowest to the highest price.
  const char* labels[] = {"10.00   ", "11.98   ", "13.96   ", "15.94   ", "17.92   ", "19.90   "};
  for (int i = 0; i <= 5; ++i) {
    SCOPED_TRACE(i);
    const auto* t = c->FindText(labels[i]);
    ASSERT_NE(t, nullptr);
    int y = 149 - 25 * i;
    EXPECT_EQ(t->rect, (Rect{612, y - 7, 709, y + 7}));
    EXPECT_EQ(t->bk_mode, BkMode::Opaque);
    EXPECT_EQ(t->bk_color, (Color{192, 192, 192}));
    auto dashed = c->LinesOf(Color{192, 192, 192}, PenStyle::DashDot);
    EXPECT_TRUE(std::any_of(dashed.begin(), dashed.end(), [&](auto& l) {
      return l.from == Point{9, y} && l.to == Point{609, y};
    }));
  }
  // The label column is grey, the plot white.
  EXPECT_EQ(c->GetPixel(650, 30), (Color{192, 192, 192}));
  EXPECT_EQ(c->GetPixel(5, 30), (Color{255, 255, 255}));

  // A related stock shows its own range on the shared scale, the target
  // behind it in grey, and no bars.
  main->stocks[1] = std::make_unique<Stock>();
  for (int d = 0; d < 100; ++d) main->stocks[1]->raw_price[d] = 40.0f - d * 0.2f;
  win().AddItem(ids::IDC_TICKER_LIST, "GE");
  win().AddItem(ids::IDC_TICKER_LIST, "KO");
  win().SetSel(ids::IDC_TICKER_LIST, 1);
  c = Paint();
  EXPECT_NE(c->FindText("20.20   "), nullptr);
  EXPECT_NE(c->FindText("40.00   "), nullptr);
  EXPECT_FALSE(c->LinesOf(kGridGrey).empty());
  EXPECT_TRUE(c->LinesOf(kBlue).empty());
  // The related stock's first price (40, the combined maximum) is 20 pixels
  // below the top of the plot's price band: height 169 - 2 - 20.
  auto black = c->LinesOf(kBlack);
  ASSERT_FALSE(black.empty());
  EXPECT_TRUE(std::all_of(black.begin(), black.end(), [](auto& l) { return l.to.y >= 22; }));
}

TEST_F(MainChartTest, OutputBarsAreTwentyPixelsPerUnit) {
  MakeChartModel(*main, Dates(2001, 3, 1, 100), [](int d) { return 10.0f + d * 0.1f; }, 80, 10);
  struct Day {
    int d;
    float rise, fall;
    int up, down;   // expected bar lengths in pixels
  } days[] = {{40, 1.0f, 0.5f, 20, 10}, {50, 0.25f, 1.0f, 5, 20}, {60, 0.0f, 0.0f, 0, 0}};
  for (auto& k : days) {
    main->net.guess[k.d][0] = k.rise;
    main->net.guess[k.d][1] = k.fall;
  }
  auto c = Paint();
  ASSERT_EQ(main->zoom, 7);
  // 85 visible days 7 pixels apart; the first column shows day 15.
  for (auto& k : days) {
    SCOPED_TRACE(k.d);
    const int px = 9 + (k.d - 15) * 7;
    std::vector<RecordingCanvas::Line> bars;
    for (auto& l : c->lines())
      if (l.from.x == px && l.to.x == px && !(l.pen.color == kBlack) &&
          !(l.pen.color == kGridGrey) && l.pen.style == PenStyle::Solid)
        bars.push_back(l);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_EQ(bars[0].from, bars[1].from);
    EXPECT_EQ(bars[0].from.y - bars[0].to.y, k.up);
    EXPECT_EQ(bars[1].to.y - bars[1].from.y, k.down);
    EXPECT_EQ(bars[0].pen.color, main->signal[k.d] == 1 ? kBuy : kBlue);
    EXPECT_EQ(bars[1].pen.color, main->signal[k.d] == -1 ? kSell : kBlue);
  }
}

TEST_F(MainChartTest, FlatPricesLieTwentyPixelsAboveTheBottom) {
  MakeChartModel(*main, Dates(2001, 3, 1, 100), [](int) { return 42.0f; }, 80, 10);
  auto c = Paint();
  auto black = c->LinesOf(kBlack);
  ASSERT_FALSE(black.empty());
  for (auto& l : black) {
    if (!(l.from.x == l.to.x && l.from.y == 2)) {
      EXPECT_EQ(l.to.y, 149);
    }
  }
}

TEST_F(MainChartTest, PeriodLinesAndLabels) {
  struct Case {
    int eval, keepout, back;
    int train_x;       // -1: no training line
    int verify_x;      // -1: no verify line
    bool verify_label, train_label;
  } cases[] = {
      // zoom 4 for 200 days: lines at 609 - (days - back) * 4
      {100, 30, 0, 209, 489, true, true},
      {100, 10, 0, 209, -1, false, true},
      {100, 30, 20, 289, 569, true, true},
      {100, 30, 40, 369, -1, false, true},   // the verify start is scrolled out
      {40, 30, 50, -1, -1, false, false},    // both starts scrolled out
      {180, 30, 0, -1, 489, true, true},    // the training start lies left of the plot
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.eval << "/" << k.keepout << " back " << k.back);
    MakeChartModel(*main, Dates(2003, 6, 2, 200), [](int d) { return 30.0f + (d % 11); }, k.eval,
                   k.keepout);
    main->CmZoom(2);
    win().SetScrollPos(ids::IDC_SCROLL, 200 - k.back);
    auto c = Paint();
    ASSERT_EQ(main->zoom, 4);
    std::vector<int> expected;
    if (k.train_x >= 0) expected.push_back(k.train_x);
    if (k.verify_x >= 0) expected.push_back(k.verify_x);
    EXPECT_EQ(FullHeightLines(*c, kBlack), expected);

    const auto* verify = c->FindText("Verify Period");
    const auto* train = c->FindText("Training Period");
    EXPECT_EQ(verify != nullptr, k.verify_label);
    EXPECT_EQ(train != nullptr, k.train_label);
    const int xe = 609 - (k.eval - k.back) * 4, xk = 609 - (k.keepout - k.back) * 4;
    if (verify) {
      EXPECT_EQ(verify->rect, (Rect{std::max(9, xk) + 1, 2, 608, 154}));
      EXPECT_EQ(verify->bk_mode, BkMode::Transparent);
      EXPECT_EQ(verify->flags & (DT_CENTER | DT_BOTTOM), DT_CENTER | DT_BOTTOM);
    }
    if (train) {
      EXPECT_EQ(train->rect, (Rect{std::max(9, xe) + 1, 2, std::min(xk, 609) - 1, 154}));
    }
  }
}

TEST_F(MainChartTest, FiguresFollowTheChart) {
  MakeChartModel(*main, Dates(2001, 3, 1, 100), [](int d) { return 10.0f + d * 0.1f; }, 80, 10);
  main->net.x_matrix = 6;
  main->TimeTrained = 125;
  main->model_path = "/models/ge.kvn";
  Paint();
  EXPECT_EQ(win().GetText(ids::IDC_NEURONS), "6");
  EXPECT_EQ(win().GetText(ids::IDC_MODEL_PATH), "/models/ge.kvn");
  EXPECT_EQ(win().GetText(ids::IDC_TIME_TRAINED), "   2:05");
}

TEST_F(MainChartTest, EmptyModelGivesABlankChart) {
  auto c = Paint();
  EXPECT_TRUE(c->lines().empty());
  EXPECT_TRUE(c->texts().empty());
  ASSERT_EQ(c->fills().size(), 2u);
  EXPECT_EQ(c->fills()[0].rect, (Rect{2, 2, 609, 169}));
  EXPECT_EQ(c->fills()[0].color, (Color{255, 255, 255}));
  EXPECT_EQ(c->fills()[1].rect, (Rect{612, 2, 709, 169}));
  EXPECT_EQ(c->fills()[1].color, (Color{192, 192, 192}));
}

TEST_F(MainChartTest, ScrollingRepaints) {
  int before = win().invalidations();
  main->EvScroll1();
  EXPECT_EQ(win().invalidations(), before + 1);
}

// kestrivane-cli chart: the three pictures of a sample model as PNG files.
class ChartCommandTest : public PlatformTest {
 protected:
  int Cli(const std::string& args, const std::string& program = KV_CLI_PATH) {
    std::string cmd = "\"" + program + "\" " + args + " >>cli.log 2>&1";
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  // Width and height from a PNG file's header; {0, 0} when it is no PNG.
  static std::pair<int, int> PngSize(const std::string& path) {
    std::string b = ReadFile(path);
    if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
    auto be32 = [&](size_t at) {
      return (static_cast<unsigned char>(b[at]) << 24) | (static_cast<unsigned char>(b[at + 1]) << 16) |
             (static_cast<unsigned char>(b[at + 2]) << 8) | static_cast<unsigned char>(b[at + 3]);
    };
    return {static_cast<int>(be32(16)), static_cast<int>(be32(20))};
  }
};

TEST_F(ChartCommandTest, DrawsEachWindowOfASampleModel) {
  ASSERT_EQ(Cli("create ge.kvn --stock GE," + SamplePath("GE.csv") + ",10,ps --stock KO," +
                SamplePath("KO.csv") + ",5,p"),
            0)
      << ReadFile("cli.log");
  if (Cli("chart ge.kvn --out main.png") != 0 &&
      ReadFile("cli.log").find("write an SVG picture instead") != std::string::npos)
    GTEST_SKIP() << "kestrivane-cli was built without Qt";
  struct Case {
    const char* args;
    int w, h;
  } cases[] = {
      {"chart ge.kvn --out main.png", 1280, 520},
      {"chart ge.kvn --out stats.png --window stats", 560, 270},
      {"chart ge.kvn --out proj.png --window projections --size 600x400", 600, 400},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.args);
    ASSERT_EQ(Cli(k.args), 0) << ReadFile("cli.log");
    std::string out = std::string(k.args).substr(std::string(k.args).find("--out ") + 6);
    out = out.substr(0, out.find(' '));
    EXPECT_EQ(PngSize(out), std::make_pair(k.w, k.h));
  }
  // Bad requests change nothing and say why: wrong usage is 2, a model
  // that does not open 1.
  const std::pair<const char*, int> bad_cases[] = {
      {"chart ge.kvn --out x.png --window side", 2}, {"chart ge.kvn --out x.png --size 5x5", 2},
      {"chart ge.kvn --out x.png --size 800", 2},    {"chart ge.kvn", 2},
      {"chart missing.kvn --out x.png", 1}};
  for (const auto& [bad, status] : bad_cases) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(Cli(bad), status);
    EXPECT_FALSE(std::filesystem::exists("x.png"));
  }
}

// A copy of the program without the drawing module beside it: PNG says what
// is missing and writes nothing, SVG is drawn as ever.
TEST_F(ChartCommandTest, WithoutTheDrawingModuleOnlyPngIsRefused) {
  std::filesystem::copy_file(KV_CLI_PATH, "alone");
  const std::string alone = std::filesystem::absolute("alone").string();
  ASSERT_EQ(Cli("create ge.kvn --stock GE," + SamplePath("GE.csv") + ",10,ps", alone), 0)
      << ReadFile("cli.log");
  const struct {
    const char* out;
    int status;
  } cases[] = {{"c.png", 1}, {"c.PNG", 1}, {"c.svg", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.out);
    std::filesystem::remove("cli.log");
    EXPECT_EQ(Cli(std::string("chart ge.kvn --out ") + c.out, alone), c.status);
    EXPECT_EQ(std::filesystem::exists(c.out), c.status == 0);
    if (c.status != 0) {
      EXPECT_NE(ReadFile("cli.log").find("kestrivane-png.so beside this program"),
                std::string::npos)
          << ReadFile("cli.log");
    }
  }
}

}  // namespace
}  // namespace kv::test
