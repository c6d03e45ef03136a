#include "download/quote_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

bool QuoteFileCheck::Feed(const char* data, size_t n) {
  size_ += n;
  for (size_t i = 0; i < n; ++i) {
    const char c = data[i];
    if (c == 0) nul_ = true;
    if (c == '\n') {
      line_pos_ = 0;
    } else if (line_pos_ < 2) {
      if (c >= '0' && c <= '9') price_line_ = true;
      line_pos_ = (line_pos_ == 0 && c == '"') ? 1 : 2;
    }
  }
  return !nul_ && size_ <= kMaxBytes;
}

std::string QuoteFileCheck::Verdict() const {
  if (size_ == 0) return "empty answer";
  if (nul_) return "NUL byte in the answer";
  if (size_ > kMaxBytes) return "answer larger than 64 MB";
  if (size_ < kMinChars)
    return "only " + std::to_string(size_) + " characters (a quote file has at least 1000)";
  if (!price_line_) return "not a price file";
  return "";
}

QuoteFileWriter::QuoteFileWriter(std::string path, bool cr_to_space)
    : path_(std::move(path)), cr_to_space_(cr_to_space) {}

QuoteFileWriter::~QuoteFileWriter() {
  f_.reset();
  if (!tmp_.empty()) ::unlink(tmp_.c_str());
}

bool QuoteFileWriter::WriteFailed() {
  error_ = "cannot write " + path_ + ": " + std::strerror(errno);
  return false;
}

bool QuoteFileWriter::Open() {
  std::string tmp = path_ + ".part-XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) return WriteFailed();
  tmp_ = tmp;
  // The new file keeps the old one's permissions, else the user's usual ones.
  mode_t mask = ::umask(0);
  ::umask(mask);
  struct stat old;
  if (::stat(path_.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  else ::fchmod(fd, 0666 & ~mask);
  f_.reset(::fdopen(fd, "wb"));
  if (!f_) {
    ::close(fd);
    return WriteFailed();
  }
  return true;
}

bool QuoteFileWriter::Write(const char* data, size_t n) {
  if (!f_) return false;
  if (!check_.Feed(data, n)) {
    error_ = check_.Verdict();
    return false;
  }
  const char* out = data;
  if (cr_to_space_) {
    buf_.assign(data, n);
    for (char& c : buf_)
      if (c == '\r') c = ' ';
    out = buf_.data();
  }
  if (std::fwrite(out, 1, n, f_.get()) != n) return WriteFailed();
  return true;
}

bool QuoteFileWriter::Commit() {
  if (!f_) return false;
  error_ = check_.Verdict();
  if (!error_.empty()) return false;
  bool ok = std::fflush(f_.get()) == 0 && ::fsync(::fileno(f_.get())) == 0;
  int err = errno;
  // Closed here, not by File, since a failing close means lost data.
  ok = (std::fclose(f_.release()) == 0) && ok;
  if (!ok) {
    errno = err ? err : errno;
    return WriteFailed();
  }
  if (::rename(tmp_.c_str(), path_.c_str()) != 0) return WriteFailed();
  tmp_.clear();
  return true;
}

}  // namespace kv
