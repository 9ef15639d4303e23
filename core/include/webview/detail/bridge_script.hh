// Texts of the scripts that carry page calls to native code and replies back.
#ifndef WEBVIEW_DETAIL_BRIDGE_SCRIPT_HH
#define WEBVIEW_DETAIL_BRIDGE_SCRIPT_HH

#include "json.hh"

#include <cstdint>
#include <string>
#include <vector>

namespace webview {
namespace detail {

// The bridge defines window.__webview__; `post_fn` is a script expression for a function of
// one argument that hands the call message to the native side.
inline std::string make_bridge_script(const std::string &post_fn) {
  static const char head[] = R"js((function() {
  'use strict';
  function generateId() {
    var crypto = window.crypto || window.msCrypto;
    var bytes = new Uint8Array(16);
    crypto.getRandomValues(bytes);
    return Array.prototype.slice.call(bytes).map(function(n) {
      var s = n.toString(16);
      return ((s.length % 2) == 1 ? '0' : '') + s;
    }).join('');
  }
  var Webview = (function() {
    var _promises = {};
    function Webview_() {}
    Webview_.prototype.post = function(message) {
      return ()js";
  static const char tail[] = R"js()(message);
    };
    Webview_.prototype.call = function(method) {
      var _id = generateId();
      var _params = Array.prototype.slice.call(arguments, 1);
      var promise = new Promise(function(resolve, reject) {
        _promises[_id] = { resolve: resolve, reject: reject };
      });
      this.post(JSON.stringify({
        id: _id,
        method: method,
        params: _params
      }));
      return promise;
    };
    Webview_.prototype.onReply = function(id, status, result) {
      if (!Object.prototype.hasOwnProperty.call(_promises, id)) {
        return;
      }
      var promise = _promises[id];
      delete _promises[id];
      if (result !== undefined) {
        try {
          result = JSON.parse(result);
        } catch (e) {
          promise.reject(new Error("Failed to parse binding result as JSON"));
          return;
        }
      }
      if (status === 0) {
        promise.resolve(result);
      } else {
        promise.reject(result);
      }
    };
    Webview_.prototype.onBind = function(name) {
      if (Object.prototype.hasOwnProperty.call(window, name)) {
        throw new Error('Property "' + name + '" already exists');
      }
      window[name] = (function() {
        var params = [name].concat(Array.prototype.slice.call(arguments));
        return Webview_.prototype.call.apply(this, params);
      }).bind(this);
    };
    Webview_.prototype.onUnbind = function(name) {
      if (!Object.prototype.hasOwnProperty.call(window, name)) {
        throw new Error('Property "' + name + '" does not exist');
      }
      delete window[name];
    };
    return Webview_;
  })();
  window.__webview__ = new Webview();
})())js";
  return head + post_fn + tail;
}

// Announces every bound name to a new document, in the order given.
inline std::string make_bind_script(const std::vector<std::string> &names) {
  std::string list = "[";
  for (const auto &name : names) {
    if (list.size() > 1) {
      list += ',';
    }
    list += escape_json(name);
  }
  list += ']';
  return "(function() {\n  'use strict';\n  var methods = " + list +
         ";\n  methods.forEach(function(name) {\n    window.__webview__.onBind(name);\n  });\n})()";
}

inline std::string make_on_bind_script(const std::string &name) {
  return "if (window.__webview__) {\nwindow.__webview__.onBind(" + escape_json(name) + ")\n}";
}

inline std::string make_on_unbind_script(const std::string &name) {
  return "if (window.__webview__) {\nwindow.__webview__.onUnbind(" + escape_json(name) + ")\n}";
}

// The reply script up to its result: "window.__webview__.onReply(<id>, <status>, ".
inline std::string make_reply_script_head(const std::string &id, std::int32_t status) {
  return "window.__webview__.onReply(" + escape_json(id) + ", " + std::to_string(status) + ", ";
}

// Settles the page's promise for call `id` with the result text, escaped (or undefined when the
// text is empty). Written once into a text of exactly its size: a result may be tens of
// megabytes (a launch file).
inline std::string make_reply_script(const std::string &id, std::int32_t status,
                                     const std::string &result) {
  const std::string head = make_reply_script_head(id, status);
  static const char undefined[] = "undefined";
  if (result.empty()) {
    return head + undefined + ")";
  }
  std::string script(head.size() + escaped_length(result.data(), result.size()) + 1, '"');
  head.copy(&script[0], head.size());
  write_escaped(result.data(), result.size(), &script[head.size() + 1]);
  script.back() = ')';
  return script;
}

} // namespace detail
} // namespace webview

#endif
