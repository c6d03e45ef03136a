// kvbench: runs every workload several times, prints one table with the best
// and the median rate of each, and writes them as CSV; then the engine's
// workloads on each narrower instruction set the processor has, in a table
// and a CSV file per set (FILE-ISA.csv beside FILE.csv).
//
//   kvbench [--csv FILE] [--reps N] [--min-time SECONDS] [--isa x86-64|avx2|avx512]
//           [--long] [--benchmark_filter=REGEX]
//
// --isa measures that instruction set alone; --long adds the rows that take
// minutes (a nightly batch that trains its models).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench_world.h"
#include "net/simd/kernels.h"

namespace kv::bench {
namespace {

int g_reps = 5;
double g_min_time = 0.3;
bool g_long = false;
std::vector<netk::Isa> g_other_isas;

struct Result {
  std::string workload, shape, impl;
  std::string isa;             // empty: the engine's own instruction set
  std::vector<double> rates;   // per second, one per repetition
  double Best() const { return *std::max_element(rates.begin(), rates.end()); }
  double Median() const {
    std::vector<double> r = rates;
    std::sort(r.begin(), r.end());
    const size_t n = r.size();
    return n % 2 ? r[n / 2] : (r[n / 2 - 1] + r[n / 2]) / 2;
  }
};

// Collects the repetitions; prints a dot per benchmark so a long run shows
// that it is alive.
class Collector : public benchmark::BenchmarkReporter {
 public:
  std::vector<Result> results;
  std::vector<std::string> errors;

  bool ReportContext(const Context&) override { return true; }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration) continue;
      const std::string name = r.benchmark_name();
      if (r.error_occurred) {
        errors.push_back(name + ": " + r.error_message);
        continue;
      }
      // workload/shape/impl, then the repetition suffix of the library
      std::vector<std::string> part;
      size_t at = 0;
      for (int i = 0; i < 3; ++i) {
        size_t slash = name.find('/', at);
        part.push_back(name.substr(at, slash == std::string::npos ? std::string::npos : slash - at));
        at = slash == std::string::npos ? name.size() : slash + 1;
      }
      auto it = r.counters.find("items_per_second");
      if (it == r.counters.end()) continue;
      // impl@ISA: a row of another instruction set
      std::string isa;
      if (const size_t at_sign = part[2].find('@'); at_sign != std::string::npos) {
        isa = part[2].substr(at_sign + 1);
        part[2].resize(at_sign);
      }
      Result* res = nullptr;
      for (Result& x : results)
        if (x.workload == part[0] && x.shape == part[1] && x.impl == part[2] && x.isa == isa)
          res = &x;
      if (!res) {
        results.push_back({part[0], part[1], part[2], isa, {}});
        res = &results.back();
        std::fputc('.', stderr);
      }
      res->rates.push_back(it->second.value);
    }
  }
  void Finalize() override { std::fputc('\n', stderr); }
};

std::string Rate(double per_second) {
  char buf[32];
  if (per_second >= 1e6) std::snprintf(buf, sizeof buf, "%.2f M/s", per_second / 1e6);
  else if (per_second >= 1e3) std::snprintf(buf, sizeof buf, "%.1f k/s", per_second / 1e3);
  else if (per_second >= 1) std::snprintf(buf, sizeof buf, "%.1f /s", per_second);
  else std::snprintf(buf, sizeof buf, "%.1f s", 1 / per_second);   // minutes of work: its duration
  return buf;
}

// Whole commands read better as a duration.
bool AsTime(const std::string& workload) {
  return workload == "search" || workload == "load" || workload == "startup";
}

std::string Time(double per_second) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f ms", 1e3 / per_second);
  return buf;
}

// Workloads in the order of the table, each with ours, the plain loops and
// the peer.
void Sort(std::vector<Result>& results) {
  auto rank = [](const std::vector<std::string>& order, const std::string& v) {
    return std::find(order.begin(), order.end(), v) - order.begin();
  };
  const std::vector<std::string> workloads = {"step", "eval130", "anneal_trial", "session",
                                              "search", "load", "startup"};
  const std::vector<std::string> impls = {"kestrivane", "plain", "fann"};
  std::stable_sort(results.begin(), results.end(), [&](const Result& a, const Result& b) {
    if (a.workload != b.workload) return rank(workloads, a.workload) < rank(workloads, b.workload);
    if (a.shape != b.shape) return std::atoi(a.shape.c_str()) > std::atoi(b.shape.c_str());
    return rank(impls, a.impl) < rank(impls, b.impl);
  });
}

void PrintTable(const std::vector<Result>& results) {
  std::printf("\n%-13s %-14s %-11s %12s %12s %10s %10s\n", "workload", "shape", "impl", "best",
              "median", "vs fann", "vs plain");
  for (const Result& r : results) {
    auto best_of = [&](const char* impl) {
      for (const Result& x : results)
        if (x.workload == r.workload && x.shape == r.shape && x.impl == impl) return x.Best();
      return 0.0;
    };
    const double fann = best_of("fann"), plain = best_of("plain");
    char vs_fann[16] = "", vs_plain[16] = "";
    if (r.impl != "fann" && fann > 0) std::snprintf(vs_fann, sizeof vs_fann, "%.2fx", r.Best() / fann);
    if (r.impl != "plain" && plain > 0)
      std::snprintf(vs_plain, sizeof vs_plain, "%.2fx", r.Best() / plain);
    const bool t = AsTime(r.workload);
    std::printf("%-13s %-14s %-11s %12s %12s %10s %10s\n", r.workload.c_str(), r.shape.c_str(),
                r.impl.c_str(), (t ? Time(r.Best()) : Rate(r.Best())).c_str(),
                (t ? Time(r.Median()) : Rate(r.Median())).c_str(), vs_fann, vs_plain);
  }
  // The session's share of the plain step rate at the same shape.
  double session = 0, step = 0;
  for (const Result& r : results) {
    if (r.workload == "session") session = r.Best();
    if (r.workload == "step" && r.shape == "240-12-2" && r.impl == "kestrivane") step = r.Best();
  }
  if (session > 0 && step > 0)
    std::printf("\nsession / step at 240-12-2: %.0f %%\n", 100 * session / step);
  // A whole kestrivane-cli process as a multiple of /bin/true (its "plain" row).
  for (const Result& r : results) {
    if (r.workload != "startup" || r.impl != "kestrivane") continue;
    for (const Result& x : results)
      if (x.workload == r.workload && x.shape == r.shape && x.impl == "plain" && r.Best() > 0)
        std::printf("start-up of %s: %.1f x /bin/true\n", r.shape.c_str(), x.Best() / r.Best());
  }
}

// The engine's rows on every instruction set measured, one column each, the
// engine's own first, and the plain loops for scale.
void PrintIsaTable(const std::vector<Result>& main_rows, const std::vector<Result>& isa_rows) {
  if (isa_rows.empty()) return;
  std::vector<std::string> isas = {netk::IsaName(netk::ActiveIsa())};
  for (netk::Isa isa : g_other_isas) isas.push_back(netk::IsaName(isa));
  std::printf("\nthe engine on each instruction set (best):\n%-13s %-14s", "workload", "shape");
  for (const std::string& isa : isas) std::printf(" %12s", isa.c_str());
  std::printf(" %12s\n", "plain loops");
  for (const Result& r : main_rows) {
    if (r.impl != "kestrivane") continue;
    auto best = [&](const std::vector<Result>& rows, const std::string& impl,
                    const std::string& isa) {
      for (const Result& x : rows)
        if (x.workload == r.workload && x.shape == r.shape && x.impl == impl && x.isa == isa)
          return x.Best();
      return 0.0;
    };
    if (best(isa_rows, "kestrivane", isas.back()) == 0) continue;   // not measured per set
    const bool t = AsTime(r.workload);
    auto cell = [&](double v) { return v > 0 ? (t ? Time(v) : Rate(v)) : std::string(); };
    std::printf("%-13s %-14s %12s", r.workload.c_str(), r.shape.c_str(), cell(r.Best()).c_str());
    for (size_t i = 1; i < isas.size(); ++i)
      std::printf(" %12s", cell(best(isa_rows, "kestrivane", isas[i])).c_str());
    std::printf(" %12s\n", cell(best(main_rows, "plain", "")).c_str());
  }
}

bool WriteCsv(const std::string& path, const std::vector<Result>& results) {
  std::error_code ec;
  const auto parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  std::ofstream out(path, std::ios::trunc);
  out << "workload,shape,impl,best_per_second,median_per_second\n";
  char line[256];
  for (const Result& r : results) {
    std::snprintf(line, sizeof line, "%s,%s,%s,%.6g,%.6g\n", r.workload.c_str(), r.shape.c_str(),
                  r.impl.c_str(), r.Best(), r.Median());
    out << line;
  }
  return static_cast<bool>(out);
}

// FILE-ISA.csv beside FILE.csv (or FILE-ISA.csv beside FILE).
std::string IsaCsvPath(const std::string& csv, const std::string& isa) {
  const bool dot_csv = csv.size() > 4 && csv.compare(csv.size() - 4, 4, ".csv") == 0;
  return (dot_csv ? csv.substr(0, csv.size() - 4) : csv) + "-" + isa + ".csv";
}

}  // namespace

void SetOtherIsas(std::vector<netk::Isa> isas) { g_other_isas = std::move(isas); }

void RegisterEachIsa(const std::string& workload, const std::string& shape,
                     std::function<void(benchmark::State&)> fn, double min_time) {
  Register(workload, shape, "kestrivane", fn, min_time);
  for (netk::Isa isa : g_other_isas)
    Register(workload, shape, std::string("kestrivane@") + netk::IsaName(isa),
             [fn, isa](benchmark::State& st) {
               const netk::Isa own = netk::ActiveIsa();
               netk::UseIsa(isa);
               fn(st);
               netk::UseIsa(own);
             },
             min_time);
}

void Register(const std::string& workload, const std::string& shape, const std::string& impl,
              std::function<void(benchmark::State&)> fn, double min_time, bool wall_clock,
              bool once) {
  const std::string name = workload + "/" + shape + "/" + impl;
  auto* b = benchmark::RegisterBenchmark(name.c_str(), [fn](benchmark::State& st) { fn(st); });
  if (once)
    b->Iterations(1)->Repetitions(1);
  else
    b->Repetitions(g_reps)->MinTime(std::max(min_time, g_min_time));
  if (wall_clock) b->UseRealTime();
}

bool LongRows() { return g_long; }

}  // namespace kv::bench

int main(int argc, char** argv) {
  using namespace kv::bench;
  std::string csv;
  std::vector<char*> rest = {argv[0]};
  const char* isa = nullptr;
  for (int i = 1; i < argc; ++i) {
    auto value = [&](const char* name) -> const char* {
      if (std::strcmp(argv[i], name) == 0 && i + 1 < argc) return argv[++i];
      return nullptr;
    };
    if (const char* v = value("--csv")) csv = v;
    else if (const char* v = value("--reps")) g_reps = std::max(1, std::atoi(v));
    else if (const char* v = value("--min-time")) g_min_time = std::atof(v);
    else if (const char* v = value("--isa")) isa = v;
    else if (std::strcmp(argv[i], "--long") == 0) g_long = true;
    else rest.push_back(argv[i]);
  }
  // The benchmarks work in a private folder: name the file before going there.
  if (!csv.empty()) csv = std::filesystem::absolute(csv).string();
  int bargc = static_cast<int>(rest.size());
  benchmark::Initialize(&bargc, rest.data());
  if (benchmark::ReportUnrecognizedArguments(bargc, rest.data())) return 2;

  const kv::netk::Isa kIsas[] = {kv::netk::Isa::kAvx512, kv::netk::Isa::kAvx2,
                                 kv::netk::Isa::kBaseline};
  if (isa) {
    bool ok = false;
    for (auto i : kIsas)
      if (std::strcmp(isa, kv::netk::IsaName(i)) == 0) ok = kv::netk::UseIsa(i);
    if (!ok) {
      std::fprintf(stderr, "kvbench: instruction set %s is not available here\n", isa);
      return 2;
    }
  } else {
    // Every narrower set the processor has, widest first.
    std::vector<kv::netk::Isa> others;
    for (auto i : kIsas)
      if (i < kv::netk::ActiveIsa() && kv::netk::UseIsa(i)) others.push_back(i);
    kv::netk::UseIsa(kv::netk::BestIsa());
    SetOtherIsas(others);
  }

  int status = 0;
  {
    World world;
    SetWorld(&world);
    RegisterEngineBenchmarks(world);
    RegisterFannBenchmarks(world);
    RegisterProgramBenchmarks(world);
    RegisterBatchBenchmarks(world);
    RegisterWalkForwardBenchmarks(world);
    std::fprintf(stderr, "kvbench: engine %s, %d repetitions of at least %.2f s each\n",
                 kv::netk::IsaName(kv::netk::ActiveIsa()), g_reps, g_min_time);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();
    for (const std::string& e : collector.errors) {
      std::fprintf(stderr, "kvbench: %s\n", e.c_str());
      status = 1;
    }
    Sort(collector.results);
    std::vector<Result> main_rows, isa_rows;
    for (Result& r : collector.results) (r.isa.empty() ? main_rows : isa_rows).push_back(r);
    PrintTable(main_rows);
    PrintIsaTable(main_rows, isa_rows);
    if (!csv.empty()) {
      std::vector<std::pair<std::string, std::vector<Result>>> files = {{csv, main_rows}};
      for (kv::netk::Isa i : g_other_isas) {
        std::vector<Result> rows;
        for (const Result& r : isa_rows)
          if (r.isa == kv::netk::IsaName(i)) rows.push_back(r);
        files.push_back({IsaCsvPath(csv, kv::netk::IsaName(i)), rows});
      }
      for (const auto& [path, rows] : files) {
        if (WriteCsv(path, rows)) {
          std::printf("%swritten: %s\n", path == csv ? "\n" : "", path.c_str());
        } else {
          std::fprintf(stderr, "kvbench: cannot write %s\n", path.c_str());
          status = 1;
        }
      }
    }
    SetWorld(nullptr);
  }
  return status;
}
