// Bad symbol-list files loaded with the download dialog's LOAD LIST: no
// message (a list is only a convenience), the symbols already in the list
// stay, fields holding control characters (binary, UTF-16) are passed over,
// and a huge file neither hangs the dialog nor floods the list.
#include <string>
#include <vector>

#include "badinput/bad_inputs.h"
#include "download/loader_dlg.h"
#include "resources/ids.h"
#include "support/fixture.h"
#include "util/text.h"

namespace kv::test {
namespace {

class SymbolListBadInput : public PlatformTest {
 protected:
  std::vector<std::string> Load(const std::string& text) {
    LoaderDlg loader(nullptr);
    loader.dlg().AddItem(ids::IDC_LD_SYMBOLS, "GE");
    const std::string path = dir.write("list.txt", text);
    platform.QueueFile(path);
    loader.LOAD_TICKERS_BNClicked();
    EXPECT_TRUE(platform.messages().empty());
    EXPECT_EQ(ReadFile(path), text);
    std::vector<std::string> out;
    for (int i = 0; i < loader.dlg().ItemCount(ids::IDC_LD_SYMBOLS); ++i)
      out.push_back(loader.dlg().ItemText(ids::IDC_LD_SYMBOLS, i));
    return out;
  }
};

TEST_F(SymbolListBadInput, FilesOfTheWrongKind) {
  using V = std::vector<std::string>;
  const std::string good = "IBM\nMSFT,Microsoft Corp\nKO\n";
  const std::string long_symbol(100000, 'Z');
  const std::vector<V> expected = {
      {"GE"},                                      // empty
      {"GE"},                                      // NUL bytes: no symbol
      {"GE", "IBM", std::string(24999, 'Z'), "MSFT", "KO"},   // cut at 24999
      {"GE", "IBMMSFT"},                           // no line ends: one line
      {"GE"},                                      // CR-only: one line with CRs
      {"GE"},                                      // UTF-16: NULs in every line
      {"GE"},                                      // .xlsx: binary
  };
  const auto variants = bad::CommonVariants(good, long_symbol);
  for (size_t i = 0; i < variants.size(); ++i) {
    SCOPED_TRACE(variants[i].name);
    const V got = Load(variants[i].bytes);
    if (i == 6) {
      // Whatever survives of the binary holds no control character.
      ASSERT_FALSE(got.empty());
      EXPECT_EQ(got[0], "GE");
      for (const std::string& s : got)
        for (unsigned char c : s) EXPECT_TRUE(c >= 0x20 && c != 0x7F) << s;
    } else {
      EXPECT_EQ(got, expected[i]);
    }
  }
}

TEST_F(SymbolListBadInput, FiftyMegabytesOfIntradayQuotes) {
  // A minute-by-minute quote file picked by mistake: over a million
  // different first fields. The list takes as many symbols as a list box
  // holds, and loading ends in moments.
  std::string text;
  text.reserve(51u << 20);
  for (size_t i = 0; text.size() < (50u << 20); ++i)
    text += Format("2024-%02zu-%02zu %02zu:%02zu,20.10,20.20,20.00,20.15,%zu\n", 1 + i / 12000 % 12,
                   1 + i / 390 % 28, 9 + i % 390 / 60, i % 60, i);
  const auto got = Load(text);
  EXPECT_EQ(got.size(), static_cast<size_t>(LoaderDlg::kMaxSymbols));
  EXPECT_EQ(got[0], "GE");
  EXPECT_EQ(got[1], "2024-01-01 09:00");
}

}  // namespace
}  // namespace kv::test
