// The JSON object that hands the launch file to a page: {"name":...,"b64":...}.
#ifndef ZORVEL_APP_LAUNCH_FILE_JSON_HH
#define ZORVEL_APP_LAUNCH_FILE_JSON_HH

#include <cstdio>
#include <string>

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
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// "null" when there is nothing (left) to hand over; otherwise the object, after which the
// base64 text is emptied so that the file is handed over once.
inline std::string take_launch_file(const std::string &name, std::string &b64) {
  if (b64.empty()) {
    return "null";
  }
  std::string result;
  result.reserve(b64.size() + name.size() + 24);
  result += "{\"name\":";
  result += launch_file_name_json(name);
  result += ",\"b64\":\"";
  result += b64;
  result += "\"}";
  std::string().swap(b64); // give the memory back as well
  return result;
}

} // namespace zorvel

#endif
