#include "util/file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

File OpenRegularFile(const std::string& path) {
  // O_NONBLOCK: opening a FIFO without a writer must not wait for one.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return File(nullptr, &std::fclose);
  struct stat st {};
  const bool stat_ok = ::fstat(fd, &st) == 0;
  if (!stat_ok || !S_ISREG(st.st_mode)) {
    // errno is what the caller's message names as the reason (EINVAL: not a
    // regular file).
    const int err = !stat_ok ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = err;
    return File(nullptr, &std::fclose);
  }
  std::FILE* f = ::fdopen(fd, "rb");
  if (!f) ::close(fd);
  return File(f, &std::fclose);
}

}  // namespace kv
