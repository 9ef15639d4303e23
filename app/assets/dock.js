// A small back/apps dock on every top-level web page except the shell page, and Alt+Home to return
// to the shell page.
(function () {
  try {
    var SHELL = "@START_URL@";
    var SHELL_LABEL = "@SUITE_APP_HOST@".split(".")[0] + ".";
    var loc = window.location;
    if (window.self !== window.top) return;
    if (String(loc.host).indexOf(SHELL_LABEL) === 0) return;
    if (loc.protocol !== "http:" && loc.protocol !== "https:") return;

    var home = function () {
      loc.href = SHELL;
    };

    document.addEventListener("keydown", function (event) {
      try {
        if (event.altKey && event.key === "Home") {
          event.preventDefault();
          home();
        }
      } catch (e) {}
    }, true);

    var button = function (id, glyph, label, action) {
      var b = document.createElement("button");
      b.id = id;
      b.type = "button";
      b.title = label;
      b.setAttribute("aria-label", label);
      b.style.cssText = "display:inline-flex;align-items:center;justify-content:center;gap:6px;" +
        "min-height:40px;min-width:44px;padding:0 12px;margin:0;border:0;border-radius:10px;" +
        "background:transparent;color:#fff;cursor:pointer;font:inherit";
      var g = document.createElement("span");
      g.setAttribute("aria-hidden", "true");
      g.style.fontSize = "18px";
      g.textContent = glyph;
      b.appendChild(g);
      b.appendChild(document.createTextNode(label));
      b.addEventListener("mouseenter", function () {
        b.style.background = "rgba(255,255,255,.16)";
      });
      b.addEventListener("mouseleave", function () {
        b.style.background = "transparent";
      });
      b.addEventListener("click", function () {
        try {
          action();
        } catch (e) {}
      });
      return b;
    };

    var add = function () {
      try {
        if (document.getElementById("zo-dock") || !document.body) return;
        var lang = (document.documentElement && document.documentElement.getAttribute("lang")) ||
          "ar";
        var en = lang.slice(0, 2).toLowerCase() === "en";
        var dock = document.createElement("div");
        dock.id = "zo-dock";
        dock.setAttribute("role", "navigation");
        dock.setAttribute("aria-label", en ? "App navigation" : "تنقل التطبيق");
        dock.setAttribute("dir", en ? "ltr" : "rtl");
        dock.style.cssText = "position:fixed;bottom:16px;" + (en ? "right" : "left") + ":16px;" +
          "z-index:2147483646;display:flex;gap:4px;padding:4px;margin:0;background:#2a1f6e;" +
          "border-radius:14px;box-shadow:0 8px 24px rgba(27,25,48,.28);" +
          "font:700 14px/1 Plex,\"Segoe UI\",Tahoma,sans-serif";
        dock.appendChild(button("zo-dock-back", en ? "\u2190" : "\u2192", en ? "Back" : "رجوع",
          function () {
            if (window.history.length > 1) window.history.back();
            else home();
          }));
        dock.appendChild(button("zo-dock-apps", "\u25a6", en ? "Apps" : "التطبيقات", home));
        document.body.appendChild(dock);
      } catch (e) {}
    };

    if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", add);
    else add();
  } catch (e) {}
})();
