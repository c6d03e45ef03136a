// The ten-day forecast of the trained network for the target stock, with
// the strategy's advice, profit-take and stop-loss levels and a confidence
// figure; and the predict-mode commands.
#include <cstdio>
#include <string>

#include "data/data_quality.h"
#include "forecast/confidence.h"
#include "model/main_dlg.h"

namespace kv {
namespace {

const char* Mark(float output) { return output > 0.9f ? "+" : " "; }

}  // namespace

// Builds the forecast and fills last_forecast; returns the text the message
// box shows. A model without price data gives an empty text and a HOLD
// forecast with nothing known.
std::string Pred7Text(TMainDlg& dlg) {
  dlg.last_forecast = ForecastResult{};
  if (!dlg.stocks[0] || dlg.patterns.n_days < 1) return {};
  const int n = dlg.patterns.n_days < kMaxDays ? dlg.patterns.n_days : kMaxDays;
  const int L = n - 1;
  const char* symbol = dlg.stocks[0]->symbol.c_str();
  const std::tm today = plat().clock().LocalNow();

  // Rate the network on its last 60 days; a shorter history is rated on
  // what it has (and is then never called reliable, see below).
  dlg.process_bp(kRatedDays, 0, 1, true);
  dlg.feedforward(L);
  int trades = 0;
  dlg.Invest(2, 0, trades, false);

  std::string text;
  text.reserve(5120);
  char line[256];
  const float up = dlg.net.guess[L][0];
  const float down = dlg.net.guess[L][1];
  if (dlg.PredicMode == 0) {
    std::snprintf(line, sizeof line,
                  "Ten Day Probability Forecast for %s\n\nUp = %5.1f%%   Down = %5.1f%%\n\n", symbol,
                  up * 100.0, down * 100.0);
    text += line;
    text += "Revised Probability Forcast made on:\n";
    for (int i = 1; i <= 9 && L - i >= 0; ++i) {
      const int d = L - i;
      dlg.feedforward(d);
      std::snprintf(line, sizeof line, "%6d  Up = %5.1f%%  Down = %5.1f%%\n", calendar[d],
                    dlg.net.guess[d][0] * 100.0, dlg.net.guess[d][1] * 100.0);
      text += line;
    }
  } else if (dlg.PredicMode == 1) {
    std::snprintf(line, sizeof line,
                  "Ten Day Forecast for %s\n\nGain = %5.1f%s%%   Loss = %5.1f%s%%\n\n", symbol,
                  up * 10.0, Mark(up), down * 10.0, Mark(down));
    text += line;
    text += "Revised Forcast made on:\n";
    for (int i = 1; i <= 9 && L - i >= 0; ++i) {
      const int d = L - i;
      dlg.feedforward(d);
      const float g0 = dlg.net.guess[d][0], g1 = dlg.net.guess[d][1];
      std::snprintf(line, sizeof line, "%6d  Gain = %5.1f%s%%  Loss = %5.1f%s%%\n", calendar[d],
                    g0 * 10.0, Mark(g0), g1 * 10.0, Mark(g1));
      text += line;
    }
  }

  const int sig = dlg.signal[L];
  std::snprintf(line, sizeof line, "Kestrivanes advice on %2d/%2d/%4d for %s: %s\n\n",
                today.tm_mon + 1, today.tm_mday, today.tm_year + 1900, symbol,
                sig == 1 ? "BUY" : sig == -1 ? "SELL" : "HOLD");
  text += line;
  ForecastResult& f = dlg.last_forecast;
  f.signal = sig;
  f.outlook_pos = 0;
  f.outlook_neg = 0;

  const float b = dlg.take_stop_band;
  f.stop_loss = (b - down * 0.04f) * 100.0f;
  f.profit_take = (b + up * 0.04f) * 100.0f;
  std::snprintf(line, sizeof line, "Profit take at  %2.0f %%\nStop  loss  at -%2.0f %%\n",
                static_cast<double>(f.profit_take), static_cast<double>(f.stop_loss));
  text += line;

  // A rating over a shorter history is never called reliable.
  const Confidence rating =
      RateConfidence(dlg.good_calls, dlg.bad_calls, dlg.abs_error_sum, n, dlg.TimeTrained > 60);
  if (!rating.known) {
    text +=
        "\n\nThis prediction has a confidence of: Unknown Due to Inadequate Modeling\n"
        "(due to too little training or too few neurons) ";
    f.confidence = 0;
  } else {
    std::snprintf(line, sizeof line, "\n\nThis prediction has a confidence of: %3.1f%% ",
                  static_cast<double>(rating.pct));
    text += line;
    f.confidence = rating.pct;
    f.rated = true;
  }
  return text;
}

void Pred7(TMainDlg& dlg) {
  const std::string text = Pred7Text(dlg);
  if (!dlg.batch_running && !text.empty()) plat().MessageBox(text, "Kestrivane", MB_OK);
}

void TMainDlg::PREDICT_BNClicked() {
  if (Trained > 0) Pred7(*this);
  if (Trained > 0 && patterns.n_days > 0)
    if (const auto stale = StaleDataWarning(calendar[patterns.n_days - 1], plat().clock().TodayYmd()))
      SetStatus("warning: " + *stale);
}

// A trained network keeps the mode it was trained in: changing the targets
// under it would make its outputs meaningless.
void TMainDlg::CmPredictprob() {
  if (Trained != 0) return;
  PredicMode = 0;
  modified = true;
  Update_Stocks();
  Create_Results();
}

void TMainDlg::CmPredictpercent() {
  if (Trained != 0) return;
  PredicMode = 1;
  modified = true;
  Update_Stocks();
  Create_Results();
}

void TMainDlg::CePredictprob(CommandEnabler& ce) {
  ce.Enable(true);
  ce.SetCheck(PredicMode == 0);
}

void TMainDlg::CePredictpercent(CommandEnabler& ce) {
  ce.Enable(true);
  ce.SetCheck(PredicMode == 1);
}

}  // namespace kv
