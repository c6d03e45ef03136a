// A quote file as it arrives: judged piece by piece (QuoteFileCheck) and
// streamed to a temporary file beside its destination (QuoteFileWriter), so
// that a file of any plausible size never sits in memory and a failure
// leaves the user's previous file as it was.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "util/file.h"

namespace kv {

class QuoteFileCheck {
 public:
  static constexpr uint64_t kMaxBytes = 64ull << 20;
  static constexpr uint64_t kMinChars = 1000;   // shorter quote files are failures

  // Takes the next piece; false as soon as the file can no longer pass.
  bool Feed(const char* data, size_t n);
  // Why the file as fed so far is no quote file, or "" when it is one.
  std::string Verdict() const;
  uint64_t size() const { return size_; }

 private:
  uint64_t size_ = 0;
  bool nul_ = false;
  bool price_line_ = false;   // a line starts with a digit (after an optional quote)
  int line_pos_ = 0;          // 0 at a line's start, 1 after its opening quote, 2 past
};

class QuoteFileWriter {
 public:
  // cr_to_space: every CR is written as a space (the vendor's files).
  QuoteFileWriter(std::string path, bool cr_to_space);
  ~QuoteFileWriter();   // removes the temporary file unless committed
  QuoteFileWriter(const QuoteFileWriter&) = delete;
  QuoteFileWriter& operator=(const QuoteFileWriter&) = delete;

  // Creates the temporary file; false with error() "cannot write PATH: why".
  bool Open();
  // Checks and writes a piece; false (error() says why) stops the transfer.
  bool Write(const char* data, size_t n);
  // Judges the whole file and renames it over path; false with error().
  bool Commit();
  const std::string& error() const { return error_; }

 private:
  bool WriteFailed();

  std::string path_;
  std::string tmp_;
  bool cr_to_space_;
  File f_{nullptr, &std::fclose};
  QuoteFileCheck check_;
  std::string error_;
  std::string buf_;
};

}  // namespace kv
