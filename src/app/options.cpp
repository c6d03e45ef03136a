#include "app/options.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/globals.h"
#include "util/atomic_file.h"
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
  LoadOptions();
}

Options::~Options() { SaveOptions(); }

std::string Options::FilePath() const {
  // Beside the program, as always; an installed program whose folder the
  // user cannot write keeps its preferences in the user's configuration folder.
  if (dir_writable(program_dir)) return program_dir + "kv.dat";
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
int Options::iGetOption(int id) const { return slots_[valid_id(id)].iValue; }
const char* Options::cGetOption(int id) const { return slots_[valid_id(id)].cValue; }
float Options::fGetOption(int id) const { return slots_[valid_id(id)].fValue; }

void Options::SaveOptions() {
  std::string text;
  char line[700];
  for (int i = 1; i < kSlots; ++i) {
    const Slot& s = slots_[i];
    if (!s.name[0]) continue;
    switch (s.type) {
      case 0: std::snprintf(line, sizeof line, "%s,%d\n", s.name, s.iValue); break;
      case 1: std::snprintf(line, sizeof line, "%s,\"%s\"\n", s.name, s.cValue); break;
      case 3: std::snprintf(line, sizeof line, "%s,%f\n", s.name, static_cast<double>(s.fValue)); break;
      default: continue;
    }
    text += line;
  }
  // A file that cannot be written loses nothing: the old file stays and the
  // values in memory remain in force.
  WriteFileAtomic(FilePath(), text);
  ApplyOptions();
}

void Options::LoadOptions() {
  std::FILE* f = std::fopen(FilePath().c_str(), "rb");
  if (!f) return;
  std::string line;
  while (ReadLine(f, line, 510)) {
    // The key runs to the first comma; leading commas are skipped.
    size_t start = line.find_first_not_of(',');
    if (start == std::string::npos) continue;
    size_t comma = line.find(',', start);
    std::string key = line.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    int id = GetOptionID(key.c_str());
    if (id <= 0) continue;
    if (comma == std::string::npos) continue;
    std::string rest = line.substr(comma + 1);
    Slot& s = slots_[id];
    switch (s.type) {
      case 0:
        if (!rest.empty()) s.iValue = static_cast<int32_t>(LeadingInt(rest));
        break;
      case 1: {
        if (rest.empty()) break;
        // The first character is taken as the opening quote, whatever it is.
        std::string v = rest.substr(1);
        size_t q = v.find('"');
        if (q != std::string::npos) v.resize(q);
        // A NUL ends the text too (a damaged file): cut there, so that a value
        // that is empty in effect keeps the old one like "" does.
        v.resize(std::strlen(v.c_str()));
        if (!v.empty()) copy_text(s.cValue, sizeof s.cValue, v.c_str());
        break;
      }
      case 3:
        if (!rest.empty()) {
          // A number beyond the float range keeps the old value, as a
          // malformed line does: an infinite investment or fee would poison
          // every simulation, and would be saved as "inf", which no longer
          // reads back as a number.
          const float f = static_cast<float>(LeadingDouble(rest));
          if (std::isfinite(f)) s.fValue = f;
        }
        break;
    }
  }
  std::fclose(f);
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
