// ICoreWebView2Controller with its web view.
//
// Every controller is registered while it lives; the newest one whose web view is still open is
// the target of raised events (events.hh). Close, or the release of the last reference, closes
// the web view: its event handlers are released and it receives no more events. Bounds, zoom,
// visibility (TRUE at first) and parent window are stored and read back.

#ifndef WV2D_CONTROLLER_HH
#define WV2D_CONTROLLER_HH

#include "com_object.hh"
#include "event_list.hh"
#include "web_view.hh"

namespace wv2d {

class Controller final : public ComObject<ICoreWebView2Controller> {
public:
  // `environment` identifies the environment that made it (Environment::serial).
  Controller(HWND parent, unsigned environment);

  // The newest live controller whose web view is open, or null.
  static ComPtr<Controller> newest_open();
  // The live controller whose web view is `view`, or null (a web view not of the double).
  static ComPtr<Controller> owning(const ICoreWebView2 *view);

  WebView *web_view() const { return web_view_.get(); }
  HWND parent() const { return parent_; }

  HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL *visible) override;
  HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) override;
  HRESULT STDMETHODCALLTYPE get_Bounds(RECT *bounds) override;
  HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override;
  HRESULT STDMETHODCALLTYPE get_ZoomFactor(double *zoom) override;
  HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoom) override;
  HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoom) override;
  HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
  HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND *parent) override;
  HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parent) override;
  HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override;
  HRESULT STDMETHODCALLTYPE Close() override;
  HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2 **web_view) override;

#define WV2D_CONTROLLER_EVENTS(X)                                                                  \
  X(ZoomFactorChanged, ICoreWebView2ZoomFactorChangedEventHandler)                                 \
  X(MoveFocusRequested, ICoreWebView2MoveFocusRequestedEventHandler)                               \
  X(GotFocus, ICoreWebView2FocusChangedEventHandler)                                               \
  X(LostFocus, ICoreWebView2FocusChangedEventHandler)                                              \
  X(AcceleratorKeyPressed, ICoreWebView2AcceleratorKeyPressedEventHandler)

#define WV2D_DECLARE_EVENT(Name, Handler)                                                          \
  HRESULT STDMETHODCALLTYPE add_##Name(Handler *handler, EventRegistrationToken *token) override;  \
  HRESULT STDMETHODCALLTYPE remove_##Name(EventRegistrationToken token) override;
  WV2D_CONTROLLER_EVENTS(WV2D_DECLARE_EVENT)
#undef WV2D_DECLARE_EVENT

private:
  ~Controller() override;

  void close_all();

#define WV2D_EVENT_MEMBER(Name, Handler) EventList<Handler> Name##_;
  WV2D_CONTROLLER_EVENTS(WV2D_EVENT_MEMBER)
#undef WV2D_EVENT_MEMBER

  HWND parent_;
  RECT bounds_ = {};
  double zoom_ = 1.0;
  BOOL visible_ = TRUE;
  const ComPtr<WebView> web_view_;
};

} // namespace wv2d

#endif // WV2D_CONTROLLER_HH
