// The page behind one controller's web view: a tab of the browser (Target.createTarget), attached
// over one DevTools session, drawn in the controller's child window. It turns the browser's
// events into the web view's events: navigation completed (with the error status of the
// network error), document title, web messages from the top document, script dialogs, the
// renderer's crash, the windows the page opens (opened_windows.hh) and the end of its target by
// the page's own window.close(). Given as a new window, it shows that window's target instead of
// its own tab.

#ifndef ZBR_BROWSER_PAGE_HH
#define ZBR_BROWSER_PAGE_HH

#include "browser_process.hh"
#include "opened_windows.hh"
#include "page_window.hh"

#include "src/page_backend.hh"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace wv2d {
class WebView;
}

namespace zbr {

class BrowserPage final : public wv2d::PageBackend {
public:
  // Makes the page and calls `ready` once its session is set up (or with null).
  static void create(HWND parent, wv2d::WebView *view,
                     std::function<void(std::unique_ptr<wv2d::PageBackend>)> ready);
  ~BrowserPage() override;

  HRESULT navigate(const std::wstring &uri) override;
  HRESULT navigate_to_string(const std::wstring &html) override;
  void execute_script(const std::wstring &script, bool wants_result,
                      std::function<void(HRESULT, const std::wstring &)> done) override;
  void add_script(const std::wstring &id, const std::wstring &script,
                  std::function<void(HRESULT)> done) override;
  void remove_script(const std::wstring &id) override;
  void set_bounds(const RECT &bounds) override;
  void set_visible(bool visible) override;
  void move_focus() override;
  void reload() override;
  void close() override;

  // Shows `target` (a new window, paused, attached as `session`) instead of its own tab, which is
  // closed: the session is set up with the web view's scripts, those of `first_document_scripts`
  // before the target runs, the others after, then it runs.
  void take_over(const std::string &target, const std::string &session,
                 const std::vector<std::wstring> &first_document_scripts);

  // The live page showing `target`, or null.
  static BrowserPage *showing(const std::string &target);
  // Events of the browser itself: targets attached (the new windows of pages, paused) and
  // destroyed (a page's window.close()).
  static void on_browser_event(const std::string &method, const Json &params);

private:
  BrowserPage(HWND parent, wv2d::WebView *view, BrowserProcess *browser);

  void send(const std::string &method, const std::string &params = "{}",
            DevToolsConnection::Reply reply = {});
  // Routes the session's events here, enables its domains and adds the document script; `ready`
  // tells whether that script was added.
  void set_up_session(std::function<void(bool)> ready);
  // The target ended without the program closing it: the page closed its window.
  void on_target_gone();
  void on_event(const std::string &method, const Json &params);
  void on_frame_navigated(const Json &frame);
  void on_navigation_starting(const std::string &url);
  void on_binding(const Json &params);
  void on_dialog(const Json &params);
  void report_title(const std::string &title);
  void report_failure(const std::string &url, const std::string &error_text);
  void apply_metrics();
  bool zoom(int step);
  // The address the program sees for `url` (a document made from text shows as about:blank).
  std::string visible_url(const std::string &url) const;

  HWND parent_;
  wv2d::WebView *view_; // owns this page
  BrowserProcess *browser_;
  std::unique_ptr<PageWindow> window_;
  std::unique_ptr<OpenedWindows> opened_;
  std::string target_;
  std::string session_;
  bool closed_ = false;
  bool visible_ = true;
  int width_ = 0, height_ = 0;
  double zoom_ = 1.0;

  std::map<std::wstring, std::string> script_ids_; // web view's id -> browser's identifier
  std::string document_url_;                       // of the top document
  std::string text_document_url_;                  // data: address of the last text document
  bool error_page_ = false;                        // the top document is the browser's error page
  bool title_reported_ = false;                    // since the top document changed
  std::string last_title_;
  int failures_reported_ = 0;
  bool stayed_ = false; // the page answered "stay" to leaving while the program navigated
  std::set<std::string> document_requests_; // network requests of the top document
  std::string requested_url_;               // address the top document is being loaded from
  std::set<long long> top_contexts_;        // script contexts of the top document
  std::set<std::string> asked_origins_;     // origins already asked about the clipboard
};

// Registers the page factory with the double's objects (done once when the module loads).
void register_browser_pages();

} // namespace zbr

#endif // ZBR_BROWSER_PAGE_HH
