// Entry point of the desktop application: reads the first argument, checks for the browser
// runtime, opens the suite's start page in a window hosting the browser control, and runs the
// message loop. When no window can be made it offers the suite in the default browser instead.
#include "app_assets.hh"
#include "app_texts.hh"
#include "browser_data_prompt.hh"
#include "browser_hooks.hh"
#include "launch_args.hh"
#include "native_bindings.hh"
#include "runtime_check.hh"
#include "shell_text.hh"
#include "suite_origin.hh"
#include "text_encoding.hh"
#include "tray_icon_events.hh"
#include "tray_notify.hh"
#include "window_placement_store.hh"

#include <webview/detail/backends/win32_edge_engine.hh>

#include <windows.h>

#include <shellapi.h>

#include <exception>
#include <memory>
#include <string>

namespace zorvel {
namespace {

using webview::detail::win32_edge_deadlines;
using webview::detail::win32_edge_engine;
using webview::detail::win32_edge_startup;

void set_process_dpi_awareness() {
  // Per-monitor V2 by value; the manifest asks for the same, so a refusal changes nothing.
  using SetProcessDpiAwarenessContext_t = BOOL(WINAPI *)(DPI_AWARENESS_CONTEXT);
  if (auto set_context = reinterpret_cast<SetProcessDpiAwarenessContext_t>(reinterpret_cast<void *>(
          GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")))) {
    set_context(reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<INT_PTR>(-4)));
  }
}

launch_state read_command_line() {
  struct local_free {
    void operator()(LPWSTR *argv) const { LocalFree(argv); }
  };
  int argc = 0;
  const std::unique_ptr<LPWSTR, local_free> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv || argc <= 1) {
    return {};
  }
  return classify_argument(argv.get()[1]); // only the first argument counts
}

void set_window_icons(HWND window) {
  const HINSTANCE module = GetModuleHandleW(nullptr);
  auto load = [module](int cx, int cy) {
    return static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR));
  };
  if (HICON big = load(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON))) {
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  }
  if (HICON small = load(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON))) {
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
}

// Centred in the primary work area, or maximised when it does not fit.
void place_window(HWND window) {
  RECT work{}, rect{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(window, &rect);
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  const int W = work.right - work.left, H = work.bottom - work.top;
  if (w > W || h > H) {
    ShowWindow(window, SW_SHOWMAXIMIZED);
  } else {
    SetWindowPos(window, nullptr, work.left + (W - w) / 2, work.top + (H - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
  }
}

std::string init_script() {
  std::string script;
  script.reserve(assets::native_bootstrap_script_size + assets::native_helper_script_size + 1 +
                 assets::dock_script_size);
  script.append(assets::native_bootstrap_script, assets::native_bootstrap_script_size);
  script.append(assets::native_helper_script, assets::native_helper_script_size);
  script += '\n';
  script.append(assets::dock_script, assets::dock_script_size);
  return script;
}

suite_sites configured_suite_sites() {
  return {config::suite_app_host, config::suite_main_host, config::suite_site_prefix,
          config::suite_domain};
}

std::string first_address(const launch_state &launch) {
  std::string url = config::start_url;
  if (!launch.link.empty()) {
    url += "&w=" + percent_encode(launch.link);
  }
  return url;
}

// Takes the notification-area icon away when it goes out of scope.
class tray_icon_cleanup {
public:
  tray_icon_cleanup() = default;
  tray_icon_cleanup(const tray_icon_cleanup &) = delete;
  tray_icon_cleanup &operator=(const tray_icon_cleanup &) = delete;
  ~tray_icon_cleanup() { remove_tray_icon(); }
};

int run_message_loop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

// Sets up the window and the page, then runs until the window is closed. False when the browser
// failed beyond recovery (the engine then closed the window).
// The window is shown at its final size and place, with the program's colour and a line saying
// that it is starting, before the browser is created; when the browser data folder cannot be
// opened the user is asked (`choice` holds the answer).
win32_edge_startup window_at_once(HWND &window, browser_data_choice &choice) {
  using webview::detail::browser_data_answer;
  win32_edge_startup startup;
  startup.starting_text = starting_text;
  startup.background = RGB(app_background_rgb[0], app_background_rgb[1], app_background_rgb[2]);
  startup.before_show = [](HWND w) {
    set_window_icons(w);
    if (!restore_window_placement(w)) {
      place_window(w); // a first start, or a placement that cannot be used
    }
  };
  startup.before_browser = [&window](win32_edge_engine &engine) {
    engine.set_title(app_title_utf8);
    engine.set_size(1280, 840, webview::hint_none);
    window = static_cast<HWND>(engine.get_window().value());
  };
  startup.on_browser_data_problem = [&window, &choice](webview::detail::browser_data_problem p) {
    choice = ask_about_browser_data(window, p);
    if (choice == browser_data_choice::fresh_data) {
      set_browser_data_aside(window);
    }
    return choice == browser_data_choice::try_again || choice == browser_data_choice::fresh_data
               ? browser_data_answer::retry
               : browser_data_answer::give_up;
  };
  return startup;
}

bool run_application(launch_state &launch, browser_data_choice &choice) {
  HWND window = nullptr;
  auto engine = std::make_unique<win32_edge_engine>(false, nullptr, win32_edge_deadlines{},
                                                    window_at_once(window, choice));
  const tray_icon_cleanup tray_icon_owner; // before the window goes, however the run ends
  engine->set_main_window_hook([window](UINT msg, WPARAM, LPARAM lp, LRESULT *result) {
    if (msg == WM_CLOSE) {
      save_window_placement(window); // the closing itself goes on as usual
    }
    *result = 0;
    return on_tray_window_message(window, msg, lp);
  });
  webview::detail::win32_prompt_texts texts;
  texts.leave = leave_prompt;
  texts.close_unresponsive = close_unresponsive_prompt;
  texts.page_unresponsive = page_unresponsive_prompt;
  engine->set_prompt_texts(std::move(texts));
  const suite_sites sites = configured_suite_sites();
  engine->set_clipboard_read_filter(
      [sites](const std::string &uri) { return is_suite_document(uri, sites); });
  bind_native_services(*engine, window, launch, sites);
  {
    const std::string script = init_script();
    engine->init(script);
  }
  // Also after the engine replaced a failed browser: the new one gets the same settings and hooks.
  engine->on_browser_created([&engine, window] {
    attach_browser_hooks(
        static_cast<ICoreWebView2Controller *>(engine->get_browser_controller().value()), window,
        config::start_url);
  });
  engine->navigate(first_address(launch));
  run_message_loop();
  return !engine->browser_lost();
}

int offer_browser_instead() {
  const int answer = MessageBoxW(nullptr, fallback_prompt, app_title, MB_YESNO | MB_ICONWARNING);
  open_in_browser(widen(answer == IDYES ? config::start_url : config::runtime_download_url));
  return 1;
}

// The browser control kept failing and was given up: the runtime is there, so only the suite
// in the default browser is offered.
int offer_browser_after_failures() {
  if (MessageBoxW(nullptr, browser_lost_prompt, app_title, MB_YESNO | MB_ICONWARNING) == IDYES) {
    open_in_browser(widen(config::start_url));
  }
  return 1;
}

} // namespace
} // namespace zorvel

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace zorvel;
  // Libraries come from the program's folder and System32 only: never from the working
  // directory (the document's folder when Explorer opens a document with the program) or PATH.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
  set_process_dpi_awareness();
  if (!webview2_runtime_registered()) {
    if (MessageBoxW(nullptr, install_prompt, app_title, MB_YESNO | MB_ICONINFORMATION) == IDYES) {
      open_in_browser(widen(config::runtime_download_url));
    }
  }
  browser_data_choice choice = browser_data_choice::try_again;
  try {
    launch_state launch = read_command_line(); // may read a launch file of tens of megabytes
    if (!run_application(launch, choice)) {
      return offer_browser_after_failures();
    }
  } catch (const webview::exception &e) {
    if (e.code() == webview::error_canceled) {
      return 0; // the window was closed while the browser was starting
    }
    if (choice == browser_data_choice::open_in_browser) {
      open_in_browser(widen(config::start_url));
      return 1;
    }
    return choice == browser_data_choice::close ? 1 : offer_browser_instead();
  } catch (const std::exception &) {
    return offer_browser_instead();
  }
  return 0;
}
