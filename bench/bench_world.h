// The models the benchmarks run on: sample stocks read exactly as the
// program reads them, in a headless session inside a private folder.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/main_dlg.h"
#include "net/simd/kernels.h"
#include "platform/headless/headless_platform.h"

namespace kv::bench {

// A network shape, written as in the tables: inputs-hidden-outputs.
struct Shape {
  int inputs, hidden;
  std::string Name() const;
};

// The trained state of a model's network, so that every implementation and
// every repetition starts from the same weights.
struct NetSnapshot {
  std::vector<float> hidden_w, hidden_dw, out_w, out_dw;
  float learn_rate = 0;
  void Take(const TMainDlg& m);
  void Put(TMainDlg& m) const;
};

class World {
 public:
  // Builds a three-stock model of 240 inputs and 12 neurons and a one-stock
  // model of 30 inputs and 6 neurons from the sample price files (their
  // latest 1000 days), trains each briefly, and writes the three-stock model
  // with 1000-day price files of its own for the load benchmark.
  World();
  ~World();

  HeadlessPlatform platform;
  std::string dir;                 // private folder, removed at the end
  std::string load_model_path;     // model.kvn inside dir
  std::vector<Shape> shapes;       // {240, 12}, {30, 6}
  // An empty main dialog that the load benchmark opens the model in.
  std::unique_ptr<Dialog> load_window;
  std::unique_ptr<TMainDlg> load_main;

  TMainDlg& Model(const Shape& s);
  const NetSnapshot& Trained(const Shape& s);

 private:
  struct Entry {
    Shape shape;
    std::unique_ptr<Dialog> window;
    std::unique_ptr<TMainDlg> main;
    NetSnapshot trained;
  };
  std::vector<std::unique_ptr<Entry>> models_;
  std::string saved_cwd_;
  Entry& Find(const Shape& s);
  std::unique_ptr<Entry> Build(const Shape& s, const std::vector<std::string>& files,
                               const char* flags, int period);
};

// The world of the running program (set by main).
World& TheWorld();
void SetWorld(World* w);

// Registers one benchmark named workload/shape/impl with the repetition
// settings of the run. wall_clock for work done outside this process (its
// own processor time would miss it). once: a single iteration and a single
// repetition, for work of minutes that says what it measured itself.
void Register(const std::string& workload, const std::string& shape, const std::string& impl,
              std::function<void(benchmark::State&)> fn, double min_time = 0,
              bool wall_clock = false, bool once = false);
// True when the run was asked for the rows of minutes too (--long).
bool LongRows();

// Registers fn as above with impl "kestrivane", and once more for each
// instruction set of SetOtherIsas, as impl "kestrivane@ISA", the engine
// switched to that set while it runs: the rows a user of a narrower
// processor reads.
void RegisterEachIsa(const std::string& workload, const std::string& shape,
                     std::function<void(benchmark::State&)> fn, double min_time = 0);
// The instruction sets measured besides the engine's own (none by default).
void SetOtherIsas(std::vector<netk::Isa> isas);

// Runs argv as one whole process from exec to exit, its output thrown away,
// once per iteration of st: what a script calling the program pays per call.
// An exit status other than 0 ends the benchmark with an error.
void Process(benchmark::State& st, std::vector<std::string> argv);
// The same once, outside any benchmark: true when it exited with status 0.
bool RunQuietly(std::vector<std::string> argv);

void RegisterEngineBenchmarks(World& w);
void RegisterFannBenchmarks(World& w);
void RegisterProgramBenchmarks(World& w);
void RegisterBatchBenchmarks(World& w);   // the trained-models row with --long only
void RegisterWalkForwardBenchmarks(World& w);

// The day of ExecBackProp's next step: drawn from the training window with
// the engine's generator, as the phase draws it.
int PhaseDay(const TMainDlg& m);

}  // namespace kv::bench
