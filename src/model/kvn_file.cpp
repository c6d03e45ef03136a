// The network parameter file (.kvn): the model's stocks with their scale
// factors, the network's size and settings, the strategy and every weight,
// as key lines in a fixed order.
//
// The reader is positional, as the format always was: it skips the key word
// where one stands and takes the value that follows. Unlike a plain scanf
// reader it refuses a file instead of guessing: a value that is not wholly a
// number, a file that ends early and a file that exceeds what the model can
// hold each show one "File Error" message ending in "-ERROR 101" and give
// false, so the caller falls back to a new model. No read of the file can
// overrun a buffer whatever it holds: words and lines are cut at fixed
// lengths and every count that sizes an array is checked before use.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

#include "app/options.h"
#include "download/auto_download.h"
#include "model/data_paths.h"
#include "model/main_dlg.h"
#include "resources/ids.h"
#include "util/atomic_file.h"
#include "util/file.h"
#include "util/file_failure.h"
#include "util/text.h"

namespace kv {

namespace {

constexpr const char* kHeader = "Kestrivane";
constexpr const char* kVersion18 = "1.8";
constexpr size_t kWordLimit = 255;

const char* const kMsgOpen = "Unable to open file -ERROR 100";
const char* const kMsgFormat = "Bad Neural Parameters (.kvn) file format -ERROR 101";
const char* const kMsgVersion = "Wrong Version  Neural Parameters (.kvn) file -ERROR 102";
const char* const kMsgWrite = "Unable to open file for writing -ERROR 200";

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
// Only a regular file is a model: a FIFO would block the open and a device
// such as /dev/zero would never end a word.
// Only a regular file: a FIFO or a device named as a model must not block.
// A failure is noted for the message about it.
File Open(const std::string& path) {
  File f = OpenRegularFile(path);
  if (!f) NoteFileFailure("open", path, errno);
  return f;
}

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsSpace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && IsSpace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

// Whole-word number parsing: "140" is an integer, "140.0" or "14x" is not.
bool ParseInt(const std::string& w, int32_t& v) {
  if (w.empty() || w.size() > 12) return false;
  size_t i = (w[0] == '+' || w[0] == '-') ? 1 : 0;
  if (i == w.size()) return false;
  for (size_t k = i; k < w.size(); ++k)
    if (w[k] < '0' || w[k] > '9') return false;
  long long x = std::strtoll(w.c_str(), nullptr, 10);
  if (x < INT32_MIN || x > INT32_MAX) return false;
  v = static_cast<int32_t>(x);
  return true;
}

bool ParseReal(const std::string& text, float& v) {
  std::string w = Trim(text);
  size_t used = 0;
  double x = LeadingDouble(w, &used);
  if (w.empty() || used != w.size()) return false;
  float f = static_cast<float>(x);
  if (!std::isfinite(f)) return false;
  v = f;
  return true;
}

// Sequential access to the model file: words, rest of lines and the quoted
// path, each with a fixed limit.
class KvnReader {
 public:
  explicit KvnReader(std::FILE* f) : f_(f) {}

  // The next whitespace-delimited word; false at the end of the file.
  bool Word(std::string& w) {
    w.clear();
    int c;
    while ((c = std::getc(f_)) != EOF && IsSpace(c)) {}
    if (c == EOF) return false;
    do {
      if (w.size() < kWordLimit) w.push_back(static_cast<char>(c));
    } while ((c = std::getc(f_)) != EOF && !IsSpace(c));
    if (c != EOF) std::ungetc(c, f_);
    return true;
  }

  // The rest of the current line, its line end consumed; false when the
  // file has already ended.
  bool Rest(std::string& s) {
    s.clear();
    int c = std::getc(f_);
    if (c == EOF) return false;
    while (c != EOF && c != '\n') {
      if (s.size() < kWordLimit) s.push_back(static_cast<char>(c));
      c = std::getc(f_);
    }
    return true;
  }

  // data_file= "path": the characters between the next two double quotes.
  // Both quotes must stand on the key's line, and the path must fit a
  // stock's file name.
  bool QuotedPath(std::string& path, size_t max_len) {
    path.clear();
    int c;
    bool key_seen = false;   // the line end before the key is passed over
    while ((c = std::getc(f_)) != EOF && c != '"') {
      if (c == '\n' && key_seen) return false;
      if (!IsSpace(c)) key_seen = true;
    }
    if (c == EOF) return false;
    while ((c = std::getc(f_)) != EOF && c != '"') {
      if (c == '\n' || path.size() >= max_len) return false;
      path.push_back(static_cast<char>(c));
    }
    return c == '"';
  }

 private:
  std::FILE* f_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Writer

void TMainDlg::Save_Param() {
  // Saving a model whose stocks did not read would put its half-read state
  // over the good file.
  if (RefuseDamaged("be saved")) return;
  SetStatus("Saving Parameters");
  Check_Events();

  std::string out;
  out.reserve(64 * 1024);
  auto line = [&](const std::string& s) {
    out += s;
    out += '\n';
  };
  auto real = [](float v) { return Format("%g", static_cast<double>(v)); };

  line(std::string(kHeader) + " " + kVersion18);
  line(Format("n_files= %d", n_files));
  line(Format("Trained= %d", Trained));
  for (int i = 0; i < std::min(n_files, kMaxStocks); ++i) {
    const Stock* s = stocks[i].get();
    Stock empty;
    if (!s) s = &empty;
    // Relative to the model's folder when the file lies in it, so the two
    // can move together.
    line("data_file= \"" + StoredDataFile(model_path, s->data_file, Stock::kDataFileMax) + "\"");
    line("symbol= " + s->symbol);
    line(Format("infl_periods= %d", s->infl_periods));
    line(Format("infl_period= %d", s->infl_period));
    line("normal1= " + real(s->normal1));
    line("normal2= " + real(s->normal2));
    line("normal3= " + real(s->normal3));
    line("normal4= " + real(s->normal4));
    line("normal5= " + real(s->normal5));
    line(Format("do_price= %d", s->do_price ? 1 : 0));
    line(Format("do_volume= %d", s->do_volume ? 1 : 0));
    line(Format("do_l_price= %d", s->do_l_price ? 1 : 0));
    line(Format("do_s_price= %d", s->do_s_price ? 1 : 0));
  }
  line(Format("x_matrix= %d", net.x_matrix));
  line(Format("y_matrix= %d", y_matrix));
  std::string strategy = Format("Strategy= %d ", Strategy);
  if (Strategy == 7)
    for (float v : {buy_up_min, buy_down_max, sell_down_min, sell_up_max, take_stop_band})
      strategy += real(v) + " ";
  line(strategy);
  line(Format("nh_synapsis= %d", nh_synapsis));
  line(Format("out_nodes= %d", net.out_nodes));
  line("threshold= " + real(threshold));
  line(Format("n_days= %d", patterns.n_days));
  line(Format("points_stock= %d", points_stock));
  line(Format("in_nodes= %d", net.in_nodes));
  line("learn_rate= " + real(net.learn_rate));
  line(Format("eval_days= %d", eval_days));
  line(Format("keepout_days= %d", keepout_days));
  line(Format("day_increm= %d", day_increm));
  line(Format("TimeTrained= %d", TimeTrained));
  line(Format("Training= %c %c", DoAnnealing ? 'a' : '0', DoGenetic ? 'g' : ' '));
  line(Format("DoBackProp= %d", DoBackProp ? 1 : 0));
  line(Format("AutoSave= %d", AutoSave ? 1 : 0));
  line(Format("AutoIncNeu= %d", AutoIncNeu ? 1 : 0));
  line(Format("PredicMode= %d", PredicMode));

  const int nh = std::clamp(net.x_matrix, 0, kMaxHidden);
  const int ni = std::clamp(net.in_nodes, 0, kMaxInputs);
  const int no = std::clamp(net.out_nodes, 0, kMaxOutputs);
  for (int h = 0; h < nh; ++h)
    for (int j = 0; j <= ni; ++j) line(real(net.hidden_w[j][h]));
  for (int o = 0; o < no; ++o)
    for (int h = 0; h <= nh; ++h) line(real(net.out_w[o][h]));

  // Written beside the model and renamed over it only when complete, so a
  // failed save leaves the previous file as it was.
  std::string why;
  if (WriteFileAtomic(model_path, out, &why)) {
    modified = false;
    untitled = false;
  } else if (!batch_running) {
    ErrorBox(std::string(kMsgWrite) + "\n" + why + "\nThe model is not saved.");
  }
  SetStatus("");
}

// ---------------------------------------------------------------------------
// Readers

bool TMainDlg::Read_Param() {
  stocks_error.clear();
  File f = Open(model_path);
  SetStatus("Reading Parameters");
  Check_Events();
  if (!f) {
    if (!batch_running) ErrorBox(kMsgOpen);
    SetStatus("");
    return false;
  }
  KvnReader r(f.get());
  std::string word, version;
  if (!r.Word(word) || word != kHeader) {
    if (!batch_running) ErrorBox(kMsgFormat);
    SetStatus("");
    return false;
  }
  r.Word(version);
  f.reset();

  bool ok = false;
  if (version == kVersion18) {
    ok = Read_Param_1_8();
  } else if (version == "1.7") {
    ok = Read_Param_1_7();
  } else if (!batch_running) {
    ErrorBox(kMsgVersion);
  }
  if (!ok) {
    SetStatus("");
    return false;
  }

  SetStatus("Processing ...");
  Check_Events();
  if (theOptions && theOptions->iGetOption("inet_d_kvn") > 0) DownloadModelQuotes(*this);
  // Every stock is read again, now with its stored scale factors.
  Update_Stocks();
  modified = false;
  untitled = false;
  if (Damaged()) {
    // Update_Stocks has shown which file failed. The model stays in memory
    // for the user to mend, but it is not a loaded model.
    SetStatus("Damaged model: " + stocks_error);
    return false;
  }
  SetStatus("Processing ...");
  Check_Events();
  Create_Results();
  SetStatus("");
  return true;
}

// Files of version 1.7 are no longer read; they are refused without a word.
bool TMainDlg::Read_Param_1_7() { return false; }

bool TMainDlg::Read_Param_1_8() {
  auto box = [&](const std::string& text) {
    if (!batch_running) ErrorBox(text);
    return false;
  };
  // A damaged file: it ends early or holds something else where a number
  // belongs.
  auto bad = [&](const std::string& why) {
    return box("Bad Neural Parameters (.kvn) file format\n" + why + "\n-ERROR 101");
  };
  auto ended = [&]() { return bad("The file ends before all values were read"); };
  // A file of a model larger than this program can hold.
  auto too_big = [&](const std::string& what) {
    return box("Neural Parameters (.kvn) file exceeds the limits of Kestrivane\n" + what +
               "\n-ERROR 101");
  };

  File f = Open(model_path);
  if (!f) return box(kMsgOpen);
  KvnReader r(f.get());
  std::string w;
  if (!r.Word(w) || w != kHeader) return box(kMsgFormat);
  if (!r.Word(w) || w != kVersion18) return box(kMsgVersion);

  for (auto& s : stocks) s.reset();
  stocks_error.clear();
  dlg.ClearList(ids::IDC_TICKER_LIST);
  dlg.ClearList(ids::IDC_TRAIN_START);
  dlg.ClearList(ids::IDC_TRAIN_END);

  // key word, then the value as a word
  auto value_word = [&](std::string& v) { return r.Word(w) && r.Word(v); };
  auto read_int = [&](const char* key, int32_t& v) {
    std::string s;
    if (!value_word(s)) return ended();
    if (!ParseInt(s, v)) return bad(std::string("The value of ") + key + " is not a whole number");
    return true;
  };
  auto read_real = [&](const char* key, float& v) {
    std::string s;
    if (!r.Word(s)) return ended();
    if (!ParseReal(s, v)) return bad(std::string("The value of ") + key + " is not a number");
    return true;
  };
  // key word, then the rest of the line as the value
  auto read_real_line = [&](const char* key, float& v) {
    std::string s;
    if (!r.Word(w) || !r.Rest(s)) return ended();
    if (!ParseReal(s, v)) return bad(std::string("The value of ") + key + " is not a number");
    return true;
  };
  auto read_flag = [&](const char* key, bool& v) {
    int32_t x;
    if (!read_int(key, x)) return false;
    v = x != 0;
    return true;
  };

  int32_t count;
  if (!read_int("n_files", count) || !read_int("Trained", Trained)) return false;
  if (count > kMaxStocks)
    return too_big(Format("n_files= %d: a model holds at most 3 stocks", count));
  n_files = std::clamp(count, 0, kMaxStocks);
  if (n_files == 0) {
    patterns.n_days = 0;
    calendar_count = 0;
  }

  for (int i = 0; i < n_files; ++i) {
    std::string path;
    if (!r.QuotedPath(path, Stock::kDataFileMax))
      return bad("The data_file of stock " + std::to_string(i + 1) +
                 " is not a path between double quotes");
    path = ResolveDataFile(model_path, path);
    if (i == 0) {
      SetStatus("Reading Stock File: " + path);
      stocks[0] = std::make_unique<Stock>();
      patterns.n_days = stocks[0]->Add_Dates(path.c_str());
      const std::string reread = "An Error has occured while reading\n" + path +
                                 "\nPlease correct the error and try again\n-ERROR ";
      if (patterns.n_days == 0) return box(reread + "453");
      CmZoom(zoom);   // fit the chart to the new number of days
      if (!stocks[0]->Read_File(Trained)) return box(reread + "454");
    } else {
      // Not read here: Read_Param reads every stock again with its stored
      // scale factors, and a failing file would only say so twice.
      stocks[i] = std::make_unique<Stock>();
      stocks[i]->data_file = path;
    }
    Stock& s = *stocks[i];

    // The symbol is the rest of its line, so a symbol typed with a blank
    // still reads back as it was written.
    std::string sym;
    if (!r.Word(w) || !r.Rest(sym)) return ended();
    sym = Trim(sym).substr(0, Stock::kSymbolMax);
    if (i == 0) SetStatus("Reading Stock File for symbol: " + sym);
    s.symbol = sym;
    dlg.InsertItem(ids::IDC_TICKER_LIST, i, sym);

    int32_t periods;
    if (!read_int("infl_periods", periods)) return false;
    if (periods > kMaxInflPeriods) {
      s.infl_periods = 1;
      return too_big(Format("infl_periods= %d: the influence period is at most 20", periods));
    }
    s.infl_periods = periods;
    float period;
    if (!r.Word(w)) return ended();
    if (!read_real("infl_period", period)) return false;
    s.infl_period = static_cast<int32_t>(std::clamp(period, -1e9f, 1e9f));
    if (!read_real_line("normal1", s.normal1) || !read_real_line("normal2", s.normal2) ||
        !read_real_line("normal3", s.normal3) || !read_real_line("normal4", s.normal4) ||
        !read_real_line("normal5", s.normal5))
      return false;
    if (!read_flag("do_price", s.do_price) || !read_flag("do_volume", s.do_volume) ||
        !read_flag("do_l_price", s.do_l_price) || !read_flag("do_s_price", s.do_s_price))
      return false;
  }

  int32_t v;
  if (!read_int("x_matrix", v)) return false;
  if (v > max_neurons)
    return too_big(Format("x_matrix= %d: the hidden layer has at most %d neurons", v, max_neurons));
  net.x_matrix = std::clamp(v, 2, static_cast<int32_t>(max_neurons));
  if (!read_int("y_matrix", v)) return false;
  if (v > 1) return too_big(Format("y_matrix= %d: the network has one hidden layer", v));
  y_matrix = 1;

  if (!read_int("Strategy", v)) return false;
  Strategy = (v < 0 || v >= 8) ? 3 : v;
  if (Strategy == 7) {
    if (!read_real("buy_up_min", buy_up_min) || !read_real("buy_down_max", buy_down_max) ||
        !read_real("sell_down_min", sell_down_min) || !read_real("sell_up_max", sell_up_max) ||
        !read_real("take_stop_band", take_stop_band))
      return false;
  }

  if (!read_int("nh_synapsis", nh_synapsis)) return false;
  if (!read_int("out_nodes", v)) return false;
  net.out_nodes = std::clamp(v, 1, kMaxOutputs);
  if (!r.Word(w)) return ended();
  if (!read_real("threshold", threshold)) return false;
  // The number of days always comes from the target stock's file.
  std::string skipped;
  if (!value_word(skipped)) return ended();
  if (!read_int("points_stock", points_stock)) return false;
  if (!read_int("in_nodes", v)) return false;
  if (v > kMaxInputs)
    return too_big(Format("in_nodes= %d: the network has at most 240 inputs", v));
  if (v < 0) return bad("The value of net.in_nodes is negative");
  net.in_nodes = v;
  if (!r.Word(w)) return ended();
  if (!read_real("learn_rate", net.learn_rate)) return false;
  if (!read_int("eval_days", v)) return false;
  eval_days = std::max(v, 10);
  if (!read_int("keepout_days", v)) return false;
  keepout_days = std::max(v, 10);
  if (!read_int("day_increm", day_increm) || !read_int("TimeTrained", TimeTrained)) return false;

  std::string training;
  if (!r.Word(w) || !r.Rest(training)) return ended();
  DoAnnealing = training.find_first_of("a1") != std::string::npos;
  DoGenetic = training.find('g') != std::string::npos;

  if (!read_flag("DoBackProp", DoBackProp) || !read_flag("AutoSave", AutoSave) ||
      !read_flag("AutoIncNeu", AutoIncNeu) || !read_int("PredicMode", PredicMode))
    return false;
  r.Rest(w);

  dlg.Enable(ids::IDC_PREDICT, Trained > 0);
  dlg.Enable(ids::IDC_ADD, Trained == 0);
  dlg.Enable(ids::IDC_DEL, Trained == 0);
  dlg.SetReadOnly(ids::IDC_NEURONS, Trained > 0);
  dlg.SetReadOnly(ids::IDC_INFL_PERIOD, Trained > 0);

  std::string text;
  auto weight = [&](float& target) {
    if (!r.Rest(text)) return ended();
    if (!ParseReal(text, target)) return bad("A weight of the network is not a number");
    return true;
  };
  for (int h = 0; h < net.x_matrix; ++h)
    for (int j = 0; j <= net.in_nodes; ++j)
      if (!weight(net.hidden_w[j][h])) return false;
  for (int o = 0; o < net.out_nodes; ++o)
    for (int h = 0; h <= net.x_matrix; ++h)
      if (!weight(net.out_w[o][h])) return false;

  SetStatus("");
  return true;
}

}  // namespace kv
