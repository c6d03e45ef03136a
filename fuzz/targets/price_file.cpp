// A historical price file, read as the model reads it: as the target stock
// (its dates become the calendar, then its series are read) and as a
// related stock placed on the calendar of another file.
#include <algorithm>
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
  }

  // As a related stock of a model whose target is a sound file (its
  // calendar is made once and restored for every run).
  {
    static int32_t base_calendar[kMaxDays];
    static int32_t base_count = -1;
    if (base_count < 0) {
      Stock base;
      base_count = base.Add_Dates("target.csv");
      std::copy(calendar, calendar + kMaxDays, base_calendar);
    }
    KV_FUZZ_CHECK(base_count == Env::kTargetDays);
    std::copy(base_calendar, base_calendar + kMaxDays, calendar);
    calendar_count = base_count;
    Stock related(0, "input.csv");
    CheckCalendar();
    KV_FUZZ_CHECK(calendar_count == Env::kTargetDays);
    CheckSeries(related);
  }
}

}  // namespace kv::fuzz
