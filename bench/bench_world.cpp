#include "bench_world.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "model/globals.h"
#include "net/random.h"
#include "resources/ids.h"

namespace kv::bench {

std::string Shape::Name() const { return std::to_string(inputs) + "-" + std::to_string(hidden) + "-2"; }

void NetSnapshot::Take(const TMainDlg& m) {
  hidden_w.assign(&m.net.hidden_w[0][0], &m.net.hidden_w[0][0] + kInputRows * kMaxHidden);
  hidden_dw.assign(&m.net.hidden_dw[0][0], &m.net.hidden_dw[0][0] + kInputRows * kMaxHidden);
  out_w.assign(&m.net.out_w[0][0], &m.net.out_w[0][0] + kMaxOutputs * kHiddenCols);
  out_dw.assign(&m.net.out_dw[0][0], &m.net.out_dw[0][0] + kMaxOutputs * kHiddenCols);
  learn_rate = m.net.learn_rate;
}

void NetSnapshot::Put(TMainDlg& m) const {
  std::copy(hidden_w.begin(), hidden_w.end(), &m.net.hidden_w[0][0]);
  std::copy(hidden_dw.begin(), hidden_dw.end(), &m.net.hidden_dw[0][0]);
  std::copy(out_w.begin(), out_w.end(), &m.net.out_w[0][0]);
  std::copy(out_dw.begin(), out_dw.end(), &m.net.out_dw[0][0]);
  m.net.learn_rate = learn_rate;
}

int PhaseDay(const TMainDlg& m) {
  const int span = m.eval_days - m.keepout_days;
  const int r = span > 0 ? random31() % span : 0;
  return m.patterns.n_days - (r + m.keepout_days);
}

namespace {

// The header and the latest 1000 lines of a sample price file.
void WriteLatestDays(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + from);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::ofstream out(to, std::ios::binary);
  out << lines.front() << '\n';
  for (size_t i = lines.size() > 1000 ? lines.size() - 1000 : 1; i < lines.size(); ++i)
    out << lines[i] << '\n';
}

}  // namespace

World::World() {
  char tmpl[] = "/tmp/kvbench-XXXXXX";
  if (!::mkdtemp(tmpl)) throw std::runtime_error("mkdtemp");
  dir = tmpl;
  char buf[4096];
  if (::getcwd(buf, sizeof buf)) saved_cwd_ = buf;
  if (::chdir(dir.c_str()) != 0) throw std::runtime_error("chdir");
  program_dir = dir + "/";
  SetPlatform(&platform);
  platform.SetDefaultAnswer(IDNO);
  platform.SetQuitHandler([](int) {});
  fix_random_seed(20240601);

  std::vector<std::string> files;
  for (const char* name : {"GE.csv", "KO.csv", "PG.csv"}) {
    files.push_back(dir + "/" + name);
    WriteLatestDays(std::string(KV_SAMPLES_DIR) + "/" + name, files.back());
  }
  models_.push_back(Build({240, 12}, files, "pvls", 20));
  models_.push_back(Build({30, 6}, {files[0]}, "ps", 15));
  for (auto& e : models_) shapes.push_back(e->shape);

  TMainDlg& big = *models_[0]->main;
  load_model_path = dir + "/model.kvn";
  big.model_path = load_model_path;
  big.Save_Param();
  if (big.modified) throw std::runtime_error("the model for the load benchmark was not saved");

  load_window = platform.CreateDialog(ids::DLG_MAIN, nullptr);
  load_main = std::make_unique<TMainDlg>(*load_window);
  load_main->EvInitDialog();
  platform.KillTimer(load_main.get(), ids::TIMER_STARTUP);
}

std::unique_ptr<World::Entry> World::Build(const Shape& s, const std::vector<std::string>& files,
                                           const char* flags, int period) {
  auto e = std::make_unique<Entry>();
  e->shape = s;
  e->window = platform.CreateDialog(ids::DLG_MAIN, nullptr);
  e->main = std::make_unique<TMainDlg>(*e->window);
  TMainDlg& m = *e->main;
  Dialog& d = *e->window;
  m.EvInitDialog();
  platform.KillTimer(&m, ids::TIMER_STARTUP);
  const std::string f = flags;
  const char* symbols[] = {"GE", "KO", "PG"};
  for (size_t i = 0; i < files.size(); ++i) {
    d.SetText(ids::IDC_SYMBOL, symbols[i]);
    d.SetText(ids::IDC_FILENAME, files[i]);
    d.SetText(ids::IDC_INFL_PERIOD, std::to_string(period));
    d.Check(ids::IDC_PRICE, f.find('p') != std::string::npos);
    d.Check(ids::IDC_VOLUME, f.find('v') != std::string::npos);
    d.Check(ids::IDC_LONG, f.find('l') != std::string::npos);
    d.Check(ids::IDC_SHORT, f.find('s') != std::string::npos);
    m.TICKER_ADD_BNClicked();
  }
  d.SetText(ids::IDC_NEURONS, std::to_string(s.hidden));
  m.XMATRIX_ENKillfocus();
  if (m.net.in_nodes != s.inputs || m.net.x_matrix != s.hidden || m.patterns.n_days != 1000)
    throw std::runtime_error("sample model " + s.Name() + " came out as " +
                             std::to_string(m.net.in_nodes) + "-" + std::to_string(m.net.x_matrix) +
                             " over " + std::to_string(m.patterns.n_days) + " days");
  // A little training, so the benchmarks see weights of a working network
  // rather than the tiny random start.
  m.net.learn_rate = 0.03f;
  for (int i = 0; i < 20000; ++i) m.backprop(PhaseDay(m));
  m.process_bp(m.eval_days, 10, 1, true);
  e->trained.Take(m);
  return e;
}

World::~World() {
  // The last dialog made owns the preferences store: close in reverse.
  load_main.reset();
  load_window.reset();
  while (!models_.empty()) models_.pop_back();
  SetPlatform(nullptr);
  if (!saved_cwd_.empty() && ::chdir(saved_cwd_.c_str()) != 0) std::perror("chdir");
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

World::Entry& World::Find(const Shape& s) {
  for (auto& e : models_)
    if (e->shape.inputs == s.inputs && e->shape.hidden == s.hidden) return *e;
  throw std::runtime_error("no sample model of shape " + s.Name());
}

TMainDlg& World::Model(const Shape& s) { return *Find(s).main; }
const NetSnapshot& World::Trained(const Shape& s) { return Find(s).trained; }

namespace {
World* g_world = nullptr;
}  // namespace

void SetWorld(World* w) { g_world = w; }

namespace {

// Starts argv with its output thrown away and waits for it: true when it
// exited with status 0.
bool RunOnce(const std::vector<char*>& args, const posix_spawn_file_actions_t* quiet) {
  pid_t pid;
  int status = 0;
  return posix_spawn(&pid, args[0], quiet, nullptr, args.data(), environ) == 0 &&
         waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

template <class Fn>
bool WithQuietArgs(std::vector<std::string>& argv, Fn fn) {
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  const bool ok = fn(args, &quiet);
  posix_spawn_file_actions_destroy(&quiet);
  return ok;
}

}  // namespace

void Process(benchmark::State& st, std::vector<std::string> argv) {
  WithQuietArgs(argv, [&](const std::vector<char*>& args, const posix_spawn_file_actions_t* quiet) {
    for (auto _ : st)
      if (!RunOnce(args, quiet)) {
        st.SkipWithError(("cannot run " + argv[0] + " " + (argv.size() > 1 ? argv[1] : "")).c_str());
        return false;
      }
    return true;
  });
  st.SetItemsProcessed(st.iterations());
}

bool RunQuietly(std::vector<std::string> argv) {
  return WithQuietArgs(argv, [](const std::vector<char*>& args, const posix_spawn_file_actions_t* quiet) {
    return RunOnce(args, quiet);
  });
}
World& TheWorld() { return *g_world; }

}  // namespace kv::bench
