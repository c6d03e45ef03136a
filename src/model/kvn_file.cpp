// The dialog's side of the model file (.kvn): reading model_path into the
// dialog and writing the dialog to it. The text itself is the codec's
// (model/kvn_codec.h); here are the file, the price files the model names,
// the list boxes and the message boxes.
#include <algorithm>
#include <cerrno>
#include <memory>

#include "model/data_paths.h"
#include "model/kvn_codec.h"
#include "model/main_dlg.h"
#include "resources/ids.h"
#include "util/atomic_file.h"
#include "util/file.h"
#include "util/file_failure.h"

namespace kv {

namespace {

const char* const kMsgOpen = "Unable to open file -ERROR 100";
const char* const kMsgWrite = "Unable to open file for writing -ERROR 200";

// A model file is a few hundred kilobytes; what lies after the last weight
// is ignored, so a file joined to another by mistake still reads.
constexpr size_t kMaxModelBytes = size_t(1) << 30;

// The dialog's model as the file holds it.
KvnModel ModelOf(const TMainDlg& m) {
  KvnModel k;
  for (int i = 0; i < std::min(m.n_files, kMaxStocks); ++i) {
    const Stock* s = m.stocks[i].get();
    Stock empty;
    if (!s) s = &empty;
    KvnStock ks;
    // Relative to the model's folder when the file lies in it, so the two
    // can move together.
    ks.data_file = StoredDataFile(m.model_path, s->data_file, Stock::kDataFileMax);
    ks.symbol = s->symbol;
    ks.infl_periods = s->infl_periods;
    ks.infl_period = s->infl_period;
    ks.normal1 = s->normal1;
    ks.normal2 = s->normal2;
    ks.normal3 = s->normal3;
    ks.normal4 = s->normal4;
    ks.normal5 = s->normal5;
    ks.do_price = s->do_price;
    ks.do_volume = s->do_volume;
    ks.do_l_price = s->do_l_price;
    ks.do_s_price = s->do_s_price;
    k.stocks.push_back(std::move(ks));
  }
  k.Trained = m.Trained;
  k.x_matrix = m.net.x_matrix;
  k.y_matrix = m.y_matrix;
  k.Strategy = m.Strategy;
  k.buy_up_min = m.buy_up_min;
  k.buy_down_max = m.buy_down_max;
  k.sell_down_min = m.sell_down_min;
  k.sell_up_max = m.sell_up_max;
  k.take_stop_band = m.take_stop_band;
  k.nh_synapsis = m.nh_synapsis;
  k.out_nodes = m.net.out_nodes;
  k.threshold = m.threshold;
  k.n_days = m.patterns.n_days;
  k.points_stock = m.points_stock;
  k.in_nodes = m.net.in_nodes;
  k.learn_rate = m.net.learn_rate;
  k.eval_days = m.eval_days;
  k.keepout_days = m.keepout_days;
  k.day_increm = m.day_increm;
  k.TimeTrained = m.TimeTrained;
  k.DoAnnealing = m.DoAnnealing;
  k.DoGenetic = m.DoGenetic;
  k.DoBackProp = m.DoBackProp;
  k.AutoSave = m.AutoSave;
  k.AutoIncNeu = m.AutoIncNeu;
  k.PredicMode = m.PredicMode;

  const int nh = std::clamp(m.net.x_matrix, 0, kMaxHidden);
  const int ni = std::clamp(m.net.in_nodes, 0, kMaxInputs);
  const int no = std::clamp(m.net.out_nodes, 0, kMaxOutputs);
  for (int h = 0; h < nh; ++h)
    for (int j = 0; j <= ni; ++j) k.hidden_w.push_back(m.net.hidden_w[j][h]);
  for (int o = 0; o < no; ++o)
    for (int h = 0; h <= nh; ++h) k.out_w.push_back(m.net.out_w[o][h]);
  return k;
}

}  // namespace

// ---------------------------------------------------------------------------
// Writer

FileOutcome TMainDlg::Save_Param() {
  // Saving a model whose stocks did not read would put its half-read state
  // over the good file.
  if (RefuseDamaged("be saved"))
    return FileOutcome::Failed(0, "The model cannot be saved: " + stocks_error, stocks_error);
  SetStatus("Saving Parameters");
  Check_Events();

  // Written beside the model and renamed over it only when complete, so a
  // failed save leaves the previous file as it was.
  FileOutcome outcome;
  std::string why;
  if (WriteFileAtomic(model_path, FormatKvn(ModelOf(*this)), &why)) {
    modified = false;
    untitled = false;
  } else {
    outcome = FileOutcome::Failed(200, std::string(kMsgWrite) + "\n" + why + "\nThe model is not saved.", why);
    if (!batch_running) ErrorBox(outcome.message);
  }
  SetStatus("");
  return outcome;
}

// ---------------------------------------------------------------------------
// Reader

FileOutcome TMainDlg::Read_Param(const std::function<void()>& before_stocks) {
  stocks_error.clear();
  std::string text, why;
  const bool opened = ReadFileToString(model_path, &text, &why, kMaxModelBytes);
  if (!opened) NoteFileFailure("open", model_path, errno);
  SetStatus("Reading Parameters");
  Check_Events();
  auto failed = [&](FileOutcome o) {
    if (!batch_running && !o.message.empty()) ErrorBox(o.message);
    SetStatus("");
    return o;
  };
  if (!opened) return failed(FileOutcome::Failed(100, kMsgOpen, why));

  KvnModel model;
  KvnError error;
  if (!ParseKvn(text, &model, &error)) return failed(FileOutcome::From(error));
  text = std::string();
  if (FileOutcome o = TakeKvn(model); !o.ok) return failed(std::move(o));

  SetStatus("Processing ...");
  Check_Events();
  if (before_stocks) before_stocks();
  // Every stock is read again, now with its stored scale factors.
  Update_Stocks();
  modified = false;
  untitled = false;
  if (Damaged()) {
    // Update_Stocks has shown which file failed. The model stays in memory
    // for the user to mend, but it is not a loaded model.
    SetStatus("Damaged model: " + stocks_error);
    return FileOutcome::Failed(0, "", stocks_error);
  }
  SetStatus("Processing ...");
  Check_Events();
  Create_Results();
  SetStatus("");
  return FileOutcome::Ok();
}

FileOutcome TMainDlg::TakeKvn(const KvnModel& k) {
  for (auto& s : stocks) s.reset();
  stocks_error.clear();
  dlg.ClearList(ids::IDC_TICKER_LIST);
  dlg.ClearList(ids::IDC_TRAIN_START);
  dlg.ClearList(ids::IDC_TRAIN_END);

  Trained = k.Trained;
  n_files = static_cast<int32_t>(k.stocks.size());
  if (n_files == 0) {
    patterns.n_days = 0;
    calendar_count = 0;
  }
  for (int i = 0; i < n_files; ++i) {
    const KvnStock& ks = k.stocks[static_cast<size_t>(i)];
    const std::string path = ResolveDataFile(model_path, ks.data_file);
    if (i == 0) {
      // The target's file makes the calendar now, with the model's Trained.
      SetStatus("Reading Stock File: " + path);
      stocks[0] = std::make_unique<Stock>();
      patterns.n_days = stocks[0]->Add_Dates(path.c_str());
      const std::string reread = "An Error has occured while reading\n" + path +
                                 "\nPlease correct the error and try again\n-ERROR ";
      if (patterns.n_days == 0) return FileOutcome::Failed(453, reread + "453", path);
      CmZoom(zoom);   // fit the chart to the new number of days
      if (!stocks[0]->Read_File(Trained)) return FileOutcome::Failed(454, reread + "454", path);
      SetStatus("Reading Stock File for symbol: " + ks.symbol);
    } else {
      // Not read here: Read_Param reads every stock again with its stored
      // scale factors, and a failing file would only say so twice.
      stocks[i] = std::make_unique<Stock>();
      stocks[i]->data_file = path;
    }
    Stock& s = *stocks[i];
    s.symbol = ks.symbol;
    dlg.InsertItem(ids::IDC_TICKER_LIST, i, ks.symbol);
    s.infl_periods = ks.infl_periods;
    s.infl_period = ks.infl_period;
    s.normal1 = ks.normal1;
    s.normal2 = ks.normal2;
    s.normal3 = ks.normal3;
    s.normal4 = ks.normal4;
    s.normal5 = ks.normal5;
    s.do_price = ks.do_price;
    s.do_volume = ks.do_volume;
    s.do_l_price = ks.do_l_price;
    s.do_s_price = ks.do_s_price;
  }

  net.x_matrix = k.x_matrix;
  y_matrix = k.y_matrix;
  Strategy = k.Strategy;
  if (Strategy == 7) {
    buy_up_min = k.buy_up_min;
    buy_down_max = k.buy_down_max;
    sell_down_min = k.sell_down_min;
    sell_up_max = k.sell_up_max;
    take_stop_band = k.take_stop_band;
  }
  nh_synapsis = k.nh_synapsis;
  net.out_nodes = k.out_nodes;
  threshold = k.threshold;
  points_stock = k.points_stock;
  net.in_nodes = k.in_nodes;
  net.learn_rate = k.learn_rate;
  eval_days = k.eval_days;
  keepout_days = k.keepout_days;
  day_increm = k.day_increm;
  TimeTrained = k.TimeTrained;
  DoAnnealing = k.DoAnnealing;
  DoGenetic = k.DoGenetic;
  DoBackProp = k.DoBackProp;
  AutoSave = k.AutoSave;
  AutoIncNeu = k.AutoIncNeu;
  PredicMode = k.PredicMode;

  dlg.Enable(ids::IDC_PREDICT, Trained > 0);
  dlg.Enable(ids::IDC_ADD, Trained == 0);
  dlg.Enable(ids::IDC_DEL, Trained == 0);
  dlg.SetReadOnly(ids::IDC_NEURONS, Trained > 0);
  dlg.SetReadOnly(ids::IDC_INFL_PERIOD, Trained > 0);

  // The codec sized the weights from x_matrix, in_nodes and out_nodes, each
  // within the arrays.
  size_t at = 0;
  for (int h = 0; h < net.x_matrix; ++h)
    for (int j = 0; j <= net.in_nodes; ++j) net.hidden_w[j][h] = k.hidden_w[at++];
  at = 0;
  for (int o = 0; o < net.out_nodes; ++o)
    for (int h = 0; h <= net.x_matrix; ++h) net.out_w[o][h] = k.out_w[at++];

  SetStatus("");
  return FileOutcome::Ok();
}

}  // namespace kv
