// Editing the model's stock list: the target stock (slot 0) and up to two
// related stocks, through the Stocks group of the main dialog.
#include <algorithm>
#include <cctype>

#include "data/data_quality.h"
#include "model/main_dlg.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kCaption = "Kestrivane";

int ClampPeriod(long long v) { return static_cast<int>(std::clamp<long long>(v, 1, kMaxInflPeriods)); }

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

const char* TMainDlg::GetTicker(int i) const {
  if (i < 0 || i >= kMaxStocks || !stocks[i]) return nullptr;
  return stocks[i]->symbol.c_str();
}

void TMainDlg::TICKER_LIST_LBNSelChange() {
  if (n_files <= 0) return;
  const int sel = dlg.GetSel(ids::IDC_TICKER_LIST);
  if (sel < 0 || sel >= std::min(n_files, kMaxStocks) || !stocks[sel]) return;
  const Stock& s = *stocks[sel];
  dlg.SetText(ids::IDC_FILENAME, s.data_file);
  dlg.SetText(ids::IDC_SYMBOL, s.symbol);
  dlg.Check(ids::IDC_PRICE, s.do_price);
  dlg.Check(ids::IDC_VOLUME, s.do_volume);
  dlg.Check(ids::IDC_LONG, s.do_l_price);
  dlg.Check(ids::IDC_SHORT, s.do_s_price);
  dlg.SetText(ids::IDC_INFL_PERIOD, Format("%d", s.infl_periods));
  dlg.Invalidate();
}

// The checks shared by ADD and MOD; the first failure is shown and ends the
// command.
static bool CheckStockFields(TMainDlg& m) {
  Dialog& d = m.dlg;
  const std::string symbol = d.GetText(ids::IDC_SYMBOL, 11);
  if (symbol.empty() || symbol.size() > 5) {
    m.ErrorBox(
        "Invalid Stock Ticker Symbol\nPlease enter a valid stock symbol in the text field\n"
        "(left of the ADD button)  \n-ERROR 450",
        kCaption);
    return false;
  }
  if (d.GetText(ids::IDC_FILENAME, 509).empty()) {
    m.ErrorBox(
        "Invalid Historical File Filename\nPlease us the Browse button to locate the Historial "
        "File.\n-ERROR 451",
        kCaption);
    return false;
  }
  if (LeadingInt(d.GetText(ids::IDC_INFL_PERIOD, 3)) == 0) {
    m.ErrorBox(
        "Invalid Influence Period\nPlease enter a numerical value in the Influence Period "
        "field.\n-ERROR 451",
        kCaption);
    return false;
  }
  if (!d.IsChecked(ids::IDC_PRICE) && !d.IsChecked(ids::IDC_VOLUME) &&
      !d.IsChecked(ids::IDC_LONG) && !d.IsChecked(ids::IDC_SHORT)) {
    m.ErrorBox(
        "Please Select One or More of the Following Checkboxes:\nPrice, Long, Short, Volume\n"
        "-ERROR 452",
        kCaption);
    return false;
  }
  return true;
}

// Copies the fields into a stock record.
static void TakeStockFields(Dialog& d, Stock& s) {
  s.data_file = d.GetText(ids::IDC_FILENAME, 509);
  s.symbol = Upper(d.GetText(ids::IDC_SYMBOL, 11));
  s.do_price = d.IsChecked(ids::IDC_PRICE);
  s.do_volume = d.IsChecked(ids::IDC_VOLUME);
  s.do_l_price = d.IsChecked(ids::IDC_LONG);
  s.do_s_price = d.IsChecked(ids::IDC_SHORT);
  s.infl_periods = ClampPeriod(LeadingInt(d.GetText(ids::IDC_INFL_PERIOD, 3)));
}

// The findings of the data-quality check on a stock just read, in one
// question; true when there are none or the user adds the stock anyway. A
// file that did not read has had its message already.
static bool AcceptStockData(TMainDlg& m, int slot) {
  const Stock* s = m.stocks[slot].get();
  if (!s || !s->data_read) return true;
  const auto findings = CheckStockData(*s, slot > 0, m.patterns.n_days - m.eval_days, m.patterns.n_days - m.keepout_days);
  if (findings.empty()) return true;
  std::string text = "The price file\n" + s->data_file + "\nmay give a wrong forecast:\n";
  for (const Finding& f : findings) text += "- " + f.text + "\n";
  text += "\nAdd the stock " + s->symbol + " anyway?";
  return plat().MessageBox(text, kCaption, MB_YESNO | MB_ICONEXCLAMATION) != IDNO;
}

void TMainDlg::TICKER_ADD_BNClicked() {
  // A trained network's inputs cannot change (the button is disabled then).
  if (Trained > 0) return;
  if (n_files >= kMaxStocks) {
    ErrorBox("A model holds at most three stocks: the target stock and two related stocks.\n"
             "Please delete a stock before adding another one.",
             kCaption);
    return;
  }
  if (!CheckStockFields(*this)) return;
  const int slot = std::max(n_files, 0);
  stocks[slot] = std::make_unique<Stock>();
  TakeStockFields(dlg, *stocks[slot]);
  n_files = slot + 1;
  const bool was_modified = modified;
  Update_Stocks();
  if (!AcceptStockData(*this, slot)) {
    // No: the list goes back to what it was.
    stocks[slot].reset();
    n_files = slot;
    Update_Stocks();
    modified = was_modified;
    dlg.Invalidate();
    return;
  }
  modified = true;
  dlg.Invalidate();
}

void TMainDlg::TICKER_UPDATE_BNClicked() {
  if (!CheckStockFields(*this)) return;
  const int sel = dlg.GetSel(ids::IDC_TICKER_LIST);
  if (sel >= 0 && sel < std::min(n_files, kMaxStocks) && stocks[sel]) {
    TakeStockFields(dlg, *stocks[sel]);
    Update_Stocks();
    modified = true;
  }
  dlg.Invalidate();
}

void TMainDlg::TICKER_DEL_BNClicked() {
  if (Trained > 0) return;   // the inputs of a trained network stay (button disabled)
  const int count = std::min(n_files, kMaxStocks);
  const int sel = dlg.GetSel(ids::IDC_TICKER_LIST);
  if (sel >= 0 && sel < count && stocks[sel]) {
    // The following stocks move up; deleting the target makes the first
    // related stock the target.
    for (int i = sel; i + 1 < count; ++i) stocks[i] = std::move(stocks[i + 1]);
    stocks[count - 1].reset();
    n_files = count - 1;
    modified = true;
  }
  Update_Stocks();
  dlg.Invalidate();
}

void TMainDlg::TICKER_BROWSE_BNClicked() {
  FileDialogSpec spec;
  spec.filter = "Text (*.csv)|*.csv|Text (*.txt)|*.txt|All Files (*.*)|*.*|";
  spec.options = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  std::string path;
  if (plat().FileDialog(spec, path)) dlg.SetText(ids::IDC_FILENAME, path);
}

void TMainDlg::TICKER_SYMB_ENKillfocus() {
  dlg.SetText(ids::IDC_SYMBOL, Upper(dlg.GetText(ids::IDC_SYMBOL, 9)));
  modified = true;
}

void TMainDlg::STOCKPOINTS_ENKillfocus() {
  modified = true;
  const int v = ClampPeriod(LeadingInt(dlg.GetText(ids::IDC_INFL_PERIOD, 8)));
  dlg.SetText(ids::IDC_INFL_PERIOD, Format("%d", v));
  training_on = false;
  dlg.Invalidate();
}

// While the model is trained a click on a series box is undone at once: the
// inputs of a trained network cannot change.
static void UndoOnTrained(TMainDlg& m, int id) {
  if (m.Trained > 0) m.dlg.Check(id, !m.dlg.IsChecked(id));
}

void TMainDlg::TICKER_PRICE_BNClicked() { UndoOnTrained(*this, ids::IDC_PRICE); }
void TMainDlg::TICKER_VOLUME_BNClicked() { UndoOnTrained(*this, ids::IDC_VOLUME); }
void TMainDlg::TICKER_LONG_PRICE_BNClicked() { UndoOnTrained(*this, ids::IDC_LONG); }
void TMainDlg::TICKER_SHORT_PRICE_BNClicked() { UndoOnTrained(*this, ids::IDC_SHORT); }

}  // namespace kv
