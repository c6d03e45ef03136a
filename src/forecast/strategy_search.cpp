// Strategy 7, "Max Profit": searches a grid of strategy parameters for the
// highest final value of the market simulator over the training period.
#include "forecast/strategy_search.h"

#include "app/wait_dialog.h"
#include "forecast/invest_lanes.h"
#include "model/main_dlg.h"
#include "resources/ids.h"

namespace kv {

StrategySearchResult SearchStrategy(const SimulationInput& in, const MoneySettings& m,
                                    const StrategyParams& start,
                                    StrategySearchObserver* observer) {
  StrategySearchObserver none;
  StrategySearchObserver& obs = observer ? *observer : none;
  StrategySearchResult r{start, 0.0f};
  StrategyParams s;
  for (s.buy_up_min = 0.1f; s.buy_up_min < 1.0f; s.buy_up_min += 0.1f) {
    for (s.buy_down_max = 0.1f; s.buy_down_max < 1.0f; s.buy_down_max += 0.1f) {
      if (!obs.Running()) continue;
      for (s.sell_down_min = 0.1f; s.sell_down_min < 1.0f; s.sell_down_min += 0.1f) {
        for (s.take_stop_band = 0.05f; s.take_stop_band < 0.4f; s.take_stop_band += 0.03f) {
          for (s.sell_up_max = 0.1f; s.sell_up_max < 1.0f; s.sell_up_max += 0.1f) {
            const float v = Simulate(in, s, m, false).value;
            if (v > r.value) {   // ties keep the earlier combination
              r.value = v;
              r.best = s;
              obs.Improved(r.best, v);
            }
          }
        }
        obs.PassDone(s);
      }
    }
  }
  return r;
}

namespace {

// The dialog's side of a plain search: the message pump and the evaluation
// the window shows after each improvement and each pass, the progress bar,
// and STOP or another strategy chosen meanwhile.
class DialogSearch : public StrategySearchObserver {
 public:
  DialogSearch(TMainDlg& m, TWaitDlg& wait) : m_(m), wait_(wait) {}
  bool Running() override { return m_.training_on && m_.Strategy == 7; }
  void Improved(const StrategyParams&, float) override {
    m_.dlg.Invalidate();
    m_.Check_Events();
    // A repaint may have evaluated another window of days.
    m_.process_bp(m_.eval_days, m_.keepout_days, 1, true);
  }
  void PassDone(const StrategyParams& at) override {
    m_.Check_Events();
    m_.process_bp(m_.eval_days, m_.keepout_days, 1, true);
    wait_.SetValue(static_cast<int>(at.buy_up_min * 100 + at.buy_down_max * 5 + at.sell_down_min * 0.5f));
  }

 private:
  TMainDlg& m_;
  TWaitDlg& wait_;
};

}  // namespace

void TMainDlg::CmStrategyitem7() {
  float best[5] = {buy_up_min, buy_down_max, sell_down_min, sell_up_max, take_stop_band};
  float best_value = 0.0f;
  // The search shares the run flag with training; never two at once.
  if (training_on) return;
  if (RefuseDamaged("search for a strategy")) return;

  Strategy = 7;
  modified = true;
  dlg.Invalidate();

  SetBusyControls();   // the same busy state as a training session
  training_on = true;   // STOP and the event pump end the search through it

  {
    TWaitDlg wait(&dlg);
    theWaitDlg = &wait;
    process_bp(eval_days, keepout_days, 1, true);

    // 9 x 9 x 9 x 12 x 9 = 78,732 simulations. The loop variables are the
    // parameter fields themselves, stepped as floats, so the simulator sees
    // each combination directly.
    int trades = 0;
    // The simulations run sixteen at a time (InvestMany, where the processor
    // has AVX-512), each lane exactly as Invest would run it. A batch holds the next combinations in loop
    // order and is dropped at every message pump, which may change anything
    // a simulation reads; before a pump, `signal` is made what the last
    // simulation run would have left.
    InvestLanes lanes;
    const bool in_lanes = InvestLanesAvailable();
    int have = 0, next = 0, last = -1;
    if (!in_lanes) {
      if (stocks[0]) {
        dlg.Enable(ids::IDC_REP, Trained > 0);   // as every run of Invest does
        DialogSearch observer(*this, wait);
        const StrategySearchResult r = SearchStrategy(
            SimulationWindow(eval_days, keepout_days), MoneyFromPreferences(),
            StrategyParams{best[0], best[1], best[2], best[3], best[4]}, &observer);
        best[0] = r.best.buy_up_min;
        best[1] = r.best.buy_down_max;
        best[2] = r.best.sell_down_min;
        best[3] = r.best.sell_up_max;
        best[4] = r.best.take_stop_band;
      }
    } else
    for (buy_up_min = 0.1f; buy_up_min < 1.0f; buy_up_min += 0.1f) {
      for (buy_down_max = 0.1f; buy_down_max < 1.0f; buy_down_max += 0.1f) {
        // STOP, or a command served by the pump that changed the strategy,
        // lets the remaining loops run out without simulating.
        if (!training_on || Strategy != 7) continue;
        for (sell_down_min = 0.1f; sell_down_min < 1.0f; sell_down_min += 0.1f) {
          have = next = 0;
          for (take_stop_band = 0.05f; take_stop_band < 0.4f; take_stop_band += 0.03f) {
            for (sell_up_max = 0.1f; sell_up_max < 1.0f; sell_up_max += 0.1f) {
              float v;
              if (in_lanes && Strategy == 7 && stocks[0]) {
                if (next == have) {
                  // The coming combinations, stepped exactly as the loops step them.
                  float ups[InvestLanes::kLanes], bands[InvestLanes::kLanes];
                  float band = take_stop_band, up = sell_up_max;
                  for (have = 0; have < InvestLanes::kLanes && band < 0.4f; ++have) {
                    ups[have] = up;
                    bands[have] = band;
                    up += 0.1f;
                    if (!(up < 1.0f)) {
                      up = 0.1f;
                      band += 0.03f;
                    }
                  }
                  next = 0;
                  const LaneMarket market{stocks[0]->raw_price, net.guess, patterns.n_days,
                                          buy_up_min, buy_down_max, sell_down_min};
                  InvestMany(market, eval_days, keepout_days, ups, bands, have, lanes);
                  dlg.Enable(ids::IDC_REP, Trained > 0);   // as Invest does
                }
                last = next;
                v = lanes.value[next++];
              } else {
                v = Invest(eval_days, keepout_days, trades, false);
                last = -1;
              }
              if (v > best_value) {   // ties keep the earlier combination
                best_value = v;
                best[0] = buy_up_min;
                best[1] = buy_down_max;
                best[2] = sell_down_min;
                best[3] = sell_up_max;
                best[4] = take_stop_band;
                if (last >= 0) lanes.WriteSignals(signal, last);
                have = next = 0;
                dlg.Invalidate();
                Check_Events();
                // A repaint may have evaluated another window of days.
                process_bp(eval_days, keepout_days, 1, true);
              }
            }
          }
          if (last >= 0) lanes.WriteSignals(signal, last);
          last = -1;
          Check_Events();
          process_bp(eval_days, keepout_days, 1, true);
          wait.SetValue(static_cast<int>(buy_up_min * 100 + buy_down_max * 5 + sell_down_min * 0.5f));
        }
      }
    }
    theWaitDlg = nullptr;
  }

  buy_up_min = best[0];
  buy_down_max = best[1];
  sell_down_min = best[2];
  sell_up_max = best[3];
  take_stop_band = best[4];
  training_on = false;

  SetIdleControls();
  dlg.Invalidate();
}

}  // namespace kv
