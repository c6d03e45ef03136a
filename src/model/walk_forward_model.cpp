#include "model/walk_forward_model.h"

#include <algorithm>

#include "model/main_dlg.h"

namespace kv {

WalkForwardModel WalkForwardModelOf(const TMainDlg& m) {
  WalkForwardModel w;
  const int n = std::clamp(std::min(m.patterns.n_days, calendar_count), 0, kMaxDays);
  if (!m.stocks[0] || n == 0) return w;
  w.dates.assign(calendar, calendar + n);
  // The stocks in the order the input rows take them (a missing one is
  // passed over, as Prep_Data does).
  for (int s = 0; s < std::min(m.n_files, kMaxStocks); ++s) {
    const Stock* st = m.stocks[s].get();
    if (!st) continue;
    RawStock r;
    r.close.assign(st->raw_price, st->raw_price + n);
    r.volume.assign(st->raw_volume, st->raw_volume + n);
    r.do_price = st->do_price;
    r.do_l_price = st->do_l_price;
    r.do_s_price = st->do_s_price;
    r.do_volume = st->do_volume;
    r.periods = st->infl_periods;
    w.stocks.push_back(std::move(r));
  }
  w.predic_mode = m.PredicMode;
  w.neurons = m.net.x_matrix;
  w.momentum = m.net.momentum;
  w.rules.do_backprop = m.DoBackProp;
  w.rules.do_annealing = m.DoAnnealing;
  w.rules.auto_grow = m.AutoIncNeu;
  w.rules.max_neurons = max_neurons;
  w.train_days = std::max(m.eval_days - m.keepout_days, 2);
  w.strategy = m.Strategy;
  w.searched = {m.buy_up_min, m.buy_down_max, m.sell_down_min, m.sell_up_max, m.take_stop_band};
  return w;
}

bool RunWalkForwardTest(const TMainDlg& m, const WalkForwardSettings& settings,
                        WalkForwardProgress* progress, const std::atomic<bool>* stop,
                        WalkForwardResult* out, std::string* err) {
  if (m.Damaged()) {
    *err = m.stocks_error + ": mend the stock (MOD or File > Reread) and try again";
    return false;
  }
  return RunWalkForward(WalkForwardModelOf(m), settings, progress, stop, out, err);
}

}  // namespace kv
