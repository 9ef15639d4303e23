/* Flat C interface of the web-view host: plain functions over an opaque handle. */
#ifndef WEBVIEW_H
#define WEBVIEW_H

#ifndef WEBVIEW_API
#if defined(WEBVIEW_SHARED) && defined(_WIN32)
#if defined(WEBVIEW_BUILDING)
#define WEBVIEW_API __declspec(dllexport)
#else
#define WEBVIEW_API __declspec(dllimport)
#endif
#else
#define WEBVIEW_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* C++ gives the enumerations a fixed int type, so any int value (such as an unknown size hint)
   is a valid value there too; the layout is int in both languages. */
#ifdef __cplusplus
#define WEBVIEW_ENUM_TYPE : int
#else
#define WEBVIEW_ENUM_TYPE
#endif

/* Opaque handle: the address of an engine. */
typedef void *webview_t;

/* Every function but webview_create, webview_get_window, webview_get_native_handle and
   webview_version returns one of these codes. */
typedef enum WEBVIEW_ENUM_TYPE {
  WEBVIEW_ERROR_MISSING_DEPENDENCY = -5,
  WEBVIEW_ERROR_CANCELED = -4,
  WEBVIEW_ERROR_INVALID_STATE = -3,
  WEBVIEW_ERROR_INVALID_ARGUMENT = -2,
  WEBVIEW_ERROR_UNSPECIFIED = -1,
  WEBVIEW_ERROR_OK = 0,
  WEBVIEW_ERROR_DUPLICATE = 1,
  WEBVIEW_ERROR_NOT_FOUND = 2
} webview_error_t;

typedef enum WEBVIEW_ENUM_TYPE {
  WEBVIEW_HINT_NONE = 0, /* width and height are the client size */
  WEBVIEW_HINT_MIN = 1,  /* minimum window size */
  WEBVIEW_HINT_MAX = 2,  /* maximum window size */
  WEBVIEW_HINT_FIXED = 3 /* client size, and the user cannot resize */
} webview_hint_t;

typedef enum WEBVIEW_ENUM_TYPE {
  WEBVIEW_NATIVE_HANDLE_KIND_UI_WINDOW = 0,
  WEBVIEW_NATIVE_HANDLE_KIND_UI_WIDGET = 1,
  WEBVIEW_NATIVE_HANDLE_KIND_BROWSER_CONTROLLER = 2
} webview_native_handle_kind_t;

typedef struct {
  unsigned int major;
  unsigned int minor;
  unsigned int patch;
  char text[32];
  char pre_release[48];
  char build_metadata[48];
} webview_version_info_t;

/* Creates an engine with its own window (window == NULL) or inside a host window (a window
   handle, or the address of a variable holding one). Returns NULL when creation fails. */
WEBVIEW_API webview_t webview_create(int debug, void *window);
WEBVIEW_API int webview_destroy(webview_t w);
WEBVIEW_API int webview_run(webview_t w);
WEBVIEW_API int webview_terminate(webview_t w);
/* The only call besides webview_return that may come from any thread: fn(w, arg) runs later
   on the engine's thread. */
WEBVIEW_API int webview_dispatch(webview_t w, void (*fn)(webview_t w, void *arg), void *arg);
WEBVIEW_API void *webview_get_window(webview_t w);
WEBVIEW_API void *webview_get_native_handle(webview_t w, webview_native_handle_kind_t kind);
WEBVIEW_API int webview_set_title(webview_t w, const char *title);
WEBVIEW_API int webview_set_size(webview_t w, int width, int height, webview_hint_t hints);
WEBVIEW_API int webview_navigate(webview_t w, const char *url);
WEBVIEW_API int webview_set_html(webview_t w, const char *html);
WEBVIEW_API int webview_init(webview_t w, const char *js);
WEBVIEW_API int webview_eval(webview_t w, const char *js);
/* fn(id, req, arg) receives the call id and the JSON array of arguments; answer with
   webview_return(w, id, status, result) at any time, from any thread. */
WEBVIEW_API int webview_bind(webview_t w, const char *name,
                             void (*fn)(const char *id, const char *req, void *arg), void *arg);
WEBVIEW_API int webview_unbind(webview_t w, const char *name);
WEBVIEW_API int webview_return(webview_t w, const char *id, int status, const char *result);
WEBVIEW_API const webview_version_info_t *webview_version(void);

#ifdef __cplusplus
}
#endif

#endif /* WEBVIEW_H */
