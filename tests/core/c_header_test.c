/* A caller written in C: the flat interface's header compiles as C, and what C code sees
   through it (the layout of its types, the results of calls) is what the interface promises. */
#include <webview/webview.h>

#include <stddef.h>

/* The types as C lays them out; C++ must agree, or values passed between them are misread. */
size_t c_version_record_size(void) {
  return sizeof(webview_version_info_t);
}

size_t c_build_metadata_offset(void) {
  return offsetof(webview_version_info_t, build_metadata);
}

size_t c_hint_size(void) {
  return sizeof(webview_hint_t);
}

/* The version text, read at the place C expects it. */
const char *c_version_text(void) {
  return webview_version()->text;
}

static void echo(const char *id, const char *req, void *arg) {
  webview_return((webview_t)arg, id, 0, req);
}

/* Binds `name` to a C function that answers each call with the call's own arguments. */
int c_bind_echo(webview_t w, const char *name) {
  return webview_bind(w, name, echo, w);
}
