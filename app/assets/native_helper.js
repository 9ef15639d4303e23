// Adapts the suite's own sites to the desktop: tray balloons instead of web notifications, saving
// blob and data downloads through the native side when it can, the notice of a newer desktop
// build, and handing the launch file to the first suite editor page that loads.
(function () {
  try {
    if (window.__zoNat) return;
    window.__zoNat = 1;

    var N = window.__ZO_NATIVE || {};
    var loc = window.location;
    var H = (loc && loc.host) || "";
    var SITE = new RegExp("^(?:" + "@SUITE_SITE_PATTERN@" + ")$");
    var MAIN = "@SUITE_MAIN_HOST@";
    if (!SITE.test(H)) return;
    var path = loc.pathname || "";

    var ignore = function () {};
    var settle = function (r) {
      if (r && typeof r.then === "function") r.then(null, ignore);
    };

    // Runs f once the page has loaded (on a zero-delay timer when it already has).
    var onLoad = function (f) {
      var run = function () {
        try {
          f();
        } catch (e) {}
      };
      if (document.readyState === "complete") setTimeout(run, 0);
      else window.addEventListener("load", run);
    };

    // Evaluated when needed: the document's language attribute exists only once it is parsed.
    var english = function () {
      var lang = "";
      try {
        lang = (document.documentElement && document.documentElement.getAttribute("lang")) ||
          navigator.language || "ar";
      } catch (e) {}
      return String(lang).slice(0, 2).toLowerCase() === "en" || path.indexOf("/en/") === 0;
    };

    // Web notifications become tray balloons.
    if (typeof N.notify === "function") {
      try {
        var Z = function Notification(title, options) {
          if (!(this instanceof Z)) return new Z(title, options);
          var o = options || {};
          var t = title == null ? "" : String(title);
          var b = o.body == null ? "" : String(o.body);
          try {
            settle(N.notify(t, b));
          } catch (e) {}
          this.title = t;
          this.body = b;
          this.onclick = null;
          this.onclose = null;
        };
        Z.permission = "granted";
        Z.requestPermission = function (callback) {
          try {
            if (typeof N.askNotify === "function") settle(N.askNotify());
          } catch (e) {}
          try {
            if (typeof callback === "function") callback("granted");
          } catch (e) {}
          return Promise.resolve("granted");
        };
        Z.prototype.close = ignore;
        Z.prototype.addEventListener = ignore;
        Z.prototype.removeEventListener = ignore;
        window.Notification = Z;
      } catch (e) {}
    }

    // Blob and data downloads go to the native save service when there is one.
    if (typeof N.save === "function") {
      try {
        var saveUrl = function (url, name) {
          return fetch(url).then(function (r) {
            return r.blob();
          }).then(function (blob) {
            return new Promise(function (resolve, reject) {
              var reader = new FileReader();
              reader.onload = function () {
                resolve(String(reader.result));
              };
              reader.onerror = function () {
                reject(reader.error);
              };
              reader.readAsDataURL(blob);
            }).then(function (data) {
              return N.save(name || "file", blob.type || "application/octet-stream",
                data.slice(data.indexOf(",") + 1));
            });
          });
        };
        window.__zoSaveUrl = saveUrl;

        var linkOf = function (node) {
          for (; node; node = node.parentNode) {
            if (node.nodeType === 1 && typeof node.href === "string" &&
                (node.hasAttribute("download") || /^blob:/i.test(node.href))) {
              return node;
            }
          }
          return null;
        };
        // Saves the link's target if it is a blob or data address; true when it did.
        var save = function (link, event) {
          if (!/^(blob|data):/i.test(link.href)) return false;
          if (event) {
            event.preventDefault();
            event.stopPropagation();
          }
          saveUrl(link.href, link.getAttribute("download")).then(null, ignore);
          return true;
        };
        document.addEventListener("click", function (event) {
          try {
            var link = linkOf(event.target);
            if (link) save(link, event);
          } catch (e) {}
        }, true);
        // A click() on a link that is not in the document never reaches the listener above.
        var click = HTMLElement.prototype.click;
        HTMLAnchorElement.prototype.click = function () {
          try {
            if (!this.isConnected && linkOf(this) === this && save(this, null)) return;
          } catch (e) {}
          return click.call(this);
        };
      } catch (e) {}
    }

    // Dotted versions compare by their first three parts; a missing or non-numeric part is 0.
    var parts = function (v) {
      var p = String(v == null ? "" : v).split(".");
      var out = [];
      for (var i = 0; i < 3; i++) out.push(/^[0-9]+$/.test(p[i] || "") ? parseInt(p[i], 10) : 0);
      return out;
    };
    var newer = function (a, b) {
      var x = parts(a), y = parts(b);
      for (var i = 0; i < 3; i++) {
        if (x[i] !== y[i]) return x[i] > y[i];
      }
      return false;
    };

    var showUpdate = function (version, page) {
      if (!document.body) return;
      var en = english();
      var bar = document.createElement("div");
      bar.setAttribute("role", "status");
      bar.setAttribute("dir", en ? "ltr" : "rtl");
      bar.style.cssText = "position:fixed;left:12px;right:12px;bottom:12px;z-index:2147483000;" +
        "background:#2a1f6e;color:#fff;border-radius:14px;padding:12px 14px;display:flex;" +
        "align-items:center;gap:10px;font-weight:600;font-size:15px;line-height:1.4;" +
        "box-shadow:0 8px 24px rgba(0,0,0,.25)";

      var text = document.createElement("span");
      text.style.cssText = "flex:1 1 auto";
      text.textContent = en ? "A newer Zorvel Office app is available (" + version + ")." :
        "يتوفر إصدار أحدث من تطبيق زورفل أوفيس (" + version + ").";

      var link = document.createElement("a");
      link.setAttribute("href", page);
      link.textContent = en ? "Update" : "تحديث";
      link.style.cssText = "background:#fff;color:#2a1f6e;border-radius:10px;padding:8px 14px;" +
        "text-decoration:none";
      link.addEventListener("click", function (event) {
        if (typeof N.external !== "function") return;
        event.preventDefault();
        try {
          settle(N.external(new URL(link.getAttribute("href"), loc.href).href));
        } catch (e) {}
      });

      var close = document.createElement("button");
      close.type = "button";
      close.textContent = "×";
      close.setAttribute("aria-label", en ? "Close" : "إغلاق");
      close.style.cssText = "background:transparent;color:#fff;border:0;padding:0;margin:0;" +
        "font:inherit;font-size:22px;line-height:1;min-width:40px;min-height:40px;cursor:pointer";
      close.addEventListener("click", function () {
        if (bar.parentNode) bar.parentNode.removeChild(bar);
      });

      bar.appendChild(text);
      bar.appendChild(link);
      bar.appendChild(close);
      // The dock stands above the bar in a bottom corner, where it would cover the bar's link or
      // close button: the bar then keeps 12px above the dock instead.
      var dock = document.getElementById("zo-dock");
      if (dock) {
        var viewport = document.documentElement.clientHeight || window.innerHeight;
        var above = Math.ceil(viewport - dock.getBoundingClientRect().top) + 12;
        if (above > 12 && above < viewport) bar.style.bottom = above + "px";
      }
      document.body.appendChild(bar);
    };

    // A newer desktop build is announced once per browsing session, on the main site.
    var checked = true;
    try {
      checked = !!window.sessionStorage.getItem("zo_upd");
    } catch (e) {}
    if (H === MAIN && N.version && !checked) {
      try {
        window.sessionStorage.setItem("zo_upd", "1");
      } catch (e) {}
      onLoad(function () {
        fetch("/dl/version.json", { cache: "no-store" }).then(function (r) {
          return r.json();
        }).then(function (all) {
          var entry = all && all[N.platform];
          if (!entry || !newer(entry.version, N.version)) return;
          showUpdate(String(entry.version), String(entry.page || "/download/"));
        }).then(null, ignore);
      });
    }

    // The launch file is dropped into the first suite editor page that asks for it.
    if (typeof N.argFile === "function" && H === MAIN &&
        (path.indexOf("/suite/") === 0 || path.indexOf("/en/suite/") === 0)) {
      onLoad(function () {
        Promise.resolve(N.argFile()).then(function (f) {
          if (!f || typeof f !== "object" || typeof f.b64 !== "string" || !f.b64) return;
          var text = atob(f.b64);
          var bytes = new Uint8Array(text.length);
          for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
          var data = new DataTransfer();
          data.items.add(new File([bytes], f.name ? String(f.name) : "file"));
          document.dispatchEvent(new DragEvent("drop", {
            bubbles: true,
            cancelable: true,
            dataTransfer: data
          }));
        }).then(null, ignore);
      });
    }
  } catch (e) {}
})();
