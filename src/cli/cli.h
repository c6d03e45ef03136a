// kestrivane-cli: the headless program. Each command lives in its own file
// and registers itself with a CliRegistrar.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "model/main_dlg.h"
#include "platform/headless/headless_platform.h"

namespace kv::cli {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;     // one line: "create MODEL.kvn --stock ..."
  const char* help;      // a few lines of description
  int (*run)(Args& args);
};

struct Registrar {
  explicit Registrar(const Command& c);
};

// The program as a headless session: platform, main dialog, model. Message
// boxes are printed to stderr as "CAPTION: text".
class Session {
 public:
  Session();
  ~Session();
  HeadlessPlatform platform;
  std::unique_ptr<Dialog> window;
  std::unique_ptr<TMainDlg> main;
  // Opens a model as File > Open does (its quotes downloaded first when the
  // preferences say so); not ok (after the messages) on failure, also when
  // the model's price files do not all read (its file and the reason are
  // printed).
  FileOutcome OpenModel(const std::string& path);
};

// ": line 12 (learn_rate)" for a model file that did not parse, to follow
// a command's own failure line; "" otherwise (the message said it all).
std::string WhereItFailed(const FileOutcome& outcome);

// Options follow the usual conventions: "--name value" or "--name=value",
// anywhere among the arguments, and "--" ends them (so a file named "--x"
// can follow it). A command takes its options first, then calls CheckArgs.

// Removes "--name value" or "--name=value" from args; returns true and the
// value when present. "--name" with nothing after it is noted as a usage
// error that CheckArgs reports.
bool TakeOption(Args& args, const std::string& name, std::string& value);
// Removes "--name" from args; true when present. "--name=..." is noted as a
// usage error.
bool TakeFlag(Args& args, const std::string& name);
// Notes a usage error found while taking an option, for CheckArgs to report.
void UsageNote(const std::string& message);
// After the options are taken: reports a missing option value, an option the
// command does not know or a number of remaining arguments outside min..max
// (`count_hint` says what to give, e.g. "give exactly one model file"), and
// drops the "--" that ended the options. 0 when all is well, else the
// UsageError status.
int CheckArgs(Args& args, size_t min, size_t max, const std::string& count_hint);
// Prints "kestrivane-cli: message" to stderr and returns 1: the work failed.
int Fail(const std::string& message);
// Prints "kestrivane-cli: message (see kestrivane-cli COMMAND --help)" to
// stderr and returns 2: the command was used wrongly.
int UsageError(const std::string& message);
// The command being run, for UsageError's hint; set by the dispatcher.
void SetCommandName(const std::string& name);

}  // namespace kv::cli
