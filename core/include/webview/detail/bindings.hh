// Native functions bound to page-visible names.
#ifndef WEBVIEW_DETAIL_BINDINGS_HH
#define WEBVIEW_DETAIL_BINDINGS_HH

#include <functional>
#include <string>

namespace webview {
namespace detail {

// Receives (call id, JSON array of the call's arguments, user argument) and answers later
// through the engine's resolve.
using binding_callback = std::function<void(std::string, std::string, void *)>;

// The synchronous form: from the JSON array of arguments to the JSON result text.
using sync_binding = std::function<std::string(std::string)>;

struct binding_context {
  binding_callback callback;
  void *arg = nullptr; // passed back on every call, never dereferenced by the engine
};

} // namespace detail
} // namespace webview

#endif
