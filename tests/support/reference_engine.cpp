#include "support/reference_engine.h"

namespace kv::test {

float RefFeedforward(TMainDlg& m, int day) { return plain::Forward(m.net, m.patterns, day); }

void RefBackprop(TMainDlg& m, int day) { plain::Backprop(m.net, m.patterns, day); }

double RefProcessBp(TMainDlg& m, int start_back, int end_back, int step, bool force) {
  if (!force && start_back == m.cache_start_back && end_back == m.cache_end_back &&
      step == m.cache_step)
    return m.cache_total;
  m.cache_start_back = start_back;
  m.cache_end_back = end_back;
  m.cache_step = step;

  if (!m.stocks[0]) return 1e6;

  const Evaluation ev = plain::Evaluate(m.net, m.patterns, start_back, end_back, step);
  m.good_calls = ev.good_calls;
  m.bad_calls = ev.bad_calls;
  m.abs_error_sum = ev.abs_error_sum;
  m.cache_total = ev.total;
  return ev.total;
}

}  // namespace kv::test
