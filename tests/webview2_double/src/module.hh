// The double's own module (WebView2Loader.dll or EmbeddedBrowserWebView.dll).
//
// The program frees the runtime's client library right after its creation entry point returns,
// and the loader library when its engine is destroyed, while objects, handlers and windows of
// the double may still be in use. Before the double hands out anything that runs its code later
// (a COM object, a window, a queued callback) it pins its module, so that the module stays
// loaded until the process ends whatever FreeLibrary calls follow.

#ifndef WV2D_MODULE_HH
#define WV2D_MODULE_HH

#include <windows.h>

namespace wv2d {

// The module that contains this code.
HMODULE this_module();

// Keeps this module loaded for the rest of the process; cheap after the first call.
void pin_this_module();

} // namespace wv2d

#endif // WV2D_MODULE_HH
