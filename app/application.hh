// The program's windows, all in one process on one browser environment: the first window, the
// suite's further windows (opened by a page or by a second start of the program) and the popups
// of pages. The program ends when its last window has closed.
#ifndef ZORVEL_APP_APPLICATION_HH
#define ZORVEL_APP_APPLICATION_HH

#include "app_texts.hh"
#include "browser_data_prompt.hh"
#include "browser_hooks.hh"
#include "handover_text.hh"
#include "launch_args.hh"
#include "native_bindings.hh"
#include "new_window_rules.hh"
#include "suite_start.hh"
#include "task_window.hh"
#include "tray_icon_events.hh"
#include "window_setup.hh"

#include <webview/detail/backends/win32_edge_engine.hh>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <utility>

namespace zorvel {

enum class window_role {
  first, // the window of the program's start: a page never closes it
  suite, // a further window of the suite, with the services and page scripts
  popup, // a page's popup: owned by its opener, no services, no page scripts
};

class application {
public:
  // `choice` receives the user's answer when the browser data folder cannot be used.
  explicit application(browser_data_choice &choice) : choice_(choice) {}

  application(const application &) = delete;
  application &operator=(const application &) = delete;

  ~application() { close_all(); }

  // Opens the first window on the start page (with the link, or holding the launch file).
  // Throws webview::exception when its browser cannot be made, as an engine does.
  void open_first(launch_state launch) {
    window_plan plan;
    plan.role = window_role::first;
    plan.launch = std::move(launch);
    plan.place = place_first_window;
    window &w = make_window(std::move(plan));
    w.engine->navigate(first_address(w.launch));
    started_ = true;
    for (auto &waiting : waiting_handovers_) {
      tasks_.post([this, waiting] { on_handover(waiting.first, waiting.second); });
    }
    waiting_handovers_.clear();
  }

  // What a second start of the program handed over.
  void on_handover(handover_kind kind, const std::wstring &text) {
    if (!started_) {
      waiting_handovers_.emplace_back(kind, text); // handled once the first window is there
      return;
    }
    if (kind == handover_kind::front) {
      if (window *recent = most_recent()) {
        bring_to_front(recent->handle);
      }
      return;
    }
    launch_state launch;
    if (kind == handover_kind::link) {
      launch.link = narrow(text);
    } else if (kind == handover_kind::file) {
      launch = classify_argument(text.c_str());
    } else {
      return;
    }
    window *recent = most_recent();
    window_plan plan;
    plan.role = window_role::suite;
    plan.launch = std::move(launch);
    plan.environment = recent != nullptr ? recent->engine->browser_environment() : nullptr;
    const HWND from = recent != nullptr ? recent->handle : nullptr;
    plan.place = [from](HWND w) { place_cascaded(w, from); };
    try {
      window &w = make_window(std::move(plan));
      w.engine->navigate(first_address(w.launch));
      bring_to_front(w.handle);
    } catch (const std::exception &) {
      // The window could not be made; the windows already open go on.
    }
  }

  // Runs until the last window has closed. Closed windows' engines go between messages of
  // this loop only: never inside a wait of an engine, which may be the closed one.
  void run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      forget_closed();
    }
    close_all();
  }

  // The last window closed because its browser failed beyond recovery.
  bool last_window_lost() const noexcept { return last_closed_lost_; }

private:
  using engine = webview::detail::win32_edge_engine;
  using new_window_request = std::shared_ptr<webview::detail::webview2_new_window_request>;

  struct window {
    std::uint64_t id = 0;
    window_role role = window_role::suite;
    bool opened_by_page = false;
    launch_state launch; // read by the bindings: the window never moves
    std::unique_ptr<engine> engine;
    HWND handle = nullptr;
    std::shared_ptr<service_policy> policy;
    bool closed = false; // its window is gone; the engine goes from the main loop
  };

  struct window_plan {
    window_role role = window_role::suite;
    bool opened_by_page = false;
    launch_state launch;
    ICoreWebView2Environment *environment = nullptr; // null: a browser environment of its own
    HWND owner = nullptr;
    int width = 1280, height = 840;
    std::function<void(HWND)> place;
  };

  window &make_window(window_plan plan) {
    auto w = std::make_unique<window>();
    w->id = ++last_id_;
    w->role = plan.role;
    w->opened_by_page = plan.opened_by_page;
    w->launch = std::move(plan.launch);
    window *self = w.get();
    webview::detail::win32_edge_startup startup;
    startup.starting_text = starting_text;
    startup.background = RGB(app_background_rgb[0], app_background_rgb[1], app_background_rgb[2]);
    startup.environment = plan.environment;
    startup.owner = plan.owner;
    startup.before_show = [place = std::move(plan.place)](HWND h) {
      set_window_icons(h);
      if (place) {
        place(h);
      }
    };
    startup.before_browser = [self, width = plan.width, height = plan.height](engine &e) {
      e.set_title(self->role == window_role::popup ? narrow(app_short_title) : app_title_utf8);
      e.set_size(width, height, webview::hint_none);
      self->handle = static_cast<HWND>(e.get_window().value());
    };
    if (plan.role == window_role::first) {
      startup.on_browser_data_problem = [this, self](webview::detail::browser_data_problem p) {
        return answer_browser_data_problem(self->handle, p);
      };
    }
    w->engine = std::make_unique<engine>(false, nullptr, webview::detail::win32_edge_deadlines{},
                                         std::move(startup));
    windows_.push_back(std::move(w));
    set_up(*self);
    return *self;
  }

  // Everything a window gets besides its browser, by its role.
  void set_up(window &w) {
    engine &e = *w.engine;
    const std::uint64_t id = w.id;
    const HWND handle = w.handle;
    e.set_window_destroyed_handler([this, &w, handle] {
      remove_tray_icon_of(handle);
      w.closed = true;
    });
    e.set_main_window_hook([this, &w](UINT msg, WPARAM wp, LPARAM lp, LRESULT *result) {
      if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE && w.role != window_role::popup) {
        recent_id_ = w.id;
      } else if (msg == WM_CLOSE && w.role != window_role::popup) {
        save_window_placement(w.handle); // the closing itself goes on as usual
      }
      *result = 0;
      return on_tray_window_message(w.handle, msg, lp);
    });
    webview::detail::win32_prompt_texts texts;
    texts.leave = leave_prompt;
    texts.close_unresponsive = close_unresponsive_prompt;
    texts.page_unresponsive = page_unresponsive_prompt;
    e.set_prompt_texts(std::move(texts));
    e.set_new_window_handler(
        [this, id](new_window_request request) { on_new_window(id, std::move(request)); });
    e.set_close_request_handler([&w] {
      if (w.opened_by_page) { // as browsers do, a page closes only a window a page opened
        PostMessageW(w.handle, WM_CLOSE, 0, 0);
      }
    });
    const bool suite = w.role != window_role::popup;
    if (suite) {
      e.set_clipboard_read_filter(
          [sites = sites_](const std::string &uri) { return is_suite_document(uri, sites); });
      w.policy = bind_native_services(e, w.handle, w.launch, sites_);
      e.init(init_script());
    } else {
      w.policy = std::make_shared<service_policy>(sites_);
    }
    // Also after the engine replaced a failed browser: the new one gets the same hooks.
    e.on_browser_created([&e, handle, suite] {
      attach_browser_hooks(
          static_cast<ICoreWebView2Controller *>(e.get_browser_controller().value()), handle,
          config::start_url, suite);
    });
  }

  // A page asked for a window: decided now, opened from the loop when it needs a window.
  void on_new_window(std::uint64_t opener_id, new_window_request request) {
    window *opener = find(opener_id);
    if (opener == nullptr) {
      return; // the request goes unanswered: nothing opens
    }
    const auto &f = request->features();
    const auto place = place_for_new_window(request->uri(), f.has_position || f.has_size, sites_);
    if (place == new_window_place::default_browser) {
      if (opener->policy->external.allow(GetTickCount64())) {
        open_in_browser(widen(external_address(request->uri())));
      }
      request->handle();
    } else if (place == new_window_place::nowhere) {
      request->handle();
    } else {
      tasks_.post(
          [this, opener_id, request, place] { open_page_window(opener_id, request, place); });
    }
  }

  void open_page_window(std::uint64_t opener_id, const new_window_request &request,
                        new_window_place place) {
    window *opener = find(opener_id);
    if (opener == nullptr || opener->engine->browser_environment() == nullptr) {
      return;
    }
    window_plan plan;
    plan.opened_by_page = true;
    plan.environment = opener->engine->browser_environment();
    const HWND from = opener->handle;
    if (place == new_window_place::suite_window) {
      plan.role = window_role::suite;
      plan.place = [from](HWND w) { place_cascaded(w, from); };
    } else {
      const auto features = request->features();
      plan.role = window_role::popup;
      plan.owner = from;
      if (features.has_size) {
        plan.width = std::max(100L, features.width);
        plan.height = std::max(100L, features.height);
      } else {
        plan.width = 800;
        plan.height = 600;
      }
      plan.place = [from, features](HWND w) { place_popup(w, from, features); };
    }
    try {
      window &w = make_window(std::move(plan));
      if (!request->open_in(
              static_cast<ICoreWebView2Controller *>(w.engine->get_browser_controller().value()))) {
        DestroyWindow(w.handle); // the browser would not take it: nothing to show
      }
    } catch (const std::exception &) {
      // No window could be made; the request is answered with nothing opened.
    }
  }

  webview::detail::browser_data_answer
  answer_browser_data_problem(HWND handle, webview::detail::browser_data_problem p) {
    using webview::detail::browser_data_answer;
    choice_ = ask_about_browser_data(handle, p);
    if (choice_ == browser_data_choice::fresh_data) {
      set_browser_data_aside(handle);
    }
    return choice_ == browser_data_choice::try_again || choice_ == browser_data_choice::fresh_data
               ? browser_data_answer::retry
               : browser_data_answer::give_up;
  }

  window *find(std::uint64_t id) {
    for (auto &w : windows_) {
      if (w->id == id && !w->closed) {
        return w.get();
      }
    }
    return nullptr;
  }

  // The suite window the user was in last, or any open one.
  window *most_recent() {
    if (window *recent = find(recent_id_)) {
      return recent;
    }
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
      if ((*it)->role != window_role::popup && !(*it)->closed) {
        return it->get();
      }
    }
    return nullptr;
  }

  void forget_closed() {
    const auto closed = [](const std::unique_ptr<window> &w) { return w->closed; };
    for (auto it = std::find_if(windows_.begin(), windows_.end(), closed); it != windows_.end();
         it = std::find_if(windows_.begin(), windows_.end(), closed)) {
      forget(it);
    }
  }

  // A window's engine goes; taken out of the list first, as its destruction runs the loop.
  void forget(std::list<std::unique_ptr<window>>::iterator it) {
    std::unique_ptr<window> gone = std::move(*it);
    windows_.erase(it);
    if (gone->role != window_role::popup) {
      last_closed_lost_ = gone->engine->browser_lost();
    }
    gone.reset();
    window *other = most_recent();
    if (last_closed_lost_ && other != nullptr) {
      // The user's other windows stay; the one that closed is explained now, not at the end.
      last_closed_lost_ = false;
      if (MessageBoxW(other->handle, browser_lost_prompt, app_title, MB_YESNO | MB_ICONWARNING) ==
          IDYES) {
        open_in_browser(widen(config::start_url));
      }
    }
  }

  // What was still to be done for the windows (requests of pages among it) goes first, while
  // the browsers that made the requests are still there.
  void close_all() {
    tasks_.drop_queued();
    while (!windows_.empty()) {
      forget(windows_.begin());
    }
  }

  browser_data_choice &choice_;
  const suite_sites sites_ = configured_suite_sites();
  task_window tasks_;
  std::list<std::unique_ptr<window>> windows_;
  std::uint64_t last_id_ = 0;
  std::uint64_t recent_id_ = 0;
  bool started_ = false;
  bool last_closed_lost_ = false;
  std::deque<std::pair<handover_kind, std::wstring>> waiting_handovers_;
};

} // namespace zorvel

#endif
