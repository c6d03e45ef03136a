// The batch file (.kbf): how its lines read, shared by the batch runner and
// the batch file check, so that the check says exactly what a run would do.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// The first line of a batch file must begin with this; the rest of it is free.
inline constexpr const char* kBatchMagic = "KBF 1.9";
// Characters of a line the runner reads after its command letter.
inline constexpr size_t kBatchLineLimit = 1020;

// True when first_line (without its line end) opens a batch file.
bool IsBatchHeader(std::string_view first_line);

// One line of a batch file and what the runner does with it.
struct BatchLine {
  enum class Kind {
    kNothing,   // empty, or no command letter at all: skipped
    kComment,   // '#' or a blank first: the rest is skipped
    kTrain,     // T h:mm "model": train, save, forecast
    kPredict,   // P "model": forecast only
    kQuit,      // Q: the batch ends here
  };
  Kind kind = Kind::kNothing;
  char letter = 0;        // the command letter: '#', ' ', 'T', 'P' or 'Q'
  size_t skipped = 0;     // characters before the letter, which the runner passes over
  std::string hours, minutes;  // T: the time's two texts as written
  uint32_t limit_ms = 0;  // T: the training time
  std::string path;       // T, P: the model path between the quotes; empty when none
  // What is wrong with a T or P line, empty when nothing is. The runner still
  // carries such a line out (and a missing model fails in its log), so this
  // is advice for the check, not a refusal.
  std::string error;
};

// Reads one line (without its line end) as the runner does: characters are
// passed over until the first '#', ' ', 'T', 'P' or 'Q'; the text after the
// letter is that command's. Pure; never fails.
BatchLine ParseBatchLine(std::string_view line);

// Reads the next physical line of f as the runner sees it: the characters
// before the command letter are dropped (their count in *skipped), at most
// kBatchLineLimit characters after the letter are kept, and a carriage
// return ending them is dropped. Memory stays bounded whatever the file
// holds. False at the end of the file, when nothing was read.
bool ReadBatchLine(std::FILE* f, std::string& line, size_t* skipped = nullptr);

// The training time of a T line, "h:mm", in milliseconds: the leading
// decimal digits of the hour and minute texts (at most 9 characters each).
uint32_t BatchTimeLimitMs(const std::string& hours, const std::string& minutes);

// A training time for people: "1 h 30 min", "2 h", "45 min", "0 min".
std::string DescribeBatchTime(uint32_t limit_ms);

// What a batch file would do, line by line, found without running, loading
// or training anything and without touching batch.log. Model paths are
// looked up from the current folder, as the runner opens them.
struct BatchCheck {
  struct Line {
    int number = 0;      // 1-based line of the file; 0 for the file as a whole
    bool error = false;  // text is an error, not a meaning
    std::string text;
  };
  std::vector<Line> lines;  // in file order; a line in error has its meaning first
  int errors = 0;           // lines with at least one error
  bool opened = false;      // the file opened and its header was accepted
};
BatchCheck CheckBatchFile(const std::string& path);

}  // namespace kv
