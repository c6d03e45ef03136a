#include "model/data_findings.h"

#include <algorithm>

#include "model/main_dlg.h"

namespace kv {

std::vector<Finding> CheckModelData(const TMainDlg& m) {
  std::vector<Finding> all;
  const int first = m.patterns.n_days - m.eval_days, end = m.patterns.n_days - m.keepout_days;
  for (int i = 0; i < std::min(m.n_files, kMaxStocks); ++i) {
    if (!m.stocks[i]) continue;
    const Stock& s = *m.stocks[i];
    for (Finding f : CheckStockData(s, i > 0, first, end)) {
      f.text = s.symbol + " (" + s.data_file + "): " + f.text;
      all.push_back(std::move(f));
    }
  }
  return all;
}

int PrintDataWarnings(const TMainDlg& m, std::FILE* out) {
  const auto findings = CheckModelData(m);
  for (const Finding& f : findings) std::fprintf(out, "warning: %s\n", f.text.c_str());
  return static_cast<int>(findings.size());
}

}  // namespace kv
