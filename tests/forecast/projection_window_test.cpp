// The projections window on the recording surface: band weights read and
// written pixel by pixel, direction lines, the price line and short or flat
// histories.
#include "forecast/projection_window.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "forecast/chart_test_support.h"
#include "platform/headless/recording_canvas.h"
#include "resources/ids.h"
#include "support/fixture.h"
#include "util/text.h"

namespace kv::test {
namespace {

constexpr Color kBlue{0, 0, 255};
constexpr Color kBuy{40, 160, 40};
constexpr Color kPriceGrey{200, 200, 200};

// A frame 243 x 200: plot from x 2 to 241 (240 pixels, 6 per column), y 2 to
// 198. Column k (x = 6k) shows day n - 31 + k.
constexpr Rect kFrame{0, 0, 243, 200};
constexpr int kLeft = 2, kBottom = 198, kStep = 6;

class ProjectionTest : public MainDlgTest {
 protected:
  ~ProjectionTest() override { CloseProjectionWindows(); }
  std::unique_ptr<RecordingCanvas> Paint(Rect frame = kFrame) {
    if (!theProjection) main->CmPopupprojections();
    auto c = std::make_unique<RecordingCanvas>(frame.right + 100, frame.bottom + 30, frame);
    theProjection->EvPaint(*c);
    return c;
  }
  // Prices 100 on the shown days; day 60 (in the price range, not shown) at
  // 50 gives the range a scale.
  void Model(int n = 100) {
    MakeChartModel(*main, Dates(2004, 2, 2, n), [](int d) { return d == 60 ? 50.0f : 100.0f; },
                   n - 1, 10);
  }
  static int Column(int n, int d) { return (d - (n - 31)) * kStep; }
};

TEST_F(ProjectionTest, BandWeightsFadeOverTenDays) {
  Model();
  auto plain = Paint();
  const int d = 100 - 29;   // column 2
  main->net.guess[d][0] = 1.0f;
  main->net.guess[d][1] = 1.0f;
  auto lit = Paint();
  // Heights: scale = (196 - 40) / 50 * 0.55, base 45; the band runs from
  // 110 down to 90.
  const double scale = (198 - 2 - 40) / 50.0 * 0.55;
  auto h = [&](double v) { return static_cast<int>((v - 45) * scale) + 20; };
  const int top_row = kBottom - h(110), end_row = kBottom - h(90);
  ASSERT_GT(end_row - top_row, 5);
  const int x0 = kLeft + Column(100, d);
  for (int y : {top_row, (top_row + end_row) / 2 - 3, end_row - 1}) {
    SCOPED_TRACE(y);
    std::map<int, int> widths;   // added red -> pixel columns
    for (int i = 0; i < 10 * kStep; ++i) {
      Color a = plain->GetPixel(x0 + i, y), b = lit->GetPixel(x0 + i, y);
      int add = b.r - a.r;
      if (a == kPriceGrey || b == kPriceGrey) continue;   // the price line lies on top
      EXPECT_EQ(b.g - a.g, add) << i;
      EXPECT_EQ(b.b, a.b) << i;
      ++widths[add];
    }
    EXPECT_EQ(widths[25], 6);
    EXPECT_EQ(widths[50], 24);
    EXPECT_EQ(widths[40], 18);
    EXPECT_EQ(widths[35], 6);
    EXPECT_EQ(widths[30], 6);
    EXPECT_EQ(lit->GetPixel(x0 + 60, y), plain->GetPixel(x0 + 60, y));
  }
  // Nothing outside the band's rows changes.
  EXPECT_EQ(lit->GetPixel(x0 + 10, top_row - 1), plain->GetPixel(x0 + 10, top_row - 1));
  EXPECT_EQ(lit->GetPixel(x0 + 10, end_row), plain->GetPixel(x0 + 10, end_row));
}

TEST_F(ProjectionTest, DirectionLinesOnTradingDaysOnly) {
  Model();
  main->net.guess[90][0] = 1.0f;   // up: the line points above the price
  main->signal[90] = 1;
  auto c = Paint();
  auto blue = c->LinesOf(kBlue), green = c->LinesOf(kBuy);
  // 31 trading days in view, none of the nine days to come.
  EXPECT_EQ(blue.size() + green.size(), 31u);
  ASSERT_EQ(green.size(), 1u);
  const int hp = kBottom - green[0].from.y;
  EXPECT_EQ(green[0].from.x, kLeft + Column(100, 90));
  EXPECT_EQ(green[0].to.x, green[0].from.x + 20);
  EXPECT_LT(green[0].to.y, green[0].from.y);
  // Outputs 0 and 0: a flat line at the price, and no band.
  for (auto& l : blue) {
    EXPECT_EQ(l.from.y, kBottom - hp);
    EXPECT_EQ(l.to.y, l.from.y);
    EXPECT_LT(l.from.x, kLeft + Column(100, 100));
  }
}

TEST_F(ProjectionTest, DaysAreNumberedFromTheLastTradingDay) {
  Model();
  // Columns of 22 pixels hold every number, -30 to 9.
  auto wide = Paint(Rect{0, 0, 883, 200});
  EXPECT_EQ(wide->texts().size(), 40u + 6u);   // and six value labels
  for (int k = -30; k <= 9; ++k) {
    std::string label = Format("%3d", k);
    const auto* t = wide->FindText(label);
    ASSERT_NE(t, nullptr) << label;
    EXPECT_EQ(t->rect, (Rect{2 + (k + 30) * 22 - 12, 199, 881, 228}));
    EXPECT_EQ(t->font, (Font{"Courier New", 12, FW_NORMAL}));
    EXPECT_EQ(t->bk_mode, BkMode::Opaque);
  }
  // Columns of 6 pixels: every fourth column, day 0 among them, so that the
  // numbers do not overwrite one another.
  auto narrow = Paint();
  for (int k = -30; k <= 9; ++k)
    EXPECT_EQ(narrow->FindText(Format("%3d", k)) != nullptr, k % 4 == 0) << k;
}

TEST_F(ProjectionTest, FlatHistoryLiesAtHeightTwenty) {
  MakeChartModel(*main, Dates(2004, 2, 2, 100), [](int) { return 37.5f; }, 99, 10);
  for (int d = 0; d < 100; ++d) main->net.guess[d][0] = main->net.guess[d][1] = 1.0f;
  auto c = Paint();
  EXPECT_TRUE(c->pixel_writes().empty());   // no band has a height
  for (auto& l : c->LinesOf(kBlue)) {
    EXPECT_EQ(l.from.y, kBottom - 20);
    EXPECT_EQ(l.to.y, kBottom - 20);
  }
  auto price = c->LinesOf(kPriceGrey);
  ASSERT_FALSE(price.empty());
  for (auto& l : price) EXPECT_EQ(l.to.y, kBottom - 20);
  // The one price is written at its line; no other value exists.
  const auto* label = c->FindText("37.50   ");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->rect.top, kBottom - 20 - 7);
  for (auto& t : c->texts()) EXPECT_EQ(t.text.find("inf"), std::string::npos) << t.text;
}

TEST_F(ProjectionTest, ShortHistoryUsesTheDaysItHas) {
  // 20 days: the price range covers days 0 .. 19 only.
  MakeChartModel(*main, Dates(2004, 2, 2, 20), [](int d) { return 10.0f + d; }, 19, 10);
  auto c = Paint();
  EXPECT_NE(c->FindText("9.00    "), nullptr);   // base = 0.9 x the lowest price, 10
  // Columns before day 1 show day 1; the price line starts there.
  auto price = c->LinesOf(kPriceGrey);
  ASSERT_FALSE(price.empty());
  EXPECT_EQ(price.front().from.x, kLeft);
}

TEST_F(ProjectionTest, EmptyModelAndWindows) {
  auto c = Paint();
  ASSERT_EQ(c->fills().size(), 2u);
  EXPECT_EQ(c->fills()[0].color, (Color{255, 255, 255}));
  EXPECT_EQ(c->fills()[1].rect, (Rect{244, 2, 341, 198}));
  EXPECT_TRUE(c->lines().empty());

  // Each command opens another window; theProjection is the newest.
  TProjection* first = theProjection;
  main->CmPopupprojections();
  TProjection* second = theProjection;
  EXPECT_NE(first, second);
  EXPECT_EQ(second->dlg().ResourceId(), ids::DLG_PROJECTION);
  second->dlg().PostClose();
  platform.CheckEvents();
  EXPECT_EQ(theProjection, nullptr);
  platform.CheckEvents();
  // The first is still open and closed with the rest.
  CloseProjectionWindows();
}

}  // namespace
}  // namespace kv::test
