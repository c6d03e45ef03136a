#include "model/globals.h"

namespace kv {

std::string program_dir;
std::string startup_file;
int32_t calendar[kMaxDays] = {};
int32_t calendar_count = 0;
int32_t max_neurons = kMaxHidden;

std::string DirectoryOf(const std::string& argv0) {
  auto slash = argv0.find_last_of('/');
  if (slash == std::string::npos) return "./";
  return argv0.substr(0, slash + 1);
}

}  // namespace kv
