// Every price file we ship or test with must keep reading exactly as it
// does: a digest of the calendar and of every series and scale factor read
// from it, compared with the figure taken before the reader learned new forms.
#include <cstring>
#include <filesystem>

#include "data/price_files.h"
#include "data/stock.h"
#include "support/fixture.h"
#include "util/text.h"

namespace kv::test {
namespace {

class PriceFileDigestTest : public PlatformTest {};

uint64_t Mix(uint64_t h, const void* p, size_t n) {
  const auto* b = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
  return h;
}

// Reads the file as a target stock and digests everything it left behind,
// the messages included.
uint64_t Digest(const std::string& path, const HeadlessPlatform& platform) {
  Stock s;
  uint64_t h = 14695981039346656037ull;
  const int32_t n = s.Add_Dates(path.c_str());
  h = Mix(h, &n, sizeof n);
  h = Mix(h, calendar, sizeof(int32_t) * kMaxDays);
  if (n > 0 && s.Read_File(0)) {
    for (const float* a : {s.price, s.raw_price, s.s_price, s.l_price, s.volume})
      h = Mix(h, a, sizeof(float) * kMaxDays);
    for (float f : {s.normal1, s.normal2, s.normal3, s.normal4, s.normal5}) h = Mix(h, &f, sizeof f);
  }
  for (const auto& m : platform.messages()) h = Mix(h, m.text.data(), m.text.size());
  return h;
}

TEST_F(PriceFileDigestTest, ShippedAndCorpusFilesReadAsBefore) {
  clock.SetNow(NoonOf(2026, 12, 8));
  const std::string corpus = std::string(KV_FUZZ_CORPUS_DIR) + "/price_file/";
  struct Case {
    std::string path;
    uint64_t digest;
  } cases[] = {
      {SamplePath("GE.csv"), 0x4693fe2042bfcf4bull},
      {SamplePath("KO.csv"), 0xf414bed2ce5799b0ull},
      {SamplePath("PG.csv"), 0x3aaa44e9b8e57b04ull},
      {corpus + "compact.csv", 0x118e8a5d68f101c5ull},
      {corpus + "decimal_commas.csv", 0x60f7e2d36fa47cf7ull},
      {corpus + "european.csv", 0x60f7e2d36fa47cf7ull},
      {corpus + "into_future.csv", 0xdfbb0a3690202632ull},
      {corpus + "iso_close.csv", 0x9fd406813e030ee8ull},
      {corpus + "long_1100.csv", 0xae86142a6737311cull},
      {corpus + "month_names.csv", 0xba507d8b614b752full},
      {corpus + "one_date_repeated.csv", 0x5e85e9b77ab94110ull},
      {corpus + "six_plus_zero.csv", 0xf2dc75b3b6c02d65ull},
      {corpus + "three_dates.csv", 0x22fecd62d9a1897cull},
      {corpus + "two_digit_dmy.csv", 0x9fd406813e030ee8ull},
      {corpus + "us_ohlcv.csv", 0x44d17891615b5ec1ull},
      {corpus + "yahoo_adj.csv", 0x3762f3ca73ff1c91ull},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    platform.ClearRecords();
    const std::string name = std::filesystem::path(c.path).filename().string();
    // The messages name the path: read a copy at a fixed place.
    dir.write(name, ReadFile(c.path));
    std::filesystem::current_path(dir.path());
    const uint64_t got = Digest(name, platform);
    EXPECT_EQ(got, c.digest) << Format("0x%016llxull", static_cast<unsigned long long>(got));
  }
}

}  // namespace
}  // namespace kv::test
