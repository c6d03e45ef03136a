// The network engine as first written, in plain loops: one
// hidden neuron at a time, inputs read straight from the row-major matrix,
// no vector code. The fast engine must reproduce these results bit for bit;
// the tests and the benchmarks compare against it.
#pragma once

#include "model/main_dlg.h"

namespace kv::test {

float RefFeedforward(TMainDlg& m, int day);
void RefBackprop(TMainDlg& m, int day);
double RefProcessBp(TMainDlg& m, int start_back, int end_back, int step, bool force);

}  // namespace kv::test
