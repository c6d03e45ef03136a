// The chart of the main window: the selected stock's closing prices over a
// month grid, the network's rise and fall outputs as short bars on every day of
// the target stock, and the training and verify periods. Drawn at every paint
// of the main dialog, which also refreshes the performance figures.
#include <algorithm>

#include "forecast/stats_window.h"
#include "model/main_dlg.h"
#include "platform/canvas.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv {

namespace {

constexpr Color kWhite{255, 255, 255};
constexpr Color kLabelGrey{192, 192, 192};     // value-label column
constexpr Color kGridGrey{200, 200, 200};      // month grid, comparison line
constexpr Color kMonthText{128, 128, 128};
constexpr Color kBlack{0, 0, 0};
constexpr Color kBuy{40, 160, 40};
constexpr Color kSell{255, 0, 0};
constexpr Color kNeutral{0, 0, 255};

const char* const kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

Font Courier(int height) { return Font{"Courier New", height, FW_NORMAL}; }

// Visible columns of the chart: column offset x shows day Day(x).
struct Columns {
  int n = 0;         // days of the model
  int visible = 0;   // days across the plot
  int step = 1;      // pixels per day
  int back = 0;      // days hidden to the right
  int width = 0;     // pixel width w of the plot from the first day on
  int Day(int x) const { return std::max(1, n - (visible - x / step) - back); }
};

// Heights of prices above the plot's bottom edge.
struct Scale {
  double min = 0, scale = 0;
  int H(double v) const { return static_cast<int>((v - min) * scale) + 20; }
};

// A price series over the visible columns, as the price and comparison lines
// draw it: the pen starts at the first visible day, points at or below the
// bottom edge are left out.
void DrawSeries(TMainDlg& m, Canvas& dc, const Columns& cols, const Scale& sc, const float* series) {
  dc.MoveTo(m.chart_x0, m.chart_y0);
  int first = std::min(cols.Day(0), cols.n - 1);
  int h = std::clamp(sc.H(series[first]), 0, m.chart_bottom);
  if (h > 0) dc.MoveTo(m.chart_x0, m.chart_bottom - h);
  for (int x = 0; x < cols.width - 1; x += cols.step) {
    int d = cols.Day(x);
    if (d >= cols.n) continue;
    h = std::clamp(sc.H(series[d]), 0, m.chart_bottom);
    if (h <= 0) continue;
    dc.LineTo(m.chart_x0 + x, m.chart_bottom - h);
  }
}

void SetZoomScroll(TMainDlg& m) {
  m.dlg.SetScrollRange(ids::IDC_SCROLL, (m.chart_right - m.chart_x0) / m.zoom, m.patterns.n_days);
  m.dlg.SetScrollPos(ids::IDC_SCROLL, m.patterns.n_days);
}

// Steps 1 to 14 of a paint; false when the model has nothing to show.
bool DrawChart(TMainDlg& m, Canvas& dc) {
  // 1. Plot rectangle and the stock to show.
  const Rect client = dc.ClientRect();
  m.chart_left = client.left + 2;
  m.chart_top = client.top + 2;
  m.chart_right = client.right - 2;
  m.chart_bottom = client.bottom - 2;
  int s = m.dlg.GetSel(ids::IDC_TICKER_LIST);
  if (s < 0 || s >= kMaxStocks || !m.stocks[s]) s = 0;

  const Rect plot{m.chart_left, m.chart_top, m.chart_right, m.chart_bottom};
  const Rect label_column{m.chart_right + 3, m.chart_top, m.chart_right + 100, m.chart_bottom};
  const int n = std::min(m.patterns.n_days, kMaxDays);
  const int w = m.chart_right - m.chart_x0 + 1;

  // 2. Nothing to show.
  if (!m.stocks[0] || n <= 0 || w < 2) {
    dc.FillRect(plot, kWhite);
    dc.FillRect(label_column, kLabelGrey);
    return false;
  }

  // 3. Performance figures; this evaluation also fills the outputs drawn below.
  m.UpdateFigures();

  // 4. A history shorter than the plot is stretched to fill it.
  if (n < w && m.zoom < w / n + 1) {
    m.zoom = w / n + 1;
    SetZoomScroll(m);
  }

  // 5. Visible days.
  Columns cols;
  cols.n = n;
  cols.width = w;
  cols.back = std::clamp(n - m.dlg.GetScrollPos(ids::IDC_SCROLL), 0, n);
  dc.FillRect(plot, kWhite);
  cols.visible = (m.chart_right - m.chart_x0) / std::max(1, m.zoom);
  if (cols.visible <= 0) return true;
  cols.step = std::max(1, w / cols.visible);

  // 6. Month grid: a line and a label where the month changes (dates within
  // a month differ by less than 16).
  dc.SetPen(Pen{PenStyle::Solid, kGridGrey, 1});
  dc.SetFont(Courier(15));
  dc.SetTextColor(kMonthText);
  for (int x = 0; x < w - 1; x += cols.step) {
    int d = cols.Day(x);
    if (d >= n || calendar[d - 1] + 15 >= calendar[d]) continue;
    dc.MoveTo(m.chart_x0 + x, m.chart_top);
    dc.LineTo(m.chart_x0 + x, m.chart_bottom);
    int year = calendar[d] / 10000, month = calendar[d] / 100 % 100;
    std::string label;
    // January shows the year; at one pixel per day only two digits fit
    // ('00 for 2000, hence the zero padding).
    if (month == 1)
      label = m.zoom == 1 ? Format("'%02d", year % 100) : Format("%4d", year);
    else if (month >= 2 && month <= 12)
      label = kMonthNames[month - 1];
    if (!label.empty())
      dc.DrawText(label, Rect{m.chart_x0 + x + 1, m.chart_top, m.chart_right, m.chart_bottom},
                  DT_LEFT | DT_BOTTOM | DT_SINGLELINE);
  }

  // 7. Value range of the selected stock.
  const float* shown = m.stocks[s]->raw_price;
  const float* target = m.stocks[0]->raw_price;
  double lo = 1e10, hi = 0;
  for (int d = 0; d < n; ++d) {
    lo = std::min(lo, static_cast<double>(shown[d]));
    hi = std::max(hi, static_cast<double>(shown[d]));
  }

  // 8. Value grid and its labels (the selected stock's own range).
  dc.SetPen(Pen{PenStyle::DashDot, kLabelGrey, 0});
  dc.FillRect(label_column, kLabelGrey);
  dc.SetFont(Courier(14));
  dc.SetTextColor(kBlack);
  dc.SetBkColor(kLabelGrey);
  dc.SetBkMode(BkMode::Opaque);
  const int grid_step = (m.chart_bottom - 20 - (m.chart_top + 20)) / 5;
  for (int i = 0; i <= 5; ++i) {
    int y = (m.chart_bottom - 20) - grid_step * i;
    dc.MoveTo(m.chart_x0, y);
    dc.LineTo(m.chart_right, y);
    dc.DrawText(Format("%-8.2f", lo + (hi - lo) * 0.2 * i),
                Rect{m.chart_right + 3, y - 7, m.chart_right + 100, y + 7},
                DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  }

  // 9. Both curves share one scale: the range grows by the target stock's.
  for (int d = 0; d < n; ++d) {
    lo = std::min(lo, static_cast<double>(target[d]));
    hi = std::max(hi, static_cast<double>(target[d]));
  }
  Scale sc;
  sc.min = lo;
  sc.scale = hi == lo ? 0.0 : (m.chart_bottom - m.chart_top - 40) / (hi - lo);

  // 10. The target stock behind a related one.
  if (s != 0) {
    dc.SetPen(Pen{PenStyle::Solid, kGridGrey, 1});
    DrawSeries(m, dc, cols, sc, target);
  }

  // 11. Rise and fall bars of the target stock, an output of 1 being 20
  // pixels, coloured by the simulator's signal.
  if (s == 0) {
    const Pen buy{PenStyle::Solid, kBuy, 1}, sell{PenStyle::Solid, kSell, 1},
        neutral{PenStyle::Solid, kNeutral, 1};
    const int hmax = m.chart_bottom - 1;
    for (int x = 0; x < w - 1; x += cols.step) {
      int d = cols.Day(x);
      if (d >= n) continue;
      double base = (target[d] - sc.min) * sc.scale;
      int hp = std::clamp(sc.H(target[d]), 1, hmax);
      int hu = std::clamp(static_cast<int>(base + m.net.guess[d][0] * 20) + 20, 1, hmax);
      int hd = std::clamp(static_cast<int>(base - m.net.guess[d][1] * 20) + 20, 1, hmax);
      int px = m.chart_x0 + x;
      dc.SetPen(m.signal[d] == 1 ? buy : neutral);
      dc.MoveTo(px, m.chart_bottom - hp);
      dc.LineTo(px, m.chart_bottom - hu);
      dc.SetPen(m.signal[d] == -1 ? sell : neutral);
      dc.MoveTo(px, m.chart_bottom - hp);
      dc.LineTo(px, m.chart_bottom - hd);
    }
  }

  // 12. The selected stock's price.
  dc.SetPen(Pen{PenStyle::Solid, kBlack, 1});
  DrawSeries(m, dc, cols, sc, shown);

  // 13. Where the training and the verify periods begin.
  const int xe = m.chart_right - (m.eval_days - cols.back) * m.zoom;
  const int xk = m.chart_right - (m.keepout_days - cols.back) * m.zoom;
  if (cols.back < m.eval_days && xe > 0) {
    dc.MoveTo(xe, m.chart_top);
    dc.LineTo(xe, m.chart_bottom);
  }
  if (cols.back < m.keepout_days && m.keepout_days > 10 && xk > 0) {
    dc.MoveTo(xk, m.chart_top);
    dc.LineTo(xk, m.chart_bottom);
  }

  // 14. Period names; the verify period is named only when it is longer than
  // the ten days that never have outputs.
  dc.SetFont(Courier(15));
  dc.SetTextColor(kBlack);
  dc.SetBkMode(BkMode::Transparent);
  const unsigned flags = DT_CENTER | DT_BOTTOM | DT_SINGLELINE;
  if (m.keepout_days > 10) {
    Rect r{std::max(m.chart_x0, xk) + 1, m.chart_top, m.chart_right - 1, m.chart_bottom - 15};
    if (r.right > r.left) dc.DrawText("Verify Period", r, flags);
  }
  Rect r{std::max(m.chart_x0, xe) + 1, m.chart_top, std::min(xk, m.chart_right) - 1,
         m.chart_bottom - 15};
  if (r.right > r.left) dc.DrawText("Training Period", r, flags);
  return true;
}

}  // namespace

void TMainDlg::DisplayGuess(Canvas& canvas) {
  bool drawn = false;
  try {
    drawn = DrawChart(*this, canvas);
  } catch (...) {
    // A failed drawing simply ends.
  }
  canvas.ResetState();
  if (!drawn) return;

  // 15. The statistics window follows the chart.
  RefreshStatWindow();

  // 16. Model figures.
  dlg.SetText(ids::IDC_NEURONS, Format("%d", net.x_matrix));
  dlg.SetText(ids::IDC_MODEL_PATH, model_path);
  dlg.SetText(ids::IDC_TIME_TRAINED, Format("%4d:%02d", TimeTrained / 60, TimeTrained % 60));
}

void TMainDlg::EvPaint(Canvas& canvas) { DisplayGuess(canvas); }

void TMainDlg::CmZoom(int n) {
  zoom = std::clamp(n, 1, 5);
  if (zoom <= 3) {
    // A short history fills the width at the small zooms.
    const int w = chart_right - chart_x0 + 1;
    if (patterns.n_days > 0 && patterns.n_days < w) zoom = std::max(zoom, w / patterns.n_days + 1);
  }
  SetZoomScroll(*this);
  dlg.Invalidate();
}

void TMainDlg::CeZoom(int n, CommandEnabler& ce) {
  ce.Enable(true);
  ce.SetCheck(zoom == n);
}

void TMainDlg::EvScroll1() { dlg.Invalidate(); }

}  // namespace kv
