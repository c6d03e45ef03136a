// The network parameter file (.kvn) as text and as a value: the model's
// stocks with their scale factors, the network's size and settings, the
// strategy and every weight, as key lines in a fixed order. No dialog, no
// files, no messages: the dialog reads and writes the bytes and shows the
// errors (model/kvn_file.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/model_defaults.h"

namespace kv {

// One stock as the file holds it.
struct KvnStock {
  std::string data_file;   // the price file as stored: relative to the model's folder or absolute
  std::string symbol;
  int32_t infl_periods = 10;
  int32_t infl_period = 1;
  float normal1 = 1, normal2 = 1, normal3 = 1, normal4 = 0, normal5 = 1;
  bool do_price = false, do_volume = false, do_l_price = false, do_s_price = false;

  bool operator==(const KvnStock&) const = default;
};

// Everything a model file holds. ParseKvn gives values already brought into
// the ranges the program keeps (a Strategy outside 0..7 reads as 3, at least
// 10 evaluation days, ...), so a parsed model is one the dialog can take.
struct KvnModel {
  std::vector<KvnStock> stocks;   // n_files of them, at most 3
  int32_t Trained = 0;
  int32_t x_matrix = 2;           // hidden neurons
  int32_t y_matrix = defaults::kYMatrix;
  int32_t Strategy = defaults::kStrategy;
  // The search's parameters; stored only with Strategy 7.
  float buy_up_min = defaults::kBuyUpMin, buy_down_max = defaults::kBuyDownMax,
        sell_down_min = defaults::kSellDownMin, sell_up_max = defaults::kSellUpMax,
        take_stop_band = defaults::kTakeStopBand;
  int32_t nh_synapsis = defaults::kNhSynapsis;
  int32_t out_nodes = 2;
  float threshold = defaults::kThreshold;
  int32_t n_days = 0;             // as written; a reader takes the days from the target's file
  int32_t points_stock = defaults::kPointsStock;
  int32_t in_nodes = 0;
  float learn_rate = 0;
  int32_t eval_days = defaults::kEvalDays;
  int32_t keepout_days = defaults::kKeepoutDays;
  int32_t day_increm = defaults::kDayIncrem;
  int32_t TimeTrained = 0;
  bool DoAnnealing = defaults::kDoAnnealing, DoGenetic = defaults::kDoGenetic, DoBackProp = defaults::kDoBackProp,
       AutoSave = defaults::kAutoSave, AutoIncNeu = defaults::kAutoIncNeu;
  int32_t PredicMode = defaults::kPredicMode;
  // Hidden layer, neuron by neuron: x_matrix rows of in_nodes + 1 weights
  // (the last is the bias); hidden_w[h * (in_nodes + 1) + j].
  std::vector<float> hidden_w;
  // Output layer: out_nodes rows of x_matrix + 1 weights; out_w[o * (x_matrix + 1) + h].
  std::vector<float> out_w;

  bool operator==(const KvnModel&) const = default;
};

// Why a file was refused: the error number and the message exactly as the
// program shows it, and where it failed ("line 12 (learn_rate)") for the
// command line. An empty message is a refusal without a word (files of the
// retired version 1.7).
struct KvnError {
  int number = 0;
  std::string message;
  std::string detail;
};

// Parses the whole text of a model file into *out. True on success. On
// failure *out is left as it was and *err (when given) says why: 101 for a
// bad header, a file that ends early, a word where a number belongs or a
// count beyond what the model holds; 102 for an unknown version. Never reads
// outside text, whatever it holds; text after the last weight is ignored.
bool ParseKvn(std::string_view text, KvnModel* out, KvnError* err);

// The file's text for model: every real with six significant digits, so
// ParseKvn(FormatKvn(m)) == m for every m that ParseKvn made. Writes
// hidden_w and out_w as they are; their sizes are the caller's to keep.
std::string FormatKvn(const KvnModel& model);

// What a file command did: ok, or the error number, the message the window
// shows (empty: nothing to show) and a detail for the command line.
struct FileOutcome {
  bool ok = true;
  int number = 0;
  std::string message;
  std::string detail;

  static FileOutcome Ok() { return {}; }
  static FileOutcome Failed(int number, std::string message, std::string detail = {}) {
    return {false, number, std::move(message), std::move(detail)};
  }
  static FileOutcome From(const KvnError& e) { return {false, e.number, e.message, e.detail}; }
};

}  // namespace kv
