// The exception that engine construction throws.
#ifndef WEBVIEW_EXCEPTION_HH
#define WEBVIEW_EXCEPTION_HH

#include <cstdint>
#include <exception>
#include <string>

namespace webview {

class exception : public std::exception {
public:
  exception(std::int32_t code, std::string message, std::exception_ptr cause = nullptr)
      : code_(code), message_(std::move(message)), cause_(std::move(cause)) {}

  std::int32_t code() const noexcept { return code_; }
  const std::string &message() const noexcept { return message_; }
  std::exception_ptr cause() const noexcept { return cause_; }
  const char *what() const noexcept override { return message_.c_str(); }

private:
  std::int32_t code_;
  std::string message_;
  std::exception_ptr cause_;
};

} // namespace webview

#endif
