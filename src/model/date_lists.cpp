// The Training Start and Training End date lists. The training window runs
// from day n_days - eval_days up to (not including) n_days - keepout_days;
// the lists pick those two days by date. Entries are kept in date order.
#include "model/date_lists.h"

#include <algorithm>

#include "model/main_dlg.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv {

namespace {

int LoadedDays(const TMainDlg& m) {
  return std::clamp(std::min(m.patterns.n_days, calendar_count), 0, kMaxDays);
}

// The entry to act on: the selected one, else the last one; -1 when empty.
int CurrentEntry(Dialog& d, int list) {
  int count = d.ItemCount(list);
  int sel = d.GetSel(list);
  return sel >= 0 && sel < count ? sel : count - 1;
}

}  // namespace

int FindOrAddDate(TMainDlg& m, int list, int day) {
  const int n = LoadedDays(m);
  if (n == 0) return -1;
  day = std::clamp(day, 0, n - 1);
  const std::string text = Format("%d", calendar[day]);
  int idx = m.dlg.FindExact(list, text);
  if (idx >= 0) return idx;
  // Dates are all eight digits, so text order is date order.
  int at = 0;
  const int count = m.dlg.ItemCount(list);
  while (at < count && m.dlg.ItemText(list, at) < text) ++at;
  return m.dlg.InsertItem(list, at, text, day);
}

void FillDateLists(TMainDlg& m) {
  const int n = LoadedDays(m);
  if (n == 0) return;
  // The first trading day of each month: dates within a month differ by less
  // than a dozen days, a new month jumps the YYYYMMDD number by far more.
  for (int i = 1; i < n - 10; ++i) {
    if (calendar[i] > calendar[i - 1] + 10) {
      const std::string text = Format("%d", calendar[i]);
      m.dlg.AddItem(ids::IDC_TRAIN_START, text, i);
      m.dlg.AddItem(ids::IDC_TRAIN_END, text, i);
    }
  }
  m.dlg.AddItem(ids::IDC_TRAIN_END, Format("%d", calendar[n - 1]), n - 10);

  m.dlg.SetSel(ids::IDC_TRAIN_END,
               FindOrAddDate(m, ids::IDC_TRAIN_END, m.patterns.n_days - m.keepout_days));
  m.COMBOBOX2_BNSelChange();
  m.dlg.SetSel(ids::IDC_TRAIN_START,
               FindOrAddDate(m, ids::IDC_TRAIN_START, m.patterns.n_days - m.eval_days));
  m.COMBOBOX1_BNSelChange();
}

void TMainDlg::COMBOBOX1_BNSelChange() {
  const int entry = CurrentEntry(dlg, ids::IDC_TRAIN_START);
  eval_days =
      entry < 0 ? 10
                : patterns.n_days - static_cast<int32_t>(dlg.ItemData(ids::IDC_TRAIN_START, entry));
  COMBOBOX2_BNSelChange();
  modified = true;
  dlg.Invalidate();
}

void TMainDlg::COMBOBOX2_BNSelChange() {
  int entry = CurrentEntry(dlg, ids::IDC_TRAIN_END);
  keepout_days =
      entry < 0 ? 10
                : patterns.n_days - static_cast<int32_t>(dlg.ItemData(ids::IDC_TRAIN_END, entry));
  if (keepout_days >= eval_days) {
    // The end must lie after the start: move it back to the start.
    keepout_days = std::max(eval_days, 10);
    int idx = FindOrAddDate(*this, ids::IDC_TRAIN_END, patterns.n_days - keepout_days);
    if (idx >= 0) entry = idx;
  }
  if (entry >= 0) dlg.SetSel(ids::IDC_TRAIN_END, entry);
  keepout_days = std::max(std::min(keepout_days, eval_days), 10);
  modified = true;
  dlg.Invalidate();
}

}  // namespace kv
