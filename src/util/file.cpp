#include "util/file.h"

#include <cerrno>
#include <cstring>
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

bool ReadFileToString(const std::string& path, std::string* text, std::string* err, size_t max_bytes) {
  text->clear();
  auto fail = [&](const std::string& why) {
    text->clear();
    if (err) *err = "cannot read " + path + ": " + why;
    return false;
  };
  File f = OpenRegularFile(path);
  if (!f) return fail(errno == EINVAL ? "not a regular file" : std::strerror(errno));
  struct stat st {};
  if (::fstat(::fileno(f.get()), &st) == 0 && st.st_size > 0 && static_cast<size_t>(st.st_size) <= max_bytes)
    text->reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
    if (text->size() + n > max_bytes) return fail("it is larger than " + std::to_string(max_bytes) + " bytes");
    text->append(buf, n);
  }
  if (std::ferror(f.get())) return fail(std::strerror(errno ? errno : EIO));
  return true;
}

}  // namespace kv
