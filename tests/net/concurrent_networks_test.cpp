// Several networks in one process: each one's results depend on nothing but
// itself and the patterns it reads.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "net/network.h"
#include "net/trainer.h"

namespace kv::test {
namespace {

uint32_t Next(uint32_t& s) { return s = s * 1664525u + 1013904223u; }
float Uniform(uint32_t& s, float lo, float hi) { return lo + (hi - lo) * (Next(s) >> 8) / 16777216.0f; }

// A learnable pattern of 400 days and `rows` input rows.
std::unique_ptr<Patterns> MakePatterns(int rows, uint32_t seed) {
  auto p = std::make_unique<Patterns>();
  p->n_days = 400;
  for (int d = 0; d < p->n_days; ++d) {
    for (int j = 0; j < rows; ++j) p->inputs[j][d] = Uniform(seed, -1, 1);
    p->inputs[rows][d] = 1.0f;
    p->result[d][0] = p->inputs[0][d] > 0 ? 0.9f : 0.1f;
    p->result[d][1] = p->inputs[0][d] > 0 ? 0.1f : 0.9f;
  }
  return p;
}

std::unique_ptr<Network> MakeNetwork(int rows, int hidden, uint32_t seed) {
  auto n = std::make_unique<Network>();
  n->in_nodes = rows;
  n->x_matrix = hidden;
  n->learn_rate = 0.05f;
  for (auto& row : n->hidden_w)
    for (float& w : row) w = Uniform(seed, -0.5f, 0.5f);
  for (auto& row : n->out_w)
    for (float& w : row) w = Uniform(seed, -0.5f, 0.5f);
  return n;
}

// Learning steps on pseudo-random days, with evaluations that keep the best
// network; each is asked three times, so the memo answers the third. Returns
// every evaluation's total.
std::vector<double> Train(Network& net, const Patterns& p, uint32_t seed) {
  std::vector<double> totals;
  double best = 1e30;
  for (int i = 1; i <= 4000; ++i) {
    net.Backprop(p, 50 + static_cast<int>(Next(seed) % 340));
    if (i % 50 != 0) continue;
    const int step = 1 + i / 50 % 3;
    const double a = net.Evaluate(p, 350, 10, step).total;
    for (int repeat = 0; repeat < 2; ++repeat) totals.push_back(net.Evaluate(p, 350, 10, step).total);
    totals.push_back(a);
    if (a < best) {
      best = a;
      net.ToBest();
    }
  }
  net.FromBest(0);
  totals.push_back(net.Evaluate(p, 400, 0, 1).total);
  return totals;
}

bool SameNetwork(const Network& a, const Network& b) {
  return std::memcmp(a.hidden_w, b.hidden_w, sizeof a.hidden_w) == 0 &&
         std::memcmp(a.out_w, b.out_w, sizeof a.out_w) == 0 &&
         std::memcmp(a.best_hidden_w, b.best_hidden_w, sizeof a.best_hidden_w) == 0 &&
         std::memcmp(a.hidden_dw, b.hidden_dw, sizeof a.hidden_dw) == 0 &&
         std::memcmp(a.guess, b.guess, sizeof a.guess) == 0 &&
         std::memcmp(a.hidden_act, b.hidden_act, sizeof a.hidden_act) == 0;
}

TEST(ConcurrentNetworks, TwoTrainedAtOnceEqualEachTrainedAlone) {
  // Two shapes, and for the second case the same patterns read by both.
  struct Case {
    int rows_a, hidden_a, rows_b, hidden_b;
    bool shared_patterns;
  } cases[] = {{6, 3, 40, 9, false}, {12, 5, 12, 5, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rows_b);
    auto pa = MakePatterns(c.rows_a, 1);
    auto pb = c.shared_patterns ? nullptr : MakePatterns(c.rows_b, 2);
    const Patterns& patterns_b = c.shared_patterns ? *pa : *pb;

    auto alone_a = MakeNetwork(c.rows_a, c.hidden_a, 3);
    auto alone_b = MakeNetwork(c.rows_b, c.hidden_b, 4);
    auto both_a = std::make_unique<Network>(*alone_a);
    auto both_b = std::make_unique<Network>(*alone_b);
    const std::vector<double> ta = Train(*alone_a, *pa, 5);
    const std::vector<double> tb = Train(*alone_b, patterns_b, 6);

    std::vector<double> ta2, tb2;
    std::thread thread_a([&] { ta2 = Train(*both_a, *pa, 5); });
    std::thread thread_b([&] { tb2 = Train(*both_b, patterns_b, 6); });
    thread_a.join();
    thread_b.join();

    ASSERT_EQ(ta.size(), ta2.size());
    EXPECT_EQ(0, std::memcmp(ta.data(), ta2.data(), ta.size() * sizeof(double)));
    EXPECT_EQ(0, std::memcmp(tb.data(), tb2.data(), tb.size() * sizeof(double)));
    EXPECT_TRUE(SameNetwork(*alone_a, *both_a));
    EXPECT_TRUE(SameNetwork(*alone_b, *both_b));
  }
}

// Whole training sessions, each with its own generator: two at once equal
// the same two one after the other.
TEST(ConcurrentNetworks, TwoSessionsAtOnceEqualEachAlone) {
  struct Case {
    bool backprop, annealing;
    long long steps;
  } cases[] = {{true, true, 4000}, {false, true, 1500}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    auto pa = MakePatterns(8, 11);
    auto pb = MakePatterns(30, 12);
    auto session = [&](Network& net, const Patterns& p, uint64_t seed) {
      Random rng(seed);
      Trainer t(net, p, rng, nullptr);
      t.settings.do_backprop = c.backprop;
      t.settings.do_annealing = c.annealing;
      t.settings.max_neurons = 7;
      t.settings.eval_days = 350;
      t.step_budget = c.steps;
      t.Run();
      return t.learning_steps;
    };
    auto alone_a = MakeNetwork(8, 3, 13), alone_b = MakeNetwork(30, 5, 14);
    auto both_a = std::make_unique<Network>(*alone_a), both_b = std::make_unique<Network>(*alone_b);
    EXPECT_EQ(session(*alone_a, *pa, 21), c.steps);
    EXPECT_EQ(session(*alone_b, *pb, 22), c.steps);
    std::thread thread_a([&] { session(*both_a, *pa, 21); });
    std::thread thread_b([&] { session(*both_b, *pb, 22); });
    thread_a.join();
    thread_b.join();
    EXPECT_TRUE(SameNetwork(*alone_a, *both_a));
    EXPECT_TRUE(SameNetwork(*alone_b, *both_b));
  }
}

}  // namespace
}  // namespace kv::test
