// Reading the lines of a batch file, and checking a whole file without
// running it.
#include "forecast/batch_file.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "util/file.h"
#include "util/text.h"

namespace kv {
namespace {

bool IsLetter(int c) { return c == '#' || c == ' ' || c == 'T' || c == 'P' || c == 'Q'; }

bool StartsWithDigit(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return i < s.size() && s[i] >= '0' && s[i] <= '9';
}

// The path of a T or P line: the text between the first pair of double
// quotes at or after from, at most 255 characters.
void ReadQuotedPath(std::string_view rest, size_t from, BatchLine& b) {
  const size_t open = rest.find('"', from);
  if (open == std::string_view::npos) {
    b.error = "no model path in double quotes";
    return;
  }
  const size_t close = rest.find('"', open + 1);
  b.path = std::string(rest.substr(open + 1, close == std::string_view::npos ? std::string_view::npos
                                                                             : close - open - 1));
  if (close == std::string_view::npos)
    b.error = "the model path has no closing double quote";
  else if (b.path.empty())
    b.error = "the model path between the quotes is empty";
  else if (b.path.size() > 255)
    b.error = "the model path is longer than 255 characters, and only its first 255 are used";
  if (b.path.size() > 255) b.path.resize(255);
}

std::string Example(const BatchLine& b) {
  return b.kind == BatchLine::Kind::kTrain ? "T 1:30 \"/path/to/model.kvn\""
                                           : "P \"/path/to/model.kvn\"";
}

// Why a model file cannot be loaded, empty when it can be opened for reading.
std::string ModelFileProblem(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  if (::access(path.c_str(), R_OK) != 0) return std::strerror(errno);
  return {};
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace

bool IsBatchHeader(std::string_view first_line) { return first_line.substr(0, 7) == kBatchMagic; }

BatchLine ParseBatchLine(std::string_view line) {
  BatchLine b;
  size_t i = 0;
  while (i < line.size() && !IsLetter(static_cast<unsigned char>(line[i]))) ++i;
  b.skipped = i;
  if (i == line.size()) return b;
  b.letter = line[i];
  const std::string_view rest = line.substr(i + 1);
  switch (b.letter) {
    case '#':
    case ' ':
      b.kind = BatchLine::Kind::kComment;
      return b;
    case 'Q':
      b.kind = BatchLine::Kind::kQuit;
      return b;
    case 'P':
      b.kind = BatchLine::Kind::kPredict;
      ReadQuotedPath(rest, 0, b);
      break;
    default: {
      // T h:mm "path": the hours end at the colon, the minutes at the next
      // blank, and the path is looked for after that blank.
      b.kind = BatchLine::Kind::kTrain;
      size_t after = 0;
      const size_t colon = rest.find(':');
      if (colon != std::string_view::npos) {
        b.hours = std::string(rest.substr(0, colon));
        const size_t blank = rest.find(' ', colon + 1);
        b.minutes = std::string(rest.substr(
            colon + 1, blank == std::string_view::npos ? std::string_view::npos : blank - colon - 1));
        after = blank == std::string_view::npos ? rest.size() : blank;
      }
      b.limit_ms = BatchTimeLimitMs(b.hours, b.minutes);
      ReadQuotedPath(rest, after, b);
      // A time that does not read trains for no time at all, which is
      // never what was meant; it outranks a path problem.
      if (colon == std::string_view::npos)
        b.error = "no training time h:mm after the T";
      else if (!StartsWithDigit(std::string_view(b.hours).substr(0, 9)) ||
               !StartsWithDigit(std::string_view(b.minutes).substr(0, 9)))
        b.error = "the training time \"" + b.hours + ":" + b.minutes + "\" is not hours:minutes";
      break;
    }
  }
  if (!b.error.empty()) b.error += "; write the line as " + Example(b);
  return b;
}

bool ReadBatchLine(std::FILE* f, std::string& line, size_t* skipped) {
  line.clear();
  size_t n = 0;
  bool any = false;
  int c;
  while ((c = std::getc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (IsLetter(c)) {
      std::string rest;
      ReadLine(f, rest, kBatchLineLimit);
      line.reserve(rest.size() + 1);
      line.push_back(static_cast<char>(c));
      line += rest;
      break;
    }
    ++n;
  }
  if (skipped) *skipped = n;
  return any;
}

uint32_t BatchTimeLimitMs(const std::string& hours, const std::string& minutes) {
  // Text that is not a number counts as 0; a negative or overlong time is
  // clamped to what a window timer can hold.
  long long ms = LeadingInt(hours.substr(0, 9)) * 3600000LL + LeadingInt(minutes.substr(0, 9)) * 60000LL;
  if (ms < 0) ms = 0;
  if (ms > UINT32_MAX) ms = UINT32_MAX;
  return static_cast<uint32_t>(ms);
}

std::string DescribeBatchTime(uint32_t limit_ms) {
  const uint32_t total = limit_ms / 60000;
  const uint32_t h = total / 60, m = total % 60;
  if (h == 0) return std::to_string(m) + " min";
  if (m == 0) return std::to_string(h) + " h";
  return std::to_string(h) + " h " + std::to_string(m) + " min";
}

BatchCheck CheckBatchFile(const std::string& path) {
  BatchCheck check;
  auto say = [&](int number, bool error, std::string text) {
    check.lines.push_back({number, error, std::move(text)});
  };
  auto fail = [&](int number, std::string text) {
    if (check.lines.empty() || check.lines.back().number != number || !check.lines.back().error)
      ++check.errors;
    say(number, true, std::move(text));
  };

  // The same refusals as a run, before any line is read.
  const std::string cannot_open = "Unable to open batch file for reading -ERROR 702: " + path + ": ";
  // Read line by line: a batch file may be huge.
  File f = OpenRegularFile(path);
  if (!f) {
    fail(0, cannot_open + (errno == EINVAL || errno == EISDIR ? "not a regular file" : std::strerror(errno)));
    return check;
  }
  std::string line;
  ReadLine(f.get(), line, kBatchLineLimit);
  if (!IsBatchHeader(line)) {
    fail(1, "File " + path + " is not a batch file -ERROR 703; its first line must begin with \"" +
                kBatchMagic + "\"");
    return check;
  }
  char cwd[PATH_MAX];
  const std::string log_path = getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/batch.log" : "batch.log";
  if (SameFile(path, log_path)) {
    fail(1, "File " + path + " is the batch log itself, which each run writes afresh; give the "
                "batch file another name");
    return check;
  }
  check.opened = true;
  say(1, false, "batch file header");

  int number = 1;
  size_t skipped = 0;
  while (ReadBatchLine(f.get(), line, &skipped)) {
    ++number;
    BatchLine b = ParseBatchLine(line);
    b.skipped += skipped;
    const std::string letter = b.letter == ' ' ? std::string("blank") : std::string(1, b.letter);
    const std::string passed =
        b.skipped == 0   ? ""
        : b.skipped == 1 ? " (the character before the " + letter + " is passed over)"
                         : " (the " + std::to_string(b.skipped) + " characters before the " + letter +
                               " are passed over)";
    switch (b.kind) {
      case BatchLine::Kind::kNothing:
        say(number, false, b.skipped == 0 ? "empty, skipped" : "no command letter, skipped");
        break;
      case BatchLine::Kind::kComment: {
        if (b.letter == '#') {
          say(number, false, "comment, skipped" + passed);
          break;
        }
        // A command indented by a blank is a comment to the runner.
        const size_t first = line.find_first_not_of(' ');
        const bool looks_like_command =
            first != std::string::npos && (line[first] == 'T' || line[first] == 'P' || line[first] == 'Q');
        say(number, false,
            (b.skipped == 0 ? "starts with a blank, so skipped as a comment"
                            : "skipped as a comment from its first blank" + passed) +
                (looks_like_command ? "; a command letter must be the first character of its line" : ""));
        break;
      }
      case BatchLine::Kind::kQuit:
        say(number, false, "quit" + passed);
        break;
      case BatchLine::Kind::kTrain:
      case BatchLine::Kind::kPredict: {
        const bool train = b.kind == BatchLine::Kind::kTrain;
        const std::string model = b.path.empty() ? "(no model)" : "\"" + b.path + "\"";
        say(number, false,
            (train ? "train " + model + " for " + DescribeBatchTime(b.limit_ms) + ", then forecast"
                   : "forecast " + model) +
                passed);
        if (!b.error.empty()) fail(number, b.error);
        // What the run writes to its log for a model it cannot open.
        const std::string logged = train ? "Error openning neural file \":" + b.path + "\" for reading"
                                         : "Error openning neural file \"" + b.path + "\" for reading";
        if (b.path.empty()) {
          if (b.error.empty()) fail(number, "no model path");
          fail(number, "the run would log: " + logged);
        } else if (const std::string why = ModelFileProblem(b.path); !why.empty()) {
          fail(number, b.path + ": " + why + "; the run would log: " + logged);
        }
        break;
      }
    }
    if (b.kind == BatchLine::Kind::kQuit) {
      // A run stops at Q; whatever follows is never carried out.
      if (ReadBatchLine(f.get(), line, &skipped))
        say(number, false, "the lines after this one are not carried out: Q ends the batch");
      break;
    }
  }
  return check;
}

}  // namespace kv
