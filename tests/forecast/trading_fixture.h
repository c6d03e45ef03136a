// A main dialog holding a hand-made market: the target stock's prices, a
// calendar, and network outputs set directly or through a network built to
// give them.
#pragma once

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "app/options.h"
#include "support/fixture.h"

namespace kv::test {

class TradingTest : public MainDlgTest {
 protected:
  TradingTest() { InvestSettings = InvestSettingsRecord{}; }

  // A model of prices.size() days: a target stock "GE" with those closes,
  // calendar dates 20240101 + day, no outputs yet.
  void MakeMarket(const std::vector<float>& prices) {
    main->stocks[0] = std::make_unique<Stock>();
    main->stocks[0]->symbol = "GE";
    main->n_files = 1;
    main->patterns.n_days = static_cast<int>(prices.size());
    calendar_count = main->patterns.n_days;
    for (int d = 0; d < kMaxDays; ++d) {
      calendar[d] = d < main->patterns.n_days ? 20240101 + d : 0;
      main->stocks[0]->raw_price[d] = d < main->patterns.n_days ? prices[d] : 0;
      main->net.guess[d][0] = main->net.guess[d][1] = 0;
      main->patterns.result[d][0] = main->patterns.result[d][1] = 0;
      main->signal[d] = 0;
    }
  }

  // Outputs written straight into guess (the simulator only reads them).
  void SetGuesses(const std::vector<std::pair<float, float>>& outputs) {
    for (size_t d = 0; d < outputs.size(); ++d) {
      main->net.guess[d][0] = outputs[d].first;
      main->net.guess[d][1] = outputs[d].second;
    }
  }

  // The float weight w for which the forward pass gives exactly target.
  static float WeightFor(float target) {
    const double t = target;
    float w = static_cast<float>(std::log(t / (1.0 - t)));
    auto out = [](float x) { return static_cast<float>(1.0 / (1.0 + std::exp(-static_cast<double>(x)))); };
    for (int i = 0; i < 64 && out(w) != target; ++i)
      w = std::nextafter(w, out(w) < target ? 1e9f : -1e9f);
    return w;
  }

  void ClearWeights() {
    for (auto& row : main->net.hidden_w)
      for (float& w : row) w = 0;
    for (auto& row : main->net.out_w)
      for (float& w : row) w = 0;
  }

  // A network without hidden neurons: the same two outputs on every day.
  void SetConstantOutputs(float up, float down) {
    ClearWeights();
    main->net.x_matrix = 0;
    main->net.in_nodes = 0;
    main->net.out_nodes = 2;
    for (int d = 0; d < kMaxDays; ++d) main->patterns.inputs[0][d] = 1.0f;
    main->net.out_w[0][0] = WeightFor(up);
    main->net.out_w[1][0] = WeightFor(down);
    main->cache_start_back = -1;
  }

  // A network whose outputs on the last outputs.size() days (at most 10,
  // oldest first) are exactly the given pairs, and 0.5 on every other day:
  // one saturated hidden neuron per day selects that day's pair.
  void SetLastOutputs(const std::vector<std::pair<float, float>>& outputs) {
    const int k = static_cast<int>(outputs.size());
    ClearWeights();
    main->net.x_matrix = k;
    main->net.in_nodes = k;
    main->net.out_nodes = 2;
    for (int d = 0; d < kMaxDays; ++d) {
      for (int j = 0; j < k; ++j) main->patterns.inputs[j][d] = 0;
      main->patterns.inputs[k][d] = 1.0f;
    }
    for (int j = 0; j < k; ++j) {
      main->patterns.inputs[j][main->patterns.n_days - k + j] = 1.0f;
      main->net.hidden_w[j][j] = 200.0f;   // selected: sigmoid(100) is exactly 1
      main->net.hidden_w[k][j] = -100.0f;  // otherwise exactly 0
      main->net.out_w[0][j] = WeightFor(outputs[j].first);
      main->net.out_w[1][j] = WeightFor(outputs[j].second);
    }
    main->cache_start_back = -1;
  }
};

}  // namespace kv::test
