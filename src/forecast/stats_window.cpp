#include "forecast/stats_window.h"

#include <algorithm>
#include <cmath>

#include "model/main_dlg.h"
#include "platform/canvas.h"
#include "resources/ids.h"

namespace kv {

TKestriStat* theStatWindow = nullptr;

namespace {

constexpr Color kWhite{255, 255, 255};
constexpr Color kBlue{0, 0, 255};
constexpr int kClasses = 20;   // classes of the count grid per axis
constexpr int kBins = 180;     // error bins from -1 to +1

// A data set: the days d = first .. last (inclusive) of the model, cut to the
// days that exist.
struct DaySet {
  int first = 0, last = -1;
};

DaySet Clip(int first, int last, int n) {
  DaySet s;
  s.first = std::max(first, 0);
  s.last = std::min({last, n - 1, kMaxDays - 1});
  return s;
}

void Line(Canvas& dc, int x0, int y0, int x1, int y1) {
  dc.MoveTo(x0, y0);
  dc.LineTo(x1, y1);
}

void Text(Canvas& dc, const char* s, int l, int t, int r, int b, unsigned flags) {
  dc.DrawText(s, Rect{l, t, r, b}, flags);
}

}  // namespace

TKestriStat::TKestriStat(TMainDlg& m) : main(&m) {
  window_ = plat().CreateDialog(ids::DLG_STATS, &m.dlg);
  window_->SetCaption("Kestrivane Stats");
  window_->SetHandler(this);
  EvInitDialog();
}

TKestriStat::~TKestriStat() {
  if (theStatWindow == this) theStatWindow = nullptr;
  if (window_ && window_->Handler() == this) window_->SetHandler(nullptr);
}

void TKestriStat::EvInitDialog() {
  flag3d = false;
  dlg().Check(ids::IDC_STAT_3D, false);
  dlg().Check(ids::IDC_STAT_TRAINING, true);
  dlg().Check(ids::IDC_STAT_VERIFY, false);
  dlg().Enable(ids::IDC_STAT_HINT, true);
}

void TKestriStat::OnControl(int id, Notify code) {
  if (code != Notify::Clicked) return;
  switch (id) {
    case ids::IDC_STAT_3D: d3d_BNClicked(); break;
    case ids::IDC_STAT_HINT: HINT_BNClicked(); break;
    case ids::IDC_STAT_TRAINING: TC_BNClicked(); break;
    case ids::IDC_STAT_VERIFY: VC_BNClicked(); break;
    default: break;
  }
}

void TKestriStat::d3d_BNClicked() {
  flag3d = dlg().IsChecked(ids::IDC_STAT_3D);
  Refresh();
}

void TKestriStat::HINT_BNClicked() { Refresh(); }

// At least one data set stays chosen.
void TKestriStat::TC_BNClicked() {
  if (!dlg().IsChecked(ids::IDC_STAT_TRAINING)) dlg().Check(ids::IDC_STAT_VERIFY, true);
  Refresh();
}

void TKestriStat::VC_BNClicked() {
  if (!dlg().IsChecked(ids::IDC_STAT_VERIFY)) dlg().Check(ids::IDC_STAT_TRAINING, true);
  Refresh();
}

void TKestriStat::Refresh() { dlg().Invalidate(); }

void TKestriStat::EvHelp() { main->CmHelpcontent(); }

void TKestriStat::OnCloseRequest() {
  // The window goes away once the event that asked for it has been handled.
  if (theStatWindow == this) theStatWindow = nullptr;
  dlg().EndDialog(IDCANCEL);
  TKestriStat* self = this;
  plat().Post([self] { delete self; });
}

void TKestriStat::EvPaint(Canvas& dc) {
  TMainDlg& m = *main;
  // 1. Fresh outputs for both periods.
  m.DisplayEvaluation();
  const int n = std::min(m.patterns.n_days, kMaxDays);
  const int e = m.eval_days, k = m.keepout_days;
  const bool have_model = m.stocks[0] && n > 0;

  DaySet sets[2];
  int chosen = 0;
  if (have_model) {
    if (dlg().IsChecked(ids::IDC_STAT_TRAINING)) sets[chosen++] = Clip(n - e, n - k, n);
    if (dlg().IsChecked(ids::IDC_STAT_VERIFY)) sets[chosen++] = Clip(n - k, n - 11, n);
  }

  try {
    // 2. Left panel.
    dc.SetBkMode(BkMode::Transparent);
    dc.FillRect(Rect{13, 28, 157, 172}, kWhite);
    Text(dc, "Predicted vs Actual", 20, 15, 150, 28, DT_CENTER);

    // 3. Day counts by actual class (row) and predicted class (column).
    int grid[kClasses][kClasses] = {};
    int most = 0;
    for (int si = 0; si < chosen; ++si) {
      for (int d = sets[si].first; d <= sets[si].last; ++d) {
        int col =
            std::clamp(static_cast<int>(10 - (m.net.guess[d][0] - m.net.guess[d][1]) * 10), 0, 19);
        int row = std::clamp(
            static_cast<int>((m.patterns.result[d][0] - m.patterns.result[d][1]) * 10 + 10), 0, 19);
        most = std::max(most, ++grid[row][col]);
      }
    }

    // 4. The quadrant hints belong to the flat view.
    dlg().Enable(ids::IDC_STAT_HINT, !flag3d);

    if (!flag3d) {
      // 5.1 Axes.
      Line(dc, 85, 35, 85, 165);
      Line(dc, 20, 100, 150, 100);
      Text(dc, "Ba", 130, 102, 156, 120, DT_RIGHT | DT_NOCLIP);
      Text(dc, "Sa", 14, 102, 40, 120, DT_LEFT | DT_NOCLIP);
      Text(dc, "Bp", 87, 37, 91, 55, DT_LEFT | DT_NOCLIP);
      Text(dc, "Sp", 87, 153, 91, 165, DT_BOTTOM | DT_SINGLELINE | DT_NOCLIP);
      // 5.2 Quadrant names.
      if (dlg().IsChecked(ids::IDC_STAT_HINT)) {
        Text(dc, "Good\nBuy", 150, 35, 150, 35, DT_RIGHT | DT_NOCLIP);
        Text(dc, "Bad\nSell", 150, 130, 150, 165, DT_RIGHT | DT_BOTTOM | DT_NOCLIP);
        Text(dc, "Good\nSell", 20, 130, 20, 165, DT_BOTTOM | DT_NOCLIP);
        Text(dc, "Bad\nBuy", 20, 35, 20, 35, DT_BOTTOM | DT_NOCLIP);
        Text(dc, "Good\nHold", 65, 80, 105, 120, DT_CENTER | DT_NOCLIP);
      }
      // 5.3 One tick per day: actual move across, predicted move up.
      for (int si = 0; si < chosen; ++si) {
        for (int d = sets[si].first; d <= sets[si].last; ++d) {
          int x = static_cast<int>((m.patterns.result[d][0] - m.patterns.result[d][1]) * 65 + 85);
          double y = 100 - (m.net.guess[d][0] - m.net.guess[d][1]) * 65.0;
          Line(dc, x, static_cast<int>(y), x, static_cast<int>(y + 1));
        }
      }
      // 5.4 Density squares, 10 pixels wide for the fullest cell.
      for (int r = 0; r < kClasses; ++r) {
        for (int c = 0; c < kClasses; ++c) {
          if (grid[r][c] <= 0) continue;
          double s = std::min(grid[r][c] * 5.0 / most, 5.0);
          double cx = r * 6.5 + 20, cy = c * 6.5 + 35;
          dc.FillRect(Rect{static_cast<int>(cx - s), static_cast<int>(cy - s),
                           static_cast<int>(cx + s), static_cast<int>(cy + s)},
                      kBlue);
        }
      }
    } else {
      // 6.1 Axis ends of the tilted view.
      Text(dc, "Ba", 130, 80, 156, 100, DT_RIGHT | DT_NOCLIP);
      Text(dc, "Sa", 14, 102, 40, 120, DT_LEFT | DT_NOCLIP);
      Text(dc, "Bp", 63, 37, 69, 55, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_NOCLIP);
      Text(dc, "Sp", 87, 131, 91, 165, DT_BOTTOM | DT_SINGLELINE | DT_NOCLIP);
      if (most > 0) {
        // 6.2 Every cell projected; the fullest rises 20 pixels.
        Point at[kClasses][kClasses];
        for (int r = 0; r < kClasses; ++r)
          for (int c = 0; c < kClasses; ++c)
            at[r][c] = Point{static_cast<int>(r * 4.875 + 20 + c * 1.625),
                             static_cast<int>(c * 3.25 + 67.5 - grid[r][c] * 20.0 / most)};
        // 6.3 From the back, so nearer rows cover farther ones.
        dc.SetPen(Pen{});
        dc.SetBrush(Brush::Solid(kWhite));
        for (int r = kClasses - 2; r >= 0; --r) {
          for (int c = 0; c <= kClasses - 2; ++c) {
            Point quad[5] = {at[r][c], at[r + 1][c], at[r + 1][c + 1], at[r][c + 1], at[r][c]};
            dc.Polygon(quad, 5);
          }
        }
      }
    }

    // 7. Error panel.
    dc.FillRect(Rect{180, 35, 360, 105}, kWhite);
    Line(dc, 270, 35, 270, 85);
    Line(dc, 180, 85, 360, 85);
    Text(dc, "Error Distribution", 180, 21, 360, 35, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
    Text(dc, "-1", 180, 87, 180, 87, DT_BOTTOM | DT_NOCLIP);
    Text(dc, "0", 268, 87, 268, 87, DT_BOTTOM | DT_NOCLIP);
    Text(dc, "+1", 340, 87, 340, 87, DT_BOTTOM | DT_NOCLIP);

    // 8. One histogram per data set. An error of exactly +1 is counted in the
    // last bin, with the errors just below it.
    for (int si = 0; si < chosen; ++si) {
      float bins[kBins] = {};
      for (int d = sets[si].first; d <= sets[si].last; ++d) {
        for (int o = 0; o < 2; ++o) {
          int b = static_cast<int>((m.net.guess[d][o] - m.patterns.result[d][o]) * 90 + 90);
          bins[std::clamp(b, 0, kBins - 1)] += 1;
        }
      }
      float top = *std::max_element(bins, bins + kBins);
      if (top <= 0) continue;   // an empty set draws no curve
      Point curve[kBins];
      curve[0] = Point{180, static_cast<int>(85 - bins[0] * 50 / top)};
      for (int i = 1; i < kBins; ++i)
        curve[i] = Point{180 + i, static_cast<int>(85 - bins[i] * 50 / top + 1)};
      dc.SetPen(Pen{});
      dc.Polyline(curve, kBins);
    }
  } catch (...) {
    // A failed drawing simply ends.
  }
  dc.ResetState();
}

void RefreshStatWindow() {
  if (theStatWindow) theStatWindow->Refresh();
}

void CloseStatWindow() {
  delete theStatWindow;   // the destructor clears the pointer
  theStatWindow = nullptr;
}

void TMainDlg::STATS_BNClicked() {
  if (theStatWindow) {
    CloseStatWindow();
    return;
  }
  theStatWindow = new TKestriStat(*this);
  if (stocks[0]) theStatWindow->dlg().SetCaption(stocks[0]->symbol);
  theStatWindow->Refresh();
}

}  // namespace kv
