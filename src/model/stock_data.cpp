// The dialog's side of the market data: re-reading the model's stocks
// (Update_Stocks) and filling its patterns from them (Prep_Data,
// Create_Results) with the engines of data/patterns.h.
#include <algorithm>
#include <cmath>

#include "data/data_quality.h"
#include "data/patterns.h"
#include "model/data_findings.h"
#include "model/data_paths.h"
#include "model/date_lists.h"
#include "model/main_dlg.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv {

namespace {

std::string RereadMessage(const std::string& path, const char* number) {
  return "An Error has occured while reading\n" + path +
         "\nPlease correct the error and select\nReread from the File menu\n-ERROR " + number;
}

// Selects the stock list entry `sel`, clamped to the stocks there are, and
// shows that stock's fields.
void ShowStock(TMainDlg& m, int sel) {
  if (m.n_files <= 0) return;
  m.dlg.SetSel(ids::IDC_TICKER_LIST, std::clamp(sel, 0, std::min(m.n_files, kMaxStocks) - 1));
  m.TICKER_LIST_LBNSelChange();
}

// Remembers which file failed and why, for the callers that must not treat
// the model as loaded.
std::string DamageText(const Stock& s, const char* number) {
  return "the price file " + s.data_file + " of " + (s.symbol.empty() ? "a stock" : s.symbol) +
         " did not read: " + PriceFileProblem(s.data_file) + " (-ERROR " + number + ")";
}

}  // namespace

void TMainDlg::Update_Stocks() {
  stocks_error.clear();
  const int sel = dlg.GetSel(ids::IDC_TICKER_LIST);
  dlg.ClearList(ids::IDC_TRAIN_START);
  dlg.ClearList(ids::IDC_TRAIN_END);
  dlg.ClearList(ids::IDC_TICKER_LIST);
  for (int i = 0; i < std::min(n_files, kMaxStocks); ++i)
    if (stocks[i]) dlg.AddItem(ids::IDC_TICKER_LIST, stocks[i]->symbol);
  ShowStock(*this, sel);

  if (stocks[0]) {
    SetStatus("Reading Stock File for symbol: " + stocks[0]->symbol);
    Check_Events();
    if (!stocks[0]) return;   // the stock went away while events were served
    patterns.n_days = stocks[0]->Add_Dates();
    if (patterns.n_days == 0) {
      // eval_days is left as it was: clipping it to an empty calendar would
      // leave it negative for every later read.
      stocks_error = DamageText(*stocks[0], "453");
      SetStatus("");
      ErrorBox(RereadMessage(stocks[0]->data_file, "453"));
      return;
    }
    eval_days = std::min(eval_days, patterns.n_days - 1);
    const int z = std::max(zoom, 1);
    dlg.SetScrollRange(ids::IDC_SCROLL, std::min((chart_right - chart_x0) / z, patterns.n_days),
                       patterns.n_days);
    dlg.SetScrollPos(ids::IDC_SCROLL, patterns.n_days);
  } else {
    // No target stock: no calendar either.
    patterns.n_days = 0;
    calendar_count = 0;
  }

  for (int i = 0; i < std::min(n_files, kMaxStocks); ++i) {
    if (!stocks[i]) continue;
    SetStatus("Reading Stock File for symbol: " + stocks[i]->symbol);
    Check_Events();
    if (!stocks[i]) continue;
    if (!stocks[i]->Read_File(Trained)) {
      stocks_error = DamageText(*stocks[i], "454");
      SetStatus("");
      ErrorBox(RereadMessage(stocks[i]->data_file, "454"));
      return;
    }
  }
  SetStatus("");

  Create_Results();
  ShowStock(*this, sel);
  if (stocks[0]) FillDateLists(*this);
  Prep_Data();
  DisplayEvaluation();
  for (const Finding& f : CheckModelData(*this))
    if (f.kind == FindingKind::PoorOverlap) {
      SetStatus("warning: " + f.text);
      break;
    }
  dlg.Invalidate();
}

void TMainDlg::Prep_Data() {
  SetStatus("Preprocessing stock data. ");
  Check_Events();
  InputSeries in[kMaxStocks];
  int count = 0;
  for (int s = 0; s < std::min(n_files, kMaxStocks); ++s) {
    const Stock* st = stocks[s].get();
    if (!st) continue;
    in[count++] = {st->price,    st->l_price,    st->s_price,    st->volume,
                   st->do_price, st->do_l_price, st->do_s_price, st->do_volume,
                   st->infl_periods};
  }
  net.in_nodes = FillInputs(in, count, patterns.n_days, patterns);
  SetStatus("");
  Check_Events();
}

void TMainDlg::Create_Results() {
  if (!stocks[0]) return;
  net.out_nodes = 2;
  const float* x = PredicMode == 0 ? stocks[0]->s_price : PredicMode == 1 ? stocks[0]->price : nullptr;
  if (!x) return;
  FillTargets(x, patterns.n_days, patterns);
}

}  // namespace kv
