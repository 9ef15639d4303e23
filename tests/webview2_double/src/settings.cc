#include "settings.hh"

#include "calls.hh"

namespace wv2d {
namespace {

HRESULT get_setting(const char *name, BOOL stored, BOOL *value) {
  if (value) {
    *value = FALSE;
  }
  if (const auto fault = record_call(name, {})) {
    return *fault;
  }
  if (!value) {
    return E_POINTER;
  }
  *value = stored;
  return S_OK;
}

HRESULT put_setting(const char *name, BOOL &stored, BOOL value) {
  if (const auto fault = record_call(name, {Field::number(value)})) {
    return *fault;
  }
  stored = value;
  return S_OK;
}

} // namespace

// Each pair forwards to the helpers above with the method's own name.
#define WV2D_SETTING(Name, member)                                                                 \
  HRESULT STDMETHODCALLTYPE Settings::get_##Name(BOOL *value) {                                    \
    return get_setting("get_" #Name, member, value);                                               \
  }                                                                                                \
  HRESULT STDMETHODCALLTYPE Settings::put_##Name(BOOL value) {                                     \
    return put_setting("put_" #Name, member, value);                                               \
  }

WV2D_SETTING(IsScriptEnabled, script_enabled_)
WV2D_SETTING(IsWebMessageEnabled, web_message_enabled_)
WV2D_SETTING(AreDefaultScriptDialogsEnabled, default_script_dialogs_enabled_)
WV2D_SETTING(IsStatusBarEnabled, status_bar_enabled_)
WV2D_SETTING(AreDevToolsEnabled, dev_tools_enabled_)
WV2D_SETTING(AreDefaultContextMenusEnabled, default_context_menus_enabled_)
WV2D_SETTING(AreHostObjectsAllowed, host_objects_allowed_)
WV2D_SETTING(IsZoomControlEnabled, zoom_control_enabled_)
WV2D_SETTING(IsBuiltInErrorPageEnabled, built_in_error_page_enabled_)

#undef WV2D_SETTING

} // namespace wv2d
