#include "util/json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "util/text.h"

namespace kv {
namespace {

template <typename T>
std::string ShortestText(T v) {
  if (!std::isfinite(v)) return {};
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, r.ptr);
  if (s == "-0") s = "0";
  return s;
}

template <typename T>
std::string IntegerText(T v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

const std::string kEmpty;

// Length of the valid UTF-8 sequence at s[i], or 0 when the bytes there are
// not one.
size_t Utf8Length(std::string_view s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  size_t n;
  uint32_t cp;
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) n = 2, cp = b & 0x1F;
  else if (b >= 0xE0 && b <= 0xEF) n = 3, cp = b & 0x0F;
  else if (b >= 0xF0 && b <= 0xF4) n = 4, cp = b & 0x07;
  else return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

bool IsScalar(const JsonValue& v) {
  return v.type() != JsonValue::Type::kArray && v.type() != JsonValue::Type::kObject;
}

}  // namespace

JsonValue::JsonValue(bool b) : type_(Type::kBool), bool_(b) {}
JsonValue::JsonValue(int v) : type_(Type::kNumber), text_(IntegerText(v)) {}
JsonValue::JsonValue(long v) : type_(Type::kNumber), text_(IntegerText(v)) {}
JsonValue::JsonValue(long long v) : type_(Type::kNumber), text_(IntegerText(v)) {}
JsonValue::JsonValue(unsigned v) : type_(Type::kNumber), text_(IntegerText(v)) {}
JsonValue::JsonValue(unsigned long v) : type_(Type::kNumber), text_(IntegerText(v)) {}
JsonValue::JsonValue(unsigned long long v) : type_(Type::kNumber), text_(IntegerText(v)) {}
JsonValue::JsonValue(float v) : type_(Type::kNumber), text_(ShortestText(v)) {
  if (text_.empty()) type_ = Type::kNull;
}
JsonValue::JsonValue(double v) : type_(Type::kNumber), text_(ShortestText(v)) {
  if (text_.empty()) type_ = Type::kNull;
}
JsonValue::JsonValue(const char* s) : type_(s ? Type::kString : Type::kNull), text_(s ? s : "") {}
JsonValue::JsonValue(std::string s) : type_(Type::kString), text_(std::move(s)) {}
JsonValue::JsonValue(std::string_view s) : type_(Type::kString), text_(s) {}

JsonValue JsonValue::Array() {
  JsonValue v;
  v.type_ = Type::kArray;
  return v;
}

JsonValue JsonValue::Object() {
  JsonValue v;
  v.type_ = Type::kObject;
  return v;
}

JsonValue JsonValue::Fixed(double v, int decimals) {
  JsonValue j;
  if (!std::isfinite(v)) return j;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals < 0 ? 0 : decimals > 17 ? 17 : decimals, v);
  j.type_ = Type::kNumber;
  j.text_ = buf;
  // "-0.00" reads as zero; print it as zero.
  if (j.text_[0] == '-' && j.text_.find_first_not_of("-0.") == std::string::npos)
    j.text_.erase(0, 1);
  return j;
}

JsonValue& JsonValue::Set(std::string_view key, JsonValue v) {
  if (type_ == Type::kNull) type_ = Type::kObject;
  for (auto& m : members_)
    if (m.first == key) return m.second = std::move(v);
  members_.emplace_back(std::string(key), std::move(v));
  return members_.back().second;
}

JsonValue& JsonValue::Push(JsonValue v) {
  if (type_ == Type::kNull) type_ = Type::kArray;
  items_.push_back(std::move(v));
  return items_.back();
}

const JsonValue* JsonValue::Find(std::string_view key) const {
  if (type_ != Type::kObject) return nullptr;
  for (const auto& m : members_)
    if (m.first == key) return &m.second;
  return nullptr;
}

bool JsonValue::AsBool(bool fallback) const { return type_ == Type::kBool ? bool_ : fallback; }

double JsonValue::AsNumber(double fallback) const {
  if (type_ != Type::kNumber) return fallback;
  double v = fallback;
  std::from_chars(text_.data(), text_.data() + text_.size(), v);
  return v;
}

const std::string& JsonValue::AsString() const { return type_ == Type::kString ? text_ : kEmpty; }

size_t JsonValue::size() const {
  return type_ == Type::kArray ? items_.size() : type_ == Type::kObject ? members_.size() : 0;
}

bool operator==(const JsonValue& a, const JsonValue& b) {
  if (a.type_ != b.type_) return false;
  switch (a.type_) {
    case JsonValue::Type::kNull: return true;
    case JsonValue::Type::kBool: return a.bool_ == b.bool_;
    case JsonValue::Type::kNumber: return a.AsNumber() == b.AsNumber();
    case JsonValue::Type::kString: return a.text_ == b.text_;
    case JsonValue::Type::kArray: return a.items_ == b.items_;
    case JsonValue::Type::kObject: return a.members_ == b.members_;
  }
  return false;
}

std::string JsonQuote(std::string_view s) {
  std::string out = "\"";
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else if (c >= 0x80) {
      // Bytes that are no UTF-8 (a path in another encoding) would make the
      // document invalid: each becomes U+FFFD.
      const size_t n = Utf8Length(s, i);
      if (n == 0) {
        out += "\xEF\xBF\xBD";
        ++i;
        continue;
      }
      out.append(s.substr(i, n));
      i += n;
      continue;
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  out += '"';
  return out;
}

void JsonValue::DumpTo(std::string& out, int indent, int level) const {
  switch (type_) {
    case Type::kNull: out += "null"; return;
    case Type::kBool: out += bool_ ? "true" : "false"; return;
    case Type::kNumber: out += text_; return;
    case Type::kString: out += JsonQuote(text_); return;
    case Type::kArray:
    case Type::kObject: break;
  }
  const bool object = type_ == Type::kObject;
  const size_t n = object ? members_.size() : items_.size();
  if (n == 0) {
    out += object ? "{}" : "[]";
    return;
  }
  // Small flat containers stay on one line: a list of dated values reads as
  // a column of short lines, not as a wall of brackets.
  bool flat = indent > 0;
  if (flat) {
    size_t width = 0;
    for (size_t i = 0; i < n && flat; ++i) {
      const JsonValue& v = object ? members_[i].second : items_[i];
      flat = IsScalar(v);
      width += (object ? members_[i].first.size() + 4 : 0) + v.text_.size() + 4;
    }
    flat = flat && width <= 100;
  }
  const bool lines = indent > 0 && !flat;
  out += object ? '{' : '[';
  for (size_t i = 0; i < n; ++i) {
    if (i) out += flat ? ", " : ",";
    if (lines) {
      out += '\n';
      out.append(static_cast<size_t>(indent) * (level + 1), ' ');
    }
    if (object) {
      out += JsonQuote(members_[i].first);
      out += indent > 0 ? ": " : ":";
      members_[i].second.DumpTo(out, indent, level + 1);
    } else {
      items_[i].DumpTo(out, indent, level + 1);
    }
  }
  if (lines) {
    out += '\n';
    out.append(static_cast<size_t>(indent) * level, ' ');
  }
  out += object ? '}' : ']';
}

std::string JsonValue::Dump(int indent) const {
  std::string out;
  DumpTo(out, indent, 0);
  return out;
}

class JsonParser {
 public:
  explicit JsonParser(std::string_view t) : t_(t) {}

  bool Document(JsonValue* out, std::string* err) {
    JsonValue v;
    Space();
    if (!Value(v, 0)) return Fail(err);
    Space();
    if (i_ != t_.size()) {
      error_ = "unexpected text after the document";
      return Fail(err);
    }
    *out = std::move(v);
    return true;
  }

 private:
  std::string_view t_;
  size_t i_ = 0;
  std::string error_;

  bool Fail(std::string* err) {
    if (err) {
      size_t line = 1, col = 1;
      for (size_t k = 0; k < i_ && k < t_.size(); ++k) {
        if (t_[k] == '\n') ++line, col = 1;
        else ++col;
      }
      *err = "line " + std::to_string(line) + ", column " + std::to_string(col) + ": " + error_;
    }
    return false;
  }
  bool Error(const char* what) {
    error_ = what;
    return false;
  }
  void Space() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\n' || t_[i_] == '\r'))
      ++i_;
  }
  bool Literal(std::string_view word) {
    if (t_.substr(i_, word.size()) != word) return Error("unknown word");
    i_ += word.size();
    return true;
  }

  bool Value(JsonValue& v, int depth) {
    if (depth > 200) return Error("nested too deeply");
    if (i_ >= t_.size()) return Error("unexpected end of the document");
    const char c = t_[i_];
    if (c == '{') return ObjectValue(v, depth);
    if (c == '[') return ArrayValue(v, depth);
    if (c == '"') {
      v.type_ = JsonValue::Type::kString;
      return String(v.text_);
    }
    if (c == 't') return Literal("true") && (v = JsonValue(true), true);
    if (c == 'f') return Literal("false") && (v = JsonValue(false), true);
    if (c == 'n') return Literal("null") && (v = JsonValue(), true);
    if (c == '-' || (c >= '0' && c <= '9')) return Number(v);
    return Error("expected a value");
  }

  bool Number(JsonValue& v) {
    const size_t start = i_;
    auto digits = [&] {
      const size_t s = i_;
      while (i_ < t_.size() && t_[i_] >= '0' && t_[i_] <= '9') ++i_;
      return i_ > s;
    };
    if (t_[i_] == '-') ++i_;
    if (i_ < t_.size() && t_[i_] == '0') ++i_;
    else if (!digits()) return Error("malformed number");
    if (i_ < t_.size() && t_[i_] == '.') {
      ++i_;
      if (!digits()) return Error("malformed number");
    }
    if (i_ < t_.size() && (t_[i_] == 'e' || t_[i_] == 'E')) {
      ++i_;
      if (i_ < t_.size() && (t_[i_] == '+' || t_[i_] == '-')) ++i_;
      if (!digits()) return Error("malformed number");
    }
    v.type_ = JsonValue::Type::kNumber;
    v.text_ = std::string(t_.substr(start, i_ - start));
    return true;
  }

  bool Hex4(uint32_t& cp) {
    if (i_ + 4 > t_.size()) return Error("malformed \\u escape");
    cp = 0;
    for (int k = 0; k < 4; ++k) {
      const char h = t_[i_++];
      cp <<= 4;
      if (h >= '0' && h <= '9') cp |= h - '0';
      else if (h >= 'a' && h <= 'f') cp |= h - 'a' + 10;
      else if (h >= 'A' && h <= 'F') cp |= h - 'A' + 10;
      else return Error("malformed \\u escape");
    }
    return true;
  }

  bool String(std::string& s) {
    ++i_;   // the opening quote
    s.clear();
    while (true) {
      if (i_ >= t_.size()) return Error("unterminated string");
      const auto c = static_cast<unsigned char>(t_[i_]);
      if (c == '"') {
        ++i_;
        return true;
      }
      if (c < 0x20) return Error("control character in a string");
      if (c != '\\') {
        s += static_cast<char>(c);
        ++i_;
        continue;
      }
      if (++i_ >= t_.size()) return Error("unterminated string");
      const char e = t_[i_++];
      switch (e) {
        case '"': s += '"'; break;
        case '\\': s += '\\'; break;
        case '/': s += '/'; break;
        case 'b': s += '\b'; break;
        case 'f': s += '\f'; break;
        case 'n': s += '\n'; break;
        case 'r': s += '\r'; break;
        case 't': s += '\t'; break;
        case 'u': {
          uint32_t cp;
          if (!Hex4(cp)) return false;
          if (cp >= 0xD800 && cp <= 0xDBFF && t_.substr(i_, 2) == "\\u") {
            i_ += 2;
            uint32_t low;
            if (!Hex4(low)) return false;
            if (low >= 0xDC00 && low <= 0xDFFF) cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            else cp = 0xFFFD;
          } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
          }
          AppendUtf8(s, cp);
          break;
        }
        default: return Error("unknown escape in a string");
      }
    }
  }

  bool ArrayValue(JsonValue& v, int depth) {
    ++i_;
    v = JsonValue::Array();
    Space();
    if (i_ < t_.size() && t_[i_] == ']') return ++i_, true;
    while (true) {
      Space();
      JsonValue item;
      if (!Value(item, depth + 1)) return false;
      v.items_.push_back(std::move(item));
      Space();
      if (i_ >= t_.size()) return Error("expected ',' or ']'");
      if (t_[i_] == ']') return ++i_, true;
      if (t_[i_] != ',') return Error("expected ',' or ']'");
      ++i_;
    }
  }

  bool ObjectValue(JsonValue& v, int depth) {
    ++i_;
    v = JsonValue::Object();
    Space();
    if (i_ < t_.size() && t_[i_] == '}') return ++i_, true;
    while (true) {
      Space();
      if (i_ >= t_.size() || t_[i_] != '"') return Error("expected a member name");
      std::string key;
      if (!String(key)) return false;
      Space();
      if (i_ >= t_.size() || t_[i_] != ':') return Error("expected ':'");
      ++i_;
      Space();
      JsonValue member;
      if (!Value(member, depth + 1)) return false;
      v.members_.emplace_back(std::move(key), std::move(member));
      Space();
      if (i_ >= t_.size()) return Error("expected ',' or '}'");
      if (t_[i_] == '}') return ++i_, true;
      if (t_[i_] != ',') return Error("expected ',' or '}'");
      ++i_;
    }
  }
};

bool ParseJson(std::string_view text, JsonValue* out, std::string* err) {
  return JsonParser(text).Document(out, err);
}

}  // namespace kv
