// Definitions of the flat C functions. Include in exactly one translation unit of the module
// that provides them; webview_create is defined where the Windows backend is available.
#ifndef WEBVIEW_C_API_IMPL_HH
#define WEBVIEW_C_API_IMPL_HH

#include "detail/engine_base.hh"
#include "exception.hh"
#include "version.hh"
#include "webview.h"

#ifdef WEBVIEW_HAVE_WIN32_EDGE
#include "detail/backends/win32_edge_engine.hh"
#endif

namespace webview {
namespace detail {

inline engine_base *cast_to_webview(webview_t w) {
  if (w == nullptr) {
    throw exception{error_invalid_argument, "Cannot cast null pointer to webview instance"};
  }
  return static_cast<engine_base *>(w);
}

inline int to_code(const op_status &status) {
  return status.ok() ? 0 : status.error().code;
}

// Runs `op`, turning every outcome and exception into an error code; nothing escapes.
template <typename Op> int api_filter(Op &&op) noexcept {
  try {
    return to_code(op());
  } catch (const exception &e) {
    return e.code();
  } catch (...) {
    return error_unspecified;
  }
}

// As api_filter, for the getters that answer with a pointer: null on any failure.
template <typename Op> void *api_filter_pointer(Op &&op) noexcept {
  try {
    auto result = op();
    return result.has_value() ? result.value() : nullptr;
  } catch (...) {
    return nullptr;
  }
}

} // namespace detail
} // namespace webview

extern "C" {

#ifdef WEBVIEW_HAVE_WIN32_EDGE
WEBVIEW_API webview_t webview_create(int debug, void *window) {
  try {
    return static_cast<webview::detail::engine_base *>(
        new webview::detail::win32_edge_engine(debug != 0, window));
  } catch (...) {
    return nullptr;
  }
}
#endif

WEBVIEW_API int webview_destroy(webview_t w) {
  using namespace webview::detail;
  return api_filter([=] {
    delete cast_to_webview(w);
    return op_status{};
  });
}

WEBVIEW_API int webview_run(webview_t w) {
  using namespace webview::detail;
  return api_filter([=] { return cast_to_webview(w)->run(); });
}

WEBVIEW_API int webview_terminate(webview_t w) {
  using namespace webview::detail;
  return api_filter([=] { return cast_to_webview(w)->terminate(); });
}

WEBVIEW_API int webview_dispatch(webview_t w, void (*fn)(webview_t, void *), void *arg) {
  using namespace webview::detail;
  if (fn == nullptr) {
    return webview::error_invalid_argument;
  }
  return api_filter([=] { return cast_to_webview(w)->dispatch([=] { fn(w, arg); }); });
}

WEBVIEW_API void *webview_get_window(webview_t w) {
  using namespace webview::detail;
  return api_filter_pointer([=] { return cast_to_webview(w)->get_window(); });
}

WEBVIEW_API void *webview_get_native_handle(webview_t w, webview_native_handle_kind_t kind) {
  using namespace webview::detail;
  return api_filter_pointer([=] {
    auto *engine = cast_to_webview(w);
    switch (kind) {
    case WEBVIEW_NATIVE_HANDLE_KIND_UI_WINDOW:
      return engine->get_window();
    case WEBVIEW_NATIVE_HANDLE_KIND_UI_WIDGET:
      return engine->get_widget();
    case WEBVIEW_NATIVE_HANDLE_KIND_BROWSER_CONTROLLER:
      return engine->get_browser_controller();
    default:
      return op_result<void *>::failure(webview::error_invalid_argument);
    }
  });
}

WEBVIEW_API int webview_set_title(webview_t w, const char *title) {
  using namespace webview::detail;
  if (title == nullptr) {
    return webview::error_invalid_argument;
  }
  return api_filter([=] { return cast_to_webview(w)->set_title(title); });
}

WEBVIEW_API int webview_set_size(webview_t w, int width, int height, webview_hint_t hints) {
  using namespace webview::detail;
  return api_filter([=] {
    return cast_to_webview(w)->set_size(width, height, static_cast<webview::size_hint>(hints));
  });
}

WEBVIEW_API int webview_navigate(webview_t w, const char *url) {
  using namespace webview::detail;
  if (url == nullptr) {
    return webview::error_invalid_argument;
  }
  return api_filter([=] { return cast_to_webview(w)->navigate(url); });
}

WEBVIEW_API int webview_set_html(webview_t w, const char *html) {
  using namespace webview::detail;
  if (html == nullptr) {
    return webview::error_invalid_argument;
  }
  return api_filter([=] { return cast_to_webview(w)->set_html(html); });
}

WEBVIEW_API int webview_init(webview_t w, const char *js) {
  using namespace webview::detail;
  if (js == nullptr) {
    return webview::error_invalid_argument;
  }
  return api_filter([=] { return cast_to_webview(w)->init(js); });
}

WEBVIEW_API int webview_eval(webview_t w, const char *js) {
  using namespace webview::detail;
  if (js == nullptr) {
    return webview::error_invalid_argument;
  }
  return api_filter([=] { return cast_to_webview(w)->eval(js); });
}

WEBVIEW_API int webview_bind(webview_t w, const char *name,
                             void (*fn)(const char *, const char *, void *), void *arg) {
  using namespace webview::detail;
  if (name == nullptr || fn == nullptr) {
    return webview::error_invalid_argument;
  }
  return api_filter([=] {
    return cast_to_webview(w)->bind(
        name,
        [=](const std::string &id, const std::string &req, void *a) {
          fn(id.c_str(), req.c_str(), a);
        },
        arg);
  });
}

WEBVIEW_API int webview_unbind(webview_t w, const char *name) {
  using namespace webview::detail;
  if (name == nullptr) {
    return webview::error_invalid_argument;
  }
  return api_filter([=] { return cast_to_webview(w)->unbind(name); });
}

WEBVIEW_API int webview_return(webview_t w, const char *id, int status, const char *result) {
  using namespace webview::detail;
  if (id == nullptr || result == nullptr) {
    return webview::error_invalid_argument;
  }
  return api_filter([=] { return cast_to_webview(w)->resolve(id, status, result); });
}

WEBVIEW_API const webview_version_info_t *webview_version(void) {
  return &webview::detail::library_version_info;
}

} // extern "C"

#endif
