// Entry point of the desktop application: hands a second start over to the program already
// running, checks for the browser runtime, opens the suite's start page in a window hosting the
// browser control, and runs until the last of the program's windows is closed. When no window
// can be made it offers the suite in the default browser instead.
#include "app_texts.hh"
#include "application.hh"
#include "browser_data_prompt.hh"
#include "launch_args.hh"
#include "native_bindings.hh"
#include "runtime_check.hh"
#include "shell_text.hh"
#include "single_instance.hh"
#include "tray_notify.hh"

#include <windows.h>

#include <shellapi.h>

#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace zorvel {
namespace {

void set_process_dpi_awareness() {
  // Per-monitor V2 by value; the manifest asks for the same, so a refusal changes nothing.
  using SetProcessDpiAwarenessContext_t = BOOL(WINAPI *)(DPI_AWARENESS_CONTEXT);
  if (auto set_context = reinterpret_cast<SetProcessDpiAwarenessContext_t>(reinterpret_cast<void *>(
          GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")))) {
    set_context(reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<INT_PTR>(-4)));
  }
}

// The program's first argument, when there is one (only the first counts).
std::optional<std::wstring> first_argument() {
  struct local_free {
    void operator()(LPWSTR *argv) const { LocalFree(argv); }
  };
  int argc = 0;
  const std::unique_ptr<LPWSTR, local_free> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv || argc <= 1) {
    return std::nullopt;
  }
  return std::wstring(argv.get()[1]);
}

// Takes the notification-area icon away when it goes out of scope.
class tray_icon_cleanup {
public:
  tray_icon_cleanup() = default;
  tray_icon_cleanup(const tray_icon_cleanup &) = delete;
  tray_icon_cleanup &operator=(const tray_icon_cleanup &) = delete;
  ~tray_icon_cleanup() { remove_tray_icon(); }
};

// Runs the program's windows until the last one is closed. False when the last window closed
// because its browser failed beyond recovery.
bool run_application(const std::optional<std::wstring> &argument, browser_data_choice &choice,
                     bool first) {
  const tray_icon_cleanup tray_icon_owner; // after the windows, however the run ends
  application app(choice);
  // Only the first program of the session takes over later starts.
  std::unique_ptr<handover_window> receiver;
  if (first) {
    receiver = std::make_unique<handover_window>(
        [&app](handover_kind kind, std::wstring text) { app.on_handover(kind, text); });
  }
  // May read a launch file of tens of megabytes.
  app.open_first(argument ? classify_argument(argument->c_str()) : launch_state{});
  app.run();
  return !app.last_window_lost();
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
  const std::optional<std::wstring> argument = first_argument();
  const instance_lock lock;
  if (!lock.first() && hand_over(handover_argument(argument ? argument->c_str() : nullptr)) ==
                           handover_outcome::taken) {
    return 0; // the program already running opens it
  }
  if (!webview2_runtime_registered()) {
    if (MessageBoxW(nullptr, install_prompt, app_title, MB_YESNO | MB_ICONINFORMATION) == IDYES) {
      open_in_browser(widen(config::runtime_download_url));
    }
  }
  browser_data_choice choice = browser_data_choice::try_again;
  try {
    if (!run_application(argument, choice, lock.first())) {
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
