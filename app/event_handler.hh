// A WebView2 event handler made from a callable, as a COM object of one interface.
#ifndef ZORVEL_APP_EVENT_HANDLER_HH
#define ZORVEL_APP_EVENT_HANDLER_HH

#include <webview/detail/backends/com_ref.hh>
#include <webview/detail/backends/webview2_interfaces.hh>

#include <windows.h>

#include <atomic>
#include <functional>
#include <utility>

namespace zorvel {

// A handler of interface I made from a callable; every call comes on the UI thread.
template <typename I, typename S, typename A> class Ev : public I {
public:
  Ev(const Ev &) = delete;
  Ev &operator=(const Ev &) = delete;

  // The only way to make one: the caller's reference is released when the result goes.
  static webview::detail::com_ref<I> create(std::function<HRESULT(S, A)> fn) {
    return webview::detail::com_ref<I>::adopt(new Ev(std::move(fn)));
  }

  // IUnknown and I, both answered with the same pointer; nothing else.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
    if (out == nullptr) {
      return E_POINTER;
    }
    if (!IsEqualIID(iid, __uuidof(IUnknown)) && !IsEqualIID(iid, __uuidof(I))) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<I *>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG remaining = --count_;
    if (remaining == 0) {
      delete this;
    }
    return remaining;
  }
  // An exception would unwind into the browser and end the process: the event is dropped.
  HRESULT STDMETHODCALLTYPE Invoke(S sender, A args) override {
    try {
      return fn_(sender, args);
    } catch (...) {
      return S_OK;
    }
  }

private:
  explicit Ev(std::function<HRESULT(S, A)> fn) : fn_(std::move(fn)) {}
  virtual ~Ev() = default;
  std::function<HRESULT(S, A)> fn_;
  std::atomic<ULONG> count_{1};
};

} // namespace zorvel

#endif
