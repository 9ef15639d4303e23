// ICoreWebView2Settings: nine boolean settings, all TRUE at first. Each getter and setter is
// logged ("put_AreDevToolsEnabled 0", "get_IsZoomControlEnabled") and can be made to fail by a
// fault of its name; a setter that is made to fail keeps the old value.

#ifndef WV2D_SETTINGS_HH
#define WV2D_SETTINGS_HH

#include "com_object.hh"

namespace wv2d {

class Settings final : public ComObject<ICoreWebView2Settings> {
public:
  HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL value) override;

  bool dev_tools_enabled() const { return dev_tools_enabled_ != FALSE; }
  bool zoom_control_enabled() const { return zoom_control_enabled_ != FALSE; }
  bool default_script_dialogs_enabled() const { return default_script_dialogs_enabled_ != FALSE; }

private:
  BOOL script_enabled_ = TRUE;
  BOOL web_message_enabled_ = TRUE;
  BOOL default_script_dialogs_enabled_ = TRUE;
  BOOL status_bar_enabled_ = TRUE;
  BOOL dev_tools_enabled_ = TRUE;
  BOOL default_context_menus_enabled_ = TRUE;
  BOOL host_objects_allowed_ = TRUE;
  BOOL zoom_control_enabled_ = TRUE;
  BOOL built_in_error_page_enabled_ = TRUE;
};

} // namespace wv2d

#endif // WV2D_SETTINGS_HH
