// Small text helpers shared by every reader of outside files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kv {

// Reads one line from f into line, without its line end ("\n" or "\r\n").
// At most `limit` characters are kept; the rest of a longer line is read and
// dropped, so one overlong line never turns into several. Returns false at
// the end of the file when nothing was read.
bool ReadLine(std::FILE* f, std::string& line, size_t limit);

// The leading decimal integer of s (blanks, a sign, digits), as atoi reads it;
// 0 when s does not begin with one. Saturates instead of overflowing.
long long LeadingInt(std::string_view s);
// The longest leading decimal number of s, an exponent allowed; 0 when s does
// not begin with a number. Never reads "inf", "nan" or hexadecimal forms.
// When `used` is given it receives the number of characters consumed.
double LeadingDouble(std::string_view s, size_t* used = nullptr);

// Appends the UTF-8 bytes of the code point cp (at most 0x10FFFF) to out.
void AppendUtf8(std::string& out, uint32_t cp);

// Formats like printf into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kv
