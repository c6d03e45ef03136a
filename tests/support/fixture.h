// Shared test fixtures: a headless platform with a virtual clock, a private
// temporary folder (also the program's folder, so kv.dat lands there), and a
// main dialog on top.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "model/globals.h"
#include "model/main_dlg.h"
#include "platform/headless/headless_platform.h"

namespace kv::test {

// A fresh temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  // Writes text to name inside the folder and returns the full path.
  std::string write(const std::string& name, const std::string& text) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);

// What one run of kestrivane-cli printed and how it ended (-1: killed).
struct CliOutput {
  int status;
  std::string out, err;
};
// Runs kestrivane-cli with args (shell words, quoted by the caller) in dir,
// with nothing on its standard input; its output goes through files in dir.
CliOutput RunCli(const TempDir& dir, const std::string& args);

// Platform, virtual clock and temp folder; no main dialog.
class PlatformTest : public ::testing::Test {
 protected:
  PlatformTest();
  ~PlatformTest() override;
  HeadlessPlatform platform;
  VirtualClock clock;
  TempDir dir;
  std::string saved_program_dir;
  std::string saved_cwd;
};

// Everything above plus an initialised main dialog, as after start-up.
class MainDlgTest : public PlatformTest {
 protected:
  MainDlgTest();
  ~MainDlgTest() override;
  std::unique_ptr<Dialog> window;
  std::unique_ptr<TMainDlg> main;
  HeadlessDialog& win() { return static_cast<HeadlessDialog&>(*window); }
};

// Path of a bundled sample price file (GE.csv, KO.csv, PG.csv).
std::string SamplePath(const std::string& name);

}  // namespace kv::test
