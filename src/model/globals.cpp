#include "model/globals.h"

#include <climits>
#include <unistd.h>

namespace kv {

std::string program_dir;
std::string startup_file;
int32_t max_neurons = kMaxHidden;

std::string DirectoryOf(const std::string& argv0) {
  auto slash = argv0.find_last_of('/');
  if (slash == std::string::npos) return "./";
  return argv0.substr(0, slash + 1);
}

std::string ProgramDirectory(const std::string& argv0) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0 && buf[0] == '/') {
    std::string exe(buf, static_cast<size_t>(n));
    return exe.substr(0, exe.find_last_of('/') + 1);
  }
  return DirectoryOf(argv0);
}

}  // namespace kv
