// The Training Start and Training End date lists of the main dialog: one
// entry per first trading day of a month, each carrying its day index.
#pragma once

namespace kv {

class TMainDlg;

// Fills both lists from the calendar and selects the entries that match the
// current eval_days and keepout_days (adding them when they are no month
// start).
void FillDateLists(TMainDlg& m);

// Index of the entry of date list `list` for day index `day` (clamped to the
// loaded days), added in date order with `day` as its item data when
// missing; -1 when no day is loaded.
int FindOrAddDate(TMainDlg& m, int list, int day);

}  // namespace kv
