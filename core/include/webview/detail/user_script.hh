// One installed document-creation script: its code and the backend's handle to it.
#ifndef WEBVIEW_DETAIL_USER_SCRIPT_HH
#define WEBVIEW_DETAIL_USER_SCRIPT_HH

#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace webview {
namespace detail {

class user_script {
public:
  // Defined by the backend; the core only owns it through the deleter the backend supplies.
  class impl;
  using impl_deleter = std::function<void(impl *)>;
  using impl_ptr = std::unique_ptr<impl, impl_deleter>;

  user_script(std::string code, impl_ptr handle)
      : code_(std::move(code)), impl_(std::move(handle)) {}
  user_script(const user_script &) = delete;
  user_script &operator=(const user_script &) = delete;
  user_script(user_script &&) = default;
  user_script &operator=(user_script &&) = default;

  const std::string &get_code() const noexcept { return code_; }
  impl *get_impl() noexcept { return impl_.get(); }
  const impl *get_impl() const noexcept { return impl_.get(); }

private:
  std::string code_;
  impl_ptr impl_;
};

} // namespace detail
} // namespace webview

#endif
