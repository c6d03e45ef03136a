// The performance figures of the main window: what the current strategy
// made over the training period, against the initial investment and against
// simply holding the stock.
#include <algorithm>

#include "app/options.h"
#include "model/main_dlg.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv {

void TMainDlg::UpdateFigures() {
  int trades = 1;
  process_bp(eval_days, 10, 1, false);
  const float value = Invest(eval_days, 10, trades, false);
  dlg.SetText(ids::IDC_STRATEGY_VALUE, Format("%7.0f", static_cast<double>(value)));

  const float initial = InvestSettings.inv_initial;
  dlg.SetText(ids::IDC_INITIAL, Format("%7.0f", static_cast<double>(initial)));
  const float market = MarketValue();
  dlg.SetText(ids::IDC_MARKET, Format("%7.0f", static_cast<double>(market)));
  dlg.SetText(ids::IDC_TRADES, Format("%4d", trades));
}

float TMainDlg::MarketValue() const {
  // Buy and hold over the training period. Days outside the stored history
  // (a window longer than the history, or no verify period) are taken at the
  // nearest stored day.
  const float initial = InvestSettings.inv_initial;
  float market = initial;
  const int n = std::min(patterns.n_days, kMaxDays);
  if (stocks[0] && n > 0) {
    const int from = std::clamp(patterns.n_days - eval_days, 0, n - 1);
    const int to = std::clamp(patterns.n_days - keepout_days, 0, n - 1);
    const float start = stocks[0]->raw_price[from];
    if (start > 0) market = stocks[0]->raw_price[to] / start * initial;
  }
  return market;
}

}  // namespace kv
