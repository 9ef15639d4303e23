// An in-memory backend for engine_base: a first-in-first-out dispatch queue pumped by its own
// event loop, and a record of what the engine asked of the browser.
#ifndef TESTS_SUPPORT_TEST_ENGINE_HH
#define TESTS_SUPPORT_TEST_ENGINE_HH

#include <webview/detail/engine_base.hh>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class webview::detail::user_script::impl {
public:
  explicit impl(int id) : id(id) {}
  int id;
};

namespace test_support {

using namespace webview;
using namespace webview::detail;

struct size_call {
  int width;
  int height;
  size_hint hint;
};

class test_engine : public engine_base {
public:
  // The post function the test backend installs with the bridge.
  static constexpr const char *post_function = "function(message) {\n  return "
                                               "window.chrome.webview.postMessage(message);\n}";

  // `with_bridge` false leaves the engine as one whose embedding never installed the bridge.
  explicit test_engine(bool owns_window = true, bool with_bridge = true)
      : engine_base(owns_window) {
    if (owns_window) {
      window_open = true;
      on_window_created();
    }
    if (with_bridge) {
      add_init_script(post_function);
    }
    dispatch_size_default();
  }

  ~test_engine() override {
    if (owns_window()) {
      deplete_run_loop_event_queue();
      if (window_open) {
        window_open = false;
        on_window_destroyed(true);
      }
    }
  }

  // What the engine asked of the browser, in order.
  std::vector<std::string> navigations;
  std::vector<std::string> evaluated;
  std::vector<std::string> html;
  std::vector<std::string> titles;
  std::vector<size_call> sizes;
  // Scripts currently installed in the browser (id, code) in installation order, and a log of
  // every "add:<id>" and "remove:<id>".
  std::vector<std::pair<int, std::string>> installed;
  std::vector<std::string> script_log;
  int terminations = 0;
  bool window_open = false;
  bool fail_dispatch = false;

  // Simulates the browser delivering a message posted by the page.
  void receive(const std::string &message) { on_message(message); }
  // The same, from the document at `source`.
  void receive_from(const std::string &source, const std::string &message) {
    receive_message(message, source);
  }
  // Simulates a new top-level document starting to load.
  void new_document() { on_document_changed(); }
  // Simulates a top-level navigation starting, and ending (completed, failed or cancelled).
  void navigation_starting(std::uint64_t id) { on_navigation_starting(id); }
  void navigation_ended(std::uint64_t id) { on_navigation_ended(id); }

  // Simulates the user closing the window.
  void close_window() {
    window_open = false;
    on_window_destroyed(false);
  }

  std::size_t queued() {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
  }

  // Runs what is queued now and what that queues in turn, until the queue is empty.
  void pump() {
    run_event_loop_while([this] { return queued() > 0; });
  }

  using engine_base::add_user_script;
  using engine_base::on_window_destroyed;
  using engine_base::replace_user_script;
  using engine_base::size_set;
  using engine_base::user_scripts;

protected:
  op_status navigate_impl(const std::string &url) override {
    navigations.push_back(url);
    return {};
  }
  op_result<void *> window_impl() override {
    if (!window_open) {
      return op_result<void *>::failure(error_invalid_state);
    }
    return static_cast<void *>(this);
  }
  op_result<void *> widget_impl() override {
    return op_result<void *>::failure(error_invalid_state);
  }
  op_result<void *> browser_controller_impl() override {
    return op_result<void *>::failure(error_invalid_state);
  }
  op_status run_impl() override {
    run_event_loop_while([] { return true; });
    return {};
  }
  op_status terminate_impl() override {
    ++terminations;
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(entry{true, {}});
    ready_.notify_one();
    return {};
  }
  op_status dispatch_impl(std::function<void()> f) override {
    if (fail_dispatch) {
      return op_status::failure(error_invalid_state);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(entry{false, std::move(f)});
    ready_.notify_one();
    return {};
  }
  op_status set_title_impl(const std::string &title) override {
    titles.push_back(title);
    return {};
  }
  op_status set_size_impl(int width, int height, size_hint hint) override {
    sizes.push_back({width, height, hint});
    return {};
  }
  op_status set_html_impl(const std::string &text) override {
    html.push_back(text);
    return {};
  }
  op_status eval_impl(const std::string &js) override {
    evaluated.push_back(js);
    return {};
  }
  user_script add_user_script_impl(const std::string &js) override {
    const int id = ++last_id_;
    installed.emplace_back(id, js);
    script_log.push_back("add:" + std::to_string(id));
    return user_script(js, user_script::impl_ptr(new user_script::impl(id),
                                                 [](user_script::impl *p) { delete p; }));
  }
  void remove_all_user_scripts_impl(const std::list<user_script> &scripts) override {
    for (const auto &script : scripts) {
      const int id = script.get_impl()->id;
      script_log.push_back("remove:" + std::to_string(id));
      for (auto it = installed.begin(); it != installed.end(); ++it) {
        if (it->first == id) {
          installed.erase(it);
          break;
        }
      }
    }
  }
  bool are_user_scripts_equal_impl(const user_script &first, const user_script &second) override {
    return first.get_impl()->id == second.get_impl()->id;
  }
  // Like a thread's message loop: blocks for work, and a quit entry ends it (and is consumed).
  void run_event_loop_while(std::function<bool()> fn) override {
    while (fn()) {
      entry next;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!ready_.wait_for(lock, std::chrono::seconds(10), [this] { return !queue_.empty(); })) {
          throw std::runtime_error("event loop waited 10 s for work that never came");
        }
        next = std::move(queue_.front());
        queue_.pop_front();
      }
      if (next.quit) {
        return;
      }
      next.task();
    }
  }

private:
  struct entry {
    bool quit = false;
    std::function<void()> task;
  };
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<entry> queue_;
  int last_id_ = 0;
};

} // namespace test_support

#endif
