// A small JSON reader for what outside tools print in tests (the e2e
// driver's result, ffprobe's -print_format json).
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace reelcast::test {

class JsonValue {
 public:
  enum class Kind { Null, Bool, Number, String, Array, Object };

  JsonValue() = default;

  // Parses a whole document; throws std::runtime_error on malformed text.
  static JsonValue Parse(const std::string& text);

  Kind GetKind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::Null; }
  bool Has(const std::string& key) const;

  // Typed access; a value of another kind gives the fallback.
  bool Bool(bool fallback = false) const;
  double Number(double fallback = 0) const;
  const std::string& String() const;  // "" unless a string

  // Object member (a null value when missing) and array element.
  const JsonValue& operator[](const std::string& key) const;
  const JsonValue& operator[](size_t index) const;
  size_t Size() const;  // elements of an array, members of an object
  const std::vector<JsonValue>& Items() const { return items_; }
  const std::vector<std::pair<std::string, JsonValue>>& Members() const { return members_; }

 private:
  friend class JsonParser;
  Kind kind_ = Kind::Null;
  bool bool_ = false;
  double number_ = 0;
  std::string string_;
  std::vector<JsonValue> items_;
  std::vector<std::pair<std::string, JsonValue>> members_;
};

}  // namespace reelcast::test
