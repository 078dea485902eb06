// A strict JSON reader for the fuzz targets (RFC 8259): one value with only
// white space around it, strings of valid UTF-8 with only the escapes JSON
// defines (a \u escape must not leave half of a surrogate pair), no control
// characters inside strings, numbers in JSON's grammar.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zefo::fuzz {

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  std::string text;  // a string's decoded UTF-8, a number or literal as written
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;  // in order, duplicates kept

  // The first member named `name`, or nullptr.
  const JsonValue* Member(const std::string& name) const;
};

std::optional<JsonValue> ParseJson(const std::string& text);

}  // namespace zefo::fuzz
