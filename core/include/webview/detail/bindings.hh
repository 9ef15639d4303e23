// Native functions bound to page-visible names.
#ifndef WEBVIEW_DETAIL_BINDINGS_HH
#define WEBVIEW_DETAIL_BINDINGS_HH

#include <cstdint>
#include <functional>
#include <string>

namespace webview {
namespace detail {

// Receives (call id, JSON array of the call's arguments, user argument) and answers later
// through the engine's resolve.
using binding_callback = std::function<void(std::string, std::string, void *)>;

// The synchronous form: from the JSON array of arguments to the JSON result text.
using sync_binding = std::function<std::string(std::string)>;

// The answer of a native function: status 0 resolves the page's promise with the JSON result
// text, any other status rejects it.
struct binding_answer {
  std::int32_t status = 0;
  std::string result;
  // When set, a reply dropped because the calling document went away gives the result back.
  std::function<void(std::string)> undelivered = nullptr;
};

// A synchronous form that also learns the address of the document that made the call, as the
// browser reported it (empty when the backend cannot tell).
using sourced_binding =
    std::function<binding_answer(const std::string &request, const std::string &source)>;

struct binding_context {
  binding_callback callback;
  void *arg = nullptr; // passed back on every call, never dereferenced by the engine
  // Set instead of `callback` for a sourced binding: (call id, request, sender's address).
  std::function<void(const std::string &, const std::string &, const std::string &)> sourced;
};

} // namespace detail
} // namespace webview

#endif
