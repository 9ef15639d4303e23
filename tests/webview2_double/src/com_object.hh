// Base of every COM object of the double: QueryInterface for IUnknown and the one implemented
// interface, an atomic reference count starting at 1, deletion at zero, and the count of live
// objects that tests read through wv2d_live_objects.

#ifndef WV2D_COM_OBJECT_HH
#define WV2D_COM_OBJECT_HH

#include "com_ptr.hh"

#include "webview/detail/backends/webview2_interfaces.hh"

#include <atomic>
#include <utility>

namespace wv2d {

// Number of live COM objects of the double.
long live_objects();

namespace detail {
void object_created();
void object_destroyed();
} // namespace detail

template <typename Interface> class ComObject : public Interface {
public:
  ComObject(const ComObject &) = delete;
  ComObject &operator=(const ComObject &) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
    if (!object) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(Interface))) {
      *object = static_cast<Interface *>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }

  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG remaining = --references_;
    if (remaining == 0) {
      delete this;
    }
    return remaining;
  }

protected:
  ComObject() { detail::object_created(); }
  virtual ~ComObject() { detail::object_destroyed(); }

private:
  std::atomic<ULONG> references_{1};
};

// Creates an object of the double; the returned pointer owns its initial reference.
template <typename T, typename... Args> ComPtr<T> make_object(Args &&...args) {
  return ComPtr<T>::adopt(new T(std::forward<Args>(args)...));
}

} // namespace wv2d

#endif // WV2D_COM_OBJECT_HH
