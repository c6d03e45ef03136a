#include <cstdio>

#include "cli/cli.h"
#include "resources/ids.h"

namespace kv::cli {

Session::Session() {
  SetPlatform(&platform);
  platform.EchoMessagesTo(stderr);
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

bool Session::OpenModel(const std::string& path) {
  main->model_path = path;
  if (!main->Read_Param()) {
    if (main->Damaged()) {
      std::fprintf(stderr,
                   "kestrivane-cli: %s is not loaded: %s. The model file is left as it is; "
                   "restore the price file or correct its path, then run the command again.\n",
                   path.c_str(), main->stocks_error.c_str());
      // Nothing of the damaged model may reach its file.
      main->modified = false;
    }
    main->CmFilenew();
    return false;
  }
  main->DisplayEvaluation();
  return true;
}

bool TakeOption(Args& args, const std::string& name, std::string& value) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == name && i + 1 < args.size()) {
      value = args[i + 1];
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      return true;
    }
    if (args[i].rfind(name + "=", 0) == 0) {
      value = args[i].substr(name.size() + 1);
      args.erase(args.begin() + static_cast<long>(i));
      return true;
    }
  }
  return false;
}

bool TakeFlag(Args& args, const std::string& name) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == name) {
      args.erase(args.begin() + static_cast<long>(i));
      return true;
    }
  }
  return false;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "kestrivane-cli: %s\n", message.c_str());
  return 1;
}

}  // namespace kv::cli
