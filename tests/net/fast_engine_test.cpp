// The fast engine against the plain loops: same bits for every shape, every
// instruction set this processor has, any number of steps.
#include <cmath>
#include <cstring>
#include <vector>

#include "net/net_fixture.h"
#include "net/simd/kernels.h"
#include "support/reference_engine.h"

namespace kv::test {
namespace {

// Everything the engine reads or writes, for saving, restoring and
// comparing bit for bit.
struct EngineState {
  Network net;
  float good_calls, bad_calls, abs_error_sum;
  int32_t cache_start_back, cache_end_back, cache_step;
  double cache_total;

  void Save(const TMainDlg& m) {
    net = m.net;
    good_calls = m.good_calls;
    bad_calls = m.bad_calls;
    abs_error_sum = m.abs_error_sum;
    cache_start_back = m.cache_start_back;
    cache_end_back = m.cache_end_back;
    cache_step = m.cache_step;
    cache_total = m.cache_total;
  }
  void Load(TMainDlg& m) const {
    m.net = net;
    m.good_calls = good_calls;
    m.bad_calls = bad_calls;
    m.abs_error_sum = abs_error_sum;
    m.cache_start_back = cache_start_back;
    m.cache_end_back = cache_end_back;
    m.cache_step = cache_step;
    m.cache_total = cache_total;
  }
};

// Bitwise equality of two float arrays; names the first difference.
template <size_t N>
::testing::AssertionResult SameBits(const char* what, const float (&a)[N], const float (&b)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0)
      return ::testing::AssertionFailure()
             << what << "[" << i << "]: plain " << a[i] << " fast " << b[i];
  return ::testing::AssertionSuccess();
}

template <size_t R, size_t C>
::testing::AssertionResult SameBits(const char* what, const float (&a)[R][C],
                                    const float (&b)[R][C]) {
  for (size_t r = 0; r < R; ++r)
    for (size_t c = 0; c < C; ++c)
      if (std::memcmp(&a[r][c], &b[r][c], sizeof(float)) != 0)
        return ::testing::AssertionFailure() << what << "[" << r << "][" << c << "]: plain "
                                             << a[r][c] << " fast " << b[r][c];
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameState(const EngineState& plain, const EngineState& fast) {
  for (auto r : {SameBits("hidden_w", plain.net.hidden_w, fast.net.hidden_w),
                 SameBits("out_w", plain.net.out_w, fast.net.out_w),
                 SameBits("hidden_dw", plain.net.hidden_dw, fast.net.hidden_dw),
                 SameBits("out_dw", plain.net.out_dw, fast.net.out_dw),
                 SameBits("hidden_act", plain.net.hidden_act, fast.net.hidden_act),
                 SameBits("out_act", plain.net.out_act, fast.net.out_act),
                 SameBits("out_err", plain.net.out_err, fast.net.out_err),
                 SameBits("hidden_err", plain.net.hidden_err, fast.net.hidden_err),
                 SameBits("guess", plain.net.guess, fast.net.guess)})
    if (!r) return r;
  if (std::memcmp(&plain.good_calls, &fast.good_calls, sizeof(float)) ||
      std::memcmp(&plain.bad_calls, &fast.bad_calls, sizeof(float)) ||
      std::memcmp(&plain.abs_error_sum, &fast.abs_error_sum, sizeof(float)) ||
      std::memcmp(&plain.cache_total, &fast.cache_total, sizeof(double)) ||
      plain.cache_start_back != fast.cache_start_back ||
      plain.cache_end_back != fast.cache_end_back || plain.cache_step != fast.cache_step)
    return ::testing::AssertionFailure()
           << "statistics: plain " << plain.good_calls << "/" << plain.bad_calls << "/"
           << plain.abs_error_sum << "/" << plain.cache_total << " fast " << fast.good_calls
           << "/" << fast.bad_calls << "/" << fast.abs_error_sum << "/" << fast.cache_total;
  return ::testing::AssertionSuccess();
}

// Switches the engine to one instruction set for a scope.
class IsaScope {
 public:
  explicit IsaScope(netk::Isa isa) : ok_(netk::UseIsa(isa)) {}
  ~IsaScope() { netk::UseIsa(netk::BestIsa()); }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

constexpr netk::Isa kIsas[] = {netk::Isa::kBaseline, netk::Isa::kAvx2, netk::Isa::kAvx512};

class FastEngineTest : public NetTest {
 protected:
  // A deterministic generator of its own, so the data do not depend on the
  // engine's generator.
  uint64_t state_ = 0x9e3779b97f4a7c15ULL;
  uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(state_ >> 33);
  }
  float Uniform(float lo, float hi) { return lo + (hi - lo) * (Next() % 1000001) / 1e6f; }

  // Values as the engine meets them, with exact zeros of both signs now and
  // then, since the sign of a zero gradient is part of the bits.
  float Value(float scale) {
    switch (Next() % 23) {
      case 0: return 0.0f;
      case 1: return -0.0f;
      case 2: return scale * 30.0f;   // saturates a neuron now and then
      default: return Uniform(-scale, scale);
    }
  }

  // Random inputs and targets for all days, made once: filling the whole
  // input matrix for every case would cost more than the engine.
  void SetUp() override {
    // The check of the vector exponentials runs only after much work; run it
    // now so that these short cases hold the vector code to the plain loops.
    netk::VectorExpInUse();
    data_.resize(kInputRows * kMaxDays + kMaxDays * kMaxOutputs);
    float* p = data_.data();
    for (int j = 0; j < kInputRows; ++j)
      for (int d = 0; d < kMaxDays; ++d) *p++ = Value(1.0f);
    for (int d = 0; d < kMaxDays; ++d)
      for (int o = 0; o < kMaxOutputs; ++o) *p++ = Uniform(0, 1);
  }

  // A model of the given shape on those data, with random weights, live or
  // not, and random momentum memory, so that dead weights, which the engine
  // must leave alone, are not zero.
  void Randomise(int days, int input_rows, int hidden, int outputs) {
    MakeModel(days, input_rows, hidden);
    main->net.out_nodes = outputs;
    main->net.learn_rate = Uniform(0.01f, 0.5f);
    std::memcpy(main->patterns.inputs, data_.data(), Patterns::kInputsBytes);
    std::memcpy(main->patterns.result, data_.data() + kInputRows * kMaxDays,
                Patterns::kResultBytes);
    for (int d = 0; d < kMaxDays; ++d) main->patterns.inputs[input_rows][d] = 1.0f;
    for (int j = 0; j < kInputRows; ++j)
      for (int h = 0; h < kMaxHidden; ++h) {
        main->net.hidden_w[j][h] = Value(0.3f);
        main->net.hidden_dw[j][h] = Value(0.01f);
      }
    for (int o = 0; o < kMaxOutputs; ++o)
      for (int h = 0; h < kHiddenCols; ++h) {
        main->net.out_w[o][h] = Value(1.0f);
        main->net.out_dw[o][h] = Value(0.01f);
      }
  }

  std::vector<float> data_;
};

struct Shape {
  int inputs, hidden, outputs;
};

std::vector<Shape> Shapes() {
  std::vector<Shape> shapes;
  for (int ni : {0, 1, 2, 3, 4, 5, 7, 8, 11, 12, 15, 16, 17, 29, 30, 31, 47, 64, 99, 127, 200,
                 239, 240})
    for (int nh = 0; nh <= kMaxHidden; ++nh) shapes.push_back({ni, nh, 2});
  for (int nh : {1, 3, 9, 12}) shapes.push_back({30, nh, 1});
  return shapes;
}

TEST_F(FastEngineTest, StepsGiveTheWeightsOfThePlainLoops) {
  for (netk::Isa isa : kIsas) {
    IsaScope scope(isa);
    if (!scope.ok()) continue;
    for (const Shape& s : Shapes()) {
      SCOPED_TRACE(::testing::Message() << netk::IsaName(isa) << " " << s.inputs << "-"
                                        << s.hidden << "-" << s.outputs);
      Randomise(1000, s.inputs, s.hidden, s.outputs);
      EngineState start, plain, fast;
      start.Save(*main);
      // Days of a training window, plus days the step clamps to the arrays.
      std::vector<int> days;
      for (int i = 0; i < 60; ++i) days.push_back(860 + static_cast<int>(Next() % 131));
      days.insert(days.begin() + 7, -5);
      days.insert(days.begin() + 20, 1200);
      for (int d : days) RefBackprop(*main, d);
      plain.Save(*main);
      start.Load(*main);
      for (int d : days) main->backprop(d);
      fast.Save(*main);
      ASSERT_TRUE(SameState(plain, fast));
    }
  }
}

TEST_F(FastEngineTest, EvaluationsGiveTheTotalsOfThePlainLoops) {
  struct Window {
    int days, start_back, end_back, step;
  } windows[] = {
      {1000, 140, 10, 1}, {1000, 140, 10, 2}, {1000, 140, 10, 4}, {1000, 140, 10, 8},
      {1000, 60, 0, 1},   {1000, 26, 10, 1},  {1000, 27, 10, 1},  {1000, 25, 10, 1},
      {1000, 11, 10, 1},  {1000, 10, 10, 1},  {1000, 1000, 0, 3}, {37, 140, 10, 1},
      {37, 140, -20, 2},  {500, 600, 0, 5},   {1000, 130, -5, 1}, {120, 119, 0, 7},
  };
  for (netk::Isa isa : kIsas) {
    IsaScope scope(isa);
    if (!scope.ok()) continue;
    for (const Shape& s : Shapes()) {
      Randomise(1000, s.inputs, s.hidden, s.outputs);
      EngineState start, plain, fast;
      start.Save(*main);
      for (const Window& w : windows) {
        SCOPED_TRACE(::testing::Message()
                     << netk::IsaName(isa) << " " << s.inputs << "-" << s.hidden << "-"
                     << s.outputs << " window " << w.days << "/" << w.start_back << "/"
                     << w.end_back << "/" << w.step);
        main->patterns.n_days = w.days;
        start.Load(*main);
        const double e_plain = RefProcessBp(*main, w.start_back, w.end_back, w.step, true);
        plain.Save(*main);
        start.Load(*main);
        const double e_fast = main->process_bp(w.start_back, w.end_back, w.step, true);
        fast.Save(*main);
        ASSERT_EQ(std::memcmp(&e_plain, &e_fast, sizeof(double)), 0) << e_plain << " " << e_fast;
        ASSERT_TRUE(SameState(plain, fast));
      }
    }
  }
}

TEST_F(FastEngineTest, ForwardPassOfOneDay) {
  for (netk::Isa isa : kIsas) {
    IsaScope scope(isa);
    if (!scope.ok()) continue;
    for (const Shape& s : Shapes()) {
      SCOPED_TRACE(::testing::Message() << netk::IsaName(isa) << " " << s.inputs << "-"
                                        << s.hidden << "-" << s.outputs);
      Randomise(1000, s.inputs, s.hidden, s.outputs);
      for (int day : {0, 17, 999, -1, 1000}) {
        EngineState start, plain, fast;
        start.Save(*main);
        const float e_plain = RefFeedforward(*main, day);
        plain.Save(*main);
        start.Load(*main);
        const float e_fast = main->feedforward(day);
        fast.Save(*main);
        ASSERT_EQ(std::memcmp(&e_plain, &e_fast, sizeof(float)), 0) << day;
        ASSERT_TRUE(SameState(plain, fast)) << day;
      }
    }
  }
}

// Long training with evaluations in between, as a phase does: rounding
// differences, if there were any, would grow instead of averaging out.
TEST_F(FastEngineTest, LongTrainingStaysIdentical) {
  for (Shape s : {Shape{240, 12, 2}, Shape{30, 6, 2}, Shape{45, 10, 2}}) {
    SCOPED_TRACE(::testing::Message() << s.inputs << "-" << s.hidden);
    Randomise(1000, s.inputs, s.hidden, s.outputs);
    main->net.learn_rate = 0.03f;
    EngineState start, plain, fast;
    start.Save(*main);
    std::vector<int> days;
    for (int i = 0; i < 5000; ++i) days.push_back(861 + static_cast<int>(Next() % 130));
    double totals_plain = 0, totals_fast = 0;
    for (size_t i = 0; i < days.size(); ++i) {
      RefBackprop(*main, days[i]);
      if (i % 500 == 499) totals_plain += RefProcessBp(*main, 140, 10, 1, true);
    }
    plain.Save(*main);
    start.Load(*main);
    for (size_t i = 0; i < days.size(); ++i) {
      main->backprop(days[i]);
      if (i % 500 == 499) totals_fast += main->process_bp(140, 10, 1, true);
    }
    fast.Save(*main);
    EXPECT_EQ(totals_plain, totals_fast);
    ASSERT_TRUE(SameState(plain, fast));
  }
}

// A failing day inside the window ends the evaluation there: the later days
// keep guess 0, the statistics stop at the day before, and the activations
// are those of the failing day.
TEST_F(FastEngineTest, EvaluationStopsAtTheFailingDay) {
  for (int bad_day : {860, 875, 876, 900, 989}) {
    SCOPED_TRACE(bad_day);
    Randomise(1000, 30, 6, 2);
    main->patterns.result[bad_day][1] = 3e20f;  // an error no network can beat
    EngineState start, plain, fast;
    start.Save(*main);
    EXPECT_EQ(RefProcessBp(*main, 140, 10, 1, true), 1e20);
    plain.Save(*main);
    start.Load(*main);
    EXPECT_EQ(main->process_bp(140, 10, 1, true), 1e20);
    fast.Save(*main);
    ASSERT_TRUE(SameState(plain, fast));
    EXPECT_EQ(main->abs_error_sum, 1e20f);
  }
}

// A repeated evaluation is answered from the previous one only while
// everything it reads is the same; any change of a weight, an input or a
// target of the window, or of the window, is seen.
TEST_F(FastEngineTest, RepeatedEvaluationsSeeEveryChange) {
  Randomise(1000, 30, 6, 2);
  struct Change {
    const char* what;
    void (*apply)(TMainDlg& m);
  } changes[] = {
      {"nothing", [](TMainDlg&) {}},
      {"a live weight",
       [](TMainDlg& m) { m.net.hidden_w[3][2] = std::nextafter(m.net.hidden_w[3][2], 1.0f); }},
      {"an output weight", [](TMainDlg& m) { m.net.out_w[1][6] = -m.net.out_w[1][6]; }},
      {"an input of the window",
       [](TMainDlg& m) {
         m.patterns.inputs[29][900] = std::nextafter(m.patterns.inputs[29][900], 9.0f);
       }},
      {"the sign of a zero input",
       [](TMainDlg& m) {
         m.patterns.inputs[4][861] =
             m.patterns.inputs[4][861] == 0 && !std::signbit(m.patterns.inputs[4][861]) ? -0.0f
                                                                                        : 0.0f;
       }},
      {"a target of the window", [](TMainDlg& m) { m.patterns.result[989][0] = 0.5f; }},
      {"the number of days", [](TMainDlg& m) { m.patterns.n_days = 999; }},
      {"the hidden neurons", [](TMainDlg& m) { m.net.x_matrix = 5; }},
      {"the inputs",
       [](TMainDlg& m) {
         m.net.in_nodes = 29;
         m.patterns.inputs[29][0] = 1.0f;
       }},
      {"the guesses", [](TMainDlg& m) { m.net.guess[900][0] = 7.0f; }},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.what);
    for (int repeat = 0; repeat < 3; ++repeat) {
      if (repeat == 2) c.apply(*main);
      for (int pass = 0; pass < 3; ++pass) {
        EngineState start, plain, fast;
        start.Save(*main);
        const double e_plain = RefProcessBp(*main, 140, 10, 1, true);
        plain.Save(*main);
        start.Load(*main);
        const double e_fast = main->process_bp(140, 10, 1, true);
        fast.Save(*main);
        ASSERT_EQ(e_plain, e_fast);
        ASSERT_TRUE(SameState(plain, fast));
      }
    }
  }
}

// The activations' exponentials, as vectors where the processor allows,
// against the C library one by one: random arguments over the whole range
// the activations meet (and past it, where they must read 0), arguments
// next to the table's steps and the reduction's limits, and the arguments
// the vector code leaves to the library (zeros, tiny, huge, not numbers),
// in every lane position and with some lanes unused.
TEST_F(FastEngineTest, ExponentialsAreTheLibrarysBitForBit) {
  std::vector<double> args;
  for (int i = 0; i < 400000; ++i) {
    const double wide = (Next() / 2147483648.0 - 1.0) * 60.0;   // -60 ... 60
    args.push_back(i % 4 == 0 ? wide * 1e-6 : wide);
  }
  for (int k = -9300; k <= 9300; ++k) {   // k ln2/128 reaches 50
    const double step = k * 0.0054152123481107433;
    for (double x : {step, std::nextafter(step, -1e9), std::nextafter(step, 1e9)})
      args.push_back(x);
  }
  for (double x : {0.0, -0.0, 0x1p-54, -0x1p-54, 0x1.fffffffffffffp-55, 1e-300, -4.9e-324, 50.0,
                   -50.0, std::nextafter(50.0, 99.0), std::nextafter(-50.0, -99.0), 511.9, 512.0,
                   -512.0, 1e308, -1e308, HUGE_VAL, -HUGE_VAL, std::nan(""), -std::nan("")})
    for (int copies = 0; copies < 17; ++copies) args.push_back(x);   // every lane position

#if defined(__GLIBC__)
  // With glibc and a vector flavour (which needs FMA) the vector code must
  // be in use: the check at start failing (a wrong constant, say) would only
  // show as lost speed.
  if (netk::BestIsa() != netk::Isa::kBaseline) {
    EXPECT_TRUE(netk::VectorExpInUse());
  }
#endif
  const auto library = [](double s) { return s > 50 || s < -50 ? 0.0 : std::exp(-s); };
  for (netk::Isa isa : kIsas) {
    IsaScope scope(isa);
    if (!scope.ok()) continue;
    for (size_t first = 0; first + 16 <= args.size(); first += 16) {
      const int used = first % 7 == 3 ? static_cast<int>(first % 16) + 1 : 16;
      double e[16];
      netk::K().exp_neg16(&args[first], used, e);
      for (int i = 0; i < used; ++i) {
        const double want = library(args[first + i]);
        if (std::isnan(want)) {
          ASSERT_TRUE(std::isnan(e[i])) << netk::IsaName(isa) << " exp(" << -args[first + i] << ")";
        } else {
          ASSERT_EQ(std::memcmp(&want, &e[i], sizeof want), 0)
              << netk::IsaName(isa) << " exp(" << std::hexfloat << -args[first + i] << "): library "
              << want << ", engine " << e[i];
        }
      }
    }
  }
}

TEST_F(FastEngineTest, EveryInstructionSetCanBeChosenWhenPresent) {
  EXPECT_TRUE(netk::UseIsa(netk::Isa::kBaseline));
  EXPECT_EQ(netk::ActiveIsa(), netk::Isa::kBaseline);
  EXPECT_TRUE(netk::UseIsa(netk::BestIsa()));
  EXPECT_EQ(netk::ActiveIsa(), netk::BestIsa());
}

}  // namespace
}  // namespace kv::test
