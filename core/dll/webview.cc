// The flat C functions as a DLL for programs in any language, over the Windows backend.
#define WEBVIEW_BUILDING
#define WEBVIEW_HAVE_WIN32_EDGE
#include <webview/c_api_impl.hh>
