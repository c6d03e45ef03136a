#include "cli/json_output.h"

#include <cstdio>

#include "util/atomic_file.h"

namespace kv::cli {

JsonOutput TakeJson(Args& args) {
  JsonOutput out;
  std::string file;
  // "--json=FILE" first: TakeOption would read "--json X" as a value.
  for (size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
    if (args[i].rfind("--json=", 0) == 0) {
      if (TakeOption(args, "--json", file)) {
        out.mode = JsonOutput::Mode::kFile;
        out.path = file;
        if (file.empty()) UsageNote("--json= wants a file name after the \"=\"");
      }
      break;
    }
  }
  if (out.mode == JsonOutput::Mode::kOff && TakeFlag(args, "--json"))
    out.mode = JsonOutput::Mode::kStdout;
  return out;
}

bool JsonOutput::Write(const JsonValue& doc) const {
  const std::string text = doc.Dump() + "\n";
  if (mode == Mode::kStdout) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0) return Fail("could not write the JSON to standard output") == 0;
    return true;
  }
  if (mode != Mode::kFile) return true;
  std::string err;
  if (!WriteOutputFile(path, text, &err)) {
    Fail("could not write the JSON: " + err);
    return false;
  }
  return true;
}

}  // namespace kv::cli
