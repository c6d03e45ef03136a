// The --json option, one convention for every command that has it:
//   --json        JSON instead of the text output, on standard output;
//   --json=FILE   the same JSON written to FILE; the text stays on standard
//                 output.
// "--json FILE" is not the file form (the file would be read as the
// command's own argument), so the file is only ever given after "=".
#pragma once

#include <string>

#include "cli/cli.h"
#include "util/json.h"

namespace kv::cli {

struct JsonOutput {
  enum class Mode { kOff, kStdout, kFile };
  Mode mode = Mode::kOff;
  std::string path;   // kFile: where the JSON goes

  bool wanted() const { return mode != Mode::kOff; }
  // Whether the command prints its usual text on standard output.
  bool text() const { return mode != Mode::kStdout; }
  // Writes the document and a newline to standard output or, whole or not at
  // all, to the file (a FIFO or /dev/stdout is written directly). False,
  // after a message naming the file and the system's reason, when it could
  // not be written: the command then exits 1.
  bool Write(const JsonValue& doc) const;
};

// Takes --json or --json=FILE out of args (before "--"). "--json=" with no
// file is noted as a usage error for CheckArgs, as is a second --json.
JsonOutput TakeJson(Args& args);

}  // namespace kv::cli
