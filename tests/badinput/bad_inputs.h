// Files that users really produce when they pick the wrong file, save in the
// wrong format or let another program write one: the raw material of the
// bad-input tests of every reader.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kv::test::bad {

// A bad variant of a reader's good file.
struct Input {
  const char* name;
  std::string bytes;
};

std::string Nuls(size_t n);
// A spreadsheet saved as .xlsx and renamed: the start of a zip archive.
std::string XlsxHeader();
// `good` encoded as UTF-16 (little endian) with a byte-order mark, as
// Windows editors save "Unicode" text.
std::string Utf16(std::string_view good);
// `good` with its line ends removed, or turned into lone CRs (old Mac text).
std::string NoLineEnds(std::string_view good);
std::string CrOnly(std::string_view good);
// `good` with `line` inserted after its first line.
std::string WithLine(std::string_view good, std::string_view line);
// `line` repeated (each followed by a line end) up to about `bytes` bytes.
std::string Repeated(std::string_view line, size_t bytes);

// The variants every reader meets: empty, NUL bytes, a line of 100,000
// characters (`long_line`, which each reader's test makes the way such a
// line turns up in its files, put after the first line of `good`), no line
// ends, CR-only line ends, UTF-16 with a byte-order mark and an .xlsx
// renamed. (The 50 MB files differ per reader and are made by each test.)
std::vector<Input> CommonVariants(std::string_view good, std::string_view long_line);

}  // namespace kv::test::bad
