/* A C program on the flat interface: a window, one bound function, a page that calls it.
   Prints what the page sent and what was answered, then exits when the window closes. */
#include <webview/webview.h>

#include <stdio.h>
#include <string.h>

static const char page[] =
    "<!doctype html><html><body><h1>Hello from C</h1><script>"
    "window.greet('world', 42).then(function(r) { document.title = r.text; });"
    "</script></body></html>";

struct app {
  webview_t w;
  int calls;
};

static void greet(const char *id, const char *req, void *arg) {
  struct app *a = (struct app *)arg;
  char reply[256];
  a->calls++;
  printf("greet called with %s\n", req);
  snprintf(reply, sizeof reply, "{\"text\":\"hello %d\"}", a->calls);
  webview_return(a->w, id, 0, reply);
  fflush(stdout);
}

int main(void) {
  struct app a = {NULL, 0};
  const webview_version_info_t *v = webview_version();
  printf("host core %s\n", v->text);
  a.w = webview_create(0, NULL);
  if (a.w == NULL) {
    printf("the browser control could not be created\n");
    return 1;
  }
  webview_set_title(a.w, "Example");
  webview_set_size(a.w, 480, 320, WEBVIEW_HINT_NONE);
  webview_bind(a.w, "greet", greet, &a);
  webview_set_html(a.w, page);
  webview_run(a.w);
  webview_destroy(a.w);
  printf("closed after %d call(s)\n", a.calls);
  return 0;
}
