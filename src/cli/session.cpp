#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_wording.h"
#include "download/auto_download.h"
#include "resources/ids.h"
#include "util/file_failure.h"

namespace kv::cli {

Session::Session() {
  SetPlatform(&platform);
  platform.EchoMessagesTo(stderr);
  platform.SetEchoWording(CliMessageText);
  TakeFileFailure();   // nothing of an earlier session
  // Headless questions ("save now?") are answered No: commands save explicitly.
  platform.SetDefaultAnswer(IDNO);
  window = platform.CreateDialog(ids::DLG_MAIN, nullptr);
  main = std::make_unique<TMainDlg>(*window);
  main->EvInitDialog();
  // No start-up work in the headless program: commands do their own.
  platform.KillTimer(main.get(), ids::TIMER_STARTUP);
}

Session::~Session() {
  main.reset();
  window.reset();
  SetPlatform(nullptr);
}

FileOutcome Session::OpenModel(const std::string& path) {
  main->model_path = path;
  TMainDlg& m = *main;
  FileOutcome outcome = m.Read_Param([&m] { DownloadModelQuotes(m); });
  if (!outcome.ok) {
    if (main->Damaged()) {
      std::fprintf(stderr,
                   "kestrivane-cli: %s is not loaded: %s. The model file is left as it is; "
                   "restore the price file or correct its path, then run the command again.\n",
                   path.c_str(), main->stocks_error.c_str());
      // Nothing of the damaged model may reach its file.
      main->modified = false;
    }
    main->CmFilenew();
    return outcome;
  }
  main->DisplayEvaluation();
  return outcome;
}

std::string WhereItFailed(const FileOutcome& outcome) {
  const bool parse_error = outcome.number == 101 || outcome.number == 102;
  return parse_error && !outcome.detail.empty() ? ": " + outcome.detail : "";
}

namespace {

// What the option scans noticed for CheckArgs, and the running command.
struct ArgState {
  std::string command;
  std::string pending;              // the first usage error noticed
  std::vector<std::string> taken;   // options already taken once
};
ArgState& state() {
  static ArgState s;
  return s;
}

void Note(const std::string& message) {
  if (state().pending.empty()) state().pending = message;
}

// The arguments before "--": only those can be options.
size_t OptionsEnd(const Args& args) {
  for (size_t i = 0; i < args.size(); ++i)
    if (args[i] == "--") return i;
  return args.size();
}

}  // namespace

void UsageNote(const std::string& message) { Note(message); }

void SetCommandName(const std::string& name) { state() = ArgState{name, {}, {}}; }

bool TakeOption(Args& args, const std::string& name, std::string& value) {
  const size_t end = OptionsEnd(args);
  for (size_t i = 0; i < end; ++i) {
    if (args[i] == name) {
      // As getopt does, the next argument is the value whatever it looks like.
      if (i + 1 >= args.size()) {
        Note(name + " wants a value");
        args.erase(args.begin() + static_cast<long>(i));
        return false;
      }
      value = args[i + 1];
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      state().taken.push_back(name);
      return true;
    }
    if (args[i].rfind(name + "=", 0) == 0) {
      value = args[i].substr(name.size() + 1);
      args.erase(args.begin() + static_cast<long>(i));
      state().taken.push_back(name);
      return true;
    }
  }
  return false;
}

bool TakeFlag(Args& args, const std::string& name) {
  const size_t end = OptionsEnd(args);
  for (size_t i = 0; i < end; ++i) {
    if (args[i] == name) {
      args.erase(args.begin() + static_cast<long>(i));
      state().taken.push_back(name);
      return true;
    }
    if (args[i].rfind(name + "=", 0) == 0) {
      Note(name + " takes no value");
      args.erase(args.begin() + static_cast<long>(i));
      return true;
    }
  }
  return false;
}

int CheckArgs(Args& args, size_t min, size_t max, const std::string& count_hint) {
  if (!state().pending.empty()) return UsageError(state().pending);
  const size_t end = OptionsEnd(args);
  for (size_t i = 0; i < end; ++i) {
    const std::string& a = args[i];
    // "-" alone is an ordinary argument.
    if (a.size() < 2 || a[0] != '-') continue;
    const std::string name = a.substr(0, a.find('='));
    for (const std::string& t : state().taken)
      if (t == name) return UsageError(name + " is given more than once");
    return UsageError("unknown option " + a);
  }
  if (end < args.size()) args.erase(args.begin() + static_cast<long>(end));
  if (args.size() < min || args.size() > max) return UsageError(count_hint);
  return 0;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "kestrivane-cli: %s\n", message.c_str());
  return 1;
}

int UsageError(const std::string& message) {
  const std::string& c = state().command;
  std::fprintf(stderr, "kestrivane-cli: %s%s (see kestrivane-cli %s%s--help)\n",
               c.empty() ? "" : (c + ": ").c_str(), message.c_str(), c.c_str(),
               c.empty() ? "" : " ");
  return 2;
}

}  // namespace kv::cli
