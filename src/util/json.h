// JsonValue: a JSON document as a value, for the machine-readable output of
// the commands and for reading back what they wrote (a walk-forward result
// drawn as a chart, the tests).
//
// Objects keep their members in insertion order, so the same results always
// give the same bytes. Numbers keep the text they were made from: a float
// prints as the shortest text that reads back as that float (0.1f is "0.1",
// not 0.10000000149011612), a double likewise, an integer as digits. NaN and
// the infinities, which JSON cannot hold, print as null.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv {

class JsonValue {
 public:
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject };

  JsonValue() = default;   // null
  JsonValue(bool b);
  JsonValue(int v);
  JsonValue(long v);
  JsonValue(long long v);
  JsonValue(unsigned v);
  JsonValue(unsigned long v);
  JsonValue(unsigned long long v);
  JsonValue(float v);
  JsonValue(double v);
  JsonValue(const char* s);
  JsonValue(std::string s);
  JsonValue(std::string_view s);

  static JsonValue Array();
  static JsonValue Object();
  // A number printed with exactly `decimals` digits after the point (money,
  // prices): Fixed(12.5, 2) is 12.50.
  static JsonValue Fixed(double v, int decimals);

  Type type() const { return type_; }
  bool is_null() const { return type_ == Type::kNull; }

  // Object: sets a member (replacing one of the same key, in its place);
  // returns the stored value. Turns a null into an object first.
  JsonValue& Set(std::string_view key, JsonValue v);
  // Array: appends; returns the stored value. Turns a null into an array.
  JsonValue& Push(JsonValue v);

  // Object: the member named key, or nullptr (also when this is no object).
  const JsonValue* Find(std::string_view key) const;
  // Reading: the value, or `fallback` when the type differs.
  bool AsBool(bool fallback = false) const;
  double AsNumber(double fallback = 0) const;
  const std::string& AsString() const;   // "" unless a string
  // The number's text as written or parsed ("12.50").
  const std::string& NumberText() const { return text_; }
  const std::vector<JsonValue>& items() const { return items_; }
  const std::vector<std::pair<std::string, JsonValue>>& members() const { return members_; }
  size_t size() const;   // items or members

  // The document as text. indent 0 gives one line; otherwise members and
  // items go on lines of their own, indented by `indent` spaces a level,
  // except that arrays and objects holding only numbers, strings, booleans
  // and nulls, and short enough, stay on one line. No newline at the end.
  std::string Dump(int indent = 2) const;

  friend bool operator==(const JsonValue& a, const JsonValue& b);

 private:
  Type type_ = Type::kNull;
  bool bool_ = false;
  std::string text_;   // the number's text, or the string
  std::vector<JsonValue> items_;
  std::vector<std::pair<std::string, JsonValue>> members_;

  void DumpTo(std::string& out, int indent, int level) const;
  friend class JsonParser;
};

// Parses a whole document (surrounding white space allowed). On failure
// returns false and *err says where and what ("line 3, column 7: expected
// ',' or '}'"); *out is left as it was. Nesting deeper than 200 levels is
// refused, so hostile input cannot exhaust the stack.
bool ParseJson(std::string_view text, JsonValue* out, std::string* err);

// The text of s as a JSON string, quotes included.
std::string JsonQuote(std::string_view s);

}  // namespace kv
