// Training patterns: the input matrix (lagged series of every stock, one
// column per calendar day) and the two targets per day (how far the target
// stock rises and falls within ten days), from series already read.
#include "data/patterns.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace kv {

namespace {

// One zeroed block for both arrays. calloc of a block this size maps fresh
// pages, which are zero without being written.
float* ZeroedBlock() {
  void* block = std::calloc(1, Patterns::kInputsBytes + Patterns::kResultBytes);
  if (!block) throw std::bad_alloc();
  return static_cast<float*>(block);
}

}  // namespace

Patterns::Patterns() {
  float* block = ZeroedBlock();
  inputs = reinterpret_cast<float (*)[kMaxDays]>(block);
  result = reinterpret_cast<float (*)[kMaxOutputs]>(block + kInputRows * kMaxDays);
}

Patterns::~Patterns() { std::free(inputs); }

Patterns::Patterns(const Patterns& other) : Patterns() { *this = other; }

Patterns& Patterns::operator=(const Patterns& other) {
  if (this != &other) {
    n_days = other.n_days;
    std::memcpy(inputs, other.inputs, kInputsBytes + kResultBytes);
  }
  return *this;
}

int FillInputs(const InputSeries* stocks, int count, int n_days, Patterns& p) {
  const int n = std::clamp(n_days, 0, kMaxDays);
  int row = 0;
  for (int s = 0; s < count; ++s) {
    const InputSeries& st = stocks[s];
    const float* series[4] = {st.price, st.l_price, st.s_price, st.volume};
    const bool use[4] = {st.do_price, st.do_l_price, st.do_s_price, st.do_volume};
    const int periods = std::clamp(st.periods, 0, kMaxInflPeriods);
    for (int k4 = 0; k4 < 4; ++k4) {
      if (!use[k4]) continue;
      for (int k = 0; k < periods && row < kMaxInputs; ++k, ++row)
        for (int d = k; d < n; ++d) p.inputs[row][d] = series[k4][d - k];
    }
  }
  for (int d = 0; d < n; ++d) p.inputs[row][d] = 1.0f;
  return row;
}

void FillTargets(const float* x, int n_days, Patterns& p) {
  const int n = std::clamp(n_days, 0, kMaxDays);
  for (int d = 0; d < n; ++d) {
    float hi = -1000.0f, lo = 1000.0f;
    for (int j = 0; j < 10 && d + j < n; ++j) {
      hi = std::max(hi, x[d + j]);
      lo = std::min(lo, x[d + j]);
    }
    if (x[d] == 0) {
      p.result[d][0] = p.result[d][1] = 0;
      continue;
    }
    const float mag = std::fabs(x[d]);
    p.result[d][0] = std::clamp((hi - x[d]) * 10.0f / mag, 0.0f, 1.0f);
    p.result[d][1] = std::clamp((x[d] - lo) * 10.0f / mag, 0.0f, 1.0f);
  }
}

int BuildPatterns(const std::vector<RawStock>& stocks, int n_days, int last_day, int predic_mode,
                  Patterns& p) {
  const int n = std::clamp(n_days, 0, kMaxDays);
  const int count = std::min<int>(static_cast<int>(stocks.size()), kMaxStocks);
  std::vector<ScaledSeries> scaled(count);
  std::vector<InputSeries> in(count);
  for (int s = 0; s < count; ++s) {
    const RawStock& r = stocks[s];
    std::vector<float> close(r.close), volume(r.volume);
    close.resize(kMaxDays, 0.0f);
    volume.resize(kMaxDays, 0.0f);
    ConditionSeries(close.data(), volume.data(), n, last_day, scaled[s]);
    in[s] = {scaled[s].price, scaled[s].l_price, scaled[s].s_price, scaled[s].volume,
             r.do_price,      r.do_l_price,      r.do_s_price,      r.do_volume,
             r.periods};
  }
  p.n_days = n;
  const int rows = FillInputs(in.data(), count, n, p);
  if (count > 0 && (predic_mode == 0 || predic_mode == 1))
    FillTargets(predic_mode == 0 ? scaled[0].s_price : scaled[0].price, n, p);
  return rows;
}

}  // namespace kv
