// The reader is positional, as the format always was: it skips the key word
// where one stands and takes the value that follows. Unlike a plain scanf
// reader it refuses a file instead of guessing: a value that is not wholly a
// number, a file that ends early and a file that exceeds what the model can
// hold each give one error ending in "-ERROR 101". Words and lines are cut
// at fixed lengths and every count that sizes an array is checked before use.
#include "model/kvn_codec.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "data/limits.h"
#include "data/stock.h"
#include "util/text.h"

namespace kv {

namespace {

constexpr const char* kHeader = "Kestrivane";
constexpr const char* kVersion18 = "1.8";
constexpr size_t kWordLimit = 255;

const char* const kMsgFormat = "Bad Neural Parameters (.kvn) file format -ERROR 101";
const char* const kMsgVersion = "Wrong Version  Neural Parameters (.kvn) file -ERROR 102";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsSpace(s[b])) ++b;
  while (e > b && IsSpace(s[e - 1])) --e;
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

// Sequential access to the text: words, rest of lines and the quoted path,
// each with a fixed limit.
class KvnReader {
 public:
  explicit KvnReader(std::string_view text) : t_(text) {}

  // The next whitespace-delimited word; false at the end of the text.
  bool Word(std::string& w) {
    w.clear();
    while (at_ < t_.size() && IsSpace(t_[at_])) ++at_;
    mark_ = at_;
    if (at_ == t_.size()) return false;
    for (; at_ < t_.size() && !IsSpace(t_[at_]); ++at_)
      if (w.size() < kWordLimit) w.push_back(t_[at_]);
    return true;
  }

  // The rest of the current line, its line end consumed; false when the
  // text has already ended.
  bool Rest(std::string& s) {
    s.clear();
    mark_ = at_;
    if (at_ == t_.size()) return false;
    for (; at_ < t_.size() && t_[at_] != '\n'; ++at_)
      if (s.size() < kWordLimit) s.push_back(t_[at_]);
    if (at_ < t_.size()) ++at_;
    return true;
  }

  // data_file= "path": the characters between the next two double quotes.
  // Both quotes must stand on the key's line, and the path must fit a
  // stock's file name.
  bool QuotedPath(std::string& path, size_t max_len) {
    path.clear();
    bool key_seen = false;   // the line end before the key is passed over
    for (; at_ < t_.size() && t_[at_] != '"'; ++at_) {
      if (t_[at_] == '\n' && key_seen) return false;
      if (!IsSpace(t_[at_])) {
        if (!key_seen) mark_ = at_;
        key_seen = true;
      }
    }
    if (at_ == t_.size()) return false;
    for (++at_; at_ < t_.size() && t_[at_] != '"'; ++at_) {
      if (t_[at_] == '\n' || path.size() >= max_len) return false;
      path.push_back(t_[at_]);
    }
    if (at_ == t_.size()) return false;
    ++at_;
    return true;
  }

  // The line (from 1) where the last word or line read began.
  int Line() const {
    return 1 + static_cast<int>(std::count(t_.begin(), t_.begin() + static_cast<long>(mark_), '\n'));
  }

 private:
  std::string_view t_;
  size_t at_ = 0;
  size_t mark_ = 0;
};

// The body of a version 1.8 file after its header; false with *err set.
class Parser {
 public:
  Parser(KvnReader& r, KvnModel& m, KvnError& err) : r_(r), m_(m), err_(err) {}

  bool Body() {
    int32_t count;
    if (!Int("n_files", count)) return false;
    const int count_line = r_.Line();
    if (!Int("Trained", m_.Trained)) return false;
    if (count > 3)
      return TooBig("n_files", Format("n_files= %d: a model holds at most 3 stocks", count), count_line);
    m_.stocks.assign(static_cast<size_t>(std::clamp(count, 0, 3)), KvnStock{});

    for (size_t i = 0; i < m_.stocks.size(); ++i) {
      KvnStock& s = m_.stocks[i];
      if (!r_.QuotedPath(s.data_file, Stock::kDataFileMax))
        return Bad("data_file", "The data_file of stock " + std::to_string(i + 1) +
                                    " is not a path between double quotes");
      // The symbol is the rest of its line, so a symbol typed with a blank
      // still reads back as it was written.
      std::string sym;
      if (!r_.Word(w_) || !r_.Rest(sym)) return Ended("symbol");
      s.symbol = Trim(sym).substr(0, Stock::kSymbolMax);

      int32_t periods;
      if (!Int("infl_periods", periods)) return false;
      if (periods > kMaxInflPeriods)
        return TooBig("infl_periods", Format("infl_periods= %d: the influence period is at most 20", periods));
      s.infl_periods = periods;
      float period;
      if (!r_.Word(w_)) return Ended("infl_period");
      if (!Real("infl_period", period)) return false;
      s.infl_period = static_cast<int32_t>(std::clamp(period, -1e9f, 1e9f));
      if (!RealLine("normal1", s.normal1) || !RealLine("normal2", s.normal2) ||
          !RealLine("normal3", s.normal3) || !RealLine("normal4", s.normal4) ||
          !RealLine("normal5", s.normal5))
        return false;
      if (!Flag("do_price", s.do_price) || !Flag("do_volume", s.do_volume) ||
          !Flag("do_l_price", s.do_l_price) || !Flag("do_s_price", s.do_s_price))
        return false;
    }

    int32_t v;
    if (!Int("x_matrix", v)) return false;
    if (v > kMaxHidden)
      return TooBig("x_matrix",
                    Format("x_matrix= %d: the hidden layer has at most %d neurons", v, kMaxHidden));
    m_.x_matrix = std::clamp(v, 2, kMaxHidden);
    if (!Int("y_matrix", v)) return false;
    if (v > 1) return TooBig("y_matrix", Format("y_matrix= %d: the network has one hidden layer", v));
    m_.y_matrix = 1;

    if (!Int("Strategy", v)) return false;
    m_.Strategy = (v < 0 || v >= 8) ? 3 : v;
    if (m_.Strategy == 7) {
      if (!Real("buy_up_min", m_.buy_up_min) || !Real("buy_down_max", m_.buy_down_max) ||
          !Real("sell_down_min", m_.sell_down_min) || !Real("sell_up_max", m_.sell_up_max) ||
          !Real("take_stop_band", m_.take_stop_band))
        return false;
    }

    if (!Int("nh_synapsis", m_.nh_synapsis)) return false;
    if (!Int("out_nodes", v)) return false;
    m_.out_nodes = std::clamp(v, 1, kMaxOutputs);
    if (!r_.Word(w_)) return Ended("threshold");
    if (!Real("threshold", m_.threshold)) return false;
    // Not checked: the number of days always comes from the target's file.
    std::string days;
    if (!r_.Word(w_) || !r_.Word(days)) return Ended("n_days");
    m_.n_days = 0;
    ParseInt(days, m_.n_days);
    if (!Int("points_stock", m_.points_stock)) return false;
    if (!Int("in_nodes", v)) return false;
    if (v > kMaxInputs) return TooBig("in_nodes", Format("in_nodes= %d: the network has at most 240 inputs", v));
    if (v < 0) return Bad("in_nodes", "The value of net.in_nodes is negative");
    m_.in_nodes = v;
    if (!r_.Word(w_)) return Ended("learn_rate");
    if (!Real("learn_rate", m_.learn_rate)) return false;
    if (!Int("eval_days", v)) return false;
    m_.eval_days = std::max(v, 10);
    if (!Int("keepout_days", v)) return false;
    m_.keepout_days = std::max(v, 10);
    if (!Int("day_increm", m_.day_increm) || !Int("TimeTrained", m_.TimeTrained)) return false;

    std::string training;
    if (!r_.Word(w_) || !r_.Rest(training)) return Ended("Training");
    m_.DoAnnealing = training.find_first_of("a1") != std::string::npos;
    m_.DoGenetic = training.find('g') != std::string::npos;

    if (!Flag("DoBackProp", m_.DoBackProp) || !Flag("AutoSave", m_.AutoSave) ||
        !Flag("AutoIncNeu", m_.AutoIncNeu) || !Int("PredicMode", m_.PredicMode))
      return false;
    r_.Rest(w_);

    m_.hidden_w.assign(static_cast<size_t>(m_.x_matrix * (m_.in_nodes + 1)), 0.0f);
    m_.out_w.assign(static_cast<size_t>(m_.out_nodes * (m_.x_matrix + 1)), 0.0f);
    for (float& w : m_.hidden_w)
      if (!Weight(w)) return false;
    for (float& w : m_.out_w)
      if (!Weight(w)) return false;
    return true;
  }

 private:
  bool Fail(const std::string& message, const char* key, int line = 0) {
    err_.number = 101;
    err_.message = message;
    err_.detail = "line " + std::to_string(line > 0 ? line : r_.Line()) + " (" + key + ")";
    return false;
  }
  // A damaged file: it ends early or holds something else where a number
  // belongs.
  bool Bad(const char* key, const std::string& why) {
    return Fail("Bad Neural Parameters (.kvn) file format\n" + why + "\n-ERROR 101", key);
  }
  bool Ended(const char* key) { return Bad(key, "The file ends before all values were read"); }
  // A file of a model larger than this program can hold.
  bool TooBig(const char* key, const std::string& what, int line = 0) {
    return Fail("Neural Parameters (.kvn) file exceeds the limits of Kestrivane\n" + what + "\n-ERROR 101", key,
                line);
  }

  // key word, then the value as a word
  bool Int(const char* key, int32_t& v) {
    std::string s;
    if (!r_.Word(w_) || !r_.Word(s)) return Ended(key);
    if (!ParseInt(s, v)) return Bad(key, std::string("The value of ") + key + " is not a whole number");
    return true;
  }
  // the value alone, its key already passed (or never written)
  bool Real(const char* key, float& v) {
    std::string s;
    if (!r_.Word(s)) return Ended(key);
    if (!ParseReal(s, v)) return Bad(key, std::string("The value of ") + key + " is not a number");
    return true;
  }
  // key word, then the rest of the line as the value
  bool RealLine(const char* key, float& v) {
    std::string s;
    if (!r_.Word(w_) || !r_.Rest(s)) return Ended(key);
    if (!ParseReal(s, v)) return Bad(key, std::string("The value of ") + key + " is not a number");
    return true;
  }
  bool Flag(const char* key, bool& v) {
    int32_t x;
    if (!Int(key, x)) return false;
    v = x != 0;
    return true;
  }
  bool Weight(float& v) {
    std::string s;
    if (!r_.Rest(s)) return Ended("a weight");
    if (!ParseReal(s, v)) return Bad("a weight", "A weight of the network is not a number");
    return true;
  }

  KvnReader& r_;
  KvnModel& m_;
  KvnError& err_;
  std::string w_;   // a key word, read and passed over
};

}  // namespace

bool ParseKvn(std::string_view text, KvnModel* out, KvnError* err) {
  KvnError local;
  KvnError& e = err ? *err : local;
  KvnReader r(text);
  std::string word, version;
  if (!r.Word(word) || word != kHeader) {
    e = {101, kMsgFormat, "line 1: the file does not begin with \"Kestrivane\""};
    return false;
  }
  r.Word(version);
  if (version == "1.7") {
    // Files of version 1.7 are no longer read; they are refused without a word.
    e = {102, "", "version 1.7 files are no longer read"};
    return false;
  }
  if (version != kVersion18) {
    e = {102, kMsgVersion, "version \"" + version + "\"; this program reads version 1.8"};
    return false;
  }
  KvnModel m;
  Parser p(r, m, e);
  if (!p.Body()) return false;
  *out = std::move(m);
  return true;
}

std::string FormatKvn(const KvnModel& m) {
  std::string out;
  out.reserve(64 * 1024);
  auto line = [&](const std::string& s) {
    out += s;
    out += '\n';
  };
  auto real = [](float v) { return Format("%g", static_cast<double>(v)); };

  line(std::string(kHeader) + " " + kVersion18);
  line(Format("n_files= %d", static_cast<int>(m.stocks.size())));
  line(Format("Trained= %d", m.Trained));
  for (const KvnStock& s : m.stocks) {
    line("data_file= \"" + s.data_file + "\"");
    line("symbol= " + s.symbol);
    line(Format("infl_periods= %d", s.infl_periods));
    line(Format("infl_period= %d", s.infl_period));
    line("normal1= " + real(s.normal1));
    line("normal2= " + real(s.normal2));
    line("normal3= " + real(s.normal3));
    line("normal4= " + real(s.normal4));
    line("normal5= " + real(s.normal5));
    line(Format("do_price= %d", s.do_price ? 1 : 0));
    line(Format("do_volume= %d", s.do_volume ? 1 : 0));
    line(Format("do_l_price= %d", s.do_l_price ? 1 : 0));
    line(Format("do_s_price= %d", s.do_s_price ? 1 : 0));
  }
  line(Format("x_matrix= %d", m.x_matrix));
  line(Format("y_matrix= %d", m.y_matrix));
  std::string strategy = Format("Strategy= %d ", m.Strategy);
  if (m.Strategy == 7)
    for (float v : {m.buy_up_min, m.buy_down_max, m.sell_down_min, m.sell_up_max, m.take_stop_band})
      strategy += real(v) + " ";
  line(strategy);
  line(Format("nh_synapsis= %d", m.nh_synapsis));
  line(Format("out_nodes= %d", m.out_nodes));
  line("threshold= " + real(m.threshold));
  line(Format("n_days= %d", m.n_days));
  line(Format("points_stock= %d", m.points_stock));
  line(Format("in_nodes= %d", m.in_nodes));
  line("learn_rate= " + real(m.learn_rate));
  line(Format("eval_days= %d", m.eval_days));
  line(Format("keepout_days= %d", m.keepout_days));
  line(Format("day_increm= %d", m.day_increm));
  line(Format("TimeTrained= %d", m.TimeTrained));
  line(Format("Training= %c %c", m.DoAnnealing ? 'a' : '0', m.DoGenetic ? 'g' : ' '));
  line(Format("DoBackProp= %d", m.DoBackProp ? 1 : 0));
  line(Format("AutoSave= %d", m.AutoSave ? 1 : 0));
  line(Format("AutoIncNeu= %d", m.AutoIncNeu ? 1 : 0));
  line(Format("PredicMode= %d", m.PredicMode));
  for (float w : m.hidden_w) line(real(w));
  for (float w : m.out_w) line(real(w));
  return out;
}

}  // namespace kv
