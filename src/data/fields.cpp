#include "data/fields.h"

#include <string>

#include "util/text.h"

namespace kv {

int SplitFields(std::string_view line, std::string_view* fields, int max_fields) {
  int n = 0;
  size_t i = 0;
  while (n < max_fields) {
    while (i < line.size() && line[i] == ',') ++i;
    if (i >= line.size()) break;
    size_t start = i;
    while (i < line.size() && line[i] != ',') ++i;
    fields[n++] = line.substr(start, i - start);
  }
  return n;
}

std::string FirstField(std::string_view line) {
  std::string_view f;
  return SplitFields(line, &f, 1) == 1 ? std::string(f) : std::string();
}

void NormalizeDateField(std::string& field) {
  if (field.find('/') == std::string::npos) return;
  std::string_view parts[3];
  int n = 0;
  size_t start = 0;
  std::string_view all(field);
  while (n < 3) {
    size_t slash = all.find('/', start);
    parts[n++] = all.substr(start, slash == std::string_view::npos ? all.npos : slash - start);
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  if (n < 3) {
    field.clear();
    return;
  }
  std::string out;
  for (auto p : parts) {
    // As "%02d" prints it, without the cost of printf on every line.
    const int v = static_cast<int>(LeadingInt(p));
    if (v >= 0 && v < 100) {
      out += static_cast<char>('0' + v / 10);
      out += static_cast<char>('0' + v % 10);
    } else {
      out += std::to_string(v);
    }
  }
  field = out;
}

}  // namespace kv
