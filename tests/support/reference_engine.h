// The plain loops of the engine (kv::plain) driven as the dialog's members
// drive the fast ones: the tests and the benchmarks compare the two.
#pragma once

#include "model/main_dlg.h"

namespace kv::test {

float RefFeedforward(TMainDlg& m, int day);
void RefBackprop(TMainDlg& m, int day);
// TMainDlg::process_bp with the plain evaluation.
double RefProcessBp(TMainDlg& m, int start_back, int end_back, int step, bool force);

}  // namespace kv::test
