// The exported control functions of webview2_double.h.

#include "webview2_double.h"

#include "callback_queue.hh"
#include "com_object.hh"
#include "config.hh"
#include "events.hh"
#include "faults.hh"
#include "lifecycle.hh"
#include "log.hh"
#include "text.hh"
#include "version.hh"

#include <cstring>

#define WV2D_EXPORT(ret, name, params) extern "C" __declspec(dllexport) ret name params;
WV2D_API(WV2D_EXPORT)
#undef WV2D_EXPORT

using namespace wv2d;

void wv2d_reset(void) {
  ensure_initialized();
  reset_state();
}

int wv2d_configure(const char *text) {
  ensure_initialized();
  return text ? apply_config(text) : 0;
}

void wv2d_set_fault(const char *name, HRESULT result, int times) {
  ensure_initialized();
  if (name) {
    set_fault(name, result, times);
  }
}

void wv2d_set_browser_version(const wchar_t *version) {
  ensure_initialized();
  set_browser_version(version ? version : kDefaultBrowserVersion);
}

size_t wv2d_get_log(char *buffer, size_t capacity) {
  ensure_initialized();
  const std::string text = log_contents();
  if (buffer && capacity > 0) {
    const size_t copied = text.size() < capacity ? text.size() : capacity - 1;
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = '\0';
  }
  return text.size();
}

void wv2d_clear_log(void) {
  ensure_initialized();
  clear_log();
}

long wv2d_live_objects(void) {
  return live_objects();
}

long wv2d_pending_callbacks(void) {
  return pending_callbacks();
}

int wv2d_raise_web_message(const wchar_t *text) {
  ensure_initialized();
  return raise_web_message(wide(text), false);
}

int wv2d_raise_web_message_json(const wchar_t *json) {
  ensure_initialized();
  return raise_web_message(wide(json), true);
}

int wv2d_raise_permission_requested(int kind, const wchar_t *uri, int *state) {
  ensure_initialized();
  return raise_permission_requested(kind, wide(uri), state);
}

int wv2d_raise_navigation_completed(int is_success, int web_error_status, const wchar_t *source) {
  ensure_initialized();
  return raise_navigation_completed(is_success != 0, web_error_status,
                                    source ? std::optional<std::wstring>(source) : std::nullopt);
}

int wv2d_raise_process_failed(int kind) {
  ensure_initialized();
  return raise_process_failed(kind);
}

int wv2d_raise_script_dialog(int kind, const wchar_t *message) {
  ensure_initialized();
  return raise_script_dialog(kind, wide(message));
}

int wv2d_raise_web_message_from(const wchar_t *source, const wchar_t *text) {
  ensure_initialized();
  return raise_web_message(wide(text), false, wide(source));
}

int wv2d_raise_content_loading(void) {
  ensure_initialized();
  return raise_content_loading();
}

int wv2d_raise_navigation_starting(const wchar_t *uri) {
  ensure_initialized();
  return raise_navigation_starting(uri ? std::optional<std::wstring>(uri) : std::nullopt);
}

int wv2d_raise_document_title_changed(const wchar_t *title) {
  ensure_initialized();
  return raise_document_title_changed(wide(title));
}

int wv2d_raise_new_window(const wchar_t *uri, const wchar_t *features) {
  ensure_initialized();
  return raise_new_window(wide(uri),
                          features ? std::optional<std::wstring>(features) : std::nullopt);
}

int wv2d_raise_window_close_requested(void) {
  ensure_initialized();
  return raise_window_close_requested();
}
