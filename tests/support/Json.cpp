#include "support/Json.h"

#include <cstdlib>

namespace reelcast::test {

namespace {
const JsonValue& NullValue() {
  static const JsonValue null;
  return null;
}

void AppendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}
}  // namespace

class JsonParser {
 public:
  explicit JsonParser(const std::string& text) : s_(text) {}

  JsonValue Document() {
    JsonValue v = Value(0);
    Space();
    if (p_ != s_.size()) Fail("text after the value");
    return v;
  }

 private:
  const std::string& s_;
  size_t p_ = 0;

  [[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(p_));
  }
  void Space() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\n' || s_[p_] == '\r'))
      ++p_;
  }
  bool Eat(char c) {
    Space();
    if (p_ < s_.size() && s_[p_] == c) {
      ++p_;
      return true;
    }
    return false;
  }
  void Expect(char c) {
    if (!Eat(c)) Fail(std::string("expected '") + c + "'");
  }
  bool Word(const char* w) {
    size_t n = std::char_traits<char>::length(w);
    if (s_.compare(p_, n, w) == 0) {
      p_ += n;
      return true;
    }
    return false;
  }

  unsigned Hex4() {
    if (p_ + 4 > s_.size()) Fail("short \\u escape");
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) {
      char c = s_[p_++];
      v <<= 4;
      if (c >= '0' && c <= '9') v |= static_cast<unsigned>(c - '0');
      else if (c >= 'a' && c <= 'f') v |= static_cast<unsigned>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') v |= static_cast<unsigned>(c - 'A' + 10);
      else Fail("bad \\u escape");
    }
    return v;
  }

  std::string Text() {
    Expect('"');
    std::string out;
    for (;;) {
      if (p_ >= s_.size()) Fail("unterminated string");
      char c = s_[p_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (p_ >= s_.size()) Fail("unterminated escape");
      char e = s_[p_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          unsigned cp = Hex4();
          if (cp >= 0xD800 && cp < 0xDC00 && s_.compare(p_, 2, "\\u") == 0) {
            p_ += 2;
            unsigned low = Hex4();
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default: Fail("bad escape");
      }
    }
  }

  JsonValue Value(int depth) {
    if (depth > 200) Fail("nesting too deep");
    Space();
    if (p_ >= s_.size()) Fail("missing value");
    JsonValue v;
    char c = s_[p_];
    if (c == '{') {
      ++p_;
      v.kind_ = JsonValue::Kind::Object;
      if (Eat('}')) return v;
      do {
        Space();
        std::string key = Text();
        Expect(':');
        v.members_.emplace_back(std::move(key), Value(depth + 1));
      } while (Eat(','));
      Expect('}');
    } else if (c == '[') {
      ++p_;
      v.kind_ = JsonValue::Kind::Array;
      if (Eat(']')) return v;
      do v.items_.push_back(Value(depth + 1));
      while (Eat(','));
      Expect(']');
    } else if (c == '"') {
      v.kind_ = JsonValue::Kind::String;
      v.string_ = Text();
    } else if (Word("true")) {
      v.kind_ = JsonValue::Kind::Bool;
      v.bool_ = true;
    } else if (Word("false")) {
      v.kind_ = JsonValue::Kind::Bool;
    } else if (Word("null")) {
    } else {
      const char* start = s_.c_str() + p_;
      char* end = nullptr;
      v.number_ = std::strtod(start, &end);
      if (end == start) Fail("bad value");
      v.kind_ = JsonValue::Kind::Number;
      p_ += static_cast<size_t>(end - start);
    }
    return v;
  }
};

JsonValue JsonValue::Parse(const std::string& text) { return JsonParser(text).Document(); }

bool JsonValue::Has(const std::string& key) const {
  for (const auto& [k, v] : members_)
    if (k == key) return true;
  return false;
}

bool JsonValue::Bool(bool fallback) const { return kind_ == Kind::Bool ? bool_ : fallback; }

double JsonValue::Number(double fallback) const {
  if (kind_ == Kind::Number) return number_;
  // ffprobe prints many numbers as strings ("25/1", "10.000000").
  if (kind_ == Kind::String && !string_.empty()) {
    char* end = nullptr;
    double v = std::strtod(string_.c_str(), &end);
    if (end && *end == '\0') return v;
  }
  return fallback;
}

const std::string& JsonValue::String() const {
  static const std::string empty;
  return kind_ == Kind::String ? string_ : empty;
}

const JsonValue& JsonValue::operator[](const std::string& key) const {
  for (const auto& [k, v] : members_)
    if (k == key) return v;
  return NullValue();
}

const JsonValue& JsonValue::operator[](size_t index) const {
  return index < items_.size() ? items_[index] : NullValue();
}

size_t JsonValue::Size() const {
  return kind_ == Kind::Array ? items_.size() : kind_ == Kind::Object ? members_.size() : 0;
}

}  // namespace reelcast::test
