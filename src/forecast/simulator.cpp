// The market simulator: replays the network's outputs against the target
// stock's history with an imaginary account, one day at a time; the strategy
// commands and the Rep button.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "app/launch.h"
#include "app/options.h"
#include "model/main_dlg.h"
#include "resources/ids.h"
#include "util/atomic_file.h"
#include "util/text.h"

namespace kv {
namespace {

struct StrategyRow {
  float buy_up_min, buy_down_max, sell_down_min, sell_up_max, take_stop_band;
};

// Strategies 0..6; strategy 7 keeps the values its search found.
constexpr StrategyRow kStrategies[7] = {
    {0.85f, 0.40f, 0.21f, 0.75f, 0.07f},   // 0 Skittish
    {0.90f, 0.35f, 0.90f, 0.35f, 0.07f},   // 1 Very Conservative
    {0.85f, 0.40f, 0.85f, 0.40f, 0.08f},   // 2 Conservative
    {0.75f, 0.40f, 0.75f, 0.40f, 0.10f},   // 3 Normal
    {0.51f, 0.50f, 0.51f, 0.50f, 0.15f},   // 4 Aggressive
    {0.21f, 0.85f, 0.21f, 0.85f, 0.20f},   // 5 Very Aggressive
    {0.21f, 0.75f, 0.90f, 0.35f, 0.20f},   // 6 Dare Devil
};

// Broker fee of one trade of `shares` whole shares at `price`.
float TradeFee(int shares, float price) {
  const InvestSettingsRecord& m = InvestSettings;
  float fee = m.inv_broker_fee;
  if (shares > m.inv_broker_q_over) {
    const double over = static_cast<double>(shares) - m.inv_broker_q_over;
    fee = static_cast<float>(fee + std::fabs(over * price * m.inv_broker_com * 0.01) +
                             std::fabs(over * m.inv_broker_fpshare));
  }
  return fee;
}

}  // namespace

float TMainDlg::Invest(int days_back, int days_from_end, int& trades, bool report) {
  trades = 1;
  if (!stocks[0]) {
    if (report) report_error = "the model has no stocks, so there is nothing to report";
    return 0.0f;
  }
  const Stock& target = *stocks[0];

  // The report is built in memory and written in one piece at the end; a
  // run without a report neither allocates nor touches a file (the strategy
  // search makes tens of thousands of runs).
  std::string text;
  if (report) {
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
  }

  if (Strategy >= 0 && Strategy <= 6) {
    const StrategyRow& r = kStrategies[Strategy];
    buy_up_min = r.buy_up_min;
    buy_down_max = r.buy_down_max;
    sell_down_min = r.sell_down_min;
    sell_up_max = r.sell_up_max;
    take_stop_band = r.take_stop_band;
  }

  float cash = InvestSettings.inv_initial;
  float held = 0.0f;
  float purchase = 0.0f;
  float p = 0.0f;
  // Only stored days are simulated: a window reaching back before the first
  // day starts at day 0, and none runs past the last day, whatever the
  // model's window settings say.
  const int n = std::clamp(patterns.n_days, 0, kMaxDays);
  const int first = std::max(0, patterns.n_days - days_back);
  const int end = std::min(n, patterns.n_days - days_from_end);
  // The profit-take and stop-loss limits are compared in double precision, so
  // a band of 0.1 (stored slightly above 0.1) does not sell at exactly +10 %.
  const double upper = 1.0 + static_cast<double>(take_stop_band);
  const double lower = 1.0 - static_cast<double>(take_stop_band);

  for (int d = first; d < end; ++d) {
    p = target.raw_price[d];
    const float up = net.guess[d][0];
    const float down = net.guess[d][1];
    signal[d] = 0;
    const char* label = nullptr;
    int shares = 0;
    float fee = 0.0f;
    const float value = cash + held * p;

    int sig = 0;
    if (up > buy_up_min && down < buy_down_max) sig = 1;
    else if (down > sell_down_min && up < sell_up_max) sig = -1;
    signal[d] = sig;

    if (p > 0 && sig == 1 && cash > 1.0f) {
      const float amount = std::min(cash, value);
      cash -= amount;
      held += amount / p;
      purchase = p;
      shares = static_cast<int>(amount / p);
      ++trades;
      fee = TradeFee(shares, p);
      cash -= fee;
      label = "buy";
    }
    const bool take = sig == 0 && static_cast<double>(p) >= upper * purchase;
    const bool stop = sig == 0 && static_cast<double>(p) <= lower * purchase;
    if ((sig == -1 || take || stop) && held > 0.0001f) {
      shares = static_cast<int>(held);
      cash += held * p;
      held = 0.0f;
      ++trades;
      fee = TradeFee(shares, p);
      cash -= fee;
      label = sig == -1 ? "sell" : stop ? "st loss" : "prof tk";
    }

    if (report) {
      char line[160];
      if (label)
        std::snprintf(line, sizeof line, "%8d, %7.2f, %10.2f, %8s, %6d, %5.2f\n", calendar[d],
                      static_cast<double>(p), static_cast<double>(value), label, shares,
                      static_cast<double>(fee));
      else
        std::snprintf(line, sizeof line, "%8d, %7.2f, %10.2f\n", calendar[d],
                      static_cast<double>(p), static_cast<double>(value));
      text += line;
    }
  }

  // A report that cannot be written is simply missing; the run stands, and
  // report_error says why for those who ask. A pipe or a terminal named as
  // the report (/dev/stdout) gets the text directly.
  if (report) {
    report_error.clear();
    WriteOutputFile(report_file, text, &report_error);
  }
  dlg.Enable(ids::IDC_REP, Trained > 0);
  return cash + held * p;
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
