// Every file of the fuzz corpora runs through its fuzz target in the normal
// and the sanitizer test builds: the seeds, and the regression files that
// past findings left behind (fuzz/corpus/<target>/regress-*), so a fault once
// found stays found.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/targets/harness.h"

namespace kv::fuzz {
namespace {

std::vector<std::string> g_failures;

void Record(const char* what, const char* file, int line) {
  g_failures.push_back(std::string(what) + " (" + file + ":" + std::to_string(line) + ")");
}

class CorpusReplay : public ::testing::TestWithParam<int> {};

TEST_P(CorpusReplay, EveryFileKeepsTheReadersPromises) {
  const Target& t = kTargets[GetParam()];
  const std::filesystem::path dir = std::filesystem::path(KV_FUZZ_CORPUS_DIR) / t.name;
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty()) << "no seed corpus in " << dir;

  SetFailHandler(Record);
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    g_failures.clear();
    t.run(reinterpret_cast<const uint8_t*>(bytes.data()), std::min(bytes.size(), t.max_len));
    for (const std::string& what : g_failures) ADD_FAILURE() << f.filename().string() << ": " << what;
  }
  SetFailHandler(nullptr);
}

std::string TargetName(const ::testing::TestParamInfo<int>& info) { return kTargets[info.param].name; }

INSTANTIATE_TEST_SUITE_P(Fuzz, CorpusReplay, ::testing::Range(0, kTargetCount), TargetName);

}  // namespace
}  // namespace kv::fuzz
