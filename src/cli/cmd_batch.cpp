// kestrivane-cli batch: runs a batch file (.kbf) without a window and prints
// the resulting batch.log, one model at a time or several at once (--jobs),
// the whole file or one shard of it; --merge-logs joins the shards' logs;
// --check only says what each line would do.
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/json_output.h"
#include "forecast/batch_runner.h"
#include "forecast/batch_schedule.h"
#include "platform/worker_process.h"
#include "util/atomic_file.h"
#include "util/file.h"
#include "forecast/batch_file.h"
#include "util/text.h"

namespace kv::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;
extern "C" void OnBatchInterrupt(int sig) { g_interrupted = sig; }

// batch --check FILE: each line's meaning and every error, nothing run.
int Check(const std::vector<std::string>& files) {
  const BatchCheck check = CheckBatchFile(files[0]);
  for (const BatchCheck::Line& l : check.lines) {
    std::string where = l.number > 0 ? "line " + std::to_string(l.number) + ": " : std::string();
    // Paths come from the file as written: control characters in them must
    // not reach the terminal.
    std::string text = l.text;
    for (char& c : text)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    std::printf("%s%s%s\n", where.c_str(), l.error ? "error: " : "", text.c_str());
  }
  if (!check.opened)
    return Fail("batch --check: " + files[0] + " would not run at all; mend the error above and check again");
  if (check.errors > 0)
    return Fail("batch --check: " + files[0] + ": " + std::to_string(check.errors) +
                (check.errors == 1 ? " line in error; mend it" : " lines in error; mend them") + " and check again");
  std::printf("%s: no errors\n", files[0].c_str());
  return 0;
}

// A whole number from 1 to max, all of text.
bool WholeNumber(const std::string& text, int max, int* v) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *v = std::atoi(text.c_str());
  return *v >= 1 && *v <= max;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
  }
  return out;
}

// batch --merge-logs OUT LOG...: the shard logs as one log, in the order one
// run of the whole batch writes it. Which shard a log is comes from its
// name, batch-K-of-N.log, as the shard run wrote it.
int MergeLogs(const Args& files) {
  const std::string& out = files[0];
  std::vector<std::string> texts;
  int n = 0;
  std::vector<int> order;
  for (size_t i = 1; i < files.size(); ++i) {
    int k, count;
    if (!ParseShardLogName(files[i], &k, &count))
      return UsageError(files[i] + " is not named as a shard log; give the batch-K-of-N.log files the shards wrote");
    if (n != 0 && count != n)
      return UsageError(files[i] + " belongs to a batch of " + std::to_string(count) + " shards, the first log to one of " +
                        std::to_string(n) + "; give the logs of one run");
    n = count;
    order.push_back(k);
  }
  if (static_cast<int>(order.size()) != n)
    return UsageError("give all " + std::to_string(n) + " shard logs batch-1-of-" + std::to_string(n) + ".log to batch-" +
                      std::to_string(n) + "-of-" + std::to_string(n) + ".log, each once");
  std::vector<std::vector<std::string>> logs(static_cast<size_t>(n));
  std::vector<bool> seen(static_cast<size_t>(n));
  std::string header;
  for (size_t i = 0; i < order.size(); ++i) {
    const size_t k = static_cast<size_t>(order[i] - 1);
    if (seen[k]) return UsageError("shard log " + files[i + 1] + " is given twice; give each shard's log once");
    seen[k] = true;
    std::string text, err;
    if (!ReadFileToString(files[i + 1], &text, &err)) return Fail("batch --merge-logs: " + err);
    std::vector<std::string> lines = Lines(text);
    if (lines.empty() || lines[0].rfind("Date\t", 0) != 0)
      return Fail("batch --merge-logs: " + files[i + 1] + " is not a batch log (its first line is not the log's header)");
    header = lines[0];
    lines.erase(lines.begin());
    logs[k] = std::move(lines);
  }
  std::string merged = header + "\n";
  int errors = 0;
  for (const std::string& l : MergeShardLines(logs)) {
    merged += l + "\n";
    errors += l.rfind(" Error", 0) == 0;
  }
  std::string err;
  if (!WriteOutputFile(out, merged, &err)) return Fail("batch --merge-logs: " + err);
  if (errors > 0)
    return Fail("batch --merge-logs: " + std::to_string(errors) + (errors == 1 ? " model" : " models") +
                " failed; see the Error lines of " + out);
  return 0;
}

JsonValue BatchJson(const std::string& file, const BatchReport& rep) {
  JsonValue doc = JsonValue::Object();
  doc.Set("batch_file", file);
  JsonValue& models = doc.Set("models", JsonValue::Array());
  for (const BatchOutcome& o : rep.models) {
    JsonValue m = JsonValue::Object();
    m.Set("line", o.line);
    m.Set("model", o.model);
    m.Set("action", o.train ? "train" : "predict");
    m.Set("outcome", o.failed() ? "failed" : "done");
    m.Set("advice", o.failed() ? JsonValue() : JsonValue(o.Advice()));
    m.Set("confidence", o.failed() ? JsonValue() : JsonValue::Fixed(o.Confidence(), 2));
    std::string error = o.failed() ? o.log_line.substr(1) : std::string();
    m.Set("error", o.failed() ? JsonValue(error) : JsonValue());
    models.Push(std::move(m));
  }
  JsonValue& sum = doc.Set("summary", JsonValue::Object());
  sum.Set("models", static_cast<int>(rep.models.size()) + rep.not_run);
  sum.Set("done", static_cast<int>(rep.models.size()) - rep.failed());
  sum.Set("failed", rep.failed());
  sum.Set("not_run", rep.not_run);
  sum.Set("stopped", rep.stopped);
  return doc;
}

// Ctrl-C and SIGTERM act as File > Batch > Stop Batch. A second one ends
// the program at once.
void CatchStop() {
  struct sigaction sa {};
  sigemptyset(&sa.sa_mask);
  sa.sa_handler = OnBatchInterrupt;
  sa.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

// batch FILE --run-line N: one model line alone, its log line on standard
// output; the worker of a run with several models at once.
int RunLine(const std::string& file, int number) {
  Session session;
  TMainDlg& m = *session.main;
  CatchStop();
  WorkerProcess::UnblockStops();
  // A stop that came before the training began is kept for it.
  int poller = plat().AddPoller([&] {
    if (g_interrupted && m.training_on) {
      g_interrupted = 0;
      m.CmBatchstop();
    }
  });
  std::string usage;
  const std::string text = RunBatchLineAlone(m, file, number, &usage);
  plat().RemovePoller(poller);
  if (!usage.empty()) return UsageError(usage);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return m.batch_failures > 0 ? 1 : 0;
}

int Run(Args& args) {
  const bool check = TakeFlag(args, "--check");
  std::string jobs_text, shard_text, run_line_text, merge_out;
  const bool has_jobs = TakeOption(args, "--jobs", jobs_text);
  const bool has_shard = TakeOption(args, "--shard", shard_text);
  const bool has_run_line = TakeOption(args, "--run-line", run_line_text);
  const bool merge = TakeOption(args, "--merge-logs", merge_out);
  const JsonOutput json = TakeJson(args);
  if (merge) {
    if (int rc = CheckArgs(args, 1, 100000, "give the shard logs to merge after --merge-logs OUT")) return rc;
    if (check || has_jobs || has_shard || has_run_line || json.wanted())
      return UsageError("--merge-logs takes only the merged log and the shard logs");
    args.insert(args.begin(), merge_out);
    return MergeLogs(args);
  }
  if (int rc = CheckArgs(args, 1, 1, "give exactly one batch file")) return rc;
  if (check) {
    if (has_jobs || has_shard || has_run_line || json.wanted())
      return UsageError("--check takes no other option");
    return Check(args);
  }
  int jobs = 1, k = 0, n = 0, run_line = 0;
  if (has_jobs && !WholeNumber(jobs_text, 256, &jobs))
    return UsageError("--jobs wants the number of models at once, 1 to 256, not \"" + jobs_text + "\"");
  if (has_shard && !ParseShard(shard_text, &k, &n))
    return UsageError("--shard wants K/N with 1 <= K <= N (shard K of N), not \"" + shard_text + "\"");
  if (has_run_line) {
    if (!WholeNumber(run_line_text, 1 << 30, &run_line))
      return UsageError("--run-line wants a line number, not \"" + run_line_text + "\"");
    if (has_jobs || has_shard || json.wanted()) return UsageError("--run-line takes no other option");
    return RunLine(args[0], run_line);
  }

  BatchOptions opt;
  opt.jobs = jobs;
  opt.worker = "/proc/self/exe";
  opt.shard_k = k;
  opt.shard_n = n;
  if (n > 0) opt.log_name = ShardLogName(k, n);
  opt.progress = true;
  opt.show_log = false;

  Session session;
  TMainDlg& m = *session.main;
  // A Q line asks the program to quit; here that simply ends the command
  // once the log is printed.
  session.platform.SetQuitHandler([](int) {});
  // The running model is still saved, forecast and logged.
  CatchStop();
  int stop_signal = 0;
  int poller = plat().AddPoller([&] {
    if (g_interrupted && m.batch_running) {
      stop_signal = g_interrupted;
      g_interrupted = 0;
      std::fputs("kestrivane-cli: interrupted, stopping the batch\n", stderr);
      m.CmBatchstop();
    }
  });
  const BatchReport rep = RunBatch(m, args[0].c_str(), opt);
  plat().RemovePoller(poller);
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);

  // A batch file or log that could not be used ended the run before it
  // began; its message (rep.refusal) is already on standard error.
  if (!rep.ran) return 1;
  if (json.text()) {
    std::string log, err;
    if (!ReadFileToString(opt.log_name, &log, &err)) return Fail("batch: " + err);
    std::fwrite(log.data(), 1, log.size(), stdout);
    std::fflush(stdout);
  }
  if (json.wanted() && !json.Write(BatchJson(args[0], rep))) return 1;
  if (rep.stopped) {
    Fail("batch: stopped; " + std::to_string(rep.not_run) + (rep.not_run == 1 ? " model was" : " models were") +
         " not run; run the batch again for them");
    // As a shell reports a program ended by that signal.
    return 128 + (stop_signal ? stop_signal : SIGINT);
  }
  if (!rep.log_error.empty()) return Fail("batch: " + rep.log_error);
  if (const int failed = rep.failed(); failed > 0)
    return Fail("batch: " + std::to_string(failed) + (failed == 1 ? " model" : " models") +
                " failed; see the Error lines of " + opt.log_name);
  return 0;
}

const Registrar reg({
    "batch",
    "batch [--check] [--jobs J] [--shard K/N] [--json[=FILE]] FILE.kbf | batch --merge-logs OUT.log LOG...",
    "Runs a batch file as File > Batch > Run Batch does: each T line trains its\n"
    "model for the given time, saves it and forecasts it; each P line forecasts\n"
    "without training; Q ends the batch. The results go to batch.log in the\n"
    "current folder, which is printed at the end; a model that failed gets an\n"
    "Error line there instead of its forecast. A line per model as it starts\n"
    "and ends, and a summary, go to standard error. Ctrl-C or SIGTERM stops the\n"
    "batch after the running models are saved, forecast and logged; nothing new\n"
    "starts, and the exit status is 128 + the signal (130 for Ctrl-C). Exit\n"
    "status 1 when any model failed to load, train, save or forecast, the\n"
    "batch did not run, or batch.log could not take every line (a full disk).\n"
    "--jobs J works on up to J models at once, each in a process of its own\n"
    "(default 1); lines naming the same model still run one after the other,\n"
    "and the log keeps the batch file's order.\n"
    "--shard K/N runs only every N-th T and P line, starting with the K-th,\n"
    "and logs to batch-K-of-N.log: run shards 1/N to N/N on N machines, then\n"
    "--merge-logs OUT.log joins their logs (all N, named as the shards wrote\n"
    "them) into the log one run of the whole batch writes; exit status 1 when\n"
    "it holds Error lines.\n"
    "--json prints the results as JSON instead of the log (--json=FILE writes\n"
    "them to FILE as well); see docs/json.md.\n"
    "--check only reads the file: it prints what each line would do and every\n"
    "error (a bad first line, a T line without h:mm, a model path without\n"
    "quotes, a model file that cannot be opened), runs nothing and leaves\n"
    "batch.log alone. Exit status 1 when any line is in error.",
    Run,
});

}  // namespace
}  // namespace kv::cli
