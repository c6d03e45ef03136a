#include "fuzz/targets/harness.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "app/launch.h"
#include "model/globals.h"
#include "model/main_dlg.h"
#include "net/random.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv::fuzz {

// ---- failures ------------------------------------------------------------------

namespace {
FailHandler g_fail = nullptr;
}

void SetFailHandler(FailHandler h) { g_fail = h; }

void Fail(const char* what, const char* file, int line) {
  if (g_fail) {
    g_fail(what, file, line);
    return;
  }
  std::fprintf(stderr, "\n==kvfuzz== property broken: %s (%s:%d)\n", what, file, line);
  std::fflush(stderr);
  std::abort();
}

const Target* FindTarget(std::string_view name) {
  for (int i = 0; i < kTargetCount; ++i)
    if (name == kTargets[i].name) return &kTargets[i];
  return nullptr;
}

// ---- fixture files ---------------------------------------------------------------

namespace {

struct Ymd {
  int y, m, d;
};

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
long DaysOf(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

Ymd CivilOf(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

// Weekdays from 2024-02-01 on: the first 260 end before the runs' virtual
// today.
template <class Line>
std::string PriceFile(const std::string& header, int days, Line line) {
  std::string text = header;
  int i = 0;
  for (long z = DaysOf(2024, 2, 1); i < days; ++z) {
    const long wd = (z + 4) % 7;   // 0 = Sunday
    if (wd == 0 || wd == 6) continue;
    // A gentle wave, so that training has something to find.
    const double price = 40.0 + 6.0 * ((i * 7) % 23) / 23.0 + i * 0.05;
    text += line(CivilOf(z), price, 10000 + (i * 37) % 5000);
    ++i;
  }
  return text;
}

std::string ReadAll(const std::string& path) {
  std::string out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

std::string MakeWorkDir() {
  // A memory file system when there is one: the readers are driven through
  // real files, many thousand times a second.
  std::string base;
  if (const char* d = std::getenv("KV_FUZZ_DIR"); d && *d) base = d;
  else if (access("/dev/shm", W_OK) == 0) base = "/dev/shm";
  else base = std::filesystem::temp_directory_path().string();
  std::string tmpl = base + "/kvfuzz-XXXXXX";
  if (!mkdtemp(tmpl.data())) {
    std::perror("kvfuzz: cannot create a work folder");
    std::abort();
  }
  return tmpl;
}

// Adds a stock as the stock list's ADD button does.
void AddStock(TMainDlg& m, Dialog& d, const char* symbol, const char* file, const char* period,
              bool price, bool volume, bool l, bool s) {
  d.SetText(ids::IDC_SYMBOL, symbol);
  m.TICKER_SYMB_ENKillfocus();
  d.SetText(ids::IDC_FILENAME, file);
  d.SetText(ids::IDC_INFL_PERIOD, period);
  d.Check(ids::IDC_PRICE, price);
  d.Check(ids::IDC_VOLUME, volume);
  d.Check(ids::IDC_LONG, l);
  d.Check(ids::IDC_SHORT, s);
  m.TICKER_ADD_BNClicked();
}

}  // namespace

Env& Env::Get() {
  static Env env;
  return env;
}

void Env::Write(const std::string& name, std::string_view data) const {
  const std::string path = Path(name);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::perror(path.c_str());
    std::abort();
  }
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n <= 0) {
      std::perror(path.c_str());
      std::abort();
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  ::close(fd);
}

void Env::RestoreModels() const {
  Write("good.kvn", good_kvn);
  Write("good2.kvn", good2_kvn);
}

Env::Env() : dir_(MakeWorkDir()) {
  std::filesystem::create_directories(dir_ + "/prog");
  target_csv = PriceFile("Date,Close,Volume\n", kTargetDays, [](Ymd t, double p, int v) {
    return Format("%04d-%02d-%02d,%.2f,%d\n", t.y, t.m, t.d, p, v);
  });
  related_csv = PriceFile("Date,Open,High,Low,Close,Volume\n", kTargetDays + 5, [](Ymd t, double p, int v) {
    return Format("%d/%d/%02d,%.2f,%.2f,%.2f,%.2f,%d\n", t.m, t.d, t.y % 100, p * 0.5, p * 0.52,
                  p * 0.49, p * 0.51, v * 3);
  });
  semi_csv = PriceFile("Datum;Schluss;Volumen\n", kTargetDays - 5, [](Ymd t, double p, int v) {
    std::string s = Format("%02d.%02d.%04d;%.3f;%d\n", t.d, t.m, t.y, p * 2.0, v / 2);
    for (size_t i = 10; i < s.size(); ++i)
      if (s[i] == '.') s[i] = ',';   // decimal commas after the date
    return s;
  });
  Write("target.csv", target_csv);
  Write("related.csv", related_csv);
  Write("semi.csv", semi_csv);

  // The models are made by the program itself, as a user would make them.
  {
    Run run(*this);
    run.clock().SetStepPerPump(1000);
    SetSpawnForTesting([](const std::vector<std::string>&) { return true; });
    auto window = run.platform().CreateDialog(ids::DLG_MAIN, nullptr);
    auto m = std::make_unique<TMainDlg>(*window);
    m->EvInitDialog();
    fix_random_seed(7);
    AddStock(*m, *window, "TGT", "target.csv", "5", true, false, false, true);
    m->model_path = "good.kvn";
    m->Save_Param();
    good_kvn = ReadAll(Path("good.kvn"));

    AddStock(*m, *window, "REL", "related.csv", "3", true, true, true, false);
    AddStock(*m, *window, "SEMI", "semi.csv", "2", false, false, true, true);
    m->learning_steps = 0;
    m->step_budget = 40;
    m->B1_BNClicked();
    m->step_budget = -1;
    m->Strategy = 7;
    m->model_path = "good2.kvn";
    m->Save_Param();
    good2_kvn = ReadAll(Path("good2.kvn"));
    m.reset();
    window.reset();
    unfix_random_seed();
    SetSpawnForTesting(nullptr);
    if (good_kvn.empty() || good2_kvn.empty() || run.platform().messages().size() != 0) {
      std::fprintf(stderr, "kvfuzz: the fixture models could not be made\n");
      for (const auto& msg : run.platform().messages())
        std::fprintf(stderr, "  %s: %s\n", msg.caption.c_str(), msg.text.c_str());
      std::abort();
    }
  }
  // A model whose weights are cut off, for the batch runs.
  Write("cut.kvn", good2_kvn.substr(0, good2_kvn.size() / 2));
}

Env::~Env() {
  // KV_FUZZ_KEEP keeps the folder, to look at the fixture models.
  if (const char* keep = std::getenv("KV_FUZZ_KEEP"); keep && *keep) {
    std::fprintf(stderr, "kvfuzz: work folder kept: %s\n", dir_.c_str());
    return;
  }
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

// ---- one run ----------------------------------------------------------------------

Run::Run() : Run(Env::Get()) {}

Run::Run(Env& env) : env_(env) {
  char buf[4096];
  if (::getcwd(buf, sizeof buf)) saved_cwd_ = buf;
  saved_program_dir_ = program_dir;
  if (::chdir(env_.dir().c_str()) != 0) std::abort();
  program_dir = env_.dir() + "/prog/";
  // Every run starts from the default preferences.
  ::unlink((program_dir + "kv.dat").c_str());

  platform_ = std::make_unique<HeadlessPlatform>();
  clock_ = std::make_unique<VirtualClock>(kToday);
  SetPlatform(platform_.get());
  platform_->SetClock(clock_.get());
  platform_->SetQuitHandler([](int) {});
  platform_->SetDefaultAnswer(IDNO);
  calendar_count = 0;
}

Run::~Run() {
  calendar_count = 0;
  platform_->SetClock(nullptr);
  SetPlatform(nullptr);
  platform_.reset();
  program_dir = saved_program_dir_;
  if (!saved_cwd_.empty() && ::chdir(saved_cwd_.c_str()) != 0) std::abort();
}

namespace {
alignas(TMainDlg) unsigned char g_dialog_storage[sizeof(TMainDlg)];
bool g_dialog_in_use = false;
}  // namespace

MainDialog::MainDialog(Run& run) {
  if (g_dialog_in_use) std::abort();   // one at a time
  g_dialog_in_use = true;
  SetSpawnForTesting([](const std::vector<std::string>&) { return true; });
  window_ = run.platform().CreateDialog(ids::DLG_MAIN, nullptr);
  main_ = new (g_dialog_storage) TMainDlg(*window_);
  main_->EvInitDialog();
  run.platform().KillTimer(main_, ids::TIMER_STARTUP);
}

MainDialog::~MainDialog() {
  main_->~TMainDlg();
  window_.reset();
  SetSpawnForTesting(nullptr);
  g_dialog_in_use = false;
}

void CheckCalendar() {
  KV_FUZZ_CHECK(calendar_count >= 0 && calendar_count <= kMaxDays);
  const int today = plat().clock().TodayYmd();
  for (int i = 0; i < calendar_count; ++i) {
    KV_FUZZ_CHECK(calendar[i] > 0 && calendar[i] <= today);
    if (i > 0) KV_FUZZ_CHECK(calendar[i - 1] < calendar[i]);
  }
}

}  // namespace kv::fuzz
