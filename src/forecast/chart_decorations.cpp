#include "forecast/chart_decorations.h"

#include <algorithm>
#include <vector>

#include "model/globals.h"
#include "model/main_dlg.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr int kMargin = 8;
constexpr int kTitleBand = 34;
constexpr int kLegendBand = 30;
// Room the windows use outside their frame: the value-label column to the
// right; the projections also number their days below the frame and reach a
// little left of it with the first number (its desktop window's layout).
constexpr int kLabelColumn = 100;
constexpr int kProjLabelColumn = 106, kProjDayRow = 34, kProjLeft = 16;

constexpr Color kBlack{0, 0, 0};
constexpr Color kBuy{40, 160, 40};
constexpr Color kSell{255, 0, 0};
constexpr Color kNeutral{0, 0, 255};
constexpr Color kPriceGrey{200, 200, 200};
constexpr Color kBand{200, 200, 0};   // a band brightened where four days agree

std::string Date(int d) {
  if (d < 0 || d >= kMaxDays || d >= calendar_count) return "?";
  const int ymd = calendar[d];
  return Format("%04d-%02d-%02d", ymd / 10000, ymd / 100 % 100, ymd % 100);
}

using LegendItem = ChartLegendItem;

}  // namespace

ChartPicture DefaultChartPicture(ChartKind kind) {
  switch (kind) {
    case ChartKind::Stats: return LayOutChartPicture(kind, 560, 270);
    // 40 day columns of 20 pixels, as the frame has 40 of 10 in its window.
    case ChartKind::Projections: return LayOutChartPicture(kind, 926, 640);
    case ChartKind::Main: break;
  }
  return LayOutChartPicture(kind, 1280, 520);
}

ChartPicture LayOutChartPicture(ChartKind kind, int width, int height) {
  ChartPicture p;
  p.width = width;
  p.height = height;
  const int inner_h = std::max(0, height - kTitleBand - kLegendBand);
  switch (kind) {
    case ChartKind::Main:
      p.origin = {kMargin, kTitleBand};
      p.client = {0, 0, std::max(0, width - 2 * kMargin - kLabelColumn), inner_h};
      break;
    case ChartKind::Stats:   // drawn on its whole client area
      p.origin = {kMargin, kTitleBand};
      p.client = {0, 0, std::max(0, width - 2 * kMargin), inner_h};
      break;
    case ChartKind::Projections:
      p.origin = {kProjLeft, kTitleBand};
      p.client = {0, 0, std::max(0, width - kProjLeft - kProjLabelColumn),
                  std::max(0, inner_h - kProjDayRow)};
      break;
  }
  return p;
}

void DrawChartDecorations(Canvas& dc, const ChartPicture& p, ChartKind kind, TMainDlg& m,
                          const std::string& model_name) {
  // Picture coordinates, as the surface's origin sits inside the picture.
  const int x0 = -p.origin.x, y0 = -p.origin.y;
  const int n = std::min(m.patterns.n_days, kMaxDays);
  const std::string symbol = m.stocks[0] ? m.stocks[0]->symbol : std::string();

  std::string dates;
  std::vector<LegendItem> legend;
  if (n > 0) {
    switch (kind) {
      case ChartKind::Main: {
        // The days across the plot at the zoom and scroll position just drawn.
        const int visible = std::max(1, (m.chart_right - m.chart_x0) / std::max(1, m.zoom));
        const int back = std::clamp(n - m.dlg.GetScrollPos(ids::IDC_SCROLL), 0, n - 1);
        dates = Date(std::max(1, n - visible - back)) + " to " + Date(n - 1 - back);
        break;
      }
      case ChartKind::Stats:
        dates = "training period " + Date(std::clamp(n - m.eval_days, 0, n - 1)) + " to " +
                Date(std::clamp(n - m.keepout_days - 1, 0, n - 1));
        break;
      case ChartKind::Projections:
        dates = Date(std::min(std::max(1, n - 31), n - 1)) + " to " + Date(n - 1) + " and 9 days to come";
        break;
    }
  }
  switch (kind) {
    case ChartKind::Main:
      legend = {{LegendItem::LineSample, kBlack, symbol + " close"},
                {LegendItem::LineSample, kBuy, "rise output, buy signal"},
                {LegendItem::LineSample, kSell, "fall output, sell signal"},
                {LegendItem::LineSample, kNeutral, "output, no signal"}};
      break;
    case ChartKind::Stats:
      legend = {{LegendItem::BoxSample, kNeutral, "days per predicted and actual move"},
                {LegendItem::LineSample, kBlack, "error distribution"}};
      break;
    case ChartKind::Projections:
      legend = {{LegendItem::LineSample, kPriceGrey, symbol + " close"},
                {LegendItem::BoxSample, kBand, "ten-day range the outputs imply"},
                {LegendItem::LineSample, kBuy, "direction, buy signal"},
                {LegendItem::LineSample, kNeutral, "direction, no signal"}};
      break;
  }

  std::string title = symbol.empty() ? std::string("(no stocks)") : symbol;
  if (!dates.empty()) title += "   " + dates;
  if (!model_name.empty()) title += "   " + model_name;
  DrawChartTitle(dc, Rect{x0 + kMargin, y0, x0 + p.width - kMargin, y0 + kTitleBand}, title);
  DrawChartLegend(dc, x0 + kMargin, y0 + p.height - kLegendBand / 2, legend);
  dc.ResetState();
}

void DrawChartTitle(Canvas& dc, const Rect& r, const std::string& title) {
  dc.SetBkMode(BkMode::Transparent);
  dc.SetTextColor(kBlack);
  dc.SetFont(Font{"MS Sans Serif", 16, FW_BOLD});
  dc.DrawText(title, r, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

void DrawChartLegend(Canvas& dc, int x, int ly, const std::vector<ChartLegendItem>& legend) {
  dc.SetBkMode(BkMode::Transparent);
  dc.SetTextColor(kBlack);
  dc.SetFont(Font{"MS Sans Serif", 13, FW_NORMAL});
  for (const LegendItem& item : legend) {
    if (item.sample == LegendItem::LineSample) {
      dc.SetPen(Pen{PenStyle::Solid, item.color, 2});
      dc.MoveTo(x, ly);
      dc.LineTo(x + 24, ly);
    } else {
      dc.FillRect(Rect{x + 6, ly - 6, x + 18, ly + 6}, item.color);
    }
    // About 8 pixels a character in the 13-pixel face.
    const int text_w = static_cast<int>(item.name.size()) * 8;
    dc.DrawText(item.name, Rect{x + 30, ly - 9, x + 30 + text_w, ly + 9}, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    x += 30 + text_w + 18;
  }
}

}  // namespace kv
