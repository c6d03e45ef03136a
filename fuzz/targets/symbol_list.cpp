// A symbol-list file loaded by the download dialog's LOAD LIST button: one
// symbol per line, the first comma-separated field of each line.
#include <string>

#include "download/loader_dlg.h"
#include "fuzz/targets/harness.h"
#include "resources/ids.h"

namespace kv::fuzz {

void FuzzSymbolList(const uint8_t* data, size_t size) {
  Run run;
  run.env().Write("input.txt", data, size);
  LoaderDlg loader(nullptr);
  Dialog& d = loader.dlg();
  d.AddItem(ids::IDC_LD_SYMBOLS, "IBM");   // a symbol the user had typed
  run.platform().QueueFile(std::string("input.txt"));
  loader.LOAD_TICKERS_BNClicked();

  const int n = d.ItemCount(ids::IDC_LD_SYMBOLS);
  KV_FUZZ_CHECK(n >= 1 && d.ItemText(ids::IDC_LD_SYMBOLS, 0) == "IBM");
  for (int i = 0; i < n; ++i) {
    const std::string s = d.ItemText(ids::IDC_LD_SYMBOLS, i);
    // Each entry is one field of one line, once.
    KV_FUZZ_CHECK(!s.empty() && s.size() < 25000);
    KV_FUZZ_CHECK(s.find(',') == std::string::npos && s.find('\n') == std::string::npos);
    KV_FUZZ_CHECK(d.FindExact(ids::IDC_LD_SYMBOLS, s) == i);
  }
}

}  // namespace kv::fuzz
