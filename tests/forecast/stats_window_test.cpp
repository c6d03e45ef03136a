// The statistics window on the recording surface: the count grid, the
// scatter, the 3D surface, the error histograms and the check boxes.
#include "forecast/stats_window.h"

#include <gtest/gtest.h>

#include <memory>

#include "forecast/chart_test_support.h"
#include "platform/headless/recording_canvas.h"
#include "resources/ids.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

constexpr Color kBlue{0, 0, 255};

class StatsWindowTest : public MainDlgTest {
 protected:
  StatsWindowTest() {
    MakeChartModel(*main, Dates(2002, 1, 2, 200), [](int d) { return 50.0f + d % 9; }, 140, 10);
    for (int d = 0; d < 200; ++d) main->patterns.inputs[0][d] = 1.0f;   // the bias row (no inputs)
  }
  ~StatsWindowTest() override { CloseStatWindow(); }

  TKestriStat& Open() {
    if (!theStatWindow) main->STATS_BNClicked();
    return *theStatWindow;
  }
  HeadlessDialog& StatDlg() { return static_cast<HeadlessDialog&>(theStatWindow->dlg()); }
  std::unique_ptr<RecordingCanvas> Paint() {
    auto c = std::make_unique<RecordingCanvas>(390, 215);
    theStatWindow->EvPaint(*c);
    return c;
  }
  // Constant network outputs, set by the output units' bias weights
  // (+100 gives 1, -100 gives 0, 0 gives 0.5).
  void Outputs(float rise_bias, float fall_bias) {
    main->net.out_w[0][main->net.x_matrix] = rise_bias;
    main->net.out_w[1][main->net.x_matrix] = fall_bias;
  }
  void Targets(float rise, float fall) {
    for (int d = 0; d < 200; ++d) {
      main->patterns.result[d][0] = rise;
      main->patterns.result[d][1] = fall;
    }
  }
  // The scatter ticks: every line but the two axes.
  static std::vector<RecordingCanvas::Line> Ticks(const RecordingCanvas& c) {
    std::vector<RecordingCanvas::Line> out;
    for (auto& l : c.lines())
      if (l.to.y - l.from.y == 1) out.push_back(l);
    return out;
  }
  static std::vector<RecordingCanvas::Fill> BlueFills(const RecordingCanvas& c) {
    std::vector<RecordingCanvas::Fill> out;
    for (auto& f : c.fills())
      if (f.color == kBlue) out.push_back(f);
    return out;
  }
};

TEST_F(StatsWindowTest, OpensWithTrainingDataAndClosesAgain) {
  main->STATS_BNClicked();
  ASSERT_NE(theStatWindow, nullptr);
  EXPECT_EQ(theStatWindow->dlg().ResourceId(), ids::DLG_STATS);
  EXPECT_EQ(theStatWindow->dlg().Caption(), "GE");
  EXPECT_TRUE(theStatWindow->dlg().IsChecked(ids::IDC_STAT_TRAINING));
  EXPECT_FALSE(theStatWindow->dlg().IsChecked(ids::IDC_STAT_VERIFY));
  EXPECT_FALSE(theStatWindow->flag3d);
  int before = StatDlg().invalidations();
  RefreshStatWindow();
  EXPECT_EQ(StatDlg().invalidations(), before + 1);
  main->STATS_BNClicked();
  EXPECT_EQ(theStatWindow, nullptr);
  RefreshStatWindow();   // nothing open: nothing happens

  // Without a target stock the resource caption stays.
  main->stocks[0].reset();
  main->STATS_BNClicked();
  ASSERT_NE(theStatWindow, nullptr);
  EXPECT_EQ(theStatWindow->dlg().Caption(), "Kestrivane Stats");
  // The close box: the window goes once the pump has delivered the request.
  theStatWindow->dlg().PostClose();
  platform.CheckEvents();
  EXPECT_EQ(theStatWindow, nullptr);
  platform.CheckEvents();
}

TEST_F(StatsWindowTest, EqualOutputsAndTargetsFillTheCentreCell) {
  Outputs(0, 0);      // both outputs 0.5
  Targets(0.3f, 0.3f);
  Open();
  auto c = Paint();
  // Training days n-140 .. n-10: 131 ticks, all at the centre.
  auto ticks = Ticks(*c);
  ASSERT_EQ(ticks.size(), 131u);
  for (auto& t : ticks) {
    EXPECT_EQ(t.from, (Point{85, 100}));
    EXPECT_EQ(t.to, (Point{85, 101}));
  }
  // One full cell: row 10, column 10, a square 10 pixels wide round (85, 100).
  auto blue = BlueFills(*c);
  ASSERT_EQ(blue.size(), 1u);
  EXPECT_EQ(blue[0].rect, (Rect{80, 95, 90, 105}));
  EXPECT_EQ(c->GetPixel(85, 100), kBlue);
  // Axes.
  EXPECT_EQ(c->lines()[0].from, (Point{85, 35}));
  EXPECT_EQ(c->lines()[0].to, (Point{85, 165}));
  EXPECT_EQ(c->lines()[1].from, (Point{20, 100}));
  EXPECT_EQ(c->lines()[1].to, (Point{150, 100}));
  EXPECT_NE(c->FindText("Predicted vs Actual"), nullptr);
  EXPECT_EQ(c->FindText("Good\nBuy"), nullptr);

  StatDlg().Click(ids::IDC_STAT_HINT);
  c = Paint();
  for (const char* hint : {"Good\nBuy", "Bad\nSell", "Good\nSell", "Bad\nBuy", "Good\nHold"})
    EXPECT_NE(c->FindText(hint), nullptr) << hint;
  EXPECT_TRUE(StatDlg().IsEnabled(ids::IDC_STAT_HINT));
}

TEST_F(StatsWindowTest, SurfaceIsDrawnFromTheBack) {
  Outputs(0, 0);
  Targets(0.3f, 0.3f);
  Open();
  StatDlg().Click(ids::IDC_STAT_HINT);
  StatDlg().Click(ids::IDC_STAT_3D);
  EXPECT_TRUE(theStatWindow->flag3d);
  auto c = Paint();
  EXPECT_FALSE(StatDlg().IsEnabled(ids::IDC_STAT_HINT));
  EXPECT_EQ(c->FindText("Good\nBuy"), nullptr);
  EXPECT_TRUE(BlueFills(*c).empty());

  auto at = [](int r, int col, int count, int most) {
    return Point{static_cast<int>(r * 4.875 + 20 + col * 1.625),
                 static_cast<int>(col * 3.25 + 67.5 - count * 20.0 / most)};
  };
  const auto& polys = c->polygons();
  ASSERT_EQ(polys.size(), 19u * 19u);
  // Rows from 18 down to 0, columns 0 to 18 within a row.
  for (int r = 18, i = 0; r >= 0; --r) {
    for (int col = 0; col <= 18; ++col, ++i) {
      SCOPED_TRACE(testing::Message() << "row " << r << " column " << col);
      auto h = [&](int rr, int cc) { return rr == 10 && cc == 10 ? 1 : 0; };
      std::vector<Point> quad = {at(r, col, h(r, col), 1), at(r + 1, col, h(r + 1, col), 1),
                                 at(r + 1, col + 1, h(r + 1, col + 1), 1),
                                 at(r, col + 1, h(r, col + 1), 1), at(r, col, h(r, col), 1)};
      ASSERT_EQ(polys[i].points, quad);
      EXPECT_EQ(polys[i].brush, Brush::Solid(Color{255, 255, 255}));
      EXPECT_EQ(polys[i].pen.color, (Color{0, 0, 0}));
    }
  }
  // The fullest cell rises 20 pixels above its place (85, 100 - 20).
  EXPECT_EQ(polys[(18 - 10) * 19 + 10].points[0], (Point{85, 80}));
}

TEST_F(StatsWindowTest, AtLeastOneDataSetStaysChosen) {
  main->keepout_days = 20;
  main->cache_start_back = -1;
  Outputs(0, 0);
  Targets(0.3f, 0.3f);
  Open();
  // Unchecking the only chosen set chooses the other one.
  StatDlg().Click(ids::IDC_STAT_TRAINING);
  EXPECT_FALSE(StatDlg().IsChecked(ids::IDC_STAT_TRAINING));
  EXPECT_TRUE(StatDlg().IsChecked(ids::IDC_STAT_VERIFY));
  auto c = Paint();
  EXPECT_EQ(Ticks(*c).size(), 10u);   // verify days n-20 .. n-11

  StatDlg().Click(ids::IDC_STAT_VERIFY);
  EXPECT_TRUE(StatDlg().IsChecked(ids::IDC_STAT_TRAINING));
  EXPECT_FALSE(StatDlg().IsChecked(ids::IDC_STAT_VERIFY));
  c = Paint();
  EXPECT_EQ(Ticks(*c).size(), 121u);  // training days n-140 .. n-20

  StatDlg().Click(ids::IDC_STAT_VERIFY);   // both: the shared day counts twice
  c = Paint();
  EXPECT_EQ(Ticks(*c).size(), 131u);
  EXPECT_EQ(c->polylines().size(), 2u);
}

TEST_F(StatsWindowTest, ErrorHistogramCountsAFullErrorInTheLastBin) {
  main->keepout_days = 11;   // training days n-140 .. n-11, all evaluated
  Outputs(100, -100);        // outputs 1 and 0
  Targets(0, 0);             // errors +1 and 0
  Open();
  auto c = Paint();
  ASSERT_EQ(c->polylines().size(), 1u);
  const auto& pts = c->polylines()[0].points;
  ASSERT_EQ(pts.size(), 180u);
  EXPECT_EQ(pts[0], (Point{180, 85}));
  EXPECT_EQ(pts[1], (Point{181, 86}));
  EXPECT_EQ(pts[90], (Point{270, 36}));    // error 0, the fullest bin
  EXPECT_EQ(pts[179], (Point{359, 36}));   // error +1
  EXPECT_NE(c->FindText("Error Distribution"), nullptr);
  EXPECT_NE(c->FindText("+1"), nullptr);
  // Outputs 1 and targets 0 mean "buy" predicted against "hold": column 0.
  auto blue = BlueFills(*c);
  ASSERT_EQ(blue.size(), 1u);
  EXPECT_EQ(blue[0].rect, (Rect{80, 30, 90, 40}));
}

TEST_F(StatsWindowTest, EmptyDataSetDrawsOnlyTheAxes) {
  // With ten days kept out the verify set has no day with outputs.
  Outputs(0, 0);
  Targets(0.3f, 0.3f);
  Open();
  StatDlg().Click(ids::IDC_STAT_VERIFY);
  StatDlg().Click(ids::IDC_STAT_TRAINING);
  ASSERT_TRUE(StatDlg().IsChecked(ids::IDC_STAT_VERIFY));
  ASSERT_FALSE(StatDlg().IsChecked(ids::IDC_STAT_TRAINING));
  auto c = Paint();
  EXPECT_EQ(c->lines().size(), 4u);   // two axes per panel
  EXPECT_TRUE(Ticks(*c).empty());
  EXPECT_TRUE(BlueFills(*c).empty());
  EXPECT_TRUE(c->polylines().empty());
  StatDlg().Click(ids::IDC_STAT_3D);
  c = Paint();
  EXPECT_TRUE(c->polygons().empty());
  EXPECT_NE(c->FindText("Ba"), nullptr);
}

}  // namespace
}  // namespace kv::test
