// Splitting a cleaned price-file line into its fields, and the normalised
// form of a date field that the date recognition works on.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Splits a cleaned line at commas into at most max_fields fields. A run of
// commas counts as one separator and commas at either end separate nothing,
// so empty fields are never counted. Returns the number of fields stored.
int SplitFields(std::string_view line, std::string_view* fields, int max_fields);

// The first field of a cleaned line; empty when the line has none.
std::string FirstField(std::string_view line);

// Rewrites a date field that contains slashes as its three slash-separated
// parts, each printed with "%02d" and joined ("1/5/99" -> "010599"). A field
// with fewer than three parts cannot be a whole date and becomes empty, which
// every caller treats as "no date"; parts after the third are ignored.
void NormalizeDateField(std::string& field);

}  // namespace kv
