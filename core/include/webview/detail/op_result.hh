// Outcomes of engine operations: success or an error, or a value or an error.
#ifndef WEBVIEW_DETAIL_OP_RESULT_HH
#define WEBVIEW_DETAIL_OP_RESULT_HH

#include "../errors.hh"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace webview {
namespace detail {

// Thrown when an outcome is asked for what it does not hold.
class bad_access : public std::exception {};

struct op_error {
  std::int32_t code = error_unspecified;
  std::string message;
};

class op_status {
public:
  op_status() = default;
  op_status(op_error error) : error_(std::move(error)) {}

  static op_status success() { return {}; }
  static op_status failure(std::int32_t code, std::string message = {}) {
    return op_error{code, std::move(message)};
  }

  bool ok() const noexcept { return !error_.has_value(); }
  bool has_error() const noexcept { return error_.has_value(); }
  const op_error &error() const {
    if (!error_) {
      throw bad_access{};
    }
    return *error_;
  }

private:
  std::optional<op_error> error_;
};

template <typename T> class op_result {
public:
  op_result(T value) : value_(std::move(value)) {}
  op_result(op_error error) : error_(std::move(error)) {}

  static op_result failure(std::int32_t code, std::string message = {}) {
    return op_error{code, std::move(message)};
  }

  bool ok() const noexcept { return value_.has_value(); }
  bool has_value() const noexcept { return value_.has_value(); }
  bool has_error() const noexcept { return error_.has_value(); }
  const T &value() const {
    if (!value_) {
      throw bad_access{};
    }
    return *value_;
  }
  const op_error &error() const {
    if (!error_) {
      throw bad_access{};
    }
    return *error_;
  }

private:
  std::optional<T> value_;
  std::optional<op_error> error_;
};

} // namespace detail
} // namespace webview

#endif
