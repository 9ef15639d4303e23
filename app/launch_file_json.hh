// The JSON object that hands the launch file to a page: {"name":...,"b64":...}.
#ifndef ZORVEL_APP_LAUNCH_FILE_JSON_HH
#define ZORVEL_APP_LAUNCH_FILE_JSON_HH

#include <string>
#include <utility>

namespace zorvel {

// The name as a JSON string: quote and backslash escaped, control bytes as \u00xx, every other
// byte (UTF-8 sequences and DEL included) as it is.
inline std::string launch_file_name_json(const std::string &name) {
  std::string out = "\"";
  for (unsigned char c : name) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      static const char hex[] = "0123456789abcdef";
      const char escaped[6] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
      out.append(escaped, 6);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// "null" when there is nothing (left) to hand over; otherwise the object, built around the base64
// text where it lies (the text is moved, not copied, and fits without a new allocation when room
// was kept behind it), so the file is handed over once and its text is gone afterwards.
inline std::string take_launch_file(const std::string &name, std::string &b64) {
  if (b64.empty()) {
    return "null";
  }
  const std::string head = "{\"name\":" + launch_file_name_json(name) + ",\"b64\":\"";
  std::string result = std::move(b64);
  std::string().swap(b64);
  result.insert(0, head);
  result += "\"}";
  return result;
}

// Undoes take_launch_file with the object it returned: the base64 text is its last member, so
// it is found from the end whatever the name holds. Nothing changes when a text is there again.
inline void give_back_launch_file(std::string json, std::string &b64) {
  static const std::string member = "\"b64\":\"";
  const std::size_t at = json.rfind(member);
  if (!b64.empty() || at == std::string::npos || json.size() < at + member.size() + 2) {
    return;
  }
  json.resize(json.size() - 2); // the closing quote and brace
  json.erase(0, at + member.size());
  b64 = std::move(json);
}

} // namespace zorvel

#endif
