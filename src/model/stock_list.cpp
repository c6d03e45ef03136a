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

// The entry the Stocks group's fields hold, cut to the lengths the fields
// hold.
static StockEntry EntryFromFields(Dialog& d) {
  StockEntry e;
  e.symbol = d.GetText(ids::IDC_SYMBOL, 11);
  e.data_file = d.GetText(ids::IDC_FILENAME, 509);
  e.period = d.GetText(ids::IDC_INFL_PERIOD, 3);
  e.price = d.IsChecked(ids::IDC_PRICE);
  e.volume = d.IsChecked(ids::IDC_VOLUME);
  e.l_price = d.IsChecked(ids::IDC_LONG);
  e.s_price = d.IsChecked(ids::IDC_SHORT);
  return e;
}

// The checks shared by ADD and MOD: the message of the first that fails,
// empty when the entry is complete.
static std::string CheckStockEntry(const StockEntry& e) {
  if (e.symbol.empty() || e.symbol.size() > 5)
    return "Invalid Stock Ticker Symbol\nPlease enter a valid stock symbol in the text field\n"
           "(left of the ADD button)  \n-ERROR 450";
  if (e.data_file.empty())
    return "Invalid Historical File Filename\nPlease us the Browse button to locate the Historial "
           "File.\n-ERROR 451";
  if (LeadingInt(e.period) == 0)
    return "Invalid Influence Period\nPlease enter a numerical value in the Influence Period "
           "field.\n-ERROR 451";
  if (!e.price && !e.volume && !e.l_price && !e.s_price)
    return "Please Select One or More of the Following Checkboxes:\nPrice, Long, Short, Volume\n"
           "-ERROR 452";
  return {};
}

// Copies an entry into a stock record.
static void TakeEntry(const StockEntry& e, Stock& s) {
  s.data_file = e.data_file;
  s.symbol = Upper(e.symbol);
  s.do_price = e.price;
  s.do_volume = e.volume;
  s.do_l_price = e.l_price;
  s.do_s_price = e.s_price;
  s.infl_periods = ClampPeriod(LeadingInt(e.period));
}

// The findings of the data-quality check on a stock just read, in one
// question; true when there are none or the user adds the stock anyway.
static bool AcceptStockData(const Stock& s, const std::vector<Finding>& findings) {
  if (findings.empty()) return true;
  std::string text = "The price file\n" + s.data_file + "\nmay give a wrong forecast:\n";
  for (const Finding& f : findings) text += "- " + f.text + "\n";
  text += "\nAdd the stock " + s.symbol + " anyway?";
  return plat().MessageBox(text, kCaption, MB_YESNO | MB_ICONEXCLAMATION) != IDNO;
}

AddStockOutcome TMainDlg::AddStock(const StockEntry& entry) {
  AddStockOutcome out;
  // A trained network's inputs cannot change (ADD is disabled then).
  if (Trained > 0) {
    out.refusal = "The network is trained: its stocks cannot change.";
    return out;
  }
  if (n_files >= kMaxStocks) {
    out.refusal =
        "A model holds at most three stocks: the target stock and two related stocks.\n"
        "Please delete a stock before adding another one.";
    return out;
  }
  out.refusal = CheckStockEntry(entry);
  if (!out.refusal.empty()) return out;
  const int slot = std::max(n_files, 0);
  stocks[slot] = std::make_unique<Stock>();
  TakeEntry(entry, *stocks[slot]);
  n_files = slot + 1;
  Update_Stocks();
  out.added = true;
  const Stock* s = stocks[slot].get();
  out.file_read = s && s->data_read;
  // A file that did not read has had its message already.
  if (out.file_read)
    out.findings = CheckStockData(*s, slot > 0, patterns.n_days - eval_days,
                                  patterns.n_days - keepout_days);
  modified = true;
  return out;
}

void TMainDlg::UndoAddStock(bool was_modified) {
  if (n_files <= 0) return;
  const int slot = std::min(n_files, kMaxStocks) - 1;
  stocks[slot].reset();
  n_files = slot;
  Update_Stocks();
  modified = was_modified;
}

void TMainDlg::TICKER_ADD_BNClicked() {
  // A trained network's inputs cannot change (the button is disabled then).
  if (Trained > 0) return;
  const bool was_modified = modified;
  const AddStockOutcome added = AddStock(EntryFromFields(dlg));
  if (!added.added) {
    ErrorBox(added.refusal, kCaption);
    return;
  }
  if (!AcceptStockData(*stocks[n_files - 1], added.findings)) {
    // No: the list goes back to what it was.
    UndoAddStock(was_modified);
    dlg.Invalidate();
    return;
  }
  dlg.Invalidate();
}

void TMainDlg::TICKER_UPDATE_BNClicked() {
  const StockEntry entry = EntryFromFields(dlg);
  if (const std::string refusal = CheckStockEntry(entry); !refusal.empty()) {
    ErrorBox(refusal, kCaption);
    return;
  }
  const int sel = dlg.GetSel(ids::IDC_TICKER_LIST);
  if (sel >= 0 && sel < std::min(n_files, kMaxStocks) && stocks[sel]) {
    TakeEntry(entry, *stocks[sel]);
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
