#include "fuzz/json_check.h"

#include <cstdint>

namespace zefo::fuzz {
namespace {

constexpr int kMaxDepth = 64;

class Parser {
 public:
  explicit Parser(const std::string& text) : text_(text) {}

  std::optional<JsonValue> Document() {
    JsonValue value;
    SkipSpace();
    if (!Value(&value, 0)) return std::nullopt;
    SkipSpace();
    if (pos_ != text_.size()) return std::nullopt;
    return value;
  }

 private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }

  void SkipSpace() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++pos_;
  }

  bool Literal(const char* word, JsonValue::Kind kind, JsonValue* value) {
    const std::string expected = word;
    if (text_.compare(pos_, expected.size(), expected) != 0) return false;
    pos_ += expected.size();
    value->kind = kind;
    value->text = expected;
    return true;
  }

  bool Value(JsonValue* value, int depth) {
    if (depth > kMaxDepth || AtEnd()) return false;
    switch (Peek()) {
      case '{': return Object(value, depth);
      case '[': return Array(value, depth);
      case '"': value->kind = JsonValue::Kind::kString; return String(&value->text);
      case 't': return Literal("true", JsonValue::Kind::kBool, value);
      case 'f': return Literal("false", JsonValue::Kind::kBool, value);
      case 'n': return Literal("null", JsonValue::Kind::kNull, value);
      default: return Number(value);
    }
  }

  bool Object(JsonValue* value, int depth) {
    value->kind = JsonValue::Kind::kObject;
    ++pos_;
    SkipSpace();
    if (Peek() == '}') {
      ++pos_;
      return true;
    }
    for (;;) {
      SkipSpace();
      std::pair<std::string, JsonValue> member;
      if (Peek() != '"' || !String(&member.first)) return false;
      SkipSpace();
      if (Peek() != ':') return false;
      ++pos_;
      SkipSpace();
      if (!Value(&member.second, depth + 1)) return false;
      value->members.push_back(std::move(member));
      SkipSpace();
      if (Peek() == '}') {
        ++pos_;
        return true;
      }
      if (Peek() != ',') return false;
      ++pos_;
    }
  }

  bool Array(JsonValue* value, int depth) {
    value->kind = JsonValue::Kind::kArray;
    ++pos_;
    SkipSpace();
    if (Peek() == ']') {
      ++pos_;
      return true;
    }
    for (;;) {
      SkipSpace();
      JsonValue item;
      if (!Value(&item, depth + 1)) return false;
      value->items.push_back(std::move(item));
      SkipSpace();
      if (Peek() == ']') {
        ++pos_;
        return true;
      }
      if (Peek() != ',') return false;
      ++pos_;
    }
  }

  bool Digits() {
    const std::size_t start = pos_;
    while (!AtEnd() && Peek() >= '0' && Peek() <= '9') ++pos_;
    return pos_ > start;
  }

  bool Number(JsonValue* value) {
    const std::size_t start = pos_;
    if (Peek() == '-') ++pos_;
    if (Peek() == '0') {
      ++pos_;
    } else if (!Digits()) {
      return false;
    }
    if (Peek() == '.') {
      ++pos_;
      if (!Digits()) return false;
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++pos_;
      if (Peek() == '+' || Peek() == '-') ++pos_;
      if (!Digits()) return false;
    }
    value->kind = JsonValue::Kind::kNumber;
    value->text = text_.substr(start, pos_ - start);
    return true;
  }

  static void AppendUtf8(std::uint32_t cp, std::string* out) {
    if (cp < 0x80) {
      out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }

  bool Hex4(std::uint32_t* unit) {
    if (pos_ + 4 > text_.size()) return false;
    *unit = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      *unit <<= 4;
      if (c >= '0' && c <= '9') {
        *unit |= static_cast<std::uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        *unit |= static_cast<std::uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        *unit |= static_cast<std::uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    return true;
  }

  bool Escape(std::string* out) {
    const char c = Peek();
    ++pos_;
    switch (c) {
      case '"': out->push_back('"'); return true;
      case '\\': out->push_back('\\'); return true;
      case '/': out->push_back('/'); return true;
      case 'b': out->push_back('\b'); return true;
      case 'f': out->push_back('\f'); return true;
      case 'n': out->push_back('\n'); return true;
      case 'r': out->push_back('\r'); return true;
      case 't': out->push_back('\t'); return true;
      case 'u': break;
      default: return false;
    }
    std::uint32_t unit = 0;
    if (!Hex4(&unit)) return false;
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      std::uint32_t low = 0;
      if (text_.compare(pos_, 2, "\\u") != 0) return false;
      pos_ += 2;
      if (!Hex4(&low) || low < 0xDC00 || low > 0xDFFF) return false;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendUtf8(unit, out);
    return true;
  }

  // One UTF-8 sequence, checked as strictly as the webhook's server would.
  bool Utf8(std::string* out) {
    const auto byte = [this](std::size_t i) { return static_cast<unsigned char>(text_[pos_ + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (pos_ + length > text_.size()) return false;
    if (byte(1) < low || byte(1) > high) return false;
    for (std::size_t i = 2; i < length; ++i) {
      if ((byte(i) & 0xC0) != 0x80) return false;
    }
    out->append(text_, pos_, length);
    pos_ += length;
    return true;
  }

  bool String(std::string* out) {
    ++pos_;  // the opening quote
    for (;;) {
      if (AtEnd()) return false;
      const auto c = static_cast<unsigned char>(Peek());
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c < 0x20) return false;
      if (c == '\\') {
        ++pos_;
        if (AtEnd() || !Escape(out)) return false;
      } else if (c < 0x80) {
        out->push_back(static_cast<char>(c));
        ++pos_;
      } else if (!Utf8(out)) {
        return false;
      }
    }
  }

  const std::string& text_;
  std::size_t pos_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Member(const std::string& name) const {
  for (const auto& member : members) {
    if (member.first == name) return &member.second;
  }
  return nullptr;
}

std::optional<JsonValue> ParseJson(const std::string& text) { return Parser(text).Document(); }

}  // namespace zefo::fuzz
