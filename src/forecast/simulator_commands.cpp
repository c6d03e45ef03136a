// The market simulator in the window: Invest and its report, the strategy
// commands and the Rep button. The simulation itself is forecast/simulator.h.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "app/launch.h"
#include "app/options.h"
#include "forecast/simulator.h"
#include "model/main_dlg.h"
#include "resources/ids.h"
#include "util/atomic_file.h"
#include "util/text.h"

namespace kv {

MoneySettings MoneyFromPreferences() {
  const InvestSettingsRecord& p = InvestSettings;
  return MoneySettings{p.inv_initial, p.inv_broker_fee, p.inv_broker_com, p.inv_broker_fpshare,
                       p.inv_broker_q_over};
}

SimulationInput TMainDlg::SimulationWindow(int days_back, int days_from_end) {
  // Only stored days are simulated: a window reaching back before the first
  // day starts at day 0, and none runs past the last day, whatever the
  // model's window settings say.
  const int n = std::clamp(patterns.n_days, 0, kMaxDays);
  SimulationInput in;
  in.price = stocks[0]->raw_price;
  in.date = calendar;
  in.guess = net.guess;
  in.first = std::max(0, patterns.n_days - days_back);
  in.end = std::min(n, patterns.n_days - days_from_end);
  in.signal_out = signal;
  return in;
}

SimulationResult TMainDlg::Simulation(int days_back, int days_from_end, bool keep_days) {
  if (Strategy >= 0 && Strategy <= 6) {
    const StrategyParams r = StandardStrategy(Strategy);
    buy_up_min = r.buy_up_min;
    buy_down_max = r.buy_down_max;
    sell_down_min = r.sell_down_min;
    sell_up_max = r.sell_up_max;
    take_stop_band = r.take_stop_band;
  }
  const StrategyParams s{buy_up_min, buy_down_max, sell_down_min, sell_up_max, take_stop_band};
  SimulationResult r =
      Simulate(SimulationWindow(days_back, days_from_end), s, MoneyFromPreferences(), keep_days);
  dlg.Enable(ids::IDC_REP, Trained > 0);
  return r;
}

float TMainDlg::Invest(int days_back, int days_from_end, int& trades, bool report) {
  trades = 1;
  if (!stocks[0]) {
    if (report) report_error = "the model has no stocks, so there is nothing to report";
    return 0.0f;
  }
  const SimulationResult r = Simulation(days_back, days_from_end, report);
  trades = r.trades;
  if (!report) return r.value;

  // The report is built in memory and written in one piece.
  std::string text;
  char when[64] = "";
  std::tm t = plat().clock().LocalNow();
  std::strftime(when, sizeof when, "%a %b %d %H:%M:%S %Y", &t);
  text += "               Kestrivane                         \n";
  text += "        Market Simulator Report                   \n";
  text += "       ";
  text += when;
  text += "\n\n";
  text += "\n\n";
  text += model_path;
  text += "\n\n";
  text += "date    ,   share,     market,   action, shares, fees\n";
  text += "YYYYMMDD,   price,     value \n\n";
  for (const SimulatedDay& day : r.days) {
    char line[160];
    if (day.action)
      std::snprintf(line, sizeof line, "%8d, %7.2f, %10.2f, %8s, %6d, %5.2f\n", day.date,
                    static_cast<double>(day.price), static_cast<double>(day.value), day.action,
                    day.shares, static_cast<double>(day.fee));
    else
      std::snprintf(line, sizeof line, "%8d, %7.2f, %10.2f\n", day.date,
                    static_cast<double>(day.price), static_cast<double>(day.value));
    text += line;
  }

  // A report that cannot be written is simply missing; the run stands, and
  // report_error says why for those who ask. A pipe or a terminal named as
  // the report (/dev/stdout) gets the text directly.
  report_error.clear();
  WriteOutputFile(report_file, text, &report_error);
  return r.value;
}

void TMainDlg::CmStrategyitem(int n) {
  if (n < 0 || n > 6) return;
  Strategy = n;
  modified = true;
  dlg.Invalidate();
}

void TMainDlg::CeStrategyitem(int n, CommandEnabler& ce) {
  if (n == 7) {
    // Searching for a strategy only makes sense on a well trained network:
    // more than twelve hours.
    if (TimeTrained > 720) {
      ce.Enable(!training_on);
    } else {
      ce.Enable(false);
      if (Strategy == 7) Strategy = 3;
    }
  } else {
    ce.Enable(!training_on);
  }
  ce.SetCheck(Strategy == n);
}

void TMainDlg::REPORT_BNClicked() {
  int trades = 0;
  DisplayEvaluation();
  Invest(eval_days, 10, trades, true);
  OpenInNotepad(report_file.c_str(), "report.txt");
}

}  // namespace kv
