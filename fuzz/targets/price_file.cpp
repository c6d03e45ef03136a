// A historical price file, read as the model reads it: as the target stock
// (its dates become the calendar, then its series are read) and as a
// related stock placed on the calendar of another file.
#include <algorithm>
#include <cmath>

#include "data/stock.h"
#include "fuzz/targets/harness.h"
#include "model/main_dlg.h"
#include "platform/headless/recording_canvas.h"
#include "resources/ids.h"

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

  // As the target stock of a new model, added with the stock list's ADD:
  // calendar, patterns and the display evaluation; then a few learning
  // steps, the forecast, the figures and the chart, which must all cope
  // with however few days the file gave.
  if (calendar_count > 0) {
    run.clock().SetStepPerPump(60000);
    MainDialog m(run);
    Dialog& d = m->dlg;
    d.SetText(ids::IDC_SYMBOL, "IN");
    d.SetText(ids::IDC_FILENAME, "input.csv");
    d.SetText(ids::IDC_INFL_PERIOD, "20");
    for (int id : {ids::IDC_PRICE, ids::IDC_VOLUME, ids::IDC_LONG, ids::IDC_SHORT}) d.Check(id, true);
    run.platform().SetDefaultAnswer(IDYES);   // add it even when its data looks poor
    m->TICKER_ADD_BNClicked();
    run.platform().SetDefaultAnswer(IDNO);
    CheckCalendar();
    KV_FUZZ_CHECK(m->n_files == 1 && m->patterns.n_days == calendar_count);
    if (m->patterns.n_days > 0) {
      for (int day = 0; day < m->patterns.n_days; ++day)
        KV_FUZZ_CHECK(std::isfinite(m->net.guess[day][0]) && std::isfinite(m->net.guess[day][1]));
      m->learning_steps = 0;
      m->step_budget = 3;
      m->B1_BNClicked();
      m->batch_running = true;   // the forecast without its message box
      Pred7(*m);
      m->batch_running = false;
      m->UpdateFigures();
      // The chart's geometry on a one-pixel surface: everything is drawn
      // and clipped, without painting a picture nobody looks at.
      RecordingCanvas canvas(1, 1, Rect{0, 0, 620, 180});
      m->EvPaint(canvas);
    }
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
