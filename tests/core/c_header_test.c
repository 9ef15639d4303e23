/* The flat interface's header must compile as C and declare every function. */
#include <webview/webview.h>

#include <stddef.h>

int c_header_compiles_as_c(void) {
  const webview_version_info_t *v = webview_version();
  int (*run)(webview_t) = webview_run;
  int (*bind)(webview_t, const char *, void (*)(const char *, const char *, void *), void *) =
      webview_bind;
  return v != NULL && run != NULL && bind != NULL;
}
