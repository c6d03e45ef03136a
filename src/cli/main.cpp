// kestrivane-cli entry point: dispatches to the registered commands.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "cli/cli.h"
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
      "\"CAPTION: text\". The exit status is 0 on success and 1 on failure.\n\nCommands:\n");
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
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
      !std::strcmp(argv[1], "help")) {
    PrintHelp();
    return argc < 2 ? 1 : 0;
  }
  auto it = registry().find(argv[1]);
  if (it == registry().end()) {
    std::fprintf(stderr, "kestrivane-cli: unknown command \"%s\" (see --help)\n", argv[1]);
    return 1;
  }
  Args args(argv + 2, argv + argc);
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::printf("Usage: kestrivane-cli %s\n\n%s\n", it->second.usage, it->second.help);
      return 0;
    }
  }
  return it->second.run(args);
}
