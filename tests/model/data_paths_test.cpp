// Price-file paths as a model file stores them and finds them again.
#include <gtest/gtest.h>

#include <filesystem>

#include "model/data_paths.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

TEST(DataPathsTest, StoredFormFollowsTheModelsFolder) {
  TempDir dir;
  fs::create_directories(dir.file("models/deep"));
  fs::create_symlink("models", dir.file("linked models"));
  const std::string model = dir.file("models/m.kvn");
  const std::string root = fs::weakly_canonical(dir.path()).string();
  struct Case {
    const char* name;
    std::string model, data_file;
    size_t max_len;
    std::string stored;
  } cases[] = {
      {"beside the model", model, dir.file("models/a.csv"), 511, "a.csv"},
      {"below the model", model, dir.file("models/deep/b.csv"), 511, "deep/b.csv"},
      {"through .. back inside", model, dir.file("models/deep/../c.csv"), 511, "c.csv"},
      {"outside: absolute", model, dir.file("other/d.csv"), 511, root + "/other/d.csv"},
      {"a sibling folder with the same prefix", model, dir.file("models2/e.csv"), 511,
       root + "/models2/e.csv"},
      {"the folder named through a link", model, dir.file("linked models/f.csv"), 511, "f.csv"},
      {"a model named through a link", dir.file("linked models/m.kvn"), dir.file("models/g.csv"),
       511, "g.csv"},
      {"too long to store absolute: as it was", model, "../h.csv", 5, "../h.csv"},
      {"no file", model, "", 511, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(StoredDataFile(c.model, c.data_file, c.max_len), c.stored);
  }
}

TEST(DataPathsTest, ReadingTriesTheModelsFolderFirst) {
  TempDir dir;
  const fs::path cwd = fs::current_path();
  fs::create_directories(dir.file("here"));
  fs::create_directories(dir.file("models"));
  fs::current_path(dir.file("here"));
  dir.write("models/both.csv", "x");
  dir.write("here/both.csv", "x");
  dir.write("here/cwd only.csv", "x");
  dir.write("models/moved.csv", "x");
  const std::string model = dir.file("models/m.kvn");
  const std::string folder = fs::weakly_canonical(dir.file("models")).string();
  struct Case {
    const char* name;
    std::string stored, read;
  } cases[] = {
      {"relative, in both places: the model's folder", "both.csv", folder + "/both.csv"},
      {"relative, only in the current folder", "cwd only.csv", "cwd only.csv"},
      {"relative, nowhere: named in the model's folder", "gone.csv", folder + "/gone.csv"},
      {"absolute and there", dir.file("here/both.csv"), dir.file("here/both.csv")},
      {"absolute and gone, found by name", "/no/such/moved.csv", folder + "/moved.csv"},
      {"absolute and gone everywhere", "/no/such/gone.csv", "/no/such/gone.csv"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ResolveDataFile(model, c.stored), c.read);
  }
  fs::current_path(cwd);
}

}  // namespace
}  // namespace kv::test
