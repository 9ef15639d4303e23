#include "browser_page.hh"

#include "frame_decoder.hh"
#include "opened_windows.hh"
#include "script_dialog.hh"
#include "utf8.hh"
#include "web_error_status.hh"

#include "src/callback_queue.hh"
#include "src/log.hh"
#include "src/web_view.hh"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace zbr {
namespace {

int live_pages = 0;

// The live pages by the target they show.
std::map<std::string, BrowserPage *> &pages() {
  static auto *by_target = new std::map<std::string, BrowserPage *>;
  return *by_target;
}

// Runs in every new document before its own scripts: window.chrome.webview.postMessage over
// the runtime's binding, and the top document's title reported on every change.
const char kDocumentScript[] = R"js((function () {
  var post = window.__zoRuntimePost, title = window.__zoRuntimeTitle;
  if (typeof post !== 'function') return;
  if (!window.chrome) window.chrome = {};
  window.chrome.webview = {
    postMessage: function (message) {
      post(typeof message === 'string' ? 's' + message : 'j' + JSON.stringify(message));
    },
    addEventListener: function () {},
    removeEventListener: function () {}
  };
  if (window.top !== window) return;
  var last;
  function report() {
    var t = document.title;
    if (t !== last) { last = t; title(t); }
  }
  new MutationObserver(report).observe(document, {subtree: true, childList: true, characterData: true});
  document.addEventListener('DOMContentLoaded', report);
})();)js";

// "scheme://host[:port]" of an http or https address; "" for any other.
std::string web_origin(const std::string &url) {
  if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) {
    return {};
  }
  const std::size_t start = url.find("://") + 3;
  const std::size_t end = url.find_first_of("/?#", start);
  return url.substr(0, end);
}

// A data: address holding `html` (UTF-8), escaping what an address cannot carry.
std::string data_url(const std::string &html) {
  static const char hex[] = "0123456789ABCDEF";
  std::string url = "data:text/html;charset=utf-8,";
  url.reserve(url.size() + html.size() * 3 / 2);
  for (unsigned char c : html) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        (c > 0x20 && c < 0x7F && c != '%' && c != '#' && c != '"' && c != '<' && c != '>' &&
         c != '\\' && c != '^' && c != '`' && c != '{' && c != '|' && c != '}')) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += hex[c >> 4];
      url += hex[c & 15];
    }
  }
  return url;
}

void raise_process_failed(wv2d::WebView *view, int kind) {
  view->raise_process_failed(static_cast<COREWEBVIEW2_PROCESS_FAILED_KIND>(kind));
}

} // namespace

BrowserPage::BrowserPage(HWND parent, wv2d::WebView *view, BrowserProcess *browser)
    : parent_(parent), view_(view), browser_(browser),
      opened_(std::make_unique<OpenedWindows>(view, browser)) {
  ++live_pages;
  window_ = std::make_unique<PageWindow>(
      parent,
      [this](const std::string &method, const std::string &params) { send(method, params); },
      [this](int step) { return zoom(step); },
      [this] { return view_->settings().dev_tools_enabled(); });
  RECT r = {};
  GetClientRect(parent, &r);
  width_ = r.right;
  height_ = r.bottom;
}

BrowserPage::~BrowserPage() {
  close();
}

void BrowserPage::create(HWND parent, wv2d::WebView *view,
                         std::function<void(std::unique_ptr<wv2d::PageBackend>)> ready) {
  BrowserProcess *browser = BrowserProcess::get();
  if (!browser) {
    ready(nullptr);
    return;
  }
  auto *page = new BrowserPage(parent, view, browser);
  auto fail = [page, ready](const char *step) {
    wv2d::log_note(std::string("browser: page set-up failed at ") + step);
    delete page;
    ready(nullptr);
  };
  DevToolsConnection &c = browser->connection();
  c.send("Target.createTarget", "{\"url\":\"about:blank\"}", {},
         [page, ready, fail, &c](const Json &result, const Json &error) {
           if (!error.is_null()) {
             return fail("Target.createTarget");
           }
           page->target_ = result["targetId"].str();
           c.send("Target.attachToTarget",
                  "{\"targetId\":" + quote(page->target_) + ",\"flatten\":true}", {},
                  [page, ready, fail](const Json &attached, const Json &attach_error) {
                    if (!attach_error.is_null()) {
                      return fail("Target.attachToTarget");
                    }
                    page->session_ = attached["sessionId"].str();
                    pages()[page->target_] = page;
                    page->browser_->on_browser_event(&BrowserPage::on_browser_event);
                    page->browser_->watch_new_targets(); // a page exists now
                    page->browser_->on_lost([page] {
                      if (!page->closed_) {
                        raise_process_failed(page->view_, 0); // the browser process is gone
                      }
                    });
                    page->set_up_session([page, ready, fail](bool ok) {
                      if (!ok) {
                        return fail("Page.addScriptToEvaluateOnNewDocument");
                      }
                      wv2d::log_note("browser: page " + page->target_ + " ready");
                      ready(std::unique_ptr<wv2d::PageBackend>(page));
                    });
                  });
         });
}

void BrowserPage::set_up_session(std::function<void(bool)> ready) {
  browser_->add_session(session_, [this](const std::string &method, const Json &params) {
    on_event(method, params);
  });
  // Scripts and bindings need their domains enabled in this session.
  send("Page.enable");
  send("Runtime.enable");
  send("Network.enable");
  send("Runtime.addBinding", "{\"name\":\"__zoRuntimePost\"}");
  send("Runtime.addBinding", "{\"name\":\"__zoRuntimeTitle\"}");
  send("Emulation.setFocusEmulationEnabled", "{\"enabled\":true}");
  apply_metrics();
  send("Page.addScriptToEvaluateOnNewDocument", "{\"source\":" + quote(kDocumentScript) + "}",
       [ready](const Json &, const Json &error) {
         if (!error.is_null()) {
           wv2d::log_note("browser: " + error["message"].str());
         }
         ready(error.is_null());
       });
}

void BrowserPage::take_over(const std::string &target, const std::string &session,
                            const std::vector<std::wstring> &first_document_scripts) {
  if (closed_) {
    browser_->connection().send("Target.closeTarget", "{\"targetId\":" + quote(target) + "}");
    return;
  }
  // The tab of its own goes; the new window's target shows in its place.
  pages().erase(target_);
  browser_->remove_session(session_);
  browser_->connection().send("Target.closeTarget", "{\"targetId\":" + quote(target_) + "}");
  target_ = target;
  session_ = session;
  pages()[target_] = this;
  document_url_.clear();
  text_document_url_.clear();
  error_page_ = false;
  title_reported_ = false;
  last_title_.clear();
  stayed_ = false;
  document_requests_.clear();
  requested_url_.clear();
  top_contexts_.clear();
  script_ids_.clear();
  wv2d::log_note("browser: page " + target_ + " is the new window");
  set_up_session([](bool) {});
  // Scripts are per session: the web view's go into this one, those added before it was given as
  // the new window ahead of the first document, the others after it.
  const auto first = [&](const std::wstring &id) {
    return std::find(first_document_scripts.begin(), first_document_scripts.end(), id) !=
           first_document_scripts.end();
  };
  for (const auto &[id, script] : view_->scripts()) {
    if (first(id)) {
      add_script(id, script, [](HRESULT) {});
    }
  }
  send("Runtime.runIfWaitingForDebugger");
  for (const auto &[id, script] : view_->scripts()) {
    if (!first(id)) {
      add_script(id, script, [](HRESULT) {});
    }
  }
}

void BrowserPage::on_target_gone() {
  // The page closed its window (window.close(); the browser allows it only in a window that a
  // script opened).
  pages().erase(target_);
  browser_->remove_session(session_);
  wv2d::log_note("browser: page " + target_ + " closed its window");
  view_->raise_window_close_requested();
}

BrowserPage *BrowserPage::showing(const std::string &target) {
  const auto found = pages().find(target);
  return found == pages().end() ? nullptr : found->second;
}

void BrowserPage::on_browser_event(const std::string &method, const Json &params) {
  // Only a new target is paused; the event also tells of every session a page attaches itself.
  if (method == "Target.attachedToTarget" && params["waitingForDebugger"].boolean()) {
    const Json &info = params["targetInfo"];
    const std::string session = params["sessionId"].str();
    BrowserPage *opener = info["type"].str() == "page" ? showing(info["openerId"].str()) : nullptr;
    if (opener && !opener->closed_) {
      const wv2d::ComPtr<wv2d::WebView> hold(opener->view_);
      opener->opened_->on_target_attached(info["targetId"].str(), session);
      return;
    }
    // Any other (a new web view's own tab, the runtime's own popups) runs without this session.
    DevToolsConnection &c = BrowserProcess::get()->connection();
    c.send("Runtime.runIfWaitingForDebugger", "{}", session);
    c.send("Target.detachFromTarget", "{\"sessionId\":" + quote(session) + "}");
  } else if (method == "Target.targetDestroyed") {
    if (BrowserPage *page = showing(params["targetId"].str())) {
      const wv2d::ComPtr<wv2d::WebView> hold(page->view_);
      page->on_target_gone();
    }
  }
}

void BrowserPage::send(const std::string &method, const std::string &params,
                       DevToolsConnection::Reply reply) {
  if (closed_ || !browser_->connection().connected()) {
    return;
  }
  browser_->connection().send(method, params, session_, std::move(reply));
}

std::string BrowserPage::visible_url(const std::string &url) const {
  return !text_document_url_.empty() && url == text_document_url_ ? "about:blank" : url;
}

HRESULT BrowserPage::navigate(const std::wstring &uri) {
  const std::string url = narrow(uri);
  stayed_ = false;
  send("Page.navigate", "{\"url\":" + quote(url) + "}",
       [this, url, failures = failures_reported_](const Json &result, const Json &error) {
         // A failure without a network request (an unknown scheme) shows only here.
         const std::string text = error.is_null() ? result["errorText"].str() : "net::ERR_FAILED";
         if (text.empty() || failures != failures_reported_) {
           return;
         }
         if (stayed_) {
           // The page kept itself: it stays, and so does its address.
           stayed_ = false;
           view_->raise_navigation_completed(false,
                                             COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED,
                                             wide(visible_url(document_url_)));
           return;
         }
         report_failure(url, text);
       });
  return S_OK;
}

HRESULT BrowserPage::navigate_to_string(const std::wstring &html) {
  const std::string text = narrow(html);
  std::string url = data_url(text);
  if (url.size() > 2000000) {
    // Too long for an address: a blank document, then the text put into it.
    text_document_url_.clear();
    send("Page.navigate", "{\"url\":\"about:blank\"}");
    send("Page.setDocumentContent",
         "{\"frameId\":" + quote(target_) + ",\"html\":" + quote(text) + "}");
    return S_OK;
  }
  text_document_url_ = url;
  send("Page.navigate", "{\"url\":" + quote(url) + "}");
  return S_OK;
}

void BrowserPage::execute_script(const std::wstring &script, bool wants_result,
                                 std::function<void(HRESULT, const std::wstring &)> done) {
  if (closed_) {
    wv2d::queue_callback([done] { done(E_ABORT, L"null"); });
    return;
  }
  std::string expression = narrow(script);
  if (wants_result) {
    // The result as JSON text, as WebView2 gives it ("null" for undefined or an exception).
    expression = "(function(){var r=(0,eval)(" + quote(expression) +
                 ");var j=JSON.stringify(r);return j===undefined?'null':j;})()";
  }
  send("Runtime.evaluate",
       "{\"expression\":" + quote(expression) +
           ",\"returnByValue\":" + (wants_result ? "true" : "false") + "}",
       [done, wants_result](const Json &result, const Json &error) {
         if (!error.is_null()) {
           done(E_FAIL, L"null");
         } else if (!wants_result || result.has("exceptionDetails")) {
           done(S_OK, L"null");
         } else {
           done(S_OK, wide(result["result"]["value"].str()));
         }
       });
}

void BrowserPage::add_script(const std::wstring &id, const std::wstring &script,
                             std::function<void(HRESULT)> done) {
  if (closed_) {
    wv2d::queue_callback([done] { done(E_ABORT); });
    return;
  }
  send("Page.addScriptToEvaluateOnNewDocument", "{\"source\":" + quote(narrow(script)) + "}",
       [this, id, done](const Json &result, const Json &error) {
         if (!error.is_null()) {
           done(E_FAIL);
           return;
         }
         script_ids_[id] = result["identifier"].str();
         done(S_OK);
       });
}

void BrowserPage::remove_script(const std::wstring &id) {
  const auto found = script_ids_.find(id);
  if (found == script_ids_.end()) {
    return;
  }
  send("Page.removeScriptToEvaluateOnNewDocument", "{\"identifier\":" + quote(found->second) + "}");
  script_ids_.erase(found);
}

void BrowserPage::set_bounds(const RECT &bounds) {
  if (window_) {
    window_->set_bounds(bounds);
  }
  width_ = bounds.right - bounds.left;
  height_ = bounds.bottom - bounds.top;
  apply_metrics();
}

void BrowserPage::set_visible(bool visible) {
  if (window_) {
    window_->set_visible(visible);
  }
  visible_ = visible;
  apply_metrics();
}

void BrowserPage::move_focus() {
  if (window_) {
    window_->focus();
  }
}

void BrowserPage::reload() {
  send("Page.reload");
}

void BrowserPage::apply_metrics() {
  send("Page.stopScreencast");
  if (width_ <= 0 || height_ <= 0) {
    return;
  }
  // Zoom: a narrower layout drawn at a larger scale, so the frames keep the window's size.
  send("Emulation.setDeviceMetricsOverride",
       "{\"width\":" + std::to_string(static_cast<int>(std::lround(width_ / zoom_))) +
           ",\"height\":" + std::to_string(static_cast<int>(std::lround(height_ / zoom_))) +
           ",\"deviceScaleFactor\":" + std::to_string(zoom_) + ",\"mobile\":false}");
  if (visible_) {
    send("Page.startScreencast",
         "{\"format\":\"jpeg\",\"quality\":80,\"maxWidth\":" + std::to_string(width_) +
             ",\"maxHeight\":" + std::to_string(height_) + ",\"everyNthFrame\":1}");
  }
}

bool BrowserPage::zoom(int step) {
  if (!view_->settings().zoom_control_enabled()) {
    return false;
  }
  zoom_ = step == 0 ? 1.0 : std::fmin(5.0, std::fmax(0.25, zoom_ * (step > 0 ? 1.1 : 1 / 1.1)));
  apply_metrics();
  return true;
}

void BrowserPage::close() {
  if (closed_) {
    return;
  }
  if (!session_.empty()) {
    pages().erase(target_);
    send("Target.closeTarget", "{\"targetId\":" + quote(target_) + "}");
    browser_->remove_session(session_);
  }
  closed_ = true;
  window_.reset();
  if (--live_pages == 0) {
    browser_->close();
  }
}

void BrowserPage::report_failure(const std::string &url, const std::string &error_text) {
  ++failures_reported_;
  const std::string source = visible_url(url);
  view_->set_source(wide(source));
  wv2d::log_note("browser: " + error_text + " for " + source);
  view_->raise_navigation_completed(
      false, static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(web_error_status(error_text)),
      std::nullopt);
}

void BrowserPage::report_title(const std::string &title) {
  title_reported_ = true;
  const std::string shown = title.empty() ? visible_url(document_url_) : title;
  if (shown == last_title_) {
    return;
  }
  last_title_ = shown;
  view_->raise_document_title_changed(wide(shown));
}

void BrowserPage::on_frame_navigated(const Json &frame) {
  const std::string url = frame["url"].str();
  error_page_ = url.rfind("chrome-error:", 0) == 0;
  document_url_ = error_page_ ? frame["unreachableUrl"].str() : url;
  if (document_url_.empty()) {
    document_url_ = requested_url_;
  }
  title_reported_ = false;
  view_->set_source(wide(visible_url(document_url_)));
  if (error_page_) {
    return;
  }
  view_->raise_content_loading(); // a new top document: replies to the old one are void
  // No protocol event tells of a permission request: ask the program about the clipboard once
  // for each new origin, before its pages can ask, and apply the answer.
  const std::string origin = web_origin(url);
  if (!origin.empty() && asked_origins_.insert(origin).second) {
    const auto answer =
        view_->raise_permission_requested(static_cast<COREWEBVIEW2_PERMISSION_KIND>(6), wide(url));
    if (answer.second == COREWEBVIEW2_PERMISSION_STATE_ALLOW ||
        answer.second == COREWEBVIEW2_PERMISSION_STATE_DENY) {
      browser_->connection().send(
          "Browser.setPermission",
          "{\"permission\":{\"name\":\"clipboard-read\"},\"setting\":\"" +
              std::string(answer.second == COREWEBVIEW2_PERMISSION_STATE_ALLOW ? "granted"
                                                                               : "denied") +
              "\",\"origin\":" + quote(origin) + "}");
    }
  }
}

// Raised at the top document's request, not at Page.frameStartedNavigating: that one comes before
// the page's beforeunload, which WebView2 runs before NavigationStarting.
void BrowserPage::on_navigation_starting(const std::string &url) {
  if (view_->raise_navigation_starting(wide(visible_url(url))).second) {
    // The request is under way already; stopping it here would race the load.
    wv2d::log_note("browser: Cancel of NavigationStarting not honoured");
  }
}

void BrowserPage::on_binding(const Json &params) {
  if (top_contexts_.count(params["executionContextId"].integer()) == 0) {
    return; // only the top document talks to the program
  }
  const std::string &name = params["name"].str();
  const std::string &payload = params["payload"].str();
  if (name == "__zoRuntimeTitle") {
    report_title(payload);
  } else if (name == "__zoRuntimePost" && !payload.empty()) {
    if (payload[0] == 's') {
      view_->raise_web_message(wide(payload.substr(1)), false, wide(visible_url(document_url_)));
    } else {
      view_->raise_web_message(wide(payload.substr(1)), true, wide(visible_url(document_url_)));
    }
  }
}

void BrowserPage::on_dialog(const Json &params) {
  const int kind = script_dialog_kind(params["type"].str());
  const std::string default_text = params["defaultPrompt"].str();
  if (kind < 0) {
    // No WebView2 kind: the page goes on as if the person had pressed OK.
    wv2d::log_note("browser: " + params["type"].str() + " dialog accepted by itself");
    send("Page.handleJavaScriptDialog", script_dialog_answer(kind, true, default_text));
    return;
  }
  // The web view decides by the setting's value when this document loaded (its ContentLoading):
  // with default dialogs on, WebView2's own dialog answers OK at once (headless Chromium has none
  // to show), a prompt with its default text.
  const wv2d::ComPtr<wv2d::WebView> hold(view_); // keeps this page while the answer is pending
  view_->raise_script_dialog(
      static_cast<COREWEBVIEW2_SCRIPT_DIALOG_KIND>(kind), wide(params["message"].str()),
      wide(visible_url(params["url"].str())), wide(default_text),
      [this, hold, kind](bool accepted, const std::wstring &text) {
        if (kind == COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD && !accepted) {
          stayed_ = true;
        }
        send("Page.handleJavaScriptDialog", script_dialog_answer(kind, accepted, narrow(text)));
      });
}

void BrowserPage::on_event(const std::string &method, const Json &params) {
  if (closed_) {
    return;
  }
  // A handler of the program may release the web view, which owns this page.
  const wv2d::ComPtr<wv2d::WebView> hold(view_);
  if (method == "Page.screencastFrame") {
    send("Page.screencastFrameAck",
         "{\"sessionId\":" + std::to_string(params["sessionId"].integer()) + "}");
    Frame frame;
    if (window_ && decode_frame(decode_base64(params["data"].str()), frame)) {
      window_->show_frame(std::move(frame));
    }
  } else if (method == "Page.frameNavigated") {
    if (!params["frame"].has("parentId")) {
      on_frame_navigated(params["frame"]);
    }
  } else if (method == "Page.navigatedWithinDocument") {
    if (params["frameId"].str() == target_) {
      document_url_ = params["url"].str();
      view_->set_source(wide(visible_url(document_url_)));
    }
  } else if (method == "Page.loadEventFired") {
    if (!error_page_) {
      view_->raise_navigation_completed(true, COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN,
                                        wide(visible_url(document_url_)));
      if (!closed_ && !title_reported_) {
        send("Runtime.evaluate", "{\"expression\":\"document.title\",\"returnByValue\":true}",
             [this](const Json &result, const Json &) {
               if (!title_reported_) {
                 report_title(result["result"]["value"].str());
               }
             });
      }
    }
  } else if (method == "Network.requestWillBeSent") {
    if (params["type"].str() == "Document" && params["frameId"].str() == target_) {
      document_requests_.insert(params["requestId"].str());
      requested_url_ = params["request"]["url"].str();
      if (!params.has("redirectResponse")) {
        on_navigation_starting(requested_url_);
      }
    }
  } else if (method == "Network.loadingFailed") {
    if (document_requests_.erase(params["requestId"].str()) != 0) {
      report_failure(requested_url_, params["errorText"].str());
    }
  } else if (method == "Network.loadingFinished") {
    document_requests_.erase(params["requestId"].str());
  } else if (method == "Runtime.executionContextCreated") {
    const Json &context = params["context"];
    if (context["auxData"]["isDefault"].boolean() &&
        context["auxData"]["frameId"].str() == target_) {
      top_contexts_.insert(context["id"].integer());
    }
  } else if (method == "Runtime.executionContextDestroyed") {
    top_contexts_.erase(params["executionContextId"].integer());
  } else if (method == "Runtime.executionContextsCleared") {
    top_contexts_.clear();
  } else if (method == "Runtime.bindingCalled") {
    on_binding(params);
  } else if (method == "Page.javascriptDialogOpening") {
    on_dialog(params);
  } else if (method == "Page.windowOpen") {
    opened_->on_window_open(params);
  } else if (method == "Inspector.targetCrashed") {
    wv2d::log_note("browser: renderer crashed");
    raise_process_failed(view_, 1); // the page's renderer is gone; Reload recovers
  }
}

void register_browser_pages() {
  wv2d::set_page_backend_factory(&BrowserPage::create);
}

} // namespace zbr
