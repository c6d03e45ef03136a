// Pieces of the batch runner that tests and the command line reach directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forecast/batch_file.h"

namespace kv {

class TMainDlg;

// How one batch run goes; the defaults are File > Batch > Run Batch.
struct BatchOptions {
  // Models worked on at once. Above 1 each model line runs in a worker
  // process (`worker` with "batch FILE --run-line N"), and the log still
  // gets its lines in the batch file's order.
  int jobs = 1;
  std::string worker;
  // Shard k of n: only the T and P lines at positions (i - 1) mod n = k - 1;
  // n = 0 runs every line.
  int shard_k = 0, shard_n = 0;
  std::string log_name = "batch.log";   // in the current folder
  bool progress = false;                // a line per model on stderr, and a summary
  // After the run a pause, then the log in the editor: the desktop program.
  // The command line prints the log itself.
  bool show_log = true;
};

// One model line of a finished run, as it went to the log.
struct BatchOutcome {
  int line = 0;
  std::string model;
  bool train = false;
  std::string log_line;   // without its newline
  bool failed() const { return log_line.rfind(" Error", 0) == 0; }
  // From a forecast line: "BUY", "SELL" or "HOLD", and the confidence.
  std::string Advice() const;
  float Confidence() const;
};

// What a batch run did.
struct BatchReport {
  bool ran = false;        // the batch file and the log could be used
  // Why a run did not begin, exactly as its message box says: the batch file
  // could not be opened, is no batch file or is the log itself, or the log
  // could not be created. Empty when it ran, or when a run was going already.
  std::string refusal;
  std::vector<BatchOutcome> models;   // in file order
  // Why some log lines did not reach the log (a full disk), as the message
  // says; empty when every line did.
  std::string log_error;
  int not_run = 0;         // model lines a stop left out
  bool stopped = false;
  double seconds = 0;
  int failed() const;
};

// Why a model that loaded cannot be trained or forecast, empty when it can:
// the first message raised while it loaded (said) that names one of its
// price files, or a stock that gave no prices at all.
std::string UnreadPriceFiles(const TMainDlg& m, const std::vector<std::string>& said);

// Runs a batch file on m as File > Batch > Run Batch does, with options, and
// says what happened. A refusal is also shown as the dialog's message box,
// as the menu command has always done.
BatchReport RunBatch(TMainDlg& m, const char* path, const BatchOptions& options);

// Runs line `number` of the batch file on m alone, as a worker of a run with
// several models at once does, and returns its log line (with its newline):
// the forecast, or one Error line. Nothing is written to any log. *usage is
// set when the file or the line cannot be run at all.
std::string RunBatchLineAlone(TMainDlg& m, const std::string& path, int number, std::string* usage);

}  // namespace kv
