#include "forecast/walkforward_chart.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "forecast/chart_decorations.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr Color kWhite{255, 255, 255};
constexpr Color kBlack{0, 0, 0};
constexpr Color kGrid{210, 210, 210};
constexpr Color kFoldLine{150, 150, 150};
constexpr Color kOutOfSample{0, 0, 255};
constexpr Color kBuyHold{120, 120, 120};
constexpr Color kInSample{230, 120, 0};

constexpr int kTitleBand = 30, kLegendBand = 26, kAxisBand = 34, kValueColumn = 72, kMargin = 8;

std::string Date(int ymd) {
  return Format("%04d-%02d-%02d", ymd / 10000, ymd / 100 % 100, ymd % 100);
}

// The curve's values scaled so that its first value is `start`. A curve
// that starts at zero or below cannot be scaled and keeps its values.
std::vector<double> Normalised(const std::vector<EquityPoint>& curve, double start) {
  std::vector<double> v;
  v.reserve(curve.size());
  const double f = !curve.empty() && curve[0].value > 0 && start > 0 ? start / curve[0].value : 1.0;
  for (const EquityPoint& p : curve) v.push_back(p.value * f);
  return v;
}

}  // namespace

void DrawWalkForwardChart(Canvas& dc, const WalkForwardReport& r) {
  const Rect c = dc.ClientRect();
  const Rect plot{c.left + kMargin, c.top + kTitleBand, c.right - kValueColumn,
                  c.bottom - kLegendBand - kAxisBand};
  if (plot.Width() < 40 || plot.Height() < 40 || r.out_of_sample.equity.empty()) return;

  const std::vector<EquityPoint>& oos = r.out_of_sample.equity;
  const double start = oos[0].value;
  struct Series {
    std::vector<double> values;
    Color color;
  };
  std::vector<Series> series;
  series.push_back({Normalised(r.in_sample.equity, start), kInSample});
  if (!r.out_of_sample.buy_hold_equity.empty())
    series.push_back({Normalised(r.out_of_sample.buy_hold_equity, start), kBuyHold});
  series.push_back({Normalised(oos, start), kOutOfSample});   // on top

  double lo = start, hi = start;
  for (const Series& s : series)
    for (double v : s.values) lo = std::min(lo, v), hi = std::max(hi, v);
  if (hi - lo < 1e-9 * std::max(1.0, std::fabs(hi))) lo -= 1, hi += 1;
  // Values beyond any account's (a hand-edited file) have no scale to draw on.
  if (!std::isfinite(hi - lo)) return;
  const double pad = (hi - lo) * 0.05;
  lo -= pad;
  hi += pad;
  auto y_of = [&](double v) {
    return plot.bottom - 1 - static_cast<int>(std::lround((v - lo) / (hi - lo) * (plot.Height() - 1)));
  };
  auto x_of = [&](size_t i, size_t n) {
    return n < 2 ? plot.left
                 : plot.left + static_cast<int>(std::lround(static_cast<double>(i) * (plot.Width() - 1) / (n - 1)));
  };

  dc.FillRect(plot, kWhite);
  dc.SetBkMode(BkMode::Transparent);
  dc.SetTextColor(kBlack);
  dc.SetFont(Font{"MS Sans Serif", 12, FW_NORMAL});

  // Value grid, labelled in the column to the right.
  for (int i = 0; i <= 4; ++i) {
    const double v = lo + (hi - lo) * i / 4;
    const int y = y_of(v);
    dc.SetPen(Pen{PenStyle::Solid, kGrid, 1});
    dc.MoveTo(plot.left, y);
    dc.LineTo(plot.right, y);
    dc.DrawText(Format("%.0f", v), Rect{plot.right + 4, y - 8, c.right, y + 8},
                DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  }
  // Progress axis.
  for (int i = 0; i <= 4; ++i) {
    const int x = plot.left + (plot.Width() - 1) * i / 4;
    dc.SetPen(Pen{PenStyle::Solid, kGrid, 1});
    dc.MoveTo(x, plot.top);
    dc.LineTo(x, plot.bottom);
    // The first label starts at the axis, so that it stays inside the picture.
    dc.DrawText(Format("%d %%", 25 * i),
                i == 0 ? Rect{x, plot.bottom + 2, x + 60, plot.bottom + 16}
                       : Rect{x - 30, plot.bottom + 2, x + 30, plot.bottom + 16},
                (i == 0 ? DT_LEFT : DT_CENTER) | DT_TOP | DT_SINGLELINE);
  }
  dc.DrawText("progress through each run (%): the in-sample replay covers the training days, not the test days",
              Rect{plot.left, plot.bottom + 16, c.right, plot.bottom + kAxisBand},
              DT_LEFT | DT_VCENTER | DT_SINGLELINE);

  // Fold boundaries: the day before a fold's first test day is where its
  // part of the stitched run begins.
  const int label_room = plot.Width() / static_cast<int>(std::max<size_t>(1, r.folds.size()));
  for (size_t k = 0; k < r.folds.size(); ++k) {
    size_t i = 0;
    while (i < oos.size() && oos[i].date < r.folds[k].test_start) ++i;
    const int x = x_of(i > 0 ? i - 1 : 0, oos.size());
    if (k > 0) {
      dc.SetPen(Pen{PenStyle::DashDot, kFoldLine, 0});
      dc.MoveTo(x, plot.top);
      dc.LineTo(x, plot.bottom);
    }
    if (label_room >= 44)
      dc.DrawText(Format("fold %d", static_cast<int>(k + 1)), Rect{x + 3, plot.top + 2, x + label_room, plot.top + 16},
                  DT_LEFT | DT_TOP | DT_SINGLELINE);
  }

  for (const Series& s : series) {
    std::vector<Point> pts;
    pts.reserve(s.values.size());
    for (size_t i = 0; i < s.values.size(); ++i) pts.push_back({x_of(i, s.values.size()), y_of(s.values[i])});
    dc.SetPen(Pen{PenStyle::Solid, s.color, s.color == kOutOfSample ? 2 : 1});
    if (pts.size() == 1) pts.push_back({pts[0].x + 1, pts[0].y});
    dc.Polyline(pts.data(), static_cast<int>(pts.size()));
  }

  // Frame around the plot.
  dc.SetPen(Pen{PenStyle::Solid, kBlack, 1});
  dc.MoveTo(plot.left, plot.top);
  dc.LineTo(plot.right - 1, plot.top);
  dc.LineTo(plot.right - 1, plot.bottom - 1);
  dc.LineTo(plot.left, plot.bottom - 1);
  dc.LineTo(plot.left, plot.top);

  const std::string title = Format("Walk-forward test, %d folds   out-of-sample %s to %s",
                                   static_cast<int>(r.folds.size()), Date(oos.front().date).c_str(),
                                   Date(oos.back().date).c_str());
  DrawChartTitle(dc, Rect{c.left + kMargin, c.top, c.right - kMargin, c.top + kTitleBand}, title);
  std::vector<ChartLegendItem> legend = {{ChartLegendItem::LineSample, kOutOfSample, "out-of-sample (test windows)"}};
  if (!r.out_of_sample.buy_hold_equity.empty())
    legend.push_back({ChartLegendItem::LineSample, kBuyHold, "buy and hold"});
  legend.push_back({ChartLegendItem::LineSample, kInSample, "in-sample replay (training windows)"});
  DrawChartLegend(dc, c.left + kMargin, c.bottom - kLegendBand / 2, legend);
  dc.ResetState();
}

}  // namespace kv
