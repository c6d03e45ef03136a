// kestrivane-cli entry point: dispatches to the registered commands.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "cli/cli.h"
#include "app/version_info.h"
#include "model/globals.h"

namespace kv::cli {
namespace {
std::map<std::string, Command>& registry() {
  static std::map<std::string, Command> r;
  return r;
}

void PrintHelp() {
  std::printf(
      "kestrivane-cli: forecast a stock with a small neural network, without a window.\n\n"
      "Usage: kestrivane-cli COMMAND [ARGS]\n\n"
      "Every message the program would show in a box is printed on stderr as\n"
      "\"CAPTION: text\". Options take their value as --opt VALUE or --opt=VALUE;\n"
      "\"--\" ends the options. COMMAND --help describes one command;\n"
      "--version prints the version, build type and engine flavour.\n\n"
      "Exit status: 0 success, 1 the work failed, 2 wrong usage (an unknown\n"
      "command or option, a missing or malformed value, a wrong number of\n"
      "arguments).\n\nCommands:\n");
  for (auto& [name, c] : registry()) {
    std::printf("\n  %s\n", c.usage);
    // indent the help text
    const char* p = c.help;
    while (*p) {
      const char* e = std::strchr(p, '\n');
      size_t n = e ? static_cast<size_t>(e - p) : std::strlen(p);
      std::printf("      %.*s\n", static_cast<int>(n), p);
      p += n;
      if (*p == '\n') ++p;
    }
  }
}
}  // namespace

Registrar::Registrar(const Command& c) { registry()[c.name] = c; }

}  // namespace kv::cli

int main(int argc, char** argv) {
  using namespace kv::cli;
  kv::program_dir = kv::ProgramDirectory(argc > 0 ? argv[0] : "");
  if (argc < 2) {
    PrintHelp();
    return 2;
  }
  const std::string first = argv[1];
  if (first == "--help" || first == "-h" || first == "help") {
    PrintHelp();
    return 0;
  }
  if (first == "--version") {
    std::fputs(kv::VersionText("kestrivane-cli").c_str(), stdout);
    return 0;
  }
  auto it = registry().find(first);
  if (it == registry().end()) {
    SetCommandName("");
    return UsageError((first[0] == '-' ? "unknown option \"" : "unknown command \"") + first + "\"");
  }
  SetCommandName(first);
  Args args(argv + 2, argv + argc);
  for (const std::string& a : args) {
    if (a == "--") break;   // what follows is a file name, even "--help"
    if (a == "--help" || a == "-h") {
      std::printf("Usage: kestrivane-cli %s\n\n%s\n", it->second.usage, it->second.help);
      return 0;
    }
  }
  return it->second.run(args);
}
