// The desktop shell's native services for the suite's pages. Each wrapper looks its binding up
// when it is called, so it does not matter whether the bindings exist yet.
try {
  window.__ZO_NATIVE = {
    platform: "windows",
    version: "@APP_VERSION@",
    notify: function (t, b) {
      var f = window.__zoNotify;
      return f && f(t, b);
    },
    argFile: function () {
      var f = window.__zoArgFile;
      return f ? f() : null;
    },
    external: function (u) {
      var f = window.__zoExternal;
      return f && f(u);
    }
  };
} catch (e) {}
