#include "util/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

namespace {

bool Fail(std::string* err, const std::string& text) {
  if (err) *err = text;
  return false;
}

bool FailErrno(std::string* err, const std::string& what, const std::string& path, int e) {
  return Fail(err, what + " " + path + ": " + std::strerror(e));
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Where a path really leads: the chain of symbolic links followed to its
// end. `descriptor` is set when a step of the chain is an open file named
// through /proc or /dev/fd (/dev/stdout): such a name cannot be replaced,
// only written to.
struct Target {
  std::string path;
  bool exists = false;
  struct stat st {};
  bool descriptor = false;
};

bool Resolve(const std::string& path, Target& t, std::string* err) {
  t.path = path;
  for (int hops = 0; hops < 40; ++hops) {
    if (StartsWith(t.path, "/proc/") || StartsWith(t.path, "/dev/fd/")) t.descriptor = true;
    struct stat st {};
    if (::lstat(t.path.c_str(), &st) != 0) {
      if (errno == ENOENT) return true;   // a new file (or a link to one still to be made)
      return FailErrno(err, "Cannot reach", t.path, errno);
    }
    if (!S_ISLNK(st.st_mode)) {
      t.exists = true;
      t.st = st;
      return true;
    }
    char buf[PATH_MAX];
    ssize_t n = ::readlink(t.path.c_str(), buf, sizeof buf - 1);
    if (n < 0) return FailErrno(err, "Cannot follow the link", t.path, errno);
    std::string next(buf, static_cast<size_t>(n));
    if (next.empty() || next[0] != '/') {
      // A relative link is relative to the link's own folder.
      size_t slash = t.path.rfind('/');
      if (slash != std::string::npos) next = t.path.substr(0, slash + 1) + next;
    }
    t.path = next;
  }
  return Fail(err, path + " is a chain of links that does not end; point it at a file");
}

bool WriteAll(int fd, std::string_view data) {
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// Writes into something that cannot be replaced (a pipe, a terminal).
bool WriteDirect(const std::string& path, std::string_view data, std::string* err) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return FailErrno(err, "Cannot open", path, errno);
  bool ok = WriteAll(fd, data);
  int e = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    e = errno;
  }
  return ok || FailErrno(err, "Cannot write", path, e);
}

// The temporary file beside `target`, renamed over it when complete.
bool Replace(const std::string& target, const struct stat* old, std::string_view data,
             std::string* err) {
  std::string tmpl = target + ".tmpXXXXXX";
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return FailErrno(err, "Cannot create a file beside", target, errno);
  // Keep the permissions of the old file, or those an ordinary new file
  // would get.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, old ? (old->st_mode & 07777) : (0666 & ~mask));

  bool ok = WriteAll(fd, data) && ::fsync(fd) == 0;
  int e = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    e = errno;
  }
  if (ok && std::rename(tmpl.c_str(), target.c_str()) != 0) {
    ok = false;
    e = errno;
  }
  if (!ok) {
    ::unlink(tmpl.c_str());
    return FailErrno(err, "Cannot write", target, e);
  }
  return true;
}

bool Write(const std::string& path, std::string_view data, bool streams, std::string* err) {
  if (path.empty()) return Fail(err, "No file name was given");
  if (streams) {
    // stat follows the /proc links that lstat cannot read as paths.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)))
      return WriteDirect(path, data, err);
  }
  Target t;
  if (!Resolve(path, t, err)) return false;
  if (t.descriptor) {
    if (streams) return WriteDirect(path, data, err);
    return Fail(err, path + " names an open file, not a file on disk; choose a file name");
  }
  if (t.exists && !S_ISREG(t.st.st_mode))
    return Fail(err, path + " is not a regular file; choose another file name");
  return Replace(t.path, t.exists ? &t.st : nullptr, data, err);
}

}  // namespace

bool WriteFileAtomic(const std::string& path, std::string_view data, std::string* err) {
  return Write(path, data, false, err);
}

bool WriteOutputFile(const std::string& path, std::string_view data, std::string* err) {
  return Write(path, data, true, err);
}

}  // namespace kv
