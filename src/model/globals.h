// Process-wide values shared by the whole program: where the program lives,
// the file named on the command line, and the trading calendar of the model.
#pragma once

#include <cstdint>
#include <string>

#include "data/calendar.h"
#include "data/limits.h"

namespace kv {

constexpr double kVersion = 2.4;

// The program's own directory, ending with its separator ('/').
extern std::string program_dir;
// The first command-line argument, empty when there is none.
extern std::string startup_file;
extern int32_t max_neurons;

// Program directory from argv[0]: everything up to and including its last '/'.
// A bare program name (found on the PATH) gives "./".
std::string DirectoryOf(const std::string& argv0);
// The folder of the running executable itself (/proc/self/exe, symlinks
// resolved), so a program started through the PATH still finds its own
// folder; DirectoryOf(argv0) where that cannot be read.
std::string ProgramDirectory(const std::string& argv0);

}  // namespace kv
