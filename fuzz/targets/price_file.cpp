// A historical price file, read as the model reads it: as the target stock
// (its dates become the calendar, then its series are read) and as a
// related stock placed on the calendar of another file.
#include <cmath>

#include "data/stock.h"
#include "fuzz/targets/harness.h"

namespace kv::fuzz {

namespace {

void CheckSeries(const Stock& s) {
  for (int i = 0; i < kMaxDays; ++i) {
    KV_FUZZ_CHECK(std::isfinite(s.price[i]) && std::isfinite(s.raw_price[i]));
    KV_FUZZ_CHECK(std::isfinite(s.s_price[i]) && std::isfinite(s.l_price[i]));
    KV_FUZZ_CHECK(std::isfinite(s.volume[i]));
  }
  for (float f : {s.normal1, s.normal2, s.normal3, s.normal4, s.normal5}) KV_FUZZ_CHECK(std::isfinite(f));
}

}  // namespace

void FuzzPriceFile(const uint8_t* data, size_t size) {
  Run run;
  run.env().Write("input.csv", data, size);

  // As the target stock: the calendar first, then the series.
  {
    Stock target;
    const int32_t days = target.Add_Dates("input.csv");
    KV_FUZZ_CHECK(days == calendar_count);
    CheckCalendar();
    if (days > 0 && target.Read_File(0)) CheckSeries(target);
    // The structural check and the date recognition on their own, as the
    // stock list's ADD runs them before anything else.
    Stock probe;
    if (probe.Check_File_Format("input.csv")) probe.Figure_Date_Format();
    KV_FUZZ_CHECK(probe.header_lines >= -1);
  }

  // As a related stock of a model whose target is a sound file.
  {
    Stock base;
    KV_FUZZ_CHECK(base.Add_Dates("target.csv") == 200);
    Stock related(0, "input.csv");
    CheckCalendar();
    KV_FUZZ_CHECK(calendar_count == 200);
    CheckSeries(related);
  }
}

}  // namespace kv::fuzz
