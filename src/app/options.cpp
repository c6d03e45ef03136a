#include "app/options.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/globals.h"
#include "util/atomic_file.h"
#include "util/file.h"
#include "util/text.h"

namespace kv {

InvestSettingsRecord InvestSettings;
Options* theOptions = nullptr;

namespace {

struct KnownOption {
  int slot;
  const char* name;
  int type;
  const char* text;
  int i;
  float f;
};

constexpr KnownOption kKnown[] = {
    {1, "proxy_name", 1, "", 0, 0},
    {2, "proxy_port", 0, "", 80, 0},
    {3, "use_proxy", 0, "", 0, 0},
    {4, "inet_dall_start", 0, "", 0, 0},
    {5, "inet_d_kvn", 0, "", 0, 0},
    {6, "inet_q", 0, "", 0, 0},
    {8, "inet_des_dir", 1, "./", 0, 0},
    {9, "inet_filter", 1, "*.csv", 0, 0},
    {10, "inet_database", 1, "USA", 0, 0},
    // The vendor's web server (quote-source configuration and banner), as
    // HOST or HOST:PORT. The default is a placeholder under the reserved
    // .example domain: each deployment sets its own server.
    {11, "inet_server", 1, "quotes.kestrivane.example", 0, 0},
    // Quote files by URL template ({symbol}, {SYMBOL}, {symbol_lc}); empty
    // keeps the vendor's configuration. Then the overall deadline of one
    // transfer in seconds, and a PEM file of extra trusted authorities.
    {12, "quote_url", 1, "", 0, 0},
    {13, "quote_timeout", 0, "", 300, 0},
    {14, "quote_cacert", 1, "", 0, 0},
    // Models the batch menu's run works on at once, each in a worker process.
    {15, "batch_jobs", 0, "", 1, 0},
    {20, "inv_currency", 1, "$", 0, 0},
    {21, "inv_initial", 3, "", 0, 1000.0f},
    {22, "inv_broker_fee", 3, "", 0, 25.0f},
    {23, "inv_broker_com", 3, "", 0, 0.0f},
    {24, "inv_broker_q_over", 0, "", 1000, 0},
    {25, "inv_broker_fpshare", 3, "", 0, 0.02f},
};

// Copies src into a fixed field, cut to the field's width.
void copy_text(char* dst, size_t size, const char* src) {
  size_t n = src ? std::strlen(src) : 0;
  if (n >= size) n = size - 1;
  if (n) std::memcpy(dst, src, n);
  dst[n] = 0;
}

bool dir_writable(const std::string& dir) {
  return access(dir.empty() ? "." : dir.c_str(), W_OK) == 0;
}

// Splits a kv.dat line at the comma after its key (leading commas are
// skipped); false when there is no comma.
bool SplitLine(std::string line, std::string& key, std::string& rest) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  size_t start = line.find_first_not_of(',');
  if (start == std::string::npos) return false;
  size_t comma = line.find(',', start);
  if (comma == std::string::npos) return false;
  key = line.substr(start, comma - start);
  rest = line.substr(comma + 1);
  return true;
}

// Takes the value after the comma into the slot of its type; false when the
// line keeps the old value.
bool ReadValue(Options::Slot& s, const std::string& rest) {
  if (rest.empty()) return false;
  switch (s.type) {
    case 0:
      s.iValue = static_cast<int32_t>(LeadingInt(rest));
      return true;
    case 1: {
      // The first character is taken as the opening quote, whatever it is.
      std::string v = rest.substr(1);
      size_t q = v.find('"');
      if (q != std::string::npos) v.resize(q);
      // A NUL ends the text too (a damaged file): cut there, so that a value
      // that is empty in effect keeps the old one like "" does.
      v.resize(std::strlen(v.c_str()));
      if (v.empty()) return false;
      copy_text(s.cValue, sizeof s.cValue, v.c_str());
      return true;
    }
    case 3: {
      // A number beyond the float range keeps the old value, as a malformed
      // line does: an infinite investment or fee would poison every
      // simulation, and would be saved as "inf", which no longer reads back
      // as a number.
      const float f = static_cast<float>(LeadingDouble(rest));
      if (!std::isfinite(f)) return false;
      s.fValue = f;
      return true;
    }
  }
  return false;
}

std::string FormatLine(const Options::Slot& s) {
  char line[700];
  switch (s.type) {
    case 0: std::snprintf(line, sizeof line, "%s,%d\n", s.name, s.iValue); break;
    case 1: std::snprintf(line, sizeof line, "%s,\"%s\"\n", s.name, s.cValue); break;
    case 3: std::snprintf(line, sizeof line, "%s,%f\n", s.name, static_cast<double>(s.fValue)); break;
    default: return {};
  }
  return line;
}

void CopyValue(Options::Slot& to, const Options::Slot& from) {
  to.iValue = from.iValue;
  to.fValue = from.fValue;
  std::memcpy(to.cValue, from.cValue, sizeof to.cValue);
}

// kv.dat is a few hundred bytes; a file far larger is not ours to rewrite.
constexpr size_t kMaxFileSize = 1 << 20;


}  // namespace

Options::Options() {
  for (int i = 0; i < kSlots; ++i) slots_[i].id = i;
  for (const KnownOption& k : kKnown) {
    Slot& s = slots_[k.slot];
    copy_text(s.name, sizeof s.name, k.name);
    s.type = k.type;
    copy_text(s.cValue, sizeof s.cValue, k.text);
    s.iValue = k.i;
    s.fValue = k.f;
  }
  std::copy(std::begin(slots_), std::end(slots_), std::begin(on_disk_));
  LoadOptions();
}

Options::~Options() { SaveOptions(); }

std::string Options::FilePath() const {
  // Beside the program, so a copy unpacked anywhere keeps its own settings.
  // An installed program, or one whose folder the user cannot write, keeps
  // them in the user's configuration folder; never in the current folder,
  // where anyone could plant a kv.dat.
  const bool installed = program_dir.size() >= 5 && program_dir.compare(program_dir.size() - 5, 5, "/bin/") == 0;
  if (!installed && dir_writable(program_dir)) return program_dir + "kv.dat";
  std::string base;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) base = x;
  else if (const char* h = std::getenv("HOME"); h && *h) base = std::string(h) + "/.config";
  else return program_dir + "kv.dat";
  std::string dir = base + "/kestrivane";
  ::mkdir(base.c_str(), 0700);
  ::mkdir(dir.c_str(), 0700);
  return dir + "/kv.dat";
}

int Options::GetOptionID(const char* name) const {
  if (!name) return 0;
  for (int i = 0; i < kSlots; ++i)
    if (strcasecmp(slots_[i].name, name) == 0) return slots_[i].id;
  return 0;
}

void Options::SetOption(const char* name, int value) { SetOption(GetOptionID(name), value); }
void Options::SetOption(const char* name, const char* value) { SetOption(GetOptionID(name), value); }
void Options::SetOption(const char* name, float value) { SetOption(GetOptionID(name), value); }
int Options::iGetOption(const char* name) const { return iGetOption(GetOptionID(name)); }
const char* Options::cGetOption(const char* name) const { return cGetOption(GetOptionID(name)); }
float Options::fGetOption(const char* name) const { return fGetOption(GetOptionID(name)); }

// By id. An id outside the table lands on the reserved slot 0, like an
// unknown name, rather than outside the array.
static int valid_id(int id) { return (id >= 0 && id < Options::kSlots) ? id : 0; }

void Options::SetOption(int id, int value) { slots_[valid_id(id)].iValue = value; }
void Options::SetOption(int id, const char* value) {
  Slot& s = slots_[valid_id(id)];
  copy_text(s.cValue, sizeof s.cValue, value);
}
void Options::SetOption(int id, float value) { slots_[valid_id(id)].fValue = value; }

void Options::MarkRunOnly(const char* name) {
  if (int id = GetOptionID(name); id > 0) run_only_[id] = true;
}
bool Options::IsRunOnly(const char* name) const {
  const int id = GetOptionID(name);
  return id > 0 && run_only_[id];
}
void Options::SetForRun(const char* name, int value) { MarkRunOnly(name); SetOption(name, value); }
void Options::SetForRun(const char* name, const char* value) { MarkRunOnly(name); SetOption(name, value); }
void Options::SetForRun(const char* name, float value) { MarkRunOnly(name); SetOption(name, value); }
int Options::iGetOption(int id) const { return slots_[valid_id(id)].iValue; }
const char* Options::cGetOption(int id) const { return slots_[valid_id(id)].cValue; }
float Options::fGetOption(int id) const { return slots_[valid_id(id)].fValue; }

bool Options::Differs(int id) const {
  const Slot& a = slots_[id];
  const Slot& b = on_disk_[id];
  switch (a.type) {
    case 0: return a.iValue != b.iValue;
    case 1: return std::strcmp(a.cValue, b.cValue) != 0;
    case 3: return a.fValue != b.fValue;
  }
  return false;
}

bool Options::SaveOptions(std::string* err) {
  const std::string path = FilePath();
  std::string old;
  const bool found = ReadFileToString(path, &old, nullptr, kMaxFileSize);
  bool changed[kSlots] = {};
  bool any = false, ok = true;
  for (int i = 1; i < kSlots; ++i) {
    if (!slots_[i].name[0] || run_only_[i] || slots_[i].type == 2) continue;
    changed[i] = !found || Differs(i);
    any = any || changed[i];
  }
  if (any) {
    std::string text;
    if (!found) {
      // A first file holds every setting in slot order; one that is only for
      // this run is written with the value it had before the run.
      for (int i = 1; i < kSlots; ++i)
        if (slots_[i].name[0]) text += FormatLine(run_only_[i] ? on_disk_[i] : slots_[i]);
    } else {
      // Only the lines of changed settings are replaced (every copy of a key
      // given twice); settings the file lacks are added at its end.
      bool written[kSlots] = {};
      for (size_t start = 0; start < old.size();) {
        size_t end = old.find('\n', start);
        end = end == std::string::npos ? old.size() : end + 1;
        const std::string line = old.substr(start, end - start);
        start = end;
        std::string key, rest;
        const int id = SplitLine(line, key, rest) ? GetOptionID(key.c_str()) : 0;
        if (id > 0 && changed[id]) {
          text += FormatLine(slots_[id]);
          written[id] = true;
        } else {
          text += line;
        }
      }
      if (!text.empty() && text.back() != '\n') text += '\n';
      for (int i = 1; i < kSlots; ++i)
        if (changed[i] && !written[i]) text += FormatLine(slots_[i]);
    }
    // A file that cannot be written loses nothing: the old file stays and the
    // values in memory remain in force (and count as changed next time).
    std::string why;
    if (!WriteFileAtomic(path, text, &why)) {
      ok = false;
      if (err) *err = path + ": " + why;
    }
  }
  // What the file holds now is what later saves compare with; settings that
  // nobody here changed follow the file.
  if (found || any) {
    bool seen[kSlots] = {};
    ReadInto(path, on_disk_, seen);
    for (int i = 1; i < kSlots; ++i)
      if (seen[i] && !changed[i] && !run_only_[i]) CopyValue(slots_[i], on_disk_[i]);
  }
  ApplyOptions();
  return ok;
}

void Options::LoadOptions() {
  bool seen[kSlots] = {};
  ReadInto(FilePath(), on_disk_, seen);
  for (int i = 1; i < kSlots; ++i)
    if (seen[i] && !run_only_[i]) CopyValue(slots_[i], on_disk_[i]);
}

bool Options::ReadInto(const std::string& path, Slot* table, bool* seen) const {
  // Never a FIFO or a device: reading one would hang the start of the program.
  File file = OpenRegularFile(path);
  if (!file) return false;
  std::FILE* f = file.get();
  std::string line;
  while (ReadLine(f, line, 510)) {
    std::string key, rest;
    if (!SplitLine(line, key, rest)) continue;
    int id = GetOptionID(key.c_str());
    if (id <= 0) continue;
    if (ReadValue(table[id], rest)) seen[id] = true;
  }
  return true;
}

void Options::ApplyOptions() {
  // A hand-edited currency longer than the record holds is cut to 7 characters.
  copy_text(InvestSettings.inv_currency, sizeof InvestSettings.inv_currency, cGetOption("inv_currency"));
  InvestSettings.inv_initial = fGetOption("inv_initial");
  InvestSettings.inv_broker_fee = fGetOption("inv_broker_fee");
  InvestSettings.inv_broker_com = fGetOption("inv_broker_com");
  InvestSettings.inv_broker_fpshare = fGetOption("inv_broker_fpshare");
  InvestSettings.inv_broker_q_over = iGetOption("inv_broker_q_over");
}

}  // namespace kv
