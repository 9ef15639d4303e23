// One owned COM reference: released exactly once, when replaced, reset or destroyed.
#ifndef WEBVIEW_DETAIL_BACKENDS_COM_REF_HH
#define WEBVIEW_DETAIL_BACKENDS_COM_REF_HH

#include <utility>

namespace webview {
namespace detail {

template <typename T> class com_ref {
public:
  com_ref() = default;
  // Takes over a reference the caller already owns (a new object, or an out-parameter).
  static com_ref adopt(T *object) {
    com_ref ref;
    ref.object_ = object;
    return ref;
  }
  // Adds a reference of its own to a borrowed object.
  static com_ref share(T *object) {
    if (object != nullptr) {
      object->AddRef();
    }
    return adopt(object);
  }
  com_ref(const com_ref &) = delete;
  com_ref &operator=(const com_ref &) = delete;
  com_ref(com_ref &&other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  com_ref &operator=(com_ref &&other) noexcept {
    if (this != &other) {
      reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  ~com_ref() { reset(); }

  // The member is cleared before the release, so that code the release runs sees no stale
  // pointer.
  void reset() noexcept {
    if (T *old = std::exchange(object_, nullptr)) {
      old->Release();
    }
  }

  T *get() const noexcept { return object_; }
  T *operator->() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

private:
  T *object_ = nullptr;
};

} // namespace detail
} // namespace webview

#endif
