#include "forecast/projection_window.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/main_dlg.h"
#include "platform/canvas.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv {

TProjection* theProjection = nullptr;

namespace {

constexpr Color kWhite{255, 255, 255};
constexpr Color kBlack{0, 0, 0};
constexpr Color kLabelGrey{192, 192, 192};
constexpr Color kPriceGrey{200, 200, 200};
constexpr Color kBuy{40, 160, 40};
constexpr Color kNeutral{0, 0, 255};

constexpr int kColumns = 40;       // day columns across the plot
constexpr int kFuture = 9;         // of them after the last trading day
constexpr int kReach = 10;         // days a band reaches forward
constexpr int kArrow = 20;         // length of a direction line
constexpr double kRangeShare = 0.55;
constexpr double kBaseShare = 0.9;
constexpr double kGlow = 50;       // brightness per unit of weight
constexpr int kDayLabelWidth = 21; // "%3d" in the 12-pixel face
constexpr float kWeights[kReach] = {0.5f, 1.0f, 1.0f, 1.0f, 1.0f, 0.8f, 0.8f, 0.8f, 0.7f, 0.6f};

// Every open window, so that none outlives the model it shows.
std::vector<TProjection*>& OpenWindows() {
  static std::vector<TProjection*> open;
  return open;
}

uint8_t Brighten(uint8_t v, int add) { return static_cast<uint8_t>(std::min(255, v + add)); }

void Draw(TMainDlg& m, Canvas& dc) {
  // 1. Plot rectangle.
  const Rect client = dc.ClientRect();
  const int left = client.left + 2, top = client.top + 2;
  const int right = client.right - 2, bottom = client.bottom - 2;
  const Rect label_column{right + 3, top, right + 100, bottom};
  const int n = std::min(m.patterns.n_days, kMaxDays);
  const int w = right - left + 1;
  const int step = w / kColumns;

  // 2. Nothing to show.
  if (!m.stocks[0] || n <= 0 || step <= 0) {
    dc.FillRect(Rect{left, top, right, bottom}, kWhite);
    dc.FillRect(label_column, kLabelGrey);
    return;
  }
  const float* price = m.stocks[0]->raw_price;

  // 3. Columns: the last 31 trading days and 9 days to come.
  dc.FillRect(Rect{left, top, right, bottom}, kBlack);
  auto day = [&](int x) { return std::max(1, n + kFuture - (kColumns - x / step)); };

  // 4. Day grid, numbered from the last trading day (0).
  dc.SetPen(Pen{PenStyle::DashDot, kLabelGrey, 0});
  dc.SetFont(Font{"Courier New", 12, FW_NORMAL});
  dc.SetTextColor(kBlack);
  dc.SetBkColor(kLabelGrey);
  dc.SetBkMode(BkMode::Opaque);
  // A number takes three characters (about 21 pixels); where the columns are
  // narrower only every few columns are numbered, counted from day 0, so that
  // the numbers do not overwrite one another.
  const int label_every = std::max(1, (kDayLabelWidth + step - 1) / step);
  for (int x = 0; x < w - 1; x += step) {
    dc.MoveTo(left + x, top);
    dc.LineTo(left + x, bottom);
    // A frame wider than 40 columns leaves room for a few more grid lines,
    // but no day after the last projected one is numbered.
    if (x / step >= kColumns || (x / step - (kColumns - kFuture - 1)) % label_every != 0) continue;
    dc.DrawText(Format("%3d", day(x) - n + 1), Rect{left + x - 12, bottom + 1, right, bottom + 30},
                DT_LEFT | DT_TOP | DT_SINGLELINE);
  }

  // 5. Price range of the last 40 days (of all of them in a shorter history).
  double lo = 1e10, hi = 0;
  for (int d = std::max(0, n - kColumns); d < n; ++d) {
    lo = std::min(lo, static_cast<double>(price[d]));
    hi = std::max(hi, static_cast<double>(price[d]));
  }
  const double scale = hi == lo ? 0.0 : (bottom - top - 40) / (hi - lo) * kRangeShare;
  const double base = lo * kBaseShare;
  auto h = [&](double v) { return static_cast<int>((v - base) * scale) + 20; };

  // 6. Value grid. A flat history has no scale: its one price is written at
  // the line it is drawn on.
  dc.FillRect(label_column, kLabelGrey);
  dc.SetFont(Font{"Courier New", 14, FW_NORMAL});
  const int grid_step = (bottom - 20 - (top + 20)) / 5;
  for (int i = 0; i <= 5; ++i) {
    int y = (bottom - 20) - grid_step * i;
    dc.MoveTo(left, y);
    dc.LineTo(right, y);
    std::string label;
    if (scale != 0)
      label = Format("%-8.2f", base + i * 0.2 * (bottom - top - 40) / scale);
    else if (i == 0)
      label = Format("%-8.2f", lo);
    if (!label.empty())
      dc.DrawText(label, Rect{right + 3, y - 7, right + 100, y + 7},
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  }

  // 7. Bands: a direction line from the day's price, then the implied range
  // of the next ten days brightened pixel by pixel, so that the bands of
  // successive days add up where they agree. An output of 1 is a 10 % move.
  const Pen buy{PenStyle::Solid, kBuy, 1}, neutral{PenStyle::Solid, kNeutral, 1};
  for (int x = 0; x < w - 1; x += step) {
    const int d = day(x);
    if (d >= n) continue;
    const double p = price[d];
    const int hp = std::clamp(h(p), 1, bottom - 1);
    const int hu = std::clamp(h((1 + 0.1 * m.net.guess[d][0]) * p), 1, bottom - 1);
    const int hd = std::clamp(h((1 - 0.1 * m.net.guess[d][1]) * p), 1, bottom - 1);
    dc.SetPen(m.signal[d] == 1 ? buy : neutral);
    dc.MoveTo(left + x, bottom - hp);
    dc.LineTo(left + x + kArrow, bottom - (hu + hd) / 2);
    // The band stops at the plot's right edge.
    const int width = std::min(left + x + kReach * step, right) - (left + x);
    for (int i = 0; i < width; ++i) {
      const int add = static_cast<int>(std::lround(kWeights[std::min(i / step, kReach - 1)] * kGlow));
      for (int y = bottom - hu; y < bottom - hd; ++y) {
        Color c = dc.GetPixel(left + x + i, y);
        c.r = Brighten(c.r, add);
        c.g = Brighten(c.g, add);
        dc.SetPixel(left + x + i, y, c);
      }
    }
  }

  // 8. The actual price over everything.
  dc.SetPen(Pen{PenStyle::Solid, kPriceGrey, 1});
  const int first = std::min(std::max(1, n - 31), n - 1);
  int hf = std::clamp(h(price[first]), 0, bottom);
  if (hf > 0) dc.MoveTo(left, bottom - hf);
  for (int x = 0; x < w - 1; x += step) {
    const int d = day(x);
    if (d >= n) continue;
    const int hv = std::clamp(h(price[d]), 0, bottom);
    if (hv <= 0) continue;
    dc.LineTo(left + x, bottom - hv);
  }
}

}  // namespace

TProjection::TProjection(TMainDlg& m) : main(&m) {
  window_ = plat().CreateDialog(ids::DLG_PROJECTION, &m.dlg);
  window_->SetHandler(this);
  OpenWindows().push_back(this);
}

TProjection::~TProjection() {
  auto& open = OpenWindows();
  open.erase(std::remove(open.begin(), open.end(), this), open.end());
  if (theProjection == this) theProjection = nullptr;
  if (window_ && window_->Handler() == this) window_->SetHandler(nullptr);
}

void TProjection::EvPaint(Canvas& canvas) {
  try {
    Draw(*main, canvas);
  } catch (...) {
    // A failed drawing simply ends.
  }
  canvas.ResetState();
}

void TProjection::OnCloseRequest() {
  // The window goes away once the event that asked for it has been handled.
  auto& open = OpenWindows();
  open.erase(std::remove(open.begin(), open.end(), this), open.end());
  if (theProjection == this) theProjection = nullptr;
  dlg().EndDialog(IDCANCEL);
  TProjection* self = this;
  plat().Post([self] { delete self; });
}

void CloseProjectionWindows() {
  while (!OpenWindows().empty()) delete OpenWindows().back();
  theProjection = nullptr;
}

void TMainDlg::CmPopupprojections() {
  theProjection = new TProjection(*this);
  theProjection->dlg().Invalidate();
}

}  // namespace kv
