// kestrivane-cli: the headless program. Each command lives in its own file
// and registers itself with a CliRegistrar.
#pragma once

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
  // Opens a model as File > Open does; false (after the messages) on failure,
  // also when the model's price files do not all read (its file and the
  // reason are printed).
  bool OpenModel(const std::string& path);
};

// Removes "--name value" from args; returns true and the value when present.
bool TakeOption(Args& args, const std::string& name, std::string& value);
// Removes "--name" from args; true when present.
bool TakeFlag(Args& args, const std::string& name);
// Prints "kestrivane-cli: message" to stderr and returns 1.
int Fail(const std::string& message);

}  // namespace kv::cli
