#include "badinput/badinput_support.h"

#include <algorithm>
#include <filesystem>
#include <functional>

#include "resources/ids.h"
#include "support/fixture.h"

namespace kv::test {

std::vector<std::string> ErrorNumbers(const HeadlessPlatform& p) {
  std::vector<std::string> out;
  for (const auto& m : p.messages()) {
    const size_t at = m.text.rfind("-ERROR ");
    out.push_back(at == std::string::npos ? m.text : m.text.substr(at + 7));
  }
  return out;
}

ModelPicture ModelPicture::Of(const TMainDlg& m) {
  ModelPicture p;
  p.n_files = m.n_files;
  p.n_days = m.patterns.n_days;
  p.in_nodes = m.net.in_nodes;
  p.x_matrix = m.net.x_matrix;
  p.trained = m.Trained;
  p.calendar.assign(kv::calendar, kv::calendar + std::clamp(kv::calendar_count, 0, kMaxDays));
  for (int i = 0; i < m.dlg.ItemCount(ids::IDC_TICKER_LIST); ++i)
    p.symbols.push_back(m.dlg.ItemText(ids::IDC_TICKER_LIST, i));
  if (m.stocks[0]) {
    p.target_price.assign(m.stocks[0]->price, m.stocks[0]->price + kMaxDays);
    p.target_volume.assign(m.stocks[0]->volume, m.stocks[0]->volume + kMaxDays);
  }
  for (int h = 0; h < kMaxHidden; ++h)
    for (int j = 0; j < kInputRows; ++j) p.weights.push_back(m.net.hidden_w[j][h]);
  for (int row = 0; row <= std::clamp(m.net.in_nodes, 0, kMaxInputs); ++row)
    p.inputs.insert(p.inputs.end(), m.patterns.inputs[row], m.patterns.inputs[row] + kMaxDays);
  return p;
}

std::vector<std::string> FolderContents(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    if (!e.is_regular_file()) continue;
    const std::string text = ReadFile(e.path().string());
    out.push_back(e.path().filename().string() + " " + std::to_string(text.size()) + " " +
                  std::to_string(std::hash<std::string>()(text)));
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace kv::test
