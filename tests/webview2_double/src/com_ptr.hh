// A counted reference to a COM object: AddRef when taken, Release when dropped.

#ifndef WV2D_COM_PTR_HH
#define WV2D_COM_PTR_HH

#include <utility>

namespace wv2d {

template <typename T> class ComPtr {
public:
  ComPtr() = default;
  // Takes a new reference to `object` (AddRef).
  explicit ComPtr(T *object) : object_(object) {
    if (object_) {
      object_->AddRef();
    }
  }
  ComPtr(const ComPtr &other) : ComPtr(other.object_) {}
  ComPtr(ComPtr &&other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ComPtr &operator=(ComPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~ComPtr() { reset(); }

  // Adopts a reference the caller already owns (no AddRef).
  static ComPtr adopt(T *object) {
    ComPtr pointer;
    pointer.object_ = object;
    return pointer;
  }

  T *get() const { return object_; }
  T *operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

  void reset() {
    if (T *object = std::exchange(object_, nullptr)) {
      object->Release();
    }
  }

private:
  T *object_ = nullptr;
};

} // namespace wv2d

#endif // WV2D_COM_PTR_HH
