#include "util/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

File OpenRegularFile(const std::string& path) {
  // O_NONBLOCK: opening a FIFO without a writer must not wait for one.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return File(nullptr, &std::fclose);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return File(nullptr, &std::fclose);
  }
  std::FILE* f = ::fdopen(fd, "rb");
  if (!f) ::close(fd);
  return File(f, &std::fclose);
}

}  // namespace kv
