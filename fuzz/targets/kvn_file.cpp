// A model file (.kvn): first the codec alone (ParseKvn), whose parsed model
// must keep every size within the arrays and survive FormatKvn unchanged;
// then File > Open of the same bytes, with the price files it names present
// in the folder (target.csv, related.csv, semi.csv). A model that loads is
// saved and opened again: the second save must equal the first, so nothing
// the reader accepts is lost or changed on the way back.
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "app/launch.h"
#include "fuzz/targets/harness.h"
#include "model/kvn_codec.h"
#include "model/main_dlg.h"
#include "resources/ids.h"

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

// The first two blank-delimited words, as the reader sees header and version.
void HeaderWords(std::string_view s, std::string& a, std::string& b) {
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; };
  size_t i = 0;
  std::string* out[2] = {&a, &b};
  for (std::string* w : out) {
    while (i < s.size() && space(s[i])) ++i;
    while (i < s.size() && !space(s[i])) w->push_back(s[i++]);
  }
}

// What any model in memory must satisfy, loaded or not.
void CheckModel(const TMainDlg& m) {
  KV_FUZZ_CHECK(m.n_files >= 0 && m.n_files <= kMaxStocks);
  KV_FUZZ_CHECK(m.net.x_matrix >= 2 && m.net.x_matrix <= kMaxHidden);
  KV_FUZZ_CHECK(m.net.in_nodes >= 0 && m.net.in_nodes <= kMaxInputs);
  KV_FUZZ_CHECK(m.net.out_nodes >= 1 && m.net.out_nodes <= kMaxOutputs);
  KV_FUZZ_CHECK(m.Strategy >= 0 && m.Strategy < 8);
  // A new model keeps the last calendar until its first stock makes another.
  if (m.n_files > 0) KV_FUZZ_CHECK(m.patterns.n_days == calendar_count);
  CheckCalendar();
  for (int i = 0; i < m.n_files; ++i) KV_FUZZ_CHECK(m.stocks[i] != nullptr);
  for (int h = 0; h < m.net.x_matrix; ++h)
    for (int j = 0; j <= m.net.in_nodes; ++j) KV_FUZZ_CHECK(std::isfinite(m.net.hidden_w[j][h]));
  for (int o = 0; o < m.net.out_nodes; ++o)
    for (int h = 0; h <= m.net.x_matrix; ++h) KV_FUZZ_CHECK(std::isfinite(m.net.out_w[o][h]));
  KV_FUZZ_CHECK(m.dlg.ItemCount(ids::IDC_TICKER_LIST) <= kMaxStocks);
}

// What ParseKvn gives: sizes within the arrays, finite values, a message
// with every refusal but the retired version's, and a text that reads back
// to itself (reals keep six digits, so the text, not the value, is fixed).
void CheckCodec(std::string_view text) {
  KvnModel m;
  KvnError err;
  if (!ParseKvn(text, &m, &err)) {
    KV_FUZZ_CHECK(err.number == 101 || err.number == 102);
    KV_FUZZ_CHECK(!err.message.empty() || err.number == 102);
    return;
  }
  KV_FUZZ_CHECK(m.stocks.size() <= static_cast<size_t>(kMaxStocks));
  KV_FUZZ_CHECK(m.x_matrix >= 2 && m.x_matrix <= kMaxHidden);
  KV_FUZZ_CHECK(m.in_nodes >= 0 && m.in_nodes <= kMaxInputs);
  KV_FUZZ_CHECK(m.out_nodes >= 1 && m.out_nodes <= kMaxOutputs);
  KV_FUZZ_CHECK(m.hidden_w.size() == static_cast<size_t>(m.x_matrix * (m.in_nodes + 1)));
  KV_FUZZ_CHECK(m.out_w.size() == static_cast<size_t>(m.out_nodes * (m.x_matrix + 1)));
  for (float w : m.hidden_w) KV_FUZZ_CHECK(std::isfinite(w));
  for (float w : m.out_w) KV_FUZZ_CHECK(std::isfinite(w));
  const std::string first = FormatKvn(m);
  KvnModel again;
  KV_FUZZ_CHECK(ParseKvn(first, &again, nullptr));
  KV_FUZZ_CHECK(FormatKvn(again) == first);
}

// File > Open of name; true when the model loaded.
bool Open(Run& run, TMainDlg& m, const std::string& name) {
  run.platform().QueueFile(name);
  m.CmFileopen();
  CheckModel(m);
  return !m.untitled;
}

}  // namespace

void FuzzKvnFile(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckCodec(text);
  // Paths into the system's special files would read devices, not files.
  for (const char* special : {"/dev", "/proc", "/sys"})
    if (text.find(special) != std::string_view::npos) return;

  Run run;
  run.env().Write("input.kvn", data, size);
  MainDialog m(run);

  const bool loaded = Open(run, *m, "input.kvn");
  if (!loaded) {
    // Refused: an empty new model, and the user was told why (only files of
    // the retired version 1.7 are refused without a word).
    KV_FUZZ_CHECK(m->n_files == 0 && m->stocks[0] == nullptr && !m->modified);
    if (run.platform().messages().empty()) {
      std::string header, version;
      HeaderWords(text, header, version);
      KV_FUZZ_CHECK(header == "Kestrivane" && version == "1.7");
    }
  } else {
    m->model_path = "first.kvn";
    m->Save_Param();
    KV_FUZZ_CHECK(!m->modified);
    const std::string first = ReadText("first.kvn");
    KV_FUZZ_CHECK(Open(run, *m, "first.kvn"));
    m->model_path = "second.kvn";
    m->Save_Param();
    KV_FUZZ_CHECK(ReadText("second.kvn") == first);
  }

}

}  // namespace kv::fuzz
