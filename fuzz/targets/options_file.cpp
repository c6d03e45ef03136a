// The preferences file kv.dat, loaded as the program loads it at start and
// saved as it saves it at exit. Whatever was loaded, the saved file must load
// back to the same preferences: a second save writes the same bytes.
#include <cmath>
#include <cstring>
#include <string>

#include "app/options.h"
#include "fuzz/targets/harness.h"
#include "model/globals.h"

namespace kv::fuzz {

namespace {

std::string ReadText(const std::string& path) {
  std::string out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

void CheckOptions(const Options& o) {
  for (int id = 0; id < Options::kSlots; ++id) {
    KV_FUZZ_CHECK(std::strlen(o.cGetOption(id)) < 512);
    KV_FUZZ_CHECK(std::isfinite(o.fGetOption(id)));
  }
  KV_FUZZ_CHECK(std::strlen(InvestSettings.inv_currency) < sizeof InvestSettings.inv_currency);
}

}  // namespace

void FuzzOptionsFile(const uint8_t* data, size_t size) {
  Run run;
  const std::string path = program_dir + "kv.dat";
  std::string first;
  {
    run.env().Write("prog/kv.dat", data, size);
    Options o;   // loads kv.dat
    o.ApplyOptions();
    CheckOptions(o);
  }              // saves kv.dat
  first = ReadText(path);
  {
    Options o;
    CheckOptions(o);
  }
  KV_FUZZ_CHECK(ReadText(path) == first);
}

}  // namespace kv::fuzz
