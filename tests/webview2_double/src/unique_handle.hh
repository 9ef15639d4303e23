// Owns a kernel handle (file, event, thread) and closes it when it goes out of scope.

#ifndef WV2D_UNIQUE_HANDLE_HH
#define WV2D_UNIQUE_HANDLE_HH

#include <windows.h>

#include <utility>

namespace wv2d {

class UniqueHandle {
public:
  UniqueHandle() = default;
  // Takes `handle`; both null and INVALID_HANDLE_VALUE count as no handle.
  explicit UniqueHandle(HANDLE handle)
      : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  UniqueHandle(UniqueHandle &&other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle &operator=(UniqueHandle &&other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle &) = delete;
  UniqueHandle &operator=(const UniqueHandle &) = delete;
  ~UniqueHandle() { reset(); }

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

  void reset() {
    if (handle_) {
      CloseHandle(handle_);
      handle_ = nullptr;
    }
  }

private:
  HANDLE handle_ = nullptr;
};

} // namespace wv2d

#endif // WV2D_UNIQUE_HANDLE_HH
