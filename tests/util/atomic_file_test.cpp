// Replacing files whatever the path names: links, devices, pipes, folders.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "support/fixture.h"
#include "util/atomic_file.h"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

bool NoTemporaries(const TempDir& dir) {
  for (auto& e : fs::recursive_directory_iterator(dir.path()))
    if (e.path().filename().string().find(".tmp") != std::string::npos) return false;
  return true;
}

TEST(AtomicFileTest, WhatEachKindOfPathBecomes) {
  TempDir dir;
  fs::create_directory(dir.file("real"));
  const std::string target = dir.write("real/model.kvn", "old\n");
  fs::create_symlink("real/model.kvn", dir.file("relative link"));
  fs::create_symlink(dir.file("relative link"), dir.file("link to link"));
  fs::create_symlink("real/new.kvn", dir.file("dangling"));
  fs::create_directory(dir.file("folder"));
  fs::create_symlink("loop", dir.file("loop"));
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);

  struct Case {
    const char* name;
    std::string path;
    bool output;              // WriteOutputFile rather than WriteFileAtomic
    bool ok;
    std::string lands_in;     // the file that must hold the text afterwards
  } cases[] = {
      {"a new file", dir.file("fresh.kvn"), false, true, dir.file("fresh.kvn")},
      {"a relative link, first save", dir.file("relative link"), false, true, target},
      {"the same link, second save", dir.file("relative link"), false, true, target},
      {"a link to a link", dir.file("link to link"), false, true, target},
      {"a dangling link makes its target", dir.file("dangling"), false, true, dir.file("real/new.kvn")},
      {"a folder", dir.file("folder"), false, false, ""},
      {"a folder as output", dir.file("folder"), true, false, ""},
      {"a link that loops", dir.file("loop"), false, false, ""},
      {"a character device as a model", "/dev/null", false, false, ""},
      {"a character device as output", "/dev/null", true, true, ""},
      {"a FIFO as a model", dir.file("fifo"), false, false, ""},
      {"a folder that does not exist", dir.file("none/x.kvn"), false, false, ""},
      {"an empty name", "", true, false, ""},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = "text " + std::to_string(++n) + "\n";
    std::string err;
    const bool ok = c.output ? WriteOutputFile(c.path, text, &err) : WriteFileAtomic(c.path, text, &err);
    EXPECT_EQ(ok, c.ok) << err;
    EXPECT_EQ(err.empty(), c.ok) << err;
    if (!c.lands_in.empty()) {
      EXPECT_EQ(ReadFile(c.lands_in), text);
    }
  }
  // Links stay links, and what was not replaced stays what it was.
  EXPECT_TRUE(fs::is_symlink(dir.file("relative link")));
  EXPECT_TRUE(fs::is_symlink(dir.file("dangling")));
  EXPECT_TRUE(fs::is_directory(dir.file("folder")));
  EXPECT_TRUE(fs::is_fifo(dir.file("fifo")));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_TRUE(NoTemporaries(dir));
}

TEST(AtomicFileTest, OutputToAPipeIsWrittenIntoIt) {
  TempDir dir;
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A reader is there first, so the writer's open does not wait.
  int rd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(rd, 0);
  std::string err;
  ASSERT_TRUE(WriteOutputFile(fifo, "report line\n", &err)) << err;
  char buf[64] = {};
  EXPECT_EQ(::read(rd, buf, sizeof buf - 1), 12);
  EXPECT_STREQ(buf, "report line\n");
  ::close(rd);
  EXPECT_TRUE(fs::is_fifo(fifo));
}

}  // namespace
}  // namespace kv::test
