// The runtime's exported entry points. Which of them a module exports is decided by its .def
// file (exports/): the loader library exports the first two, the runtime's client library the
// last two.

#include "callback_queue.hh"
#include "calls.hh"
#include "environment.hh"
#include "lifecycle.hh"
#include "text.hh"
#include "version.hh"

#include <type_traits>

using namespace wv2d;

extern "C" {
HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browser_folder, PCWSTR user_data_folder, ICoreWebView2EnvironmentOptions *options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler *handler);
HRESULT STDAPICALLTYPE GetAvailableCoreWebView2BrowserVersionString(PCWSTR browser_folder,
                                                                    LPWSTR *version);
HRESULT STDAPICALLTYPE CreateWebViewEnvironmentWithOptionsInternal(
    int flag, int runtime_kind, PCWSTR user_data_folder, ICoreWebView2EnvironmentOptions *options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler *handler);
}

// The program calls these through the pointer types of its own header.
static_assert(std::is_same_v<decltype(&CreateCoreWebView2EnvironmentWithOptions),
                             webview::detail::CreateCoreWebView2EnvironmentWithOptions_t>);
static_assert(std::is_same_v<decltype(&GetAvailableCoreWebView2BrowserVersionString),
                             webview::detail::GetAvailableCoreWebView2BrowserVersionString_t>);
static_assert(std::is_same_v<decltype(&CreateWebViewEnvironmentWithOptionsInternal),
                             webview::detail::CreateWebViewEnvironmentWithOptionsInternal_t>);
static_assert(std::is_same_v<decltype(&DllCanUnloadNow), webview::detail::DllCanUnloadNow_t>);

namespace {

// Creation needs a single-threaded COM apartment on the calling thread, as the runtime does.
HRESULT check_apartment() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  const HRESULT result = CoGetApartmentType(&type, &qualifier);
  if (FAILED(result) || (type == APTTYPE_MTA && qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA)) {
    return CO_E_NOTINITIALIZED;
  }
  return type == APTTYPE_MTA ? RPC_E_CHANGED_MODE : S_OK;
}

// Reads the program's options as the runtime does, and writes what it received:
// `-> EnvironmentOptions ARGUMENTS LANGUAGE TARGET_VERSION SINGLE_SIGN_ON`.
void read_options(ICoreWebView2EnvironmentOptions *options) {
  if (!options) {
    return;
  }
  LPWSTR texts[3] = {nullptr, nullptr, nullptr};
  options->get_AdditionalBrowserArguments(&texts[0]);
  options->get_Language(&texts[1]);
  options->get_TargetCompatibleBrowserVersion(&texts[2]);
  BOOL single_sign_on = FALSE;
  options->get_AllowSingleSignOnUsingOSPrimaryAccount(&single_sign_on);
  log_callback("EnvironmentOptions", {Field::text(texts[0]), Field::text(texts[1]),
                                      Field::text(texts[2]), Field::number(single_sign_on)});
  for (LPWSTR text : texts) {
    CoTaskMemFree(text);
  }
}

HRESULT create_environment(std::string_view name, std::initializer_list<Field> fields,
                           PCWSTR user_data_folder, ICoreWebView2EnvironmentOptions *options,
                           ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler *handler) {
  ensure_initialized();
  if (const auto fault = record_call(name, fields)) {
    return *fault;
  }
  read_options(options);
  if (!handler) {
    return E_POINTER;
  }
  const HRESULT apartment = check_apartment();
  if (FAILED(apartment)) {
    return apartment;
  }
  return start_environment_creation(wide(user_data_folder), handler);
}

} // namespace

HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browser_folder, PCWSTR user_data_folder, ICoreWebView2EnvironmentOptions *options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler *handler) {
  return create_environment(
      "CreateCoreWebView2EnvironmentWithOptions",
      {Field::text(browser_folder), Field::text(user_data_folder), Field::object(options)},
      user_data_folder, options, handler);
}

HRESULT STDAPICALLTYPE GetAvailableCoreWebView2BrowserVersionString(PCWSTR browser_folder,
                                                                    LPWSTR *version) {
  ensure_initialized();
  if (version) {
    *version = nullptr;
  }
  if (const auto fault = record_call("GetAvailableCoreWebView2BrowserVersionString",
                                     {Field::text(browser_folder)})) {
    return *fault;
  }
  if (!version) {
    return E_POINTER;
  }
  *version = co_task_copy(browser_version());
  return *version ? S_OK : E_OUTOFMEMORY;
}

// The first argument is a one-byte boolean: Microsoft's loader sets only the low byte of the
// register and leaves the rest as it was, so only that byte is read.
HRESULT STDAPICALLTYPE CreateWebViewEnvironmentWithOptionsInternal(
    int flag, int runtime_kind, PCWSTR user_data_folder, ICoreWebView2EnvironmentOptions *options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler *handler) {
  const unsigned char flag_byte = static_cast<unsigned char>(flag & 0xFF);
  return create_environment("CreateWebViewEnvironmentWithOptionsInternal",
                            {Field::number(flag_byte), Field::number(runtime_kind),
                             Field::text(user_data_folder), Field::object(options)},
                            user_data_folder, options, handler);
}

// S_OK when nothing of the double is alive or queued, S_FALSE otherwise (COM's meaning).
HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  ensure_initialized();
  if (const auto fault = record_call("DllCanUnloadNow", {})) {
    return *fault;
  }
  return live_objects() == 0 && pending_callbacks() == 0 ? S_OK : S_FALSE;
}
