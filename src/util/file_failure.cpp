#include "util/file_failure.h"

#include <cerrno>
#include <cstring>

namespace kv {
namespace {

struct Note {
  std::string operation, path;
  int err = 0;
  bool pending = false;
};
Note& note() {
  static Note n;
  return n;
}

}  // namespace

void NoteFileFailure(const char* operation, const std::string& path, int err) {
  note() = Note{operation, path, err, true};
}

std::string TakeFileFailure() {
  Note& n = note();
  if (!n.pending) return {};
  n.pending = false;
  return "cannot " + n.operation + " " + n.path + ": " + FileErrorReason(n.err);
}

std::string FileErrorReason(int err) {
  if (err == EINVAL) return "not a regular file";
  if (err == 0) return "unknown reason";
  return std::strerror(err);
}

}  // namespace kv
