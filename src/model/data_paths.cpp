#include "model/data_paths.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kv {

namespace fs = std::filesystem;

namespace {

fs::path Absolute(const fs::path& p) {
  std::error_code ec;
  fs::path a = fs::absolute(p, ec);
  return (ec ? p : a).lexically_normal();
}

// The path with its folder's links resolved and its own name kept, so two
// names of one folder compare equal.
fs::path RealFolder(const fs::path& p) {
  const fs::path a = Absolute(p);
  std::error_code ec;
  const fs::path folder = fs::weakly_canonical(a.parent_path(), ec);
  return ec ? a : folder / a.filename();
}

// The folder the model file really lies in: a linked model's price files
// travel with the file, not with the link.
fs::path ModelFolder(const std::string& model_path) {
  std::error_code ec;
  fs::path real = fs::canonical(model_path, ec);
  if (ec) real = RealFolder(model_path);
  return real.parent_path();
}

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec);
}

}  // namespace

std::string StoredDataFile(const std::string& model_path, const std::string& data_file,
                           size_t max_len) {
  if (data_file.empty() || model_path.empty()) return data_file;
  const fs::path file = RealFolder(data_file);
  const fs::path rel = file.lexically_relative(ModelFolder(model_path));
  std::string out;
  if (!rel.empty() && *rel.begin() != ".." && rel.is_relative()) out = rel.string();
  else out = file.string();
  return out.size() <= max_len ? out : data_file;
}

std::string ResolveDataFile(const std::string& model_path, const std::string& stored) {
  if (stored.empty() || model_path.empty()) return stored;
  const fs::path p(stored);
  const fs::path folder = ModelFolder(model_path);
  if (p.is_relative()) {
    const fs::path beside = (folder / p).lexically_normal();
    if (Exists(beside) || !Exists(p)) return beside.string();
    return stored;
  }
  if (Exists(p) || !p.has_filename()) return stored;
  const fs::path moved = folder / p.filename();
  return Exists(moved) ? moved.string() : stored;
}

std::string PriceFileProblem(const std::string& path) {
  struct stat st {};
  if (path.empty()) return "no file is named";
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return "the file does not exist";
    return std::strerror(errno);
  }
  if (S_ISDIR(st.st_mode)) return "it is a folder, not a file";
  if (!S_ISREG(st.st_mode)) return "it is not a regular file";
  if (::access(path.c_str(), R_OK) != 0) return std::strerror(errno);
  return "its contents could not be read as prices (see the message before)";
}

}  // namespace kv
