// The engine-neutral half of the browser host: every public operation, the bindings and the
// installed scripts. A backend derives from it and supplies the *_impl operations.
#ifndef WEBVIEW_DETAIL_ENGINE_BASE_HH
#define WEBVIEW_DETAIL_ENGINE_BASE_HH

#include "../errors.hh"
#include "bindings.hh"
#include "bridge_script.hh"
#include "json.hh"
#include "op_result.hh"
#include "user_script.hh"
#include "utf.hh"
#include "wide_reply_script.hh"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace webview {
namespace detail {

// Live engine-created main windows in this process; destroying the last one ends the loop.
inline std::atomic<std::int32_t> window_count{0};

class engine_base {
public:
  explicit engine_base(bool owns_window) : owns_window_(owns_window) {}
  engine_base(const engine_base &) = delete;
  engine_base &operator=(const engine_base &) = delete;
  // Members go in reverse declaration order: the installed scripts, then the bindings.
  virtual ~engine_base() = default;

  op_status navigate(const std::string &url) {
    return navigate_impl(url.empty() ? "about:blank" : url);
  }
  op_status set_html(const std::string &html) { return set_html_impl(html); }
  op_status init(const std::string &js) {
    add_user_script(js);
    return {};
  }
  op_status eval(const std::string &js) { return eval_impl(js); }
  op_status set_title(const std::string &title) { return set_title_impl(title); }
  op_status set_size(int width, int height, size_hint hint) {
    auto status = set_size_impl(width, height, hint);
    // Even a failed explicit size suppresses the default one.
    size_set_ = true;
    return status;
  }
  op_status run() { return run_impl(); }
  op_status terminate() { return terminate_impl(); }
  // May be called from any thread; `f` runs later on the UI thread, never inside this call.
  op_status dispatch(std::function<void()> f) { return dispatch_impl(std::move(f)); }
  op_result<void *> get_window() { return window_impl(); }
  op_result<void *> get_widget() { return widget_impl(); }
  op_result<void *> get_browser_controller() { return browser_controller_impl(); }

  op_status bind(const std::string &name, binding_callback fn, void *arg) {
    return add_binding(name, binding_context{std::move(fn), arg, nullptr});
  }

  op_status bind(const std::string &name, sync_binding fn) {
    auto wrapper = [this, fn = std::move(fn)](const std::string &id, const std::string &req,
                                              void * /*arg*/) { resolve(id, 0, fn(req)); };
    return bind(name, binding_callback(wrapper), nullptr);
  }

  // Like the synchronous form, but the function also receives the address of the calling
  // document and chooses the status of its answer.
  op_status bind_with_source(const std::string &name, sourced_binding fn) {
    binding_context context;
    context.sourced = [this, fn = std::move(fn)](const std::string &id, const std::string &req,
                                                 const std::string &source) {
      binding_answer answer = fn(req, source);
      if (answer.undelivered) {
        resolve_or_return(id, answer.status, std::move(answer.result),
                          std::move(answer.undelivered));
      } else {
        resolve(id, answer.status, answer.result);
      }
    };
    return add_binding(name, std::move(context));
  }

  op_status unbind(const std::string &name) {
    auto found = bindings_.find(name);
    if (found == bindings_.end()) {
      return op_status::failure(error_not_found);
    }
    bindings_.erase(found);
    replace_bind_script();
    eval(make_on_unbind_script(name));
    return {};
  }

  // May be called from any thread: it only builds text and dispatches the reply. A reply to a
  // call made by a document that has since been replaced is dropped, so that its result never
  // reaches the next document.
  op_status resolve(const std::string &id, std::int32_t status, const std::string &result) {
    return dispatch_reply(id, status, result, nullptr);
  }

  // Like resolve, but a reply that is dropped because its document went away hands `result`
  // back to `undelivered` (a result that may be given only once can then be offered again).
  op_status resolve_or_return(const std::string &id, std::int32_t status, std::string result,
                              std::function<void(std::string)> undelivered) {
    auto held = std::make_shared<std::string>(std::move(result));
    return dispatch_reply(id, status, *held, [held, undelivered = std::move(undelivered)] {
      undelivered(std::move(*held));
    });
  }

  std::string create_init_script(const std::string &post_fn) { return make_bridge_script(post_fn); }

  std::string create_bind_script() {
    std::vector<std::string> names;
    names.reserve(bindings_.size());
    for (const auto &entry : bindings_) {
      names.push_back(entry.first);
    }
    return make_bind_script(names);
  }

  void add_init_script(const std::string &post_fn) {
    add_user_script(create_init_script(post_fn));
    init_script_added_ = true;
  }

  // Queues the 640 x 480 default size for an owned window unless a size is applied first.
  void dispatch_size_default() {
    if (!owns_window_ || !init_script_added_) {
      return;
    }
    dispatch([this] {
      if (!size_set_) {
        set_size(640, 480, hint_none);
      }
      size_set_ = true;
    });
  }

  void set_default_size_guard(bool guarded) { size_set_ = guarded; }

  // Runs everything dispatched so far; used before the dispatch target goes away.
  void deplete_run_loop_event_queue() {
    auto done = std::make_shared<bool>(false);
    if (!dispatch([done] { *done = true; }).ok()) {
      return; // nothing will run the marker, so there is nothing to wait for
    }
    run_event_loop_while([done] { return !*done; });
  }

protected:
  virtual op_status navigate_impl(const std::string &url) = 0;
  virtual op_result<void *> window_impl() = 0;
  virtual op_result<void *> widget_impl() = 0;
  virtual op_result<void *> browser_controller_impl() = 0;
  virtual op_status run_impl() = 0;
  virtual op_status terminate_impl() = 0;
  virtual op_status dispatch_impl(std::function<void()> f) = 0;
  virtual op_status set_title_impl(const std::string &title) = 0;
  virtual op_status set_size_impl(int width, int height, size_hint hint) = 0;
  virtual op_status set_html_impl(const std::string &html) = 0;
  virtual op_status eval_impl(const std::string &js) = 0;
  // A backend whose browser takes scripts in UTF-16 says so, and gets replies already in UTF-16
  // (the same text as eval_impl would be given, converted; empty where that is not UTF-8).
  virtual bool evaluates_utf16() const { return false; }
  virtual op_status eval_utf16_impl(const utf16_string &js) { return eval_impl(utf16_to_utf8(js)); }

  // Adding a script may run the loop (the browser answers asynchronously), and a task run there
  // may add or replace scripts in turn: such changes wait until the current one is done, so
  // the list never changes under a walk and every script is installed once, in order. A
  // deferred addition returns null.
  virtual user_script *add_user_script(const std::string &js) {
    if (scripts_busy_) {
      deferred_scripts_.push_back(js);
      return nullptr;
    }
    user_script *added = nullptr;
    {
      script_change change(*this);
      user_scripts_.push_back(add_user_script_impl(js));
      added = &user_scripts_.back();
    }
    apply_deferred_script_changes();
    return added;
  }

  virtual user_script add_user_script_impl(const std::string &js) = 0;
  virtual void remove_all_user_scripts_impl(const std::list<user_script> &scripts) = 0;
  virtual bool are_user_scripts_equal_impl(const user_script &first, const user_script &second) = 0;

  // Reinstalls every script in its order; only entries equal to `old_script` get `new_code`.
  virtual user_script *replace_user_script(const user_script &old_script,
                                           const std::string &new_code) {
    script_change change(*this);
    remove_all_user_scripts_impl(user_scripts_);
    // Matches are decided before any entry changes: old_script may itself be one of the entries.
    std::vector<bool> matches;
    matches.reserve(user_scripts_.size());
    for (const auto &entry : user_scripts_) {
      matches.push_back(are_user_scripts_equal_impl(entry, old_script));
    }
    user_script *replaced = nullptr;
    auto match = matches.begin();
    for (auto &entry : user_scripts_) {
      const bool matched = *match++;
      entry = add_user_script_impl(matched ? new_code : entry.get_code());
      if (matched) {
        replaced = &entry;
      }
    }
    return replaced;
  }

  // The browser was replaced and knows none of the scripts: each is installed again, in order.
  void reinstall_user_scripts() {
    {
      script_change change(*this);
      for (auto &entry : user_scripts_) {
        entry = add_user_script_impl(entry.get_code());
      }
    }
    apply_deferred_script_changes();
  }

  // A page posted `msg`; the call runs later from the loop, never inside this function.
  virtual void on_message(const std::string &msg) {
    auto id = parse_json_value(msg, "id", 0);
    auto method = parse_json_value(msg, "method", 0);
    auto params = parse_json_value(msg, "params", 0);
    auto found = bindings_.find(method);
    if (found == bindings_.end()) {
      return;
    }
    if (pending_calls_.size() >= max_pending_calls) {
      return; // a page that never lets its calls be answered gets no more memory
    }
    const auto pending = pending_calls_.emplace(id, document_serial_);
    binding_context context = found->second;
    const auto dispatched = dispatch(
        [context = std::move(context), id, params = std::move(params), source = message_source_] {
          try {
            if (context.sourced) {
              context.sourced(id, params, source);
            } else if (context.callback) {
              context.callback(id, params, context.arg);
            }
          } catch (...) {
            // A throwing handler leaves its call unanswered rather than unwinding through the
            // platform's message dispatch.
          }
        });
    if (!dispatched.ok()) {
      pending_calls_.erase(pending); // the call will never run, so no reply will come
    }
  }

  // The backend's entry for a message together with the address of the document that sent it;
  // the message still reaches on_message, so an engine that overrides it sees every message.
  void receive_message(const std::string &msg, const std::string &source) {
    message_source_ = source;
    try {
      on_message(msg);
    } catch (...) {
      message_source_.clear();
      throw;
    }
    message_source_.clear();
  }

  // The backend calls this when a new top-level document starts loading: calls made by earlier
  // documents are no longer answered, also those whose replies were held back.
  void on_document_changed() {
    ++document_serial_;
    // The navigations under way ended with this document, or were superseded by it.
    navigations_.clear();
    release_held_replies();
  }

  // A top-level navigation started. A reply evaluated from now on could run in the next
  // document, so replies wait until the navigation commits (they are dropped) or ends without a
  // new document (they are delivered).
  void on_navigation_starting(std::uint64_t navigation_id) {
    navigations_.push_back(navigation_id);
  }

  // A top-level navigation completed, succeeded or not.
  void on_navigation_ended(std::uint64_t navigation_id) {
    const auto found = std::find(navigations_.begin(), navigations_.end(), navigation_id);
    if (found != navigations_.end()) {
      navigations_.erase(found);
    }
    if (navigations_.empty()) {
      release_held_replies();
    }
  }

  virtual void on_window_created() { ++window_count; }

  virtual void on_window_destroyed(bool skip_termination = false) {
    if (window_count.load() != 0) {
      if (--window_count != 0) {
        return;
      }
    }
    if (!skip_termination) {
      terminate_impl();
    }
  }

  virtual void run_event_loop_while(std::function<bool()> fn) = 0;

  bool owns_window() const noexcept { return owns_window_; }
  bool init_script_added() const noexcept { return init_script_added_; }
  bool size_set() const noexcept { return size_set_; }
  const std::list<user_script> &user_scripts() const noexcept { return user_scripts_; }

private:
  // Marks a change of the script list in progress for as long as it lives.
  class script_change {
  public:
    explicit script_change(engine_base &engine)
        : engine_(engine), outer_busy_(engine.scripts_busy_) {
      engine_.scripts_busy_ = true;
    }
    // A change nested in another leaves the outer one marked.
    ~script_change() { engine_.scripts_busy_ = outer_busy_; }
    script_change(const script_change &) = delete;
    script_change &operator=(const script_change &) = delete;

  private:
    engine_base &engine_;
    bool outer_busy_;
  };

  // Applies, in order, the changes asked for while the list was being changed. Each may defer
  // further changes, which this loop then applies as well.
  void apply_deferred_script_changes() {
    while (!scripts_busy_ && (bind_script_stale_ || !deferred_scripts_.empty())) {
      if (bind_script_stale_) {
        bind_script_stale_ = false;
        replace_bind_script();
      } else {
        std::string js = std::move(deferred_scripts_.front());
        deferred_scripts_.erase(deferred_scripts_.begin());
        add_user_script(js);
      }
    }
  }

  // Outstanding calls beyond this many are dropped unanswered.
  static constexpr std::size_t max_pending_calls = 262144;

  op_status add_binding(const std::string &name, binding_context context) {
    if (bindings_.count(name) > 0) {
      return op_status::failure(error_duplicate);
    }
    bindings_.emplace(name, std::move(context));
    replace_bind_script();
    // Gives the already loaded document the function at once.
    eval(make_on_bind_script(name));
    return {};
  }

  // A reply, written once, on its way to the document that made the call.
  struct reply {
    std::string id;
    std::uint64_t document;
    std::function<void()> evaluate;
    std::function<void()> undelivered; // may be empty
  };

  // The reply is written here in one pass over the result; large results (a launch file is
  // tens of megabytes) are neither escaped into a text of their own nor copied again.
  op_status dispatch_reply(const std::string &id, std::int32_t status, const std::string &result,
                           std::function<void()> undelivered) {
    std::function<void()> evaluate;
    if (evaluates_utf16()) {
      evaluate = [this, script = make_reply_script_utf16(id, status, result)] {
        eval_utf16_impl(script);
      };
    } else {
      evaluate = [this, script = make_reply_script(id, status, result)] { eval(script); };
    }
    return dispatch(
        [this, id, evaluate = std::move(evaluate), undelivered = std::move(undelivered)]() mutable {
          deliver(reply{id, 0, std::move(evaluate), std::move(undelivered)});
        });
  }

  // Replies to ids that no page sent are evaluated as before; a reply to a call from a document
  // that has been replaced is dropped; while a navigation is under way the reply waits.
  void deliver(reply r) {
    auto pending = pending_calls_.find(r.id);
    if (pending == pending_calls_.end()) {
      r.evaluate();
      return;
    }
    r.document = pending->second;
    pending_calls_.erase(pending);
    if (r.document != document_serial_) {
      drop(r);
    } else if (!navigations_.empty()) {
      held_replies_.push_back(std::move(r));
    } else {
      r.evaluate();
    }
  }

  static void drop(reply &r) {
    if (r.undelivered) {
      r.undelivered();
    }
  }

  // Called once no navigation is under way: held replies whose document is still the current
  // one are evaluated, the others dropped.
  void release_held_replies() {
    std::vector<reply> held;
    held.swap(held_replies_);
    for (auto &r : held) {
      if (r.document == document_serial_) {
        r.evaluate();
      } else {
        drop(r);
      }
    }
  }

  void replace_bind_script() {
    if (scripts_busy_) {
      bind_script_stale_ = true; // rebuilt from the bindings as they are once the change is done
      return;
    }
    if (bind_script_) {
      bind_script_ = replace_user_script(*bind_script_, create_bind_script());
    } else {
      bind_script_ = add_user_script(create_bind_script());
    }
    apply_deferred_script_changes();
  }

  std::map<std::string, binding_context> bindings_;
  user_script *bind_script_ = nullptr;
  std::list<user_script> user_scripts_;
  bool scripts_busy_ = false;
  bool bind_script_stale_ = false;
  std::vector<std::string> deferred_scripts_;
  bool init_script_added_ = false;
  bool size_set_ = false;
  bool owns_window_;
  // Calls received and not yet answered: id -> the document that made them (UI thread only).
  std::multimap<std::string, std::uint64_t> pending_calls_;
  std::uint64_t document_serial_ = 0;
  std::vector<std::uint64_t> navigations_; // top-level navigations started, not yet ended
  std::vector<reply> held_replies_;
  std::string message_source_; // sender of the message being received
};

} // namespace detail
} // namespace webview

#endif
