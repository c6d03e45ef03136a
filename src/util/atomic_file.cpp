#include "util/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

bool WriteFileAtomic(const std::string& path, std::string_view data) {
  if (path.empty()) return false;
  std::string tmpl = path + ".tmpXXXXXX";
  int fd = mkstemp(tmpl.data());
  if (fd < 0) return false;
  // Keep the permissions an ordinary new file would get.
  mode_t mask = umask(0);
  umask(mask);
  struct stat old {};
  if (stat(path.c_str(), &old) == 0) fchmod(fd, old.st_mode & 07777);
  else fchmod(fd, 0666 & ~mask);

  const char* p = data.data();
  size_t left = data.size();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(tmpl.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(tmpl.c_str());
  return ok;
}

}  // namespace kv
