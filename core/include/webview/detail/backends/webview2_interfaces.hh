// Declarations of the published WebView2 COM interfaces that the Windows backend uses.
//
// WebView2 is reached only through its binary COM interface: an interface pointer points to a
// table of function pointers, and the runtime finds each method by its index in that table.
// The declarations below therefore follow the published interfaces exactly:
//
// - every interface derives directly from IUnknown (slots 0-2), so its own methods start at
//   slot 3, and declaration order is slot order; nothing may be reordered, overloaded or left
//   out, because a missing method would move every later one to the wrong slot;
// - every method returns HRESULT and uses STDMETHODCALLTYPE (ignored on x64, needed on x86);
// - parameter types are the published ones: BOOL is a 32-bit int, RECT goes by value where
//   the runtime takes it by value, EventRegistrationToken goes by value to remove_* methods;
// - every COREWEBVIEW2_* enumeration is transmitted as a 32-bit integer.
//
// Strings returned through LPWSTR* out-parameters are allocated with CoTaskMemAlloc; the caller
// frees them with CoTaskMemFree.
//
// The COM types keep their published names at global scope (they are the platform's names);
// helpers of our own live in namespace webview::detail.

#ifndef WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_INTERFACES_HH
#define WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_INTERFACES_HH

#include <windows.h>

#include <oaidl.h>
#include <objbase.h>
#include <objidl.h>
#include <unknwn.h>

// EventRegistrationToken: the platform header defines it where it exists (mingw-w64 and the
// Windows SDK both ship eventtoken.h); otherwise we define the same 8-byte struct and claim that
// header's include guard so that a later include of it cannot define the struct twice.
#if defined(__has_include)
#if __has_include(<eventtoken.h>)
#include <eventtoken.h>
#endif
#endif
#ifndef __eventtoken_h__
#define __eventtoken_h__
struct EventRegistrationToken {
  __int64 value;
};
#endif

namespace webview {
namespace detail {

// Called only when an interface id text is malformed. Not constexpr, so a bad id used in a
// constant expression stops the build instead of producing a wrong GUID.
inline unsigned long invalid_interface_id_text() {
  return 0;
}

constexpr unsigned long guid_hex_digit(char c) {
  return (c >= '0' && c <= '9')   ? static_cast<unsigned long>(c - '0')
         : (c >= 'A' && c <= 'F') ? static_cast<unsigned long>(c - 'A' + 10)
         : (c >= 'a' && c <= 'f') ? static_cast<unsigned long>(c - 'a' + 10)
                                  : invalid_interface_id_text();
}

constexpr unsigned long guid_hex_field(const char (&text)[37], int pos, int digits) {
  unsigned long value = 0;
  for (int i = 0; i < digits; ++i) {
    value = value * 16 + guid_hex_digit(text[pos + i]);
  }
  return value;
}

// Reads an interface id written in registry form without braces,
// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", at compile time. Each id is thus written once, in
// the form the platform publishes it, and feeds the IID_* constant, __uuidof under mingw-w64 and
// __declspec(uuid) under MSVC.
constexpr GUID guid_from_text(const char (&text)[37]) {
  if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') {
    invalid_interface_id_text();
  }
  return GUID{guid_hex_field(text, 0, 8),
              static_cast<unsigned short>(guid_hex_field(text, 9, 4)),
              static_cast<unsigned short>(guid_hex_field(text, 14, 4)),
              {static_cast<unsigned char>(guid_hex_field(text, 19, 2)),
               static_cast<unsigned char>(guid_hex_field(text, 21, 2)),
               static_cast<unsigned char>(guid_hex_field(text, 24, 2)),
               static_cast<unsigned char>(guid_hex_field(text, 26, 2)),
               static_cast<unsigned char>(guid_hex_field(text, 28, 2)),
               static_cast<unsigned char>(guid_hex_field(text, 30, 2)),
               static_cast<unsigned char>(guid_hex_field(text, 32, 2)),
               static_cast<unsigned char>(guid_hex_field(text, 34, 2))}};
}

} // namespace detail
} // namespace webview

// Makes __uuidof(Interface) work under mingw-w64, which emulates it with templates filled in by
// __CRT_UUID_DECL. MSVC gets the id from DECLSPEC_UUID on the declaration instead.
#ifdef __CRT_UUID_DECL
#define WEBVIEW2_UUIDOF_DECL(name, id)                                                             \
  __CRT_UUID_DECL(name, id.Data1, id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2],       \
                  id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7])
#else
#define WEBVIEW2_UUIDOF_DECL(name, id)
#endif

// Declares the interface, attaches its id for __uuidof and defines IID_<name>. The constant is a
// C++17 inline variable: one object for the whole program however many translation units include
// this header, and usable in QueryInterface code as IsEqualIID(riid, IID_<name>).
#define WEBVIEW2_INTERFACE_ID(name, text)                                                          \
  struct DECLSPEC_UUID(text) name;                                                                 \
  inline constexpr IID IID_##name = ::webview::detail::guid_from_text(text);                       \
  WEBVIEW2_UUIDOF_DECL(name, IID_##name)

// Interface ids as published, in the order: core interfaces, then handler interfaces.
WEBVIEW2_INTERFACE_ID(ICoreWebView2Environment, "B96D755E-0319-4E92-A296-23436F46A1FC")
WEBVIEW2_INTERFACE_ID(ICoreWebView2Controller, "4D00C0D1-9434-4EB6-8078-8697A560334F")
WEBVIEW2_INTERFACE_ID(ICoreWebView2, "76ECEACB-0462-4D94-AC83-423A6793775E")
WEBVIEW2_INTERFACE_ID(ICoreWebView2Settings, "E562E4F0-D7FA-43AC-8D71-C05150499F00")
WEBVIEW2_INTERFACE_ID(ICoreWebView2WebMessageReceivedEventArgs,
                      "0F99A40C-E962-4207-9E92-E3D542EFF849")
WEBVIEW2_INTERFACE_ID(ICoreWebView2PermissionRequestedEventArgs,
                      "973AE2EF-FF18-4894-8FB2-3C758F046810")
WEBVIEW2_INTERFACE_ID(ICoreWebView2NavigationCompletedEventArgs,
                      "30D68B7D-20D9-4752-A9CA-EC8448FBB5C1")
WEBVIEW2_INTERFACE_ID(ICoreWebView2NavigationStartingEventArgs,
                      "5B495469-E119-438A-9B18-7604F25F2E49")
WEBVIEW2_INTERFACE_ID(ICoreWebView2Deferral, "C10E7F7B-B585-46F0-A623-8BEFBF3E4EE0")
WEBVIEW2_INTERFACE_ID(ICoreWebView2ProcessFailedEventArgs, "8155A9A4-1474-4A86-8CAE-151B0FA6B8CA")
WEBVIEW2_INTERFACE_ID(ICoreWebView2NewWindowRequestedEventArgs,
                      "34ACB11C-FC37-4418-9132-F9C21D1EAFB9")
WEBVIEW2_INTERFACE_ID(ICoreWebView2WindowFeatures, "5EAF559F-B46E-4397-8860-E422F287FF1E")
WEBVIEW2_INTERFACE_ID(ICoreWebView2ScriptDialogOpeningEventArgs,
                      "7390BB70-ABE0-4843-9529-F143B31B03D6")
WEBVIEW2_INTERFACE_ID(ICoreWebView2EnvironmentOptions, "2FDE08A8-1E9A-4766-8C05-95A9CEB9D1C5")
WEBVIEW2_INTERFACE_ID(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                      "4E8A3389-C9D8-4BD2-B6B5-124FEE6CC14D")
WEBVIEW2_INTERFACE_ID(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                      "6C4819F3-C9B7-4260-8127-C9F5BDE7F68C")
WEBVIEW2_INTERFACE_ID(ICoreWebView2WebMessageReceivedEventHandler,
                      "57213F19-00E6-49FA-8E07-898EA01ECBD2")
WEBVIEW2_INTERFACE_ID(ICoreWebView2PermissionRequestedEventHandler,
                      "15E1C6A3-C72A-4DF3-91D7-D097FBEC6BFD")
WEBVIEW2_INTERFACE_ID(ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler,
                      "B99369F3-9B11-47B5-BC6F-8E7895FCEA17")
WEBVIEW2_INTERFACE_ID(ICoreWebView2ExecuteScriptCompletedHandler,
                      "49511172-CC67-4BCA-9923-137112F4C4CC")
WEBVIEW2_INTERFACE_ID(ICoreWebView2NavigationCompletedEventHandler,
                      "D33A35BF-1C49-4F98-93AB-006E0533FE1C")
WEBVIEW2_INTERFACE_ID(ICoreWebView2DocumentTitleChangedEventHandler,
                      "F5F2B923-953E-4042-9F95-F3A118E1AFD4")
WEBVIEW2_INTERFACE_ID(ICoreWebView2NavigationStartingEventHandler,
                      "9ADBE429-F36D-432B-9DDC-F8881FBD76E3")
WEBVIEW2_INTERFACE_ID(ICoreWebView2ContentLoadingEventHandler,
                      "364471E7-F2BE-4910-BDBA-D72077D51C4B")
WEBVIEW2_INTERFACE_ID(ICoreWebView2SourceChangedEventHandler,
                      "3C067F9F-5388-4772-8B48-79F7EF1AB37C")
WEBVIEW2_INTERFACE_ID(ICoreWebView2HistoryChangedEventHandler,
                      "C79A420C-EFD9-4058-9295-3E8B4BCAB645")
WEBVIEW2_INTERFACE_ID(ICoreWebView2ScriptDialogOpeningEventHandler,
                      "EF381BF9-AFA8-4E37-91C4-8AC48524BDFB")
WEBVIEW2_INTERFACE_ID(ICoreWebView2ProcessFailedEventHandler,
                      "79E0AEA4-990B-42D9-AA1D-0FCC2E5BC7F1")
WEBVIEW2_INTERFACE_ID(ICoreWebView2CapturePreviewCompletedHandler,
                      "697E05E9-3D8F-45FA-96F4-8FFE1EDEDAF5")
WEBVIEW2_INTERFACE_ID(ICoreWebView2CallDevToolsProtocolMethodCompletedHandler,
                      "5C4889F0-5EF6-4C5A-952C-D8F1B92D0574")
WEBVIEW2_INTERFACE_ID(ICoreWebView2NewWindowRequestedEventHandler,
                      "D4C185FE-C81C-4989-97AF-2D3FA7AB5651")
WEBVIEW2_INTERFACE_ID(ICoreWebView2ContainsFullScreenElementChangedEventHandler,
                      "E45D98B1-AFEF-45BE-8BAF-6C7728867F73")
WEBVIEW2_INTERFACE_ID(ICoreWebView2WebResourceRequestedEventHandler,
                      "AB00B74C-15F1-4646-80E8-E76341D25D71")
WEBVIEW2_INTERFACE_ID(ICoreWebView2WindowCloseRequestedEventHandler,
                      "5C19E9E0-092F-486B-AFFA-CA8231913039")
WEBVIEW2_INTERFACE_ID(ICoreWebView2ZoomFactorChangedEventHandler,
                      "B52D71D6-C4DF-4543-A90C-64A3E60F38CB")
WEBVIEW2_INTERFACE_ID(ICoreWebView2MoveFocusRequestedEventHandler,
                      "69035451-6DC7-4CB8-9BCE-B2BD70AD289F")
WEBVIEW2_INTERFACE_ID(ICoreWebView2FocusChangedEventHandler, "05EA24BD-6452-4926-9014-4B82B498135D")
WEBVIEW2_INTERFACE_ID(ICoreWebView2AcceleratorKeyPressedEventHandler,
                      "B29C7E28-FA79-41A8-8E44-65811C76DCB2")
WEBVIEW2_INTERFACE_ID(ICoreWebView2NewBrowserVersionAvailableEventHandler,
                      "F9A2976E-D34E-44FC-ADEE-81B6B57CA914")

// Interfaces that appear only as parameter types of methods the program never calls. A forward
// declaration is all such a pointer parameter needs.
struct ICoreWebView2WebResourceResponse;
struct ICoreWebView2DevToolsProtocolEventReceiver;
struct ICoreWebView2HttpRequestHeaders;
struct ICoreWebView2ContentLoadingEventArgs;
struct ICoreWebView2SourceChangedEventArgs;
struct ICoreWebView2WebResourceRequestedEventArgs;
struct ICoreWebView2MoveFocusRequestedEventArgs;
struct ICoreWebView2AcceleratorKeyPressedEventArgs;

// Enumerations, all 32-bit on the wire, with their published values.

enum COREWEBVIEW2_MOVE_FOCUS_REASON : int {
  COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC = 0,
  COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT = 1,
  COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS = 2,
};

// Values 7-12 exist only in newer runtimes; an older runtime never reports them.
enum COREWEBVIEW2_PERMISSION_KIND : int {
  COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION = 0,
  COREWEBVIEW2_PERMISSION_KIND_MICROPHONE = 1,
  COREWEBVIEW2_PERMISSION_KIND_CAMERA = 2,
  COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION = 3,
  COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS = 4,
  COREWEBVIEW2_PERMISSION_KIND_OTHER_SENSORS = 5,
  COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ = 6,
  COREWEBVIEW2_PERMISSION_KIND_MULTIPLE_AUTOMATIC_DOWNLOADS = 7,
  COREWEBVIEW2_PERMISSION_KIND_FILE_READ_WRITE = 8,
  COREWEBVIEW2_PERMISSION_KIND_AUTOPLAY = 9,
  COREWEBVIEW2_PERMISSION_KIND_LOCAL_FONTS = 10,
  COREWEBVIEW2_PERMISSION_KIND_MIDI_SYSTEM_EXCLUSIVE_MESSAGES = 11,
  COREWEBVIEW2_PERMISSION_KIND_WINDOW_MANAGEMENT = 12,
};

enum COREWEBVIEW2_PERMISSION_STATE : int {
  COREWEBVIEW2_PERMISSION_STATE_DEFAULT = 0,
  COREWEBVIEW2_PERMISSION_STATE_ALLOW = 1,
  COREWEBVIEW2_PERMISSION_STATE_DENY = 2,
};

// Values 17 and 18 exist only in newer runtimes.
enum COREWEBVIEW2_WEB_ERROR_STATUS : int {
  COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN = 0,
  COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_COMMON_NAME_IS_INCORRECT = 1,
  COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_EXPIRED = 2,
  COREWEBVIEW2_WEB_ERROR_STATUS_CLIENT_CERTIFICATE_CONTAINS_ERRORS = 3,
  COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_REVOKED = 4,
  COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_IS_INVALID = 5,
  COREWEBVIEW2_WEB_ERROR_STATUS_SERVER_UNREACHABLE = 6,
  COREWEBVIEW2_WEB_ERROR_STATUS_TIMEOUT = 7,
  COREWEBVIEW2_WEB_ERROR_STATUS_ERROR_HTTP_INVALID_SERVER_RESPONSE = 8,
  COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_ABORTED = 9,
  COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_RESET = 10,
  COREWEBVIEW2_WEB_ERROR_STATUS_DISCONNECTED = 11,
  COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT = 12,
  COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED = 13,
  COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED = 14,
  COREWEBVIEW2_WEB_ERROR_STATUS_REDIRECT_FAILED = 15,
  COREWEBVIEW2_WEB_ERROR_STATUS_UNEXPECTED_ERROR = 16,
  COREWEBVIEW2_WEB_ERROR_STATUS_VALID_AUTHENTICATION_CREDENTIALS_REQUIRED = 17,
  COREWEBVIEW2_WEB_ERROR_STATUS_VALID_PROXY_AUTHENTICATION_REQUIRED = 18,
};

// Parameter type of ICoreWebView2::CapturePreview.
enum COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT : int {
  COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG = 0,
  COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_JPEG = 1,
};

// Parameter type of ICoreWebView2::AddWebResourceRequestedFilter and its removal.
enum COREWEBVIEW2_WEB_RESOURCE_CONTEXT : int {
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL = 0,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT = 1,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_STYLESHEET = 2,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE = 3,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MEDIA = 4,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FONT = 5,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT = 6,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_XML_HTTP_REQUEST = 7,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH = 8,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_TEXT_TRACK = 9,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_EVENT_SOURCE = 10,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_WEBSOCKET = 11,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MANIFEST = 12,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SIGNED_EXCHANGE = 13,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_PING = 14,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_CSP_VIOLATION_REPORT = 15,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER = 16,
};

// Core interfaces. Each lists its complete set of own methods in slot order (the number in front
// of each is its slot); methods the program never calls are kept because they hold their slots.

// The runtime environment; creates controllers. Own methods occupy slots 3-7.
struct DECLSPEC_NOVTABLE ICoreWebView2Environment : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler *handler) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE
  CreateWebResourceResponse(IStream *content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
                            ICoreWebView2WebResourceResponse **response) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR *versionInfo) = 0;
  /* 6 */ virtual HRESULT STDMETHODCALLTYPE
  add_NewBrowserVersionAvailable(ICoreWebView2NewBrowserVersionAvailableEventHandler *eventHandler,
                                 EventRegistrationToken *token) = 0;
  /* 7 */ virtual HRESULT STDMETHODCALLTYPE
  remove_NewBrowserVersionAvailable(EventRegistrationToken token) = 0;
};

// Hosts a web view in a parent window: bounds, visibility, focus. Own methods occupy slots 3-25;
// get_CoreWebView2 is the last one, not the first.
struct DECLSPEC_NOVTABLE ICoreWebView2Controller : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL *isVisible) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE get_Bounds(RECT *bounds) = 0;
  /* 6 */ virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;
  /* 7 */ virtual HRESULT STDMETHODCALLTYPE get_ZoomFactor(double *zoomFactor) = 0;
  /* 8 */ virtual HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) = 0;
  /* 9 */ virtual HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(
      ICoreWebView2ZoomFactorChangedEventHandler *eventHandler, EventRegistrationToken *token) = 0;
  /* 10 */ virtual HRESULT STDMETHODCALLTYPE
  remove_ZoomFactorChanged(EventRegistrationToken token) = 0;
  /* 11 */ virtual HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds,
                                                                    double zoomFactor) = 0;
  /* 12 */ virtual HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) = 0;
  /* 13 */ virtual HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(
      ICoreWebView2MoveFocusRequestedEventHandler *eventHandler, EventRegistrationToken *token) = 0;
  /* 14 */ virtual HRESULT STDMETHODCALLTYPE
  remove_MoveFocusRequested(EventRegistrationToken token) = 0;
  /* 15 */ virtual HRESULT STDMETHODCALLTYPE add_GotFocus(
      ICoreWebView2FocusChangedEventHandler *eventHandler, EventRegistrationToken *token) = 0;
  /* 16 */ virtual HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken token) = 0;
  /* 17 */ virtual HRESULT STDMETHODCALLTYPE add_LostFocus(
      ICoreWebView2FocusChangedEventHandler *eventHandler, EventRegistrationToken *token) = 0;
  /* 18 */ virtual HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken token) = 0;
  /* 19 */ virtual HRESULT STDMETHODCALLTYPE
  add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler *eventHandler,
                            EventRegistrationToken *token) = 0;
  /* 20 */ virtual HRESULT STDMETHODCALLTYPE
  remove_AcceleratorKeyPressed(EventRegistrationToken token) = 0;
  /* 21 */ virtual HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND *parentWindow) = 0;
  /* 22 */ virtual HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) = 0;
  /* 23 */ virtual HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() = 0;
  /* 24 */ virtual HRESULT STDMETHODCALLTYPE Close() = 0;
  /* 25 */ virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2 **coreWebView2) = 0;
};

// The web view itself. Own methods occupy slots 3-60. Methods the program does not call are
// declared anyway: each still holds its slot, so the ones after it stay at the right index.
struct DECLSPEC_NOVTABLE ICoreWebView2 : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings **settings) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR *uri) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) = 0;
  /* 6 */ virtual HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR htmlContent) = 0;
  /* 7 */ virtual HRESULT STDMETHODCALLTYPE add_NavigationStarting(
      ICoreWebView2NavigationStartingEventHandler *eventHandler, EventRegistrationToken *token) = 0;
  /* 8 */ virtual HRESULT STDMETHODCALLTYPE
  remove_NavigationStarting(EventRegistrationToken token) = 0;
  /* 9 */ virtual HRESULT STDMETHODCALLTYPE add_ContentLoading(
      ICoreWebView2ContentLoadingEventHandler *eventHandler, EventRegistrationToken *token) = 0;
  /* 10 */ virtual HRESULT STDMETHODCALLTYPE
  remove_ContentLoading(EventRegistrationToken token) = 0;
  /* 11 */ virtual HRESULT STDMETHODCALLTYPE add_SourceChanged(
      ICoreWebView2SourceChangedEventHandler *eventHandler, EventRegistrationToken *token) = 0;
  /* 12 */ virtual HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken token) = 0;
  /* 13 */ virtual HRESULT STDMETHODCALLTYPE add_HistoryChanged(
      ICoreWebView2HistoryChangedEventHandler *eventHandler, EventRegistrationToken *token) = 0;
  /* 14 */ virtual HRESULT STDMETHODCALLTYPE
  remove_HistoryChanged(EventRegistrationToken token) = 0;
  /* 15 */ virtual HRESULT STDMETHODCALLTYPE
  add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler *eventHandler,
                          EventRegistrationToken *token) = 0;
  /* 16 */ virtual HRESULT STDMETHODCALLTYPE
  remove_NavigationCompleted(EventRegistrationToken token) = 0;
  /* 17 */ virtual HRESULT STDMETHODCALLTYPE add_FrameNavigationStarting(
      ICoreWebView2NavigationStartingEventHandler *eventHandler, EventRegistrationToken *token) = 0;
  /* 18 */ virtual HRESULT STDMETHODCALLTYPE
  remove_FrameNavigationStarting(EventRegistrationToken token) = 0;
  /* 19 */ virtual HRESULT STDMETHODCALLTYPE
  add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler *eventHandler,
                               EventRegistrationToken *token) = 0;
  /* 20 */ virtual HRESULT STDMETHODCALLTYPE
  remove_FrameNavigationCompleted(EventRegistrationToken token) = 0;
  /* 21 */ virtual HRESULT STDMETHODCALLTYPE
  add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler *eventHandler,
                          EventRegistrationToken *token) = 0;
  /* 22 */ virtual HRESULT STDMETHODCALLTYPE
  remove_ScriptDialogOpening(EventRegistrationToken token) = 0;
  /* 23 */ virtual HRESULT STDMETHODCALLTYPE
  add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler *eventHandler,
                          EventRegistrationToken *token) = 0;
  /* 24 */ virtual HRESULT STDMETHODCALLTYPE
  remove_PermissionRequested(EventRegistrationToken token) = 0;
  /* 25 */ virtual HRESULT STDMETHODCALLTYPE add_ProcessFailed(
      ICoreWebView2ProcessFailedEventHandler *eventHandler, EventRegistrationToken *token) = 0;
  /* 26 */ virtual HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken token) = 0;
  /* 27 */ virtual HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
      LPCWSTR javaScript,
      ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler *handler) = 0;
  /* 28 */ virtual HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) = 0;
  /* 29 */ virtual HRESULT STDMETHODCALLTYPE
  ExecuteScript(LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler *handler) = 0;
  /* 30 */ virtual HRESULT STDMETHODCALLTYPE
  CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream *imageStream,
                 ICoreWebView2CapturePreviewCompletedHandler *handler) = 0;
  /* 31 */ virtual HRESULT STDMETHODCALLTYPE Reload() = 0;
  /* 32 */ virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) = 0;
  /* 33 */ virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) = 0;
  /* 34 */ virtual HRESULT STDMETHODCALLTYPE add_WebMessageReceived(
      ICoreWebView2WebMessageReceivedEventHandler *handler, EventRegistrationToken *token) = 0;
  /* 35 */ virtual HRESULT STDMETHODCALLTYPE
  remove_WebMessageReceived(EventRegistrationToken token) = 0;
  /* 36 */ virtual HRESULT STDMETHODCALLTYPE
  CallDevToolsProtocolMethod(LPCWSTR methodName, LPCWSTR parametersAsJson,
                             ICoreWebView2CallDevToolsProtocolMethodCompletedHandler *handler) = 0;
  /* 37 */ virtual HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32 *value) = 0;
  /* 38 */ virtual HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL *canGoBack) = 0;
  /* 39 */ virtual HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL *canGoForward) = 0;
  /* 40 */ virtual HRESULT STDMETHODCALLTYPE GoBack() = 0;
  /* 41 */ virtual HRESULT STDMETHODCALLTYPE GoForward() = 0;
  /* 42 */ virtual HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(
      LPCWSTR eventName, ICoreWebView2DevToolsProtocolEventReceiver **receiver) = 0;
  /* 43 */ virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
  /* 44 */ virtual HRESULT STDMETHODCALLTYPE add_NewWindowRequested(
      ICoreWebView2NewWindowRequestedEventHandler *eventHandler, EventRegistrationToken *token) = 0;
  /* 45 */ virtual HRESULT STDMETHODCALLTYPE
  remove_NewWindowRequested(EventRegistrationToken token) = 0;
  /* 46 */ virtual HRESULT STDMETHODCALLTYPE
  add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler *eventHandler,
                           EventRegistrationToken *token) = 0;
  /* 47 */ virtual HRESULT STDMETHODCALLTYPE
  remove_DocumentTitleChanged(EventRegistrationToken token) = 0;
  /* 48 */ virtual HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR *title) = 0;
  /* 49 */ virtual HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR name,
                                                                   VARIANT *object) = 0;
  /* 50 */ virtual HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR name) = 0;
  /* 51 */ virtual HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() = 0;
  /* 52 */ virtual HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(
      ICoreWebView2ContainsFullScreenElementChangedEventHandler *eventHandler,
      EventRegistrationToken *token) = 0;
  /* 53 */ virtual HRESULT STDMETHODCALLTYPE
  remove_ContainsFullScreenElementChanged(EventRegistrationToken token) = 0;
  /* 54 */ virtual HRESULT STDMETHODCALLTYPE
  get_ContainsFullScreenElement(BOOL *containsFullScreenElement) = 0;
  /* 55 */ virtual HRESULT STDMETHODCALLTYPE
  add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler *eventHandler,
                           EventRegistrationToken *token) = 0;
  /* 56 */ virtual HRESULT STDMETHODCALLTYPE
  remove_WebResourceRequested(EventRegistrationToken token) = 0;
  /* 57 */ virtual HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(
      const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) = 0;
  /* 58 */ virtual HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(
      const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) = 0;
  /* 59 */ virtual HRESULT STDMETHODCALLTYPE
  add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler *eventHandler,
                           EventRegistrationToken *token) = 0;
  /* 60 */ virtual HRESULT STDMETHODCALLTYPE
  remove_WindowCloseRequested(EventRegistrationToken token) = 0;
};

// Per-view settings: nine getter/setter pairs, getter first, slots 3-20.
struct DECLSPEC_NOVTABLE ICoreWebView2Settings : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL *isScriptEnabled) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL isScriptEnabled) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL *isWebMessageEnabled) = 0;
  /* 6 */ virtual HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL isWebMessageEnabled) = 0;
  /* 7 */ virtual HRESULT STDMETHODCALLTYPE
  get_AreDefaultScriptDialogsEnabled(BOOL *areDefaultScriptDialogsEnabled) = 0;
  /* 8 */ virtual HRESULT STDMETHODCALLTYPE
  put_AreDefaultScriptDialogsEnabled(BOOL areDefaultScriptDialogsEnabled) = 0;
  /* 9 */ virtual HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL *isStatusBarEnabled) = 0;
  /* 10 */ virtual HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL isStatusBarEnabled) = 0;
  /* 11 */ virtual HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL *areDevToolsEnabled) = 0;
  /* 12 */ virtual HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL areDevToolsEnabled) = 0;
  /* 13 */ virtual HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL *enabled) = 0;
  /* 14 */ virtual HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL enabled) = 0;
  /* 15 */ virtual HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL *allowed) = 0;
  /* 16 */ virtual HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL allowed) = 0;
  /* 17 */ virtual HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL *enabled) = 0;
  /* 18 */ virtual HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL enabled) = 0;
  /* 19 */ virtual HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL *enabled) = 0;
  /* 20 */ virtual HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL enabled) = 0;
};

// Arguments of a web message posted by the page. Slots 3-5.
struct DECLSPEC_NOVTABLE ICoreWebView2WebMessageReceivedEventArgs : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR *value) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR *value) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR *value) = 0;
};

// Arguments of a permission request; put_State answers it. Slots 3-8.
struct DECLSPEC_NOVTABLE ICoreWebView2PermissionRequestedEventArgs : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR *uri) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE
  get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND *permissionKind) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL *isUserInitiated) = 0;
  /* 6 */ virtual HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_PERMISSION_STATE *state) = 0;
  /* 7 */ virtual HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE state) = 0;
  /* 8 */ virtual HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral **deferral) = 0;
};

// Arguments of a finished navigation. Slots 3-5.
struct DECLSPEC_NOVTABLE ICoreWebView2NavigationCompletedEventArgs : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL *isSuccess) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE
  get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS *webErrorStatus) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64 *navigationId) = 0;
};

// Arguments of a top-level navigation about to start; put_Cancel stops it. Slots 3-9.
struct DECLSPEC_NOVTABLE ICoreWebView2NavigationStartingEventArgs : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR *uri) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL *isUserInitiated) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL *isRedirected) = 0;
  /* 6 */ virtual HRESULT STDMETHODCALLTYPE
  get_RequestHeaders(ICoreWebView2HttpRequestHeaders **requestHeaders) = 0;
  /* 7 */ virtual HRESULT STDMETHODCALLTYPE get_Cancel(BOOL *cancel) = 0;
  /* 8 */ virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;
  /* 9 */ virtual HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64 *navigationId) = 0;
};

// Which process of the browser failed.
enum COREWEBVIEW2_PROCESS_FAILED_KIND : int {
  COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED = 0,
  COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED = 1,
  COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE = 2,
  COREWEBVIEW2_PROCESS_FAILED_KIND_FRAME_RENDER_PROCESS_EXITED = 3,
  COREWEBVIEW2_PROCESS_FAILED_KIND_UTILITY_PROCESS_EXITED = 4,
  COREWEBVIEW2_PROCESS_FAILED_KIND_SANDBOX_HELPER_PROCESS_EXITED = 5,
  COREWEBVIEW2_PROCESS_FAILED_KIND_GPU_PROCESS_EXITED = 6,
  COREWEBVIEW2_PROCESS_FAILED_KIND_PPAPI_PLUGIN_PROCESS_EXITED = 7,
  COREWEBVIEW2_PROCESS_FAILED_KIND_PPAPI_BROKER_PROCESS_EXITED = 8,
  COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED = 9,
};

// Arguments of a failed browser process. Slot 3.
struct DECLSPEC_NOVTABLE ICoreWebView2ProcessFailedEventArgs : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE
  get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND *processFailedKind) = 0;
};

enum COREWEBVIEW2_SCRIPT_DIALOG_KIND : int {
  COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT = 0,
  COREWEBVIEW2_SCRIPT_DIALOG_KIND_CONFIRM = 1,
  COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT = 2,
  COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD = 3,
};

// Arguments of a script dialog the page opens (raised only while the browser's own dialogs are
// off); Accept means OK, or "leave" for a beforeunload dialog. Slots 3-10.
struct DECLSPEC_NOVTABLE ICoreWebView2ScriptDialogOpeningEventArgs : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR *uri) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE get_Kind(COREWEBVIEW2_SCRIPT_DIALOG_KIND *kind) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE get_Message(LPWSTR *message) = 0;
  /* 6 */ virtual HRESULT STDMETHODCALLTYPE Accept() = 0;
  /* 7 */ virtual HRESULT STDMETHODCALLTYPE get_DefaultText(LPWSTR *defaultText) = 0;
  /* 8 */ virtual HRESULT STDMETHODCALLTYPE get_ResultText(LPWSTR *resultText) = 0;
  /* 9 */ virtual HRESULT STDMETHODCALLTYPE put_ResultText(LPCWSTR resultText) = 0;
  /* 10 */ virtual HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral **deferral) = 0;
};

// Lets an event handler answer later (returned by GetDeferral). Slot 3.
struct DECLSPEC_NOVTABLE ICoreWebView2Deferral : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Complete() = 0;
};

// What a page asked for when it opened a window. Slots 3-12; positions and sizes are UINT32.
struct DECLSPEC_NOVTABLE ICoreWebView2WindowFeatures : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE get_HasPosition(BOOL *value) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE get_HasSize(BOOL *value) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE get_Left(UINT32 *value) = 0;
  /* 6 */ virtual HRESULT STDMETHODCALLTYPE get_Top(UINT32 *value) = 0;
  /* 7 */ virtual HRESULT STDMETHODCALLTYPE get_Height(UINT32 *value) = 0;
  /* 8 */ virtual HRESULT STDMETHODCALLTYPE get_Width(UINT32 *value) = 0;
  /* 9 */ virtual HRESULT STDMETHODCALLTYPE get_ShouldDisplayMenuBar(BOOL *value) = 0;
  /* 10 */ virtual HRESULT STDMETHODCALLTYPE get_ShouldDisplayStatus(BOOL *value) = 0;
  /* 11 */ virtual HRESULT STDMETHODCALLTYPE get_ShouldDisplayToolbar(BOOL *value) = 0;
  /* 12 */ virtual HRESULT STDMETHODCALLTYPE get_ShouldDisplayScrollBars(BOOL *value) = 0;
};

// A page asks for a new window. Slots 3-10: each setter comes before its getter.
struct DECLSPEC_NOVTABLE ICoreWebView2NewWindowRequestedEventArgs : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR *uri) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2 *newWindow) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2 **newWindow) = 0;
  /* 6 */ virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
  /* 7 */ virtual HRESULT STDMETHODCALLTYPE get_Handled(BOOL *handled) = 0;
  /* 8 */ virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL *isUserInitiated) = 0;
  /* 9 */ virtual HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral **deferral) = 0;
  /* 10 */ virtual HRESULT STDMETHODCALLTYPE
  get_WindowFeatures(ICoreWebView2WindowFeatures **value) = 0;
};

// Environment options, implemented by the program (webview2_environment_options.hh). Slots 3-10.
struct DECLSPEC_NOVTABLE ICoreWebView2EnvironmentOptions : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR *value) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE get_Language(LPWSTR *value) = 0;
  /* 6 */ virtual HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) = 0;
  /* 7 */ virtual HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR *value) = 0;
  /* 8 */ virtual HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) = 0;
  /* 9 */ virtual HRESULT STDMETHODCALLTYPE
  get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL *allow) = 0;
  /* 10 */ virtual HRESULT STDMETHODCALLTYPE
  put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) = 0;
};

// Handler interfaces the program implements: IUnknown plus one Invoke at slot 3, which the
// runtime calls. Completion handlers receive (HRESULT, result); event handlers (sender, args).
// String and interface arguments belong to the runtime for the duration of the call.

struct DECLSPEC_NOVTABLE ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler
    : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode,
                                                   ICoreWebView2Environment *result) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2CreateCoreWebView2ControllerCompletedHandler
    : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode,
                                                   ICoreWebView2Controller *result) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2WebMessageReceivedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE
  Invoke(ICoreWebView2 *sender, ICoreWebView2WebMessageReceivedEventArgs *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2PermissionRequestedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE
  Invoke(ICoreWebView2 *sender, ICoreWebView2PermissionRequestedEventArgs *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler
    : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, LPCWSTR result) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2ExecuteScriptCompletedHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, LPCWSTR result) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2NavigationCompletedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE
  Invoke(ICoreWebView2 *sender, ICoreWebView2NavigationCompletedEventArgs *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2DocumentTitleChangedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 *sender, IUnknown *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2NavigationStartingEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE
  Invoke(ICoreWebView2 *sender, ICoreWebView2NavigationStartingEventArgs *args) = 0;
};

// Handler interfaces taken by add_* methods the program does not call; declared in full so the
// methods that take them have their published parameter types.

struct DECLSPEC_NOVTABLE ICoreWebView2ContentLoadingEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 *sender,
                                                   ICoreWebView2ContentLoadingEventArgs *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2SourceChangedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 *sender,
                                                   ICoreWebView2SourceChangedEventArgs *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2HistoryChangedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 *sender, IUnknown *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2ScriptDialogOpeningEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE
  Invoke(ICoreWebView2 *sender, ICoreWebView2ScriptDialogOpeningEventArgs *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2ProcessFailedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 *sender,
                                                   ICoreWebView2ProcessFailedEventArgs *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2CapturePreviewCompletedHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2CallDevToolsProtocolMethodCompletedHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, LPCWSTR result) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2NewWindowRequestedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE
  Invoke(ICoreWebView2 *sender, ICoreWebView2NewWindowRequestedEventArgs *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2ContainsFullScreenElementChangedEventHandler
    : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 *sender, IUnknown *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2WebResourceRequestedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE
  Invoke(ICoreWebView2 *sender, ICoreWebView2WebResourceRequestedEventArgs *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2WindowCloseRequestedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 *sender, IUnknown *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2ZoomFactorChangedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Controller *sender,
                                                   IUnknown *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2MoveFocusRequestedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE
  Invoke(ICoreWebView2Controller *sender, ICoreWebView2MoveFocusRequestedEventArgs *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2FocusChangedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Controller *sender,
                                                   IUnknown *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2AcceleratorKeyPressedEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE
  Invoke(ICoreWebView2Controller *sender, ICoreWebView2AcceleratorKeyPressedEventArgs *args) = 0;
};

struct DECLSPEC_NOVTABLE ICoreWebView2NewBrowserVersionAvailableEventHandler : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Environment *sender,
                                                   IUnknown *args) = 0;
};

namespace webview {
namespace detail {

// Exports of the loader library "WebView2Loader.dll", declared there as STDAPI
// (extern "C" HRESULT __stdcall).

// Starts creating an environment; the result arrives through the handler's Invoke.
using CreateCoreWebView2EnvironmentWithOptions_t = HRESULT(STDAPICALLTYPE *)(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions *environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler *environmentCreatedHandler);

// Reports the installed runtime's version; the caller frees the text with CoTaskMemFree.
using GetAvailableCoreWebView2BrowserVersionString_t =
    HRESULT(STDAPICALLTYPE *)(PCWSTR browserExecutableFolder, LPWSTR *versionInfo);

// Exports of the runtime's own client library "EmbeddedBrowserWebView.dll".
//
// CreateWebViewEnvironmentWithOptionsInternal is not declared in any published header. The
// program calls it with (1, runtime kind 0, user data folder, null options, handler). The two
// leading arguments are declared as 32-bit ints: a full int 1 in the first argument register
// reads correctly whether the runtime takes it as a BOOL or as a one-byte bool, and on x64 the
// calling convention question does not arise.
using CreateWebViewEnvironmentWithOptionsInternal_t = HRESULT(STDAPICALLTYPE *)(
    int flag, int runtimeKind, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions *environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler *environmentCreatedHandler);

// The standard COM export: S_OK when the library may be unloaded, S_FALSE when it must stay.
using DllCanUnloadNow_t = HRESULT(STDAPICALLTYPE *)();

} // namespace detail
} // namespace webview

// Sizes the runtime relies on.
static_assert(sizeof(BOOL) == 4, "BOOL must be a 32-bit int");
static_assert(sizeof(RECT) == 16, "RECT must be four LONGs");
static_assert(sizeof(EventRegistrationToken) == 8,
              "EventRegistrationToken must be one 64-bit value");
static_assert(sizeof(GUID) == 16, "GUID must be 16 bytes");
static_assert(sizeof(COREWEBVIEW2_MOVE_FOCUS_REASON) == 4 &&
                  sizeof(COREWEBVIEW2_PERMISSION_KIND) == 4 &&
                  sizeof(COREWEBVIEW2_PERMISSION_STATE) == 4 &&
                  sizeof(COREWEBVIEW2_WEB_ERROR_STATUS) == 4 &&
                  sizeof(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT) == 4 &&
                  sizeof(COREWEBVIEW2_WEB_RESOURCE_CONTEXT) == 4 &&
                  sizeof(COREWEBVIEW2_PROCESS_FAILED_KIND) == 4 &&
                  sizeof(COREWEBVIEW2_SCRIPT_DIALOG_KIND) == 4,
              "WebView2 enumerations are 32-bit");

#undef WEBVIEW2_INTERFACE_ID
#undef WEBVIEW2_UUIDOF_DECL

#endif // WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_INTERFACES_HH
