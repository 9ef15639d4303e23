#include "json.hh"

#include "webview/detail/json.hh"

#include <cstdlib>
#include <cstring>

namespace zbr {

namespace {
const Json null_value;

void append_utf8(std::string &out, unsigned long c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}
} // namespace

class JsonParser {
public:
  explicit JsonParser(std::string_view text) : s_(text) {}

  bool document(Json &out) {
    if (!value(out, 0)) {
      return false;
    }
    blank();
    return i_ == s_.size();
  }

private:
  void blank() {
    while (i_ < s_.size() &&
           (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t')) {
      ++i_;
    }
  }
  bool literal(std::string_view word) {
    if (s_.substr(i_, word.size()) != word) {
      return false;
    }
    i_ += word.size();
    return true;
  }
  bool hex4(unsigned long &v) {
    if (i_ + 4 > s_.size()) {
      return false;
    }
    v = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = s_[i_++];
      v <<= 4;
      if (c >= '0' && c <= '9') {
        v |= static_cast<unsigned long>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        v |= static_cast<unsigned long>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        v |= static_cast<unsigned long>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    return true;
  }
  bool string(std::string &out) {
    ++i_; // opening quote
    while (i_ < s_.size()) {
      // Copy runs of plain bytes whole: messages may carry tens of megabytes.
      std::size_t run = i_;
      while (run < s_.size() && s_[run] != '"' && s_[run] != '\\') {
        ++run;
      }
      out.append(s_.data() + i_, run - i_);
      i_ = run;
      if (i_ >= s_.size()) {
        return false;
      }
      if (s_[i_] == '"') {
        ++i_;
        return true;
      }
      if (++i_ >= s_.size()) {
        return false;
      }
      const char e = s_[i_++];
      switch (e) {
      case '"':
        out += '"';
        break;
      case '\\':
        out += '\\';
        break;
      case '/':
        out += '/';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'u': {
        unsigned long c = 0;
        if (!hex4(c)) {
          return false;
        }
        if (c >= 0xD800 && c < 0xDC00 && s_.substr(i_, 2) == "\\u") {
          const std::size_t back = i_;
          i_ += 2;
          unsigned long low = 0;
          if (hex4(low) && low >= 0xDC00 && low < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          } else {
            i_ = back;
          }
        }
        append_utf8(out, c);
        break;
      }
      default:
        return false;
      }
    }
    return false;
  }
  bool value(Json &out, int depth) {
    if (depth > 200) {
      return false;
    }
    blank();
    if (i_ >= s_.size()) {
      return false;
    }
    const char c = s_[i_];
    if (c == '{') {
      out.kind_ = Json::Kind::object;
      ++i_;
      blank();
      if (i_ < s_.size() && s_[i_] == '}') {
        ++i_;
        return true;
      }
      for (;;) {
        blank();
        if (i_ >= s_.size() || s_[i_] != '"') {
          return false;
        }
        std::string key;
        if (!string(key)) {
          return false;
        }
        blank();
        if (i_ >= s_.size() || s_[i_++] != ':') {
          return false;
        }
        Json item;
        if (!value(item, depth + 1)) {
          return false;
        }
        out.keys_.push_back(std::move(key));
        out.items_.push_back(std::move(item));
        blank();
        if (i_ < s_.size() && s_[i_] == ',') {
          ++i_;
          continue;
        }
        if (i_ < s_.size() && s_[i_] == '}') {
          ++i_;
          return true;
        }
        return false;
      }
    }
    if (c == '[') {
      out.kind_ = Json::Kind::array;
      ++i_;
      blank();
      if (i_ < s_.size() && s_[i_] == ']') {
        ++i_;
        return true;
      }
      for (;;) {
        Json item;
        if (!value(item, depth + 1)) {
          return false;
        }
        out.items_.push_back(std::move(item));
        blank();
        if (i_ < s_.size() && s_[i_] == ',') {
          ++i_;
          continue;
        }
        if (i_ < s_.size() && s_[i_] == ']') {
          ++i_;
          return true;
        }
        return false;
      }
    }
    if (c == '"') {
      out.kind_ = Json::Kind::string;
      return string(out.text_);
    }
    if (literal("true")) {
      out.kind_ = Json::Kind::boolean;
      out.boolean_ = true;
      return true;
    }
    if (literal("false")) {
      out.kind_ = Json::Kind::boolean;
      return true;
    }
    if (literal("null")) {
      return true;
    }
    const std::size_t start = i_;
    while (i_ < s_.size() && (std::strchr("+-.eE", s_[i_]) || (s_[i_] >= '0' && s_[i_] <= '9'))) {
      ++i_;
    }
    if (i_ == start) {
      return false;
    }
    const std::string number(s_.substr(start, i_ - start));
    char *end = nullptr;
    out.kind_ = Json::Kind::number;
    out.number_ = std::strtod(number.c_str(), &end);
    return end == number.c_str() + number.size();
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

const Json &Json::operator[](std::string_view key) const {
  for (std::size_t k = 0; k < keys_.size(); ++k) {
    if (keys_[k] == key) {
      return items_[k];
    }
  }
  return null_value;
}

bool Json::has(std::string_view key) const {
  for (const auto &k : keys_) {
    if (k == key) {
      return true;
    }
  }
  return false;
}

const Json &Json::at(std::size_t index) const {
  return index < items_.size() ? items_[index] : null_value;
}

std::optional<Json> Json::parse(std::string_view text) {
  Json out;
  JsonParser parser(text);
  if (!parser.document(out)) {
    return std::nullopt;
  }
  return out;
}

std::string quote(std::string_view text) {
  return webview::detail::escape_json(std::string(text));
}

} // namespace zbr
