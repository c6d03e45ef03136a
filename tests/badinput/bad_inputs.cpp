#include "badinput/bad_inputs.h"

namespace kv::test::bad {

std::string Nuls(size_t n) { return std::string(n, '\0'); }

std::string XlsxHeader() {
  // Local file header of the first member of an Office Open XML package.
  std::string z("PK\x03\x04\x14\x00\x06\x00\x08\x00\x00\x00\x21\x00", 14);
  z += std::string("\x62\xee\x9d\x68\x5e\x01\x00\x00\x90\x04\x00\x00\x13\x00\x08\x02", 16);
  z += "[Content_Types].xml";
  z += std::string("\xa2\x04\x02\x28\xa0\x00\x02\x00\x00\x00\x00\x00\x00\x00", 14);
  for (int i = 0; i < 64; ++i) z += static_cast<char>((i * 37 + 11) & 0xFF);
  return z;
}

std::string Utf16(std::string_view good) {
  std::string out("\xFF\xFE", 2);
  for (char c : good) {
    out += c;
    out += '\0';
  }
  return out;
}

std::string NoLineEnds(std::string_view good) {
  std::string out;
  for (char c : good)
    if (c != '\n' && c != '\r') out += c;
  return out;
}

std::string CrOnly(std::string_view good) {
  std::string out;
  for (size_t i = 0; i < good.size(); ++i) {
    if (good[i] == '\r' && i + 1 < good.size() && good[i + 1] == '\n') continue;
    out += good[i] == '\n' ? '\r' : good[i];
  }
  return out;
}

std::string WithLine(std::string_view good, std::string_view line) {
  const size_t eol = good.find('\n');
  const size_t at = eol == std::string_view::npos ? good.size() : eol + 1;
  std::string out(good.substr(0, at));
  out += line;
  out += '\n';
  out += good.substr(at);
  return out;
}

std::string Repeated(std::string_view line, size_t bytes) {
  std::string out;
  out.reserve(bytes + line.size() + 1);
  while (out.size() < bytes) {
    out += line;
    out += '\n';
  }
  return out;
}

std::vector<Input> CommonVariants(std::string_view good, std::string_view long_line) {
  return {
      {"empty file", ""},
      {"NUL bytes", Nuls(4096)},
      {"a line of 100,000 characters", WithLine(good, long_line)},
      {"no line ends", NoLineEnds(good)},
      {"CR-only line ends", CrOnly(good)},
      {"UTF-16 with a byte-order mark", Utf16(good)},
      {".xlsx renamed", XlsxHeader()},
  };
}

}  // namespace kv::test::bad
