// A batch file (.kbf) run by the batch runner, as File > Batch > Run Batch
// runs it. The folder holds models that load (good.kvn, good2.kvn), one cut
// in half (cut.kvn) and none of any other name.
//
// Training is bounded so that every run is short whatever the T lines ask
// for: the virtual clock moves ten minutes at every pump (a time limit ends
// within a few pumps), and the harness gives the session a budget of
// learning steps, as kestrivane-cli train --steps does. Inputs with more
// than four T or P characters are cut before the fifth, so a run loads at
// most four models.
#include <cstring>
#include <string>
#include <string_view>

#include "app/launch.h"
#include "fuzz/targets/harness.h"
#include "model/main_dlg.h"
#include "resources/ids.h"

namespace kv::fuzz {

namespace {

constexpr int kMaxCommands = 4;
constexpr long long kStepBudget = 30;
constexpr uint64_t kStepPerPumpMs = 10 * 60 * 1000;

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

}  // namespace

void FuzzBatchFile(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const char* special : {"/dev", "/proc", "/sys"})
    if (text.find(special) != std::string_view::npos) return;
  int commands = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((text[i] == 'T' || text[i] == 'P') && ++commands > kMaxCommands) {
      text = text.substr(0, i);
      break;
    }
  }

  Run run;
  run.clock().SetStepPerPump(kStepPerPumpMs);
  run.env().RestoreModels();
  run.env().Write("input.kbf", text);
  ::unlink("batch.log");
  MainDialog m(run);
  m->learning_steps = 0;
  m->step_budget = kStepBudget;

  m->RunBatch("input.kbf");

  KV_FUZZ_CHECK(!m->batch_running && !m->training_on);
  const std::string log = ReadText("batch.log");
  const bool magic = text.substr(0, 7) == "KBF 1.9";
  static constexpr char kHeader[] =
      "Date\tTime\tSymbol\tSignal\tConfid\t+Volat\t-Volat\tProfit\tLoss\tfilename\n";
  if (magic) {
    KV_FUZZ_CHECK(log.compare(0, sizeof kHeader - 1, kHeader) == 0);
  } else {
    // Refused before any command: no log is written (the last one stays)
    // and the user was told (error 703).
    KV_FUZZ_CHECK(log.empty());
    KV_FUZZ_CHECK(!run.platform().messages().empty());
  }
  // The run ends with an empty model.
  KV_FUZZ_CHECK(m->n_files == 0 && m->stocks[0] == nullptr);
  CheckCalendar();

}

}  // namespace kv::fuzz
