// Layout checks for our declarations of the WebView2 COM interfaces.
//
// The runtime and the program find each other's methods purely by vtable index, so a method
// declared out of place, or with a different parameter type, fails only at run time on a machine
// with the runtime. These tests hold the declarations to the published layout instead:
//
// 1. Each interface's published slot table (below) builds a C-style vtable mirror, the way a C
//    client of the interface would declare it, and static_asserts pin every entry to
//    slot * sizeof(void *).
// 2. A recorder class implements each interface from the same table with `override`: it compiles
//    only when every published method exists in our declaration with the published parameter
//    types, and it can be instantiated only when our declaration has no method beyond them.
// 3. At run time every slot of a recorder is called through the mirror with distinct argument
//    values; the method of that name must run, receive each argument intact and return its
//    result. This holds only when our declaration order is the published slot order.

#include "webview/detail/backends/webview2_com_handler.hh"
#include "webview/detail/backends/webview2_interfaces.hh"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// Published slot tables: M(slot, method, (parameters), (parameter names)), or M0(slot, method)
// for a method without parameters. Slots 0-2 (IUnknown) are the same for all and not repeated.

// ICoreWebView2Environment
#define WV2_SLOTS_ENVIRONMENT(M, M0)                                                               \
  M(3, CreateCoreWebView2Controller,                                                               \
    (HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler * handler),      \
    (parentWindow, handler))                                                                       \
  M(4, CreateWebResourceResponse,                                                                  \
    (IStream * content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,                     \
     ICoreWebView2WebResourceResponse **response),                                                 \
    (content, statusCode, reasonPhrase, headers, response))                                        \
  M(5, get_BrowserVersionString, (LPWSTR * versionInfo), (versionInfo))                            \
  M(6, add_NewBrowserVersionAvailable,                                                             \
    (ICoreWebView2NewBrowserVersionAvailableEventHandler * eventHandler,                           \
     EventRegistrationToken * token),                                                              \
    (eventHandler, token))                                                                         \
  M(7, remove_NewBrowserVersionAvailable, (EventRegistrationToken token), (token))

// ICoreWebView2Controller
#define WV2_SLOTS_CONTROLLER(M, M0)                                                                \
  M(3, get_IsVisible, (BOOL * isVisible), (isVisible))                                             \
  M(4, put_IsVisible, (BOOL isVisible), (isVisible))                                               \
  M(5, get_Bounds, (RECT * bounds), (bounds))                                                      \
  M(6, put_Bounds, (RECT bounds), (bounds))                                                        \
  M(7, get_ZoomFactor, (double *zoomFactor), (zoomFactor))                                         \
  M(8, put_ZoomFactor, (double zoomFactor), (zoomFactor))                                          \
  M(9, add_ZoomFactorChanged,                                                                      \
    (ICoreWebView2ZoomFactorChangedEventHandler * eventHandler, EventRegistrationToken * token),   \
    (eventHandler, token))                                                                         \
  M(10, remove_ZoomFactorChanged, (EventRegistrationToken token), (token))                         \
  M(11, SetBoundsAndZoomFactor, (RECT bounds, double zoomFactor), (bounds, zoomFactor))            \
  M(12, MoveFocus, (COREWEBVIEW2_MOVE_FOCUS_REASON reason), (reason))                              \
  M(13, add_MoveFocusRequested,                                                                    \
    (ICoreWebView2MoveFocusRequestedEventHandler * eventHandler, EventRegistrationToken * token),  \
    (eventHandler, token))                                                                         \
  M(14, remove_MoveFocusRequested, (EventRegistrationToken token), (token))                        \
  M(15, add_GotFocus,                                                                              \
    (ICoreWebView2FocusChangedEventHandler * eventHandler, EventRegistrationToken * token),        \
    (eventHandler, token))                                                                         \
  M(16, remove_GotFocus, (EventRegistrationToken token), (token))                                  \
  M(17, add_LostFocus,                                                                             \
    (ICoreWebView2FocusChangedEventHandler * eventHandler, EventRegistrationToken * token),        \
    (eventHandler, token))                                                                         \
  M(18, remove_LostFocus, (EventRegistrationToken token), (token))                                 \
  M(19, add_AcceleratorKeyPressed,                                                                 \
    (ICoreWebView2AcceleratorKeyPressedEventHandler * eventHandler,                                \
     EventRegistrationToken * token),                                                              \
    (eventHandler, token))                                                                         \
  M(20, remove_AcceleratorKeyPressed, (EventRegistrationToken token), (token))                     \
  M(21, get_ParentWindow, (HWND * parentWindow), (parentWindow))                                   \
  M(22, put_ParentWindow, (HWND parentWindow), (parentWindow))                                     \
  M0(23, NotifyParentWindowPositionChanged)                                                        \
  M0(24, Close)                                                                                    \
  M(25, get_CoreWebView2, (ICoreWebView2 * *coreWebView2), (coreWebView2))

// ICoreWebView2
#define WV2_SLOTS_CORE_WEBVIEW2(M, M0)                                                             \
  M(3, get_Settings, (ICoreWebView2Settings * *settings), (settings))                              \
  M(4, get_Source, (LPWSTR * uri), (uri))                                                          \
  M(5, Navigate, (LPCWSTR uri), (uri))                                                             \
  M(6, NavigateToString, (LPCWSTR htmlContent), (htmlContent))                                     \
  M(7, add_NavigationStarting,                                                                     \
    (ICoreWebView2NavigationStartingEventHandler * eventHandler, EventRegistrationToken * token),  \
    (eventHandler, token))                                                                         \
  M(8, remove_NavigationStarting, (EventRegistrationToken token), (token))                         \
  M(9, add_ContentLoading,                                                                         \
    (ICoreWebView2ContentLoadingEventHandler * eventHandler, EventRegistrationToken * token),      \
    (eventHandler, token))                                                                         \
  M(10, remove_ContentLoading, (EventRegistrationToken token), (token))                            \
  M(11, add_SourceChanged,                                                                         \
    (ICoreWebView2SourceChangedEventHandler * eventHandler, EventRegistrationToken * token),       \
    (eventHandler, token))                                                                         \
  M(12, remove_SourceChanged, (EventRegistrationToken token), (token))                             \
  M(13, add_HistoryChanged,                                                                        \
    (ICoreWebView2HistoryChangedEventHandler * eventHandler, EventRegistrationToken * token),      \
    (eventHandler, token))                                                                         \
  M(14, remove_HistoryChanged, (EventRegistrationToken token), (token))                            \
  M(15, add_NavigationCompleted,                                                                   \
    (ICoreWebView2NavigationCompletedEventHandler * eventHandler, EventRegistrationToken * token), \
    (eventHandler, token))                                                                         \
  M(16, remove_NavigationCompleted, (EventRegistrationToken token), (token))                       \
  M(17, add_FrameNavigationStarting,                                                               \
    (ICoreWebView2NavigationStartingEventHandler * eventHandler, EventRegistrationToken * token),  \
    (eventHandler, token))                                                                         \
  M(18, remove_FrameNavigationStarting, (EventRegistrationToken token), (token))                   \
  M(19, add_FrameNavigationCompleted,                                                              \
    (ICoreWebView2NavigationCompletedEventHandler * eventHandler, EventRegistrationToken * token), \
    (eventHandler, token))                                                                         \
  M(20, remove_FrameNavigationCompleted, (EventRegistrationToken token), (token))                  \
  M(21, add_ScriptDialogOpening,                                                                   \
    (ICoreWebView2ScriptDialogOpeningEventHandler * eventHandler, EventRegistrationToken * token), \
    (eventHandler, token))                                                                         \
  M(22, remove_ScriptDialogOpening, (EventRegistrationToken token), (token))                       \
  M(23, add_PermissionRequested,                                                                   \
    (ICoreWebView2PermissionRequestedEventHandler * eventHandler, EventRegistrationToken * token), \
    (eventHandler, token))                                                                         \
  M(24, remove_PermissionRequested, (EventRegistrationToken token), (token))                       \
  M(25, add_ProcessFailed,                                                                         \
    (ICoreWebView2ProcessFailedEventHandler * eventHandler, EventRegistrationToken * token),       \
    (eventHandler, token))                                                                         \
  M(26, remove_ProcessFailed, (EventRegistrationToken token), (token))                             \
  M(27, AddScriptToExecuteOnDocumentCreated,                                                       \
    (LPCWSTR javaScript,                                                                           \
     ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler * handler),                  \
    (javaScript, handler))                                                                         \
  M(28, RemoveScriptToExecuteOnDocumentCreated, (LPCWSTR id), (id))                                \
  M(29, ExecuteScript, (LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler * handler), \
    (javaScript, handler))                                                                         \
  M(30, CapturePreview,                                                                            \
    (COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream * imageStream,                 \
     ICoreWebView2CapturePreviewCompletedHandler * handler),                                       \
    (imageFormat, imageStream, handler))                                                           \
  M0(31, Reload)                                                                                   \
  M(32, PostWebMessageAsJson, (LPCWSTR webMessageAsJson), (webMessageAsJson))                      \
  M(33, PostWebMessageAsString, (LPCWSTR webMessageAsString), (webMessageAsString))                \
  M(34, add_WebMessageReceived,                                                                    \
    (ICoreWebView2WebMessageReceivedEventHandler * handler, EventRegistrationToken * token),       \
    (handler, token))                                                                              \
  M(35, remove_WebMessageReceived, (EventRegistrationToken token), (token))                        \
  M(36, CallDevToolsProtocolMethod,                                                                \
    (LPCWSTR methodName, LPCWSTR parametersAsJson,                                                 \
     ICoreWebView2CallDevToolsProtocolMethodCompletedHandler * handler),                           \
    (methodName, parametersAsJson, handler))                                                       \
  M(37, get_BrowserProcessId, (UINT32 * value), (value))                                           \
  M(38, get_CanGoBack, (BOOL * canGoBack), (canGoBack))                                            \
  M(39, get_CanGoForward, (BOOL * canGoForward), (canGoForward))                                   \
  M0(40, GoBack)                                                                                   \
  M0(41, GoForward)                                                                                \
  M(42, GetDevToolsProtocolEventReceiver,                                                          \
    (LPCWSTR eventName, ICoreWebView2DevToolsProtocolEventReceiver * *receiver),                   \
    (eventName, receiver))                                                                         \
  M0(43, Stop)                                                                                     \
  M(44, add_NewWindowRequested,                                                                    \
    (ICoreWebView2NewWindowRequestedEventHandler * eventHandler, EventRegistrationToken * token),  \
    (eventHandler, token))                                                                         \
  M(45, remove_NewWindowRequested, (EventRegistrationToken token), (token))                        \
  M(46, add_DocumentTitleChanged,                                                                  \
    (ICoreWebView2DocumentTitleChangedEventHandler * eventHandler,                                 \
     EventRegistrationToken * token),                                                              \
    (eventHandler, token))                                                                         \
  M(47, remove_DocumentTitleChanged, (EventRegistrationToken token), (token))                      \
  M(48, get_DocumentTitle, (LPWSTR * title), (title))                                              \
  M(49, AddHostObjectToScript, (LPCWSTR name, VARIANT * object), (name, object))                   \
  M(50, RemoveHostObjectFromScript, (LPCWSTR name), (name))                                        \
  M0(51, OpenDevToolsWindow)                                                                       \
  M(52, add_ContainsFullScreenElementChanged,                                                      \
    (ICoreWebView2ContainsFullScreenElementChangedEventHandler * eventHandler,                     \
     EventRegistrationToken * token),                                                              \
    (eventHandler, token))                                                                         \
  M(53, remove_ContainsFullScreenElementChanged, (EventRegistrationToken token), (token))          \
  M(54, get_ContainsFullScreenElement, (BOOL * containsFullScreenElement),                         \
    (containsFullScreenElement))                                                                   \
  M(55, add_WebResourceRequested,                                                                  \
    (ICoreWebView2WebResourceRequestedEventHandler * eventHandler,                                 \
     EventRegistrationToken * token),                                                              \
    (eventHandler, token))                                                                         \
  M(56, remove_WebResourceRequested, (EventRegistrationToken token), (token))                      \
  M(57, AddWebResourceRequestedFilter,                                                             \
    (const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext),                  \
    (uri, resourceContext))                                                                        \
  M(58, RemoveWebResourceRequestedFilter,                                                          \
    (const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext),                  \
    (uri, resourceContext))                                                                        \
  M(59, add_WindowCloseRequested,                                                                  \
    (ICoreWebView2WindowCloseRequestedEventHandler * eventHandler,                                 \
     EventRegistrationToken * token),                                                              \
    (eventHandler, token))                                                                         \
  M(60, remove_WindowCloseRequested, (EventRegistrationToken token), (token))

// ICoreWebView2Settings
#define WV2_SLOTS_SETTINGS(M, M0)                                                                  \
  M(3, get_IsScriptEnabled, (BOOL * isScriptEnabled), (isScriptEnabled))                           \
  M(4, put_IsScriptEnabled, (BOOL isScriptEnabled), (isScriptEnabled))                             \
  M(5, get_IsWebMessageEnabled, (BOOL * isWebMessageEnabled), (isWebMessageEnabled))               \
  M(6, put_IsWebMessageEnabled, (BOOL isWebMessageEnabled), (isWebMessageEnabled))                 \
  M(7, get_AreDefaultScriptDialogsEnabled, (BOOL * areDefaultScriptDialogsEnabled),                \
    (areDefaultScriptDialogsEnabled))                                                              \
  M(8, put_AreDefaultScriptDialogsEnabled, (BOOL areDefaultScriptDialogsEnabled),                  \
    (areDefaultScriptDialogsEnabled))                                                              \
  M(9, get_IsStatusBarEnabled, (BOOL * isStatusBarEnabled), (isStatusBarEnabled))                  \
  M(10, put_IsStatusBarEnabled, (BOOL isStatusBarEnabled), (isStatusBarEnabled))                   \
  M(11, get_AreDevToolsEnabled, (BOOL * areDevToolsEnabled), (areDevToolsEnabled))                 \
  M(12, put_AreDevToolsEnabled, (BOOL areDevToolsEnabled), (areDevToolsEnabled))                   \
  M(13, get_AreDefaultContextMenusEnabled, (BOOL * enabled), (enabled))                            \
  M(14, put_AreDefaultContextMenusEnabled, (BOOL enabled), (enabled))                              \
  M(15, get_AreHostObjectsAllowed, (BOOL * allowed), (allowed))                                    \
  M(16, put_AreHostObjectsAllowed, (BOOL allowed), (allowed))                                      \
  M(17, get_IsZoomControlEnabled, (BOOL * enabled), (enabled))                                     \
  M(18, put_IsZoomControlEnabled, (BOOL enabled), (enabled))                                       \
  M(19, get_IsBuiltInErrorPageEnabled, (BOOL * enabled), (enabled))                                \
  M(20, put_IsBuiltInErrorPageEnabled, (BOOL enabled), (enabled))

// ICoreWebView2WebMessageReceivedEventArgs
#define WV2_SLOTS_WEB_MESSAGE_RECEIVED_EVENT_ARGS(M, M0)                                           \
  M(3, get_Source, (LPWSTR * value), (value))                                                      \
  M(4, get_WebMessageAsJson, (LPWSTR * value), (value))                                            \
  M(5, TryGetWebMessageAsString, (LPWSTR * value), (value))

// ICoreWebView2PermissionRequestedEventArgs
#define WV2_SLOTS_PERMISSION_REQUESTED_EVENT_ARGS(M, M0)                                           \
  M(3, get_Uri, (LPWSTR * uri), (uri))                                                             \
  M(4, get_PermissionKind, (COREWEBVIEW2_PERMISSION_KIND * permissionKind), (permissionKind))      \
  M(5, get_IsUserInitiated, (BOOL * isUserInitiated), (isUserInitiated))                           \
  M(6, get_State, (COREWEBVIEW2_PERMISSION_STATE * state), (state))                                \
  M(7, put_State, (COREWEBVIEW2_PERMISSION_STATE state), (state))                                  \
  M(8, GetDeferral, (ICoreWebView2Deferral * *deferral), (deferral))

// ICoreWebView2NavigationCompletedEventArgs
#define WV2_SLOTS_NAVIGATION_COMPLETED_EVENT_ARGS(M, M0)                                           \
  M(3, get_IsSuccess, (BOOL * isSuccess), (isSuccess))                                             \
  M(4, get_WebErrorStatus, (COREWEBVIEW2_WEB_ERROR_STATUS * webErrorStatus), (webErrorStatus))     \
  M(5, get_NavigationId, (UINT64 * navigationId), (navigationId))

// ICoreWebView2NavigationStartingEventArgs
#define WV2_SLOTS_NAVIGATION_STARTING_EVENT_ARGS(M, M0)                                            \
  M(3, get_Uri, (LPWSTR * uri), (uri))                                                             \
  M(4, get_IsUserInitiated, (BOOL * isUserInitiated), (isUserInitiated))                           \
  M(5, get_IsRedirected, (BOOL * isRedirected), (isRedirected))                                    \
  M(6, get_RequestHeaders, (ICoreWebView2HttpRequestHeaders * *requestHeaders), (requestHeaders))  \
  M(7, get_Cancel, (BOOL * cancel), (cancel))                                                      \
  M(8, put_Cancel, (BOOL cancel), (cancel))                                                        \
  M(9, get_NavigationId, (UINT64 * navigationId), (navigationId))

// ICoreWebView2Deferral
#define WV2_SLOTS_DEFERRAL(M, M0) M0(3, Complete)

// ICoreWebView2ProcessFailedEventArgs
#define WV2_SLOTS_PROCESS_FAILED_EVENT_ARGS(M, M0)                                                 \
  M(3, get_ProcessFailedKind, (COREWEBVIEW2_PROCESS_FAILED_KIND * kind), (kind))

// ICoreWebView2ScriptDialogOpeningEventArgs
#define WV2_SLOTS_SCRIPT_DIALOG_OPENING_EVENT_ARGS(M, M0)                                          \
  M(3, get_Uri, (LPWSTR * uri), (uri))                                                             \
  M(4, get_Kind, (COREWEBVIEW2_SCRIPT_DIALOG_KIND * kind), (kind))                                 \
  M(5, get_Message, (LPWSTR * message), (message))                                                 \
  M0(6, Accept)                                                                                    \
  M(7, get_DefaultText, (LPWSTR * defaultText), (defaultText))                                     \
  M(8, get_ResultText, (LPWSTR * resultText), (resultText))                                        \
  M(9, put_ResultText, (LPCWSTR resultText), (resultText))                                         \
  M(10, GetDeferral, (ICoreWebView2Deferral * *deferral), (deferral))

// ICoreWebView2EnvironmentOptions
#define WV2_SLOTS_ENVIRONMENT_OPTIONS(M, M0)                                                       \
  M(3, get_AdditionalBrowserArguments, (LPWSTR * value), (value))                                  \
  M(4, put_AdditionalBrowserArguments, (LPCWSTR value), (value))                                   \
  M(5, get_Language, (LPWSTR * value), (value))                                                    \
  M(6, put_Language, (LPCWSTR value), (value))                                                     \
  M(7, get_TargetCompatibleBrowserVersion, (LPWSTR * value), (value))                              \
  M(8, put_TargetCompatibleBrowserVersion, (LPCWSTR value), (value))                               \
  M(9, get_AllowSingleSignOnUsingOSPrimaryAccount, (BOOL * allow), (allow))                        \
  M(10, put_AllowSingleSignOnUsingOSPrimaryAccount, (BOOL allow), (allow))

// ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler
#define WV2_SLOTS_CREATE_CORE_WEB_VIEW2_ENVIRONMENT_COMPLETED_HANDLER(M, M0)                       \
  M(3, Invoke, (HRESULT errorCode, ICoreWebView2Environment * result), (errorCode, result))

// ICoreWebView2CreateCoreWebView2ControllerCompletedHandler
#define WV2_SLOTS_CREATE_CORE_WEB_VIEW2_CONTROLLER_COMPLETED_HANDLER(M, M0)                        \
  M(3, Invoke, (HRESULT errorCode, ICoreWebView2Controller * result), (errorCode, result))

// ICoreWebView2WebMessageReceivedEventHandler
#define WV2_SLOTS_WEB_MESSAGE_RECEIVED_EVENT_HANDLER(M, M0)                                        \
  M(3, Invoke, (ICoreWebView2 * sender, ICoreWebView2WebMessageReceivedEventArgs * args),          \
    (sender, args))

// ICoreWebView2PermissionRequestedEventHandler
#define WV2_SLOTS_PERMISSION_REQUESTED_EVENT_HANDLER(M, M0)                                        \
  M(3, Invoke, (ICoreWebView2 * sender, ICoreWebView2PermissionRequestedEventArgs * args),         \
    (sender, args))

// ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler
#define WV2_SLOTS_ADD_SCRIPT_TO_EXECUTE_ON_DOCUMENT_CREATED_COMPLETED_HANDLER(M, M0)               \
  M(3, Invoke, (HRESULT errorCode, LPCWSTR result), (errorCode, result))

// ICoreWebView2ExecuteScriptCompletedHandler
#define WV2_SLOTS_EXECUTE_SCRIPT_COMPLETED_HANDLER(M, M0)                                          \
  M(3, Invoke, (HRESULT errorCode, LPCWSTR result), (errorCode, result))

// ICoreWebView2NavigationCompletedEventHandler
#define WV2_SLOTS_NAVIGATION_COMPLETED_EVENT_HANDLER(M, M0)                                        \
  M(3, Invoke, (ICoreWebView2 * sender, ICoreWebView2NavigationCompletedEventArgs * args),         \
    (sender, args))

// ICoreWebView2DocumentTitleChangedEventHandler
#define WV2_SLOTS_DOCUMENT_TITLE_CHANGED_EVENT_HANDLER(M, M0)                                      \
  M(3, Invoke, (ICoreWebView2 * sender, IUnknown * args), (sender, args))

// ICoreWebView2NavigationStartingEventHandler
#define WV2_SLOTS_NAVIGATION_STARTING_EVENT_HANDLER(M, M0)                                         \
  M(3, Invoke, (ICoreWebView2 * sender, ICoreWebView2NavigationStartingEventArgs * args),          \
    (sender, args))

// ICoreWebView2ContentLoadingEventHandler
#define WV2_SLOTS_CONTENT_LOADING_EVENT_HANDLER(M, M0)                                             \
  M(3, Invoke, (ICoreWebView2 * sender, ICoreWebView2ContentLoadingEventArgs * args),              \
    (sender, args))

// ICoreWebView2SourceChangedEventHandler
#define WV2_SLOTS_SOURCE_CHANGED_EVENT_HANDLER(M, M0)                                              \
  M(3, Invoke, (ICoreWebView2 * sender, ICoreWebView2SourceChangedEventArgs * args), (sender, args))

// ICoreWebView2HistoryChangedEventHandler
#define WV2_SLOTS_HISTORY_CHANGED_EVENT_HANDLER(M, M0)                                             \
  M(3, Invoke, (ICoreWebView2 * sender, IUnknown * args), (sender, args))

// ICoreWebView2ScriptDialogOpeningEventHandler
#define WV2_SLOTS_SCRIPT_DIALOG_OPENING_EVENT_HANDLER(M, M0)                                       \
  M(3, Invoke, (ICoreWebView2 * sender, ICoreWebView2ScriptDialogOpeningEventArgs * args),         \
    (sender, args))

// ICoreWebView2ProcessFailedEventHandler
#define WV2_SLOTS_PROCESS_FAILED_EVENT_HANDLER(M, M0)                                              \
  M(3, Invoke, (ICoreWebView2 * sender, ICoreWebView2ProcessFailedEventArgs * args), (sender, args))

// ICoreWebView2CapturePreviewCompletedHandler
#define WV2_SLOTS_CAPTURE_PREVIEW_COMPLETED_HANDLER(M, M0)                                         \
  M(3, Invoke, (HRESULT errorCode), (errorCode))

// ICoreWebView2CallDevToolsProtocolMethodCompletedHandler
#define WV2_SLOTS_CALL_DEV_TOOLS_PROTOCOL_METHOD_COMPLETED_HANDLER(M, M0)                          \
  M(3, Invoke, (HRESULT errorCode, LPCWSTR result), (errorCode, result))

// ICoreWebView2NewWindowRequestedEventHandler
#define WV2_SLOTS_NEW_WINDOW_REQUESTED_EVENT_HANDLER(M, M0)                                        \
  M(3, Invoke, (ICoreWebView2 * sender, ICoreWebView2NewWindowRequestedEventArgs * args),          \
    (sender, args))

// ICoreWebView2ContainsFullScreenElementChangedEventHandler
#define WV2_SLOTS_CONTAINS_FULL_SCREEN_ELEMENT_CHANGED_EVENT_HANDLER(M, M0)                        \
  M(3, Invoke, (ICoreWebView2 * sender, IUnknown * args), (sender, args))

// ICoreWebView2WebResourceRequestedEventHandler
#define WV2_SLOTS_WEB_RESOURCE_REQUESTED_EVENT_HANDLER(M, M0)                                      \
  M(3, Invoke, (ICoreWebView2 * sender, ICoreWebView2WebResourceRequestedEventArgs * args),        \
    (sender, args))

// ICoreWebView2WindowCloseRequestedEventHandler
#define WV2_SLOTS_WINDOW_CLOSE_REQUESTED_EVENT_HANDLER(M, M0)                                      \
  M(3, Invoke, (ICoreWebView2 * sender, IUnknown * args), (sender, args))

// ICoreWebView2ZoomFactorChangedEventHandler
#define WV2_SLOTS_ZOOM_FACTOR_CHANGED_EVENT_HANDLER(M, M0)                                         \
  M(3, Invoke, (ICoreWebView2Controller * sender, IUnknown * args), (sender, args))

// ICoreWebView2MoveFocusRequestedEventHandler
#define WV2_SLOTS_MOVE_FOCUS_REQUESTED_EVENT_HANDLER(M, M0)                                        \
  M(3, Invoke,                                                                                     \
    (ICoreWebView2Controller * sender, ICoreWebView2MoveFocusRequestedEventArgs * args),           \
    (sender, args))

// ICoreWebView2FocusChangedEventHandler
#define WV2_SLOTS_FOCUS_CHANGED_EVENT_HANDLER(M, M0)                                               \
  M(3, Invoke, (ICoreWebView2Controller * sender, IUnknown * args), (sender, args))

// ICoreWebView2AcceleratorKeyPressedEventHandler
#define WV2_SLOTS_ACCELERATOR_KEY_PRESSED_EVENT_HANDLER(M, M0)                                     \
  M(3, Invoke,                                                                                     \
    (ICoreWebView2Controller * sender, ICoreWebView2AcceleratorKeyPressedEventArgs * args),        \
    (sender, args))

// ICoreWebView2NewBrowserVersionAvailableEventHandler
#define WV2_SLOTS_NEW_BROWSER_VERSION_AVAILABLE_EVENT_HANDLER(M, M0)                               \
  M(3, Invoke, (ICoreWebView2Environment * sender, IUnknown * args), (sender, args))

// ---------------------------------------------------------------------------------------------
// Recording what a call delivered.

struct call_log {
  std::string method;
  std::vector<std::string> args;
};

std::string describe(const RECT &r) {
  std::ostringstream out;
  out << "RECT{" << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom << '}';
  return out.str();
}

std::string describe(const EventRegistrationToken &t) {
  return "token{" + std::to_string(t.value) + '}';
}

std::string describe(double d) {
  std::ostringstream out;
  out << "double{" << d << '}';
  return out.str();
}

template <class T> std::string describe(T *p) {
  return "pointer{" + std::to_string(reinterpret_cast<std::uintptr_t>(p)) + '}';
}

template <class T, std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>, int> = 0>
std::string describe(T v) {
  return "int" + std::to_string(sizeof(T) * 8) + '{' + std::to_string(static_cast<long long>(v)) +
         '}';
}

// A distinct value of each parameter type for each parameter position, so that a value arriving
// in the wrong parameter, or truncated, shows up.
template <class T> T sample(std::size_t position) {
  if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<T>(static_cast<std::uintptr_t>(0x10000 * (position + 1) + 0x1230));
  } else if constexpr (std::is_same_v<T, RECT>) {
    const auto p = static_cast<LONG>(position);
    return RECT{11 + p, -22 - p, 3300 + p, 44000 + p};
  } else if constexpr (std::is_same_v<T, EventRegistrationToken>) {
    EventRegistrationToken token{};
    token.value = 0x1122334455667700LL + static_cast<long long>(position);
    return token;
  } else if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(1.25 + static_cast<double>(position));
  } else {
    static_assert(std::is_integral_v<T> || std::is_enum_v<T>, "no sample for this type");
    return static_cast<T>(0x12345600 + static_cast<int>(position));
  }
}

// The result each recorded method returns: a success code carrying the method's slot.
HRESULT slot_result(std::size_t slot) {
  return MAKE_HRESULT(SEVERITY_SUCCESS, 0x57, static_cast<unsigned>(slot));
}
constexpr ULONG add_ref_result = 0x101;
constexpr ULONG release_result = 0x102;

// Implements IUnknown for a recorder of interface I; the generated subclass implements the rest.
template <class I> class recorder_base : public I {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override {
    calls = {"QueryInterface", {describe(&riid), describe(object)}};
    return slot_result(0);
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    calls = {"AddRef", {}};
    return add_ref_result;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    calls = {"Release", {}};
    return release_result;
  }

  call_log calls;

protected:
  template <class... A> HRESULT record(std::size_t slot, const char *method, const A &...args) {
    calls = {method, {describe(args)...}};
    return slot_result(slot);
  }
};

// What calling one vtable slot did.
struct slot_observation {
  std::size_t slot = 0;
  std::string expected_method;
  std::string ran_method;
  long long expected_result = 0;
  long long result = 0;
  std::vector<std::string> sent;
  std::vector<std::string> received;
};

template <class Self, class... A, std::size_t... I>
slot_observation call_slot(std::size_t slot, const char *method,
                           HRESULT(STDMETHODCALLTYPE *entry)(Self *, A...), Self *self,
                           const call_log &calls, std::index_sequence<I...>) {
  slot_observation o;
  o.slot = slot;
  o.expected_method = method;
  o.expected_result = slot_result(slot);
  o.sent = {describe(sample<A>(I))...};
  o.result = entry(self, sample<A>(I)...);
  o.ran_method = calls.method;
  o.received = calls.args;
  return o;
}

template <class Self, class... A>
slot_observation call_slot(std::size_t slot, const char *method,
                           HRESULT(STDMETHODCALLTYPE *entry)(Self *, A...), Self *self,
                           const call_log &calls) {
  return call_slot(slot, method, entry, self, calls, std::index_sequence_for<A...>{});
}

// Calls slots 0-2 through the mirror.
template <class Vtbl, class Self>
std::vector<slot_observation> observe_iunknown(const Vtbl *vt, Self *self, const call_log &calls) {
  std::vector<slot_observation> out(3);
  void *object = nullptr;
  out[0].sent = {describe(&__uuidof(IUnknown)), describe(&object)};
  out[0].result = vt->QueryInterface(self, __uuidof(IUnknown), &object);
  out[0].expected_result = slot_result(0);
  out[0].received = calls.args;
  out[0].ran_method = calls.method;
  out[1].result = vt->AddRef(self);
  out[1].expected_result = add_ref_result;
  out[1].ran_method = calls.method;
  out[2].result = vt->Release(self);
  out[2].expected_result = release_result;
  out[2].ran_method = calls.method;
  const char *names[] = {"QueryInterface", "AddRef", "Release"};
  for (std::size_t slot = 0; slot < 3; ++slot) {
    out[slot].slot = slot;
    out[slot].expected_method = names[slot];
  }
  return out;
}

#define WV2_UNPAREN(...) __VA_ARGS__
#define WV2_MIRROR(slot, name, params, args)                                                       \
  HRESULT(STDMETHODCALLTYPE *name)(Self * This, WV2_UNPAREN params);
#define WV2_MIRROR0(slot, name) HRESULT(STDMETHODCALLTYPE *name)(Self * This);
#define WV2_SLOT_CHECK(slot, name, params, args)                                                   \
  static_assert(offsetof(Vtbl, name) == (slot) * sizeof(void *), #name " belongs in slot " #slot);
#define WV2_SLOT_CHECK0(slot, name) WV2_SLOT_CHECK(slot, name, (), ())
#define WV2_RECORD(slot, name, params, args)                                                       \
  HRESULT STDMETHODCALLTYPE name(WV2_UNPAREN params) override {                                    \
    return record(slot, #name, WV2_UNPAREN args);                                                  \
  }
#define WV2_RECORD0(slot, name)                                                                    \
  HRESULT STDMETHODCALLTYPE name() override {                                                      \
    return record(slot, #name);                                                                    \
  }
#define WV2_CALL(slot, name, params, args)                                                         \
  out.push_back(call_slot(slot, #name, vt->name, self, object.calls));
#define WV2_CALL0(slot, name) WV2_CALL(slot, name, (), ())

// For one interface: the C mirror <I>Vtbl with its slot checks, the recorder <I>Recorder, and
// observe_<I>(), which calls every slot of a recorder through the mirror.
#define WV2_LAYOUT(Iface, SLOTS, entries)                                                          \
  struct Iface##Vtbl {                                                                             \
    using Self = Iface;                                                                            \
    HRESULT(STDMETHODCALLTYPE *QueryInterface)(Self * This, REFIID riid, void **object);           \
    ULONG(STDMETHODCALLTYPE *AddRef)(Self * This);                                                 \
    ULONG(STDMETHODCALLTYPE *Release)(Self * This);                                                \
    SLOTS(WV2_MIRROR, WV2_MIRROR0)                                                                 \
  };                                                                                               \
  struct Iface##VtblChecks {                                                                       \
    using Vtbl = Iface##Vtbl;                                                                      \
    static_assert(offsetof(Vtbl, QueryInterface) == 0, "IUnknown slot 0");                         \
    static_assert(offsetof(Vtbl, AddRef) == sizeof(void *), "IUnknown slot 1");                    \
    static_assert(offsetof(Vtbl, Release) == 2 * sizeof(void *), "IUnknown slot 2");               \
    SLOTS(WV2_SLOT_CHECK, WV2_SLOT_CHECK0)                                                         \
    static_assert(sizeof(Vtbl) == (entries) * sizeof(void *), #Iface " has " #entries " slots");   \
  };                                                                                               \
  class Iface##Recorder final : public recorder_base<Iface> {                                      \
  public:                                                                                          \
    SLOTS(WV2_RECORD, WV2_RECORD0)                                                                 \
  };                                                                                               \
  std::vector<slot_observation> observe_##Iface() {                                                \
    Iface##Recorder object;                                                                        \
    Iface *self = &object;                                                                         \
    const auto *vt = *reinterpret_cast<const Iface##Vtbl *const *>(self);                          \
    std::vector<slot_observation> out = observe_iunknown(vt, self, object.calls);                  \
    SLOTS(WV2_CALL, WV2_CALL0)                                                                     \
    return out;                                                                                    \
  }

WV2_LAYOUT(ICoreWebView2Environment, WV2_SLOTS_ENVIRONMENT, 8)
WV2_LAYOUT(ICoreWebView2Controller, WV2_SLOTS_CONTROLLER, 26)
WV2_LAYOUT(ICoreWebView2, WV2_SLOTS_CORE_WEBVIEW2, 61)
WV2_LAYOUT(ICoreWebView2Settings, WV2_SLOTS_SETTINGS, 21)
WV2_LAYOUT(ICoreWebView2WebMessageReceivedEventArgs, WV2_SLOTS_WEB_MESSAGE_RECEIVED_EVENT_ARGS, 6)
WV2_LAYOUT(ICoreWebView2PermissionRequestedEventArgs, WV2_SLOTS_PERMISSION_REQUESTED_EVENT_ARGS, 9)
WV2_LAYOUT(ICoreWebView2NavigationCompletedEventArgs, WV2_SLOTS_NAVIGATION_COMPLETED_EVENT_ARGS, 6)
WV2_LAYOUT(ICoreWebView2NavigationStartingEventArgs, WV2_SLOTS_NAVIGATION_STARTING_EVENT_ARGS, 10)
WV2_LAYOUT(ICoreWebView2Deferral, WV2_SLOTS_DEFERRAL, 4)
WV2_LAYOUT(ICoreWebView2ProcessFailedEventArgs, WV2_SLOTS_PROCESS_FAILED_EVENT_ARGS, 4)
WV2_LAYOUT(ICoreWebView2ScriptDialogOpeningEventArgs, WV2_SLOTS_SCRIPT_DIALOG_OPENING_EVENT_ARGS,
           11)
WV2_LAYOUT(ICoreWebView2EnvironmentOptions, WV2_SLOTS_ENVIRONMENT_OPTIONS, 11)
WV2_LAYOUT(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
           WV2_SLOTS_CREATE_CORE_WEB_VIEW2_ENVIRONMENT_COMPLETED_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
           WV2_SLOTS_CREATE_CORE_WEB_VIEW2_CONTROLLER_COMPLETED_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2WebMessageReceivedEventHandler,
           WV2_SLOTS_WEB_MESSAGE_RECEIVED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2PermissionRequestedEventHandler,
           WV2_SLOTS_PERMISSION_REQUESTED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler,
           WV2_SLOTS_ADD_SCRIPT_TO_EXECUTE_ON_DOCUMENT_CREATED_COMPLETED_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2ExecuteScriptCompletedHandler, WV2_SLOTS_EXECUTE_SCRIPT_COMPLETED_HANDLER,
           4)
WV2_LAYOUT(ICoreWebView2NavigationCompletedEventHandler,
           WV2_SLOTS_NAVIGATION_COMPLETED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2DocumentTitleChangedEventHandler,
           WV2_SLOTS_DOCUMENT_TITLE_CHANGED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2NavigationStartingEventHandler, WV2_SLOTS_NAVIGATION_STARTING_EVENT_HANDLER,
           4)
WV2_LAYOUT(ICoreWebView2ContentLoadingEventHandler, WV2_SLOTS_CONTENT_LOADING_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2SourceChangedEventHandler, WV2_SLOTS_SOURCE_CHANGED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2HistoryChangedEventHandler, WV2_SLOTS_HISTORY_CHANGED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2ScriptDialogOpeningEventHandler,
           WV2_SLOTS_SCRIPT_DIALOG_OPENING_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2ProcessFailedEventHandler, WV2_SLOTS_PROCESS_FAILED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2CapturePreviewCompletedHandler, WV2_SLOTS_CAPTURE_PREVIEW_COMPLETED_HANDLER,
           4)
WV2_LAYOUT(ICoreWebView2CallDevToolsProtocolMethodCompletedHandler,
           WV2_SLOTS_CALL_DEV_TOOLS_PROTOCOL_METHOD_COMPLETED_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2NewWindowRequestedEventHandler,
           WV2_SLOTS_NEW_WINDOW_REQUESTED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2ContainsFullScreenElementChangedEventHandler,
           WV2_SLOTS_CONTAINS_FULL_SCREEN_ELEMENT_CHANGED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2WebResourceRequestedEventHandler,
           WV2_SLOTS_WEB_RESOURCE_REQUESTED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2WindowCloseRequestedEventHandler,
           WV2_SLOTS_WINDOW_CLOSE_REQUESTED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2ZoomFactorChangedEventHandler, WV2_SLOTS_ZOOM_FACTOR_CHANGED_EVENT_HANDLER,
           4)
WV2_LAYOUT(ICoreWebView2MoveFocusRequestedEventHandler,
           WV2_SLOTS_MOVE_FOCUS_REQUESTED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2FocusChangedEventHandler, WV2_SLOTS_FOCUS_CHANGED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2AcceleratorKeyPressedEventHandler,
           WV2_SLOTS_ACCELERATOR_KEY_PRESSED_EVENT_HANDLER, 4)
WV2_LAYOUT(ICoreWebView2NewBrowserVersionAvailableEventHandler,
           WV2_SLOTS_NEW_BROWSER_VERSION_AVAILABLE_EVENT_HANDLER, 4)

// The calls the program makes, at their published slots (a second transcription, independent of
// the tables above).
static_assert(offsetof(ICoreWebView2EnvironmentVtbl, CreateCoreWebView2Controller) ==
              3 * sizeof(void *));
static_assert(offsetof(ICoreWebView2ControllerVtbl, get_IsVisible) == 3 * sizeof(void *));
static_assert(offsetof(ICoreWebView2ControllerVtbl, put_IsVisible) == 4 * sizeof(void *));
static_assert(offsetof(ICoreWebView2ControllerVtbl, put_Bounds) == 6 * sizeof(void *));
static_assert(offsetof(ICoreWebView2ControllerVtbl, MoveFocus) == 12 * sizeof(void *));
static_assert(offsetof(ICoreWebView2ControllerVtbl, Close) == 24 * sizeof(void *));
static_assert(offsetof(ICoreWebView2ControllerVtbl, get_CoreWebView2) == 25 * sizeof(void *));
static_assert(offsetof(ICoreWebView2Vtbl, get_Settings) == 3 * sizeof(void *));
static_assert(offsetof(ICoreWebView2Vtbl, get_Source) == 4 * sizeof(void *));
static_assert(offsetof(ICoreWebView2Vtbl, Navigate) == 5 * sizeof(void *));
static_assert(offsetof(ICoreWebView2Vtbl, NavigateToString) == 6 * sizeof(void *));
static_assert(offsetof(ICoreWebView2Vtbl, add_NavigationCompleted) == 15 * sizeof(void *));
static_assert(offsetof(ICoreWebView2Vtbl, add_PermissionRequested) == 23 * sizeof(void *));
static_assert(offsetof(ICoreWebView2Vtbl, AddScriptToExecuteOnDocumentCreated) ==
              27 * sizeof(void *));
static_assert(offsetof(ICoreWebView2Vtbl, RemoveScriptToExecuteOnDocumentCreated) ==
              28 * sizeof(void *));
static_assert(offsetof(ICoreWebView2Vtbl, ExecuteScript) == 29 * sizeof(void *));
static_assert(offsetof(ICoreWebView2Vtbl, add_WebMessageReceived) == 34 * sizeof(void *));
static_assert(offsetof(ICoreWebView2Vtbl, add_DocumentTitleChanged) == 46 * sizeof(void *));
static_assert(offsetof(ICoreWebView2Vtbl, get_DocumentTitle) == 48 * sizeof(void *));
static_assert(offsetof(ICoreWebView2SettingsVtbl, put_IsStatusBarEnabled) == 10 * sizeof(void *));
static_assert(offsetof(ICoreWebView2SettingsVtbl, put_AreDevToolsEnabled) == 12 * sizeof(void *));
static_assert(offsetof(ICoreWebView2SettingsVtbl, put_IsZoomControlEnabled) == 18 * sizeof(void *));
static_assert(offsetof(ICoreWebView2WebMessageReceivedEventArgsVtbl, TryGetWebMessageAsString) ==
              5 * sizeof(void *));
static_assert(offsetof(ICoreWebView2PermissionRequestedEventArgsVtbl, get_PermissionKind) ==
              4 * sizeof(void *));
static_assert(offsetof(ICoreWebView2PermissionRequestedEventArgsVtbl, put_State) ==
              7 * sizeof(void *));
static_assert(offsetof(ICoreWebView2NavigationCompletedEventArgsVtbl, get_IsSuccess) ==
              3 * sizeof(void *));
static_assert(offsetof(ICoreWebView2NavigationCompletedEventArgsVtbl, get_WebErrorStatus) ==
              4 * sizeof(void *));

// The entry points' published signatures.
static_assert(std::is_same_v<webview::detail::CreateCoreWebView2EnvironmentWithOptions_t,
                             HRESULT(STDAPICALLTYPE *)(
                                 PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions *,
                                 ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler *)>);
static_assert(std::is_same_v<webview::detail::GetAvailableCoreWebView2BrowserVersionString_t,
                             HRESULT(STDAPICALLTYPE *)(PCWSTR, LPWSTR *)>);
static_assert(std::is_same_v<webview::detail::CreateWebViewEnvironmentWithOptionsInternal_t,
                             HRESULT(STDAPICALLTYPE *)(
                                 int, int, PCWSTR, ICoreWebView2EnvironmentOptions *,
                                 ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler *)>);
static_assert(std::is_same_v<webview::detail::DllCanUnloadNow_t, HRESULT(STDAPICALLTYPE *)()>);

// ---------------------------------------------------------------------------------------------
// Slot dispatch at run time.

struct interface_case {
  const char *name;
  std::vector<slot_observation> (*observe)();
};

void PrintTo(const interface_case &c, std::ostream *os) {
  *os << c.name;
}

std::string case_name(const ::testing::TestParamInfo<interface_case> &info) {
  return info.param.name;
}

#define WV2_OBSERVE(Iface)                                                                         \
  interface_case {                                                                                 \
#Iface, &observe_##Iface                                                                       \
  }

void expect_every_slot_dispatches_correctly(const interface_case &c, std::size_t entries) {
  const std::vector<slot_observation> observations = c.observe();
  ASSERT_EQ(observations.size(), entries);
  for (std::size_t i = 0; i < observations.size(); ++i) {
    const slot_observation &o = observations[i];
    SCOPED_TRACE("slot " + std::to_string(o.slot) + ", published method " + o.expected_method);
    EXPECT_EQ(o.slot, i);
    EXPECT_EQ(o.ran_method, o.expected_method);
    EXPECT_EQ(o.result, o.expected_result);
    EXPECT_EQ(o.received, o.sent);
  }
}

// Interfaces whose objects the runtime gives us and we call.
class WebView2CoreInterfaceLayout : public ::testing::TestWithParam<interface_case> {};

TEST_P(WebView2CoreInterfaceLayout, EverySlotReachesItsPublishedMethodWithArgumentsIntact) {
  const interface_case &c = GetParam();
  std::size_t entries = 0;
  for (const auto &[name, slots] : {
           std::pair<const char *, std::size_t>{"ICoreWebView2Environment", 8},
           {"ICoreWebView2Controller", 26},
           {"ICoreWebView2", 61},
           {"ICoreWebView2Settings", 21},
           {"ICoreWebView2WebMessageReceivedEventArgs", 6},
           {"ICoreWebView2PermissionRequestedEventArgs", 9},
           {"ICoreWebView2NavigationCompletedEventArgs", 6},
           {"ICoreWebView2NavigationStartingEventArgs", 10},
           {"ICoreWebView2Deferral", 4},
           {"ICoreWebView2ProcessFailedEventArgs", 4},
           {"ICoreWebView2ScriptDialogOpeningEventArgs", 11},
           {"ICoreWebView2EnvironmentOptions", 11},
       }) {
    if (std::strcmp(name, c.name) == 0) {
      entries = slots;
    }
  }
  ASSERT_NE(entries, 0u) << "no published vtable size for " << c.name;
  expect_every_slot_dispatches_correctly(c, entries);
}

INSTANTIATE_TEST_SUITE_P(Published, WebView2CoreInterfaceLayout,
                         ::testing::Values(WV2_OBSERVE(ICoreWebView2Environment),
                                           WV2_OBSERVE(ICoreWebView2Controller),
                                           WV2_OBSERVE(ICoreWebView2),
                                           WV2_OBSERVE(ICoreWebView2Settings),
                                           WV2_OBSERVE(ICoreWebView2WebMessageReceivedEventArgs),
                                           WV2_OBSERVE(ICoreWebView2PermissionRequestedEventArgs),
                                           WV2_OBSERVE(ICoreWebView2NavigationCompletedEventArgs),
                                           WV2_OBSERVE(ICoreWebView2NavigationStartingEventArgs),
                                           WV2_OBSERVE(ICoreWebView2Deferral),
                                           WV2_OBSERVE(ICoreWebView2ProcessFailedEventArgs),
                                           WV2_OBSERVE(ICoreWebView2ScriptDialogOpeningEventArgs),
                                           WV2_OBSERVE(ICoreWebView2EnvironmentOptions)),
                         case_name);

// Handler interfaces: we implement them and the runtime calls Invoke at slot 3.
class WebView2HandlerLayout : public ::testing::TestWithParam<interface_case> {};

TEST_P(WebView2HandlerLayout, InvokeIsSlotThreeAndReceivesItsArgumentsIntact) {
  expect_every_slot_dispatches_correctly(GetParam(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Published, WebView2HandlerLayout,
    ::testing::Values(WV2_OBSERVE(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler),
                      WV2_OBSERVE(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler),
                      WV2_OBSERVE(ICoreWebView2WebMessageReceivedEventHandler),
                      WV2_OBSERVE(ICoreWebView2PermissionRequestedEventHandler),
                      WV2_OBSERVE(ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler),
                      WV2_OBSERVE(ICoreWebView2ExecuteScriptCompletedHandler),
                      WV2_OBSERVE(ICoreWebView2NavigationCompletedEventHandler),
                      WV2_OBSERVE(ICoreWebView2DocumentTitleChangedEventHandler),
                      WV2_OBSERVE(ICoreWebView2NavigationStartingEventHandler),
                      WV2_OBSERVE(ICoreWebView2ContentLoadingEventHandler),
                      WV2_OBSERVE(ICoreWebView2SourceChangedEventHandler),
                      WV2_OBSERVE(ICoreWebView2HistoryChangedEventHandler),
                      WV2_OBSERVE(ICoreWebView2ScriptDialogOpeningEventHandler),
                      WV2_OBSERVE(ICoreWebView2ProcessFailedEventHandler),
                      WV2_OBSERVE(ICoreWebView2CapturePreviewCompletedHandler),
                      WV2_OBSERVE(ICoreWebView2CallDevToolsProtocolMethodCompletedHandler),
                      WV2_OBSERVE(ICoreWebView2NewWindowRequestedEventHandler),
                      WV2_OBSERVE(ICoreWebView2ContainsFullScreenElementChangedEventHandler),
                      WV2_OBSERVE(ICoreWebView2WebResourceRequestedEventHandler),
                      WV2_OBSERVE(ICoreWebView2WindowCloseRequestedEventHandler),
                      WV2_OBSERVE(ICoreWebView2ZoomFactorChangedEventHandler),
                      WV2_OBSERVE(ICoreWebView2MoveFocusRequestedEventHandler),
                      WV2_OBSERVE(ICoreWebView2FocusChangedEventHandler),
                      WV2_OBSERVE(ICoreWebView2AcceleratorKeyPressedEventHandler),
                      WV2_OBSERVE(ICoreWebView2NewBrowserVersionAvailableEventHandler)),
    case_name);

// ---------------------------------------------------------------------------------------------
// Interface ids.

struct iid_case {
  const char *name;
  const IID *constant;
  const IID *uuidof;
  const wchar_t *published;
};

#define WV2_IID_ROW(Iface, text)                                                                   \
  iid_case {                                                                                       \
#Iface, &IID_##Iface, &__uuidof(Iface), text                                                   \
  }

const iid_case interface_ids[] = {
    WV2_IID_ROW(ICoreWebView2Environment, L"{B96D755E-0319-4E92-A296-23436F46A1FC}"),
    WV2_IID_ROW(ICoreWebView2Controller, L"{4D00C0D1-9434-4EB6-8078-8697A560334F}"),
    WV2_IID_ROW(ICoreWebView2, L"{76ECEACB-0462-4D94-AC83-423A6793775E}"),
    WV2_IID_ROW(ICoreWebView2Settings, L"{E562E4F0-D7FA-43AC-8D71-C05150499F00}"),
    WV2_IID_ROW(ICoreWebView2WebMessageReceivedEventArgs,
                L"{0F99A40C-E962-4207-9E92-E3D542EFF849}"),
    WV2_IID_ROW(ICoreWebView2PermissionRequestedEventArgs,
                L"{973AE2EF-FF18-4894-8FB2-3C758F046810}"),
    WV2_IID_ROW(ICoreWebView2NavigationCompletedEventArgs,
                L"{30D68B7D-20D9-4752-A9CA-EC8448FBB5C1}"),
    WV2_IID_ROW(ICoreWebView2NavigationStartingEventArgs,
                L"{5B495469-E119-438A-9B18-7604F25F2E49}"),
    WV2_IID_ROW(ICoreWebView2Deferral, L"{C10E7F7B-B585-46F0-A623-8BEFBF3E4EE0}"),
    WV2_IID_ROW(ICoreWebView2ProcessFailedEventArgs, L"{8155A9A4-1474-4A86-8CAE-151B0FA6B8CA}"),
    WV2_IID_ROW(ICoreWebView2ScriptDialogOpeningEventArgs,
                L"{7390BB70-ABE0-4843-9529-F143B31B03D6}"),
    WV2_IID_ROW(ICoreWebView2EnvironmentOptions, L"{2FDE08A8-1E9A-4766-8C05-95A9CEB9D1C5}"),
    WV2_IID_ROW(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                L"{4E8A3389-C9D8-4BD2-B6B5-124FEE6CC14D}"),
    WV2_IID_ROW(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                L"{6C4819F3-C9B7-4260-8127-C9F5BDE7F68C}"),
    WV2_IID_ROW(ICoreWebView2WebMessageReceivedEventHandler,
                L"{57213F19-00E6-49FA-8E07-898EA01ECBD2}"),
    WV2_IID_ROW(ICoreWebView2PermissionRequestedEventHandler,
                L"{15E1C6A3-C72A-4DF3-91D7-D097FBEC6BFD}"),
    WV2_IID_ROW(ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler,
                L"{B99369F3-9B11-47B5-BC6F-8E7895FCEA17}"),
    WV2_IID_ROW(ICoreWebView2ExecuteScriptCompletedHandler,
                L"{49511172-CC67-4BCA-9923-137112F4C4CC}"),
    WV2_IID_ROW(ICoreWebView2NavigationCompletedEventHandler,
                L"{D33A35BF-1C49-4F98-93AB-006E0533FE1C}"),
    WV2_IID_ROW(ICoreWebView2DocumentTitleChangedEventHandler,
                L"{F5F2B923-953E-4042-9F95-F3A118E1AFD4}"),
    WV2_IID_ROW(ICoreWebView2NavigationStartingEventHandler,
                L"{9ADBE429-F36D-432B-9DDC-F8881FBD76E3}"),
    WV2_IID_ROW(ICoreWebView2ContentLoadingEventHandler, L"{364471E7-F2BE-4910-BDBA-D72077D51C4B}"),
    WV2_IID_ROW(ICoreWebView2SourceChangedEventHandler, L"{3C067F9F-5388-4772-8B48-79F7EF1AB37C}"),
    WV2_IID_ROW(ICoreWebView2HistoryChangedEventHandler, L"{C79A420C-EFD9-4058-9295-3E8B4BCAB645}"),
    WV2_IID_ROW(ICoreWebView2ScriptDialogOpeningEventHandler,
                L"{EF381BF9-AFA8-4E37-91C4-8AC48524BDFB}"),
    WV2_IID_ROW(ICoreWebView2ProcessFailedEventHandler, L"{79E0AEA4-990B-42D9-AA1D-0FCC2E5BC7F1}"),
    WV2_IID_ROW(ICoreWebView2CapturePreviewCompletedHandler,
                L"{697E05E9-3D8F-45FA-96F4-8FFE1EDEDAF5}"),
    WV2_IID_ROW(ICoreWebView2CallDevToolsProtocolMethodCompletedHandler,
                L"{5C4889F0-5EF6-4C5A-952C-D8F1B92D0574}"),
    WV2_IID_ROW(ICoreWebView2NewWindowRequestedEventHandler,
                L"{D4C185FE-C81C-4989-97AF-2D3FA7AB5651}"),
    WV2_IID_ROW(ICoreWebView2ContainsFullScreenElementChangedEventHandler,
                L"{E45D98B1-AFEF-45BE-8BAF-6C7728867F73}"),
    WV2_IID_ROW(ICoreWebView2WebResourceRequestedEventHandler,
                L"{AB00B74C-15F1-4646-80E8-E76341D25D71}"),
    WV2_IID_ROW(ICoreWebView2WindowCloseRequestedEventHandler,
                L"{5C19E9E0-092F-486B-AFFA-CA8231913039}"),
    WV2_IID_ROW(ICoreWebView2ZoomFactorChangedEventHandler,
                L"{B52D71D6-C4DF-4543-A90C-64A3E60F38CB}"),
    WV2_IID_ROW(ICoreWebView2MoveFocusRequestedEventHandler,
                L"{69035451-6DC7-4CB8-9BCE-B2BD70AD289F}"),
    WV2_IID_ROW(ICoreWebView2FocusChangedEventHandler, L"{05EA24BD-6452-4926-9014-4B82B498135D}"),
    WV2_IID_ROW(ICoreWebView2AcceleratorKeyPressedEventHandler,
                L"{B29C7E28-FA79-41A8-8E44-65811C76DCB2}"),
    WV2_IID_ROW(ICoreWebView2NewBrowserVersionAvailableEventHandler,
                L"{F9A2976E-D34E-44FC-ADEE-81B6B57CA914}"),
};

TEST(WebView2InterfaceIds, ConstantsAndUuidofEqualThePublishedIds) {
  for (const iid_case &c : interface_ids) {
    SCOPED_TRACE(c.name);
    IID published{};
    ASSERT_EQ(IIDFromString(c.published, &published), S_OK);
    EXPECT_EQ(std::memcmp(c.constant, &published, sizeof(IID)), 0);
    EXPECT_EQ(std::memcmp(c.uuidof, &published, sizeof(IID)), 0);
  }
}

TEST(WebView2InterfaceIds, AreDistinct) {
  const std::size_t count = sizeof(interface_ids) / sizeof(interface_ids[0]);
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t j = i + 1; j < count; ++j) {
      EXPECT_FALSE(IsEqualIID(*interface_ids[i].constant, *interface_ids[j].constant))
          << interface_ids[i].name << " and " << interface_ids[j].name;
    }
  }
}

// The 16 bytes in memory: Data1-Data3 little-endian, then Data4 as written.
TEST(WebView2InterfaceIds, HaveThePublishedByteLayout) {
  struct {
    const IID *id;
    unsigned char bytes[16];
  } const cases[] = {
      {&IID_ICoreWebView2,
       {0xCB, 0xEA, 0xEC, 0x76, 0x62, 0x04, 0x94, 0x4D, 0xAC, 0x83, 0x42, 0x3A, 0x67, 0x93, 0x77,
        0x5E}},
      {&IID_ICoreWebView2Controller,
       {0xD1, 0xC0, 0x00, 0x4D, 0x34, 0x94, 0xB6, 0x4E, 0x80, 0x78, 0x86, 0x97, 0xA5, 0x60, 0x33,
        0x4F}},
      {&IID_ICoreWebView2Environment,
       {0x5E, 0x75, 0x6D, 0xB9, 0x19, 0x03, 0x92, 0x4E, 0xA2, 0x96, 0x23, 0x43, 0x6F, 0x46, 0xA1,
        0xFC}},
      {&IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
       {0x89, 0x33, 0x8A, 0x4E, 0xD8, 0xC9, 0xD2, 0x4B, 0xB6, 0xB5, 0x12, 0x4F, 0xEE, 0x6C, 0xC1,
        0x4D}},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(std::memcmp(c.id, c.bytes, 16), 0);
  }
}

TEST(WebView2InterfaceIds, TextFormReadsAnyIdInEitherCase) {
  constexpr GUID unknown = webview::detail::guid_from_text("00000000-0000-0000-C000-000000000046");
  static_assert(unknown.Data4[0] == 0xC0 && unknown.Data4[7] == 0x46);
  EXPECT_TRUE(IsEqualIID(unknown, __uuidof(IUnknown)));
  constexpr GUID lower = webview::detail::guid_from_text("76eceacb-0462-4d94-ac83-423a6793775e");
  EXPECT_TRUE(IsEqualIID(lower, IID_ICoreWebView2));
}

// ---------------------------------------------------------------------------------------------
// Enumeration values.

TEST(WebView2Enumerations, ValuesTheProgramSendsAndTests) {
  EXPECT_EQ(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC, 0);
  EXPECT_EQ(COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ, 6);
  EXPECT_EQ(COREWEBVIEW2_PERMISSION_STATE_ALLOW, 1);
  // The network failures that lead to the offline page.
  EXPECT_EQ(COREWEBVIEW2_WEB_ERROR_STATUS_SERVER_UNREACHABLE, 6);
  EXPECT_EQ(COREWEBVIEW2_WEB_ERROR_STATUS_TIMEOUT, 7);
  EXPECT_EQ(COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_RESET, 10);
  EXPECT_EQ(COREWEBVIEW2_WEB_ERROR_STATUS_DISCONNECTED, 11);
  EXPECT_EQ(COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT, 12);
  EXPECT_EQ(COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED, 13);
}

TEST(WebView2Enumerations, FollowThePublishedNumbering) {
  const COREWEBVIEW2_MOVE_FOCUS_REASON reasons[] = {COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC,
                                                    COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT,
                                                    COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(reasons[i], i);
  }
  const COREWEBVIEW2_PERMISSION_STATE states[] = {COREWEBVIEW2_PERMISSION_STATE_DEFAULT,
                                                  COREWEBVIEW2_PERMISSION_STATE_ALLOW,
                                                  COREWEBVIEW2_PERMISSION_STATE_DENY};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(states[i], i);
  }
  const COREWEBVIEW2_PERMISSION_KIND kinds[] = {
      COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION,
      COREWEBVIEW2_PERMISSION_KIND_MICROPHONE,
      COREWEBVIEW2_PERMISSION_KIND_CAMERA,
      COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION,
      COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS,
      COREWEBVIEW2_PERMISSION_KIND_OTHER_SENSORS,
      COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ,
      COREWEBVIEW2_PERMISSION_KIND_MULTIPLE_AUTOMATIC_DOWNLOADS,
      COREWEBVIEW2_PERMISSION_KIND_FILE_READ_WRITE,
      COREWEBVIEW2_PERMISSION_KIND_AUTOPLAY,
      COREWEBVIEW2_PERMISSION_KIND_LOCAL_FONTS,
      COREWEBVIEW2_PERMISSION_KIND_MIDI_SYSTEM_EXCLUSIVE_MESSAGES,
      COREWEBVIEW2_PERMISSION_KIND_WINDOW_MANAGEMENT};
  for (int i = 0; i < 13; ++i) {
    EXPECT_EQ(kinds[i], i);
  }
  const COREWEBVIEW2_WEB_ERROR_STATUS statuses[] = {
      COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN,
      COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_COMMON_NAME_IS_INCORRECT,
      COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_EXPIRED,
      COREWEBVIEW2_WEB_ERROR_STATUS_CLIENT_CERTIFICATE_CONTAINS_ERRORS,
      COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_REVOKED,
      COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_IS_INVALID,
      COREWEBVIEW2_WEB_ERROR_STATUS_SERVER_UNREACHABLE,
      COREWEBVIEW2_WEB_ERROR_STATUS_TIMEOUT,
      COREWEBVIEW2_WEB_ERROR_STATUS_ERROR_HTTP_INVALID_SERVER_RESPONSE,
      COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_ABORTED,
      COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_RESET,
      COREWEBVIEW2_WEB_ERROR_STATUS_DISCONNECTED,
      COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT,
      COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED,
      COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED,
      COREWEBVIEW2_WEB_ERROR_STATUS_REDIRECT_FAILED,
      COREWEBVIEW2_WEB_ERROR_STATUS_UNEXPECTED_ERROR,
      COREWEBVIEW2_WEB_ERROR_STATUS_VALID_AUTHENTICATION_CREDENTIALS_REQUIRED,
      COREWEBVIEW2_WEB_ERROR_STATUS_VALID_PROXY_AUTHENTICATION_REQUIRED};
  for (int i = 0; i < 19; ++i) {
    EXPECT_EQ(statuses[i], i);
  }
}

// The engine's own COM objects answer IUnknown with one pointer, whichever interface is asked.
TEST(WebView2EngineObjects, TheBrowserHandlerAnswersIUnknownWithItsIdentity) {
  using webview::detail::webview2_com_handler;
  auto *handler = new webview2_com_handler(nullptr, nullptr, nullptr);
  void *identity = nullptr;
  ASSERT_EQ(handler->QueryInterface(__uuidof(IUnknown), &identity), S_OK);
  ASSERT_NE(identity, nullptr);
  for (const IID &iid : {IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                         IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                         IID_ICoreWebView2WebMessageReceivedEventHandler,
                         IID_ICoreWebView2PermissionRequestedEventHandler,
                         IID_ICoreWebView2ContentLoadingEventHandler}) {
    IUnknown *face = nullptr;
    ASSERT_EQ(handler->QueryInterface(iid, reinterpret_cast<void **>(&face)), S_OK);
    void *again = nullptr;
    EXPECT_EQ(face->QueryInterface(__uuidof(IUnknown), &again), S_OK);
    EXPECT_EQ(again, identity);
    if (again != nullptr) {
      face->Release();
    }
    face->Release();
  }
  static_cast<IUnknown *>(identity)->Release();
  EXPECT_EQ(static_cast<ICoreWebView2WebMessageReceivedEventHandler *>(handler)->Release(), 0u);
}

TEST(WebView2EngineObjects, TheScriptAddedHandlerAnswersIUnknownWithItsIdentity) {
  using webview::detail::webview2_user_script_added_handler;
  auto *script_added = new webview2_user_script_added_handler(nullptr);
  void *first = nullptr, *second = nullptr;
  EXPECT_EQ(script_added->QueryInterface(__uuidof(IUnknown), &first), S_OK);
  EXPECT_EQ(script_added->QueryInterface(__uuidof(IUnknown), &second), S_OK);
  EXPECT_EQ(first, static_cast<void *>(script_added));
  EXPECT_EQ(second, first);
  for (void *answer : {first, second}) {
    if (answer != nullptr) {
      script_added->Release();
    }
  }
  EXPECT_EQ(script_added->Release(), 0u);
}

} // namespace
