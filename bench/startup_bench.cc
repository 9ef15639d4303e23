// Start-up of the application under Wine with the WebView2 Runtime's test double: the time from
// starting the process to its window being visible and to the first Navigate the double
// records, beside a bare Win32 window
// program (bare_window.exe) started the same way in the same run, which notes when its WinMain
// runs and when its window is shown. The double's log file is
// polled every millisecond, so each milestone is the moment its line appears (the window: the
// moment the program has a visible top-level window of its class):
//   window shown    the application's window is on screen
//   runtime query   the loader library's version query (engine construction has begun)
//   environment     the environment's creation is asked for
//   controller      the controller's creation is asked for
//   controller done the double hands the controller back
//   Navigate        the first navigation
// Run: scripts/wine-run.sh build/windows build/windows/startup_bench.exe [RUNS [PROGRAM]]
// (PROGRAM: another build of the application to measure, as a Windows path)
#include "../tests/e2e/e2e_support.hh"
#include "../tests/e2e/process_driver.hh"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;
using e2e::read_file;
using e2e::windows_path;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

bool has_line_starting(const std::string &log, const std::string &start) {
  return log.compare(0, start.size(), start) == 0 || log.find("\n" + start) != std::string::npos;
}

// Starts `command` and returns the milliseconds until each of `marks` first appears at the start
// of a line of `log_path` (-1 for one that never does within ten seconds), and, with a
// `window_class`, last, until the program shows a window of that class.
std::vector<double> time_marks(const std::wstring &command, const std::wstring &folder,
                               const std::wstring &log_path, const std::vector<std::string> &marks,
                               const wchar_t *window_class = nullptr) {
  DeleteFileW(log_path.c_str());
  const std::size_t count = marks.size() + (window_class != nullptr ? 1 : 0);
  std::vector<double> at(count, -1);
  const auto start = clock_type::now();
  e2e::running_program program(command, folder);
  std::size_t seen = 0;
  while (seen < count && clock_type::now() - start < std::chrono::seconds(10)) {
    const std::string log = read_file(log_path);
    const bool shown =
        window_class != nullptr && at.back() < 0 && program.count_windows(window_class) > 0;
    const double ms = std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
    for (std::size_t i = 0; i < marks.size(); ++i) {
      if (at[i] < 0 && has_line_starting(log, marks[i])) {
        at[i] = ms;
        ++seen;
      }
    }
    if (shown) {
      at.back() = ms;
      ++seen;
    }
    Sleep(1);
  }
  program.wait(10000);
  return at;
}

// "A less B": the difference of the medians, and the median of each run's difference (the two
// programs run back to back, so the latter is less disturbed by the machine's other work).
void print_difference(const char *what, const std::vector<double> &a,
                      const std::vector<double> &b) {
  std::vector<double> differences;
  for (std::size_t run = 0; run < a.size() && run < b.size(); ++run) {
    if (a[run] > 0 && b[run] > 0) {
      differences.push_back(a[run] - b[run]);
    }
  }
  std::printf("%s less the bare window: %.1f ms (medians), %.1f ms (median of the %zu runs' "
              "differences; goal <= 20 ms)\n",
              what, median(a) - median(b), median(differences), differences.size());
}

} // namespace

int main(int argc, char **argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
  const std::wstring folder = e2e::own_directory() + L"\\startup_bench";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring app = folder + L"\\ZorvelOffice.exe";
  const std::wstring bare = windows_path(BARE_WINDOW_EXE);
  const std::wstring source = argc > 2 ? std::wstring(argv[2], argv[2] + std::strlen(argv[2]))
                                       : windows_path(ZORVEL_APP_EXE);
  if (!CopyFileW(source.c_str(), app.c_str(), FALSE) ||
      !CopyFileW(windows_path(WV2D_LOADER_DLL).c_str(), (folder + L"\\WebView2Loader.dll").c_str(),
                 FALSE)) {
    std::fprintf(stderr, "cannot copy the application or the double\n");
    return 1;
  }
  // The runtime counts as installed, and the window closes itself right after the navigation.
  e2e::clear_runtime_registration();
  e2e::set_string(HKEY_CURRENT_USER, e2e::clients_key, L"pv", L"120.0.2210.91");
  const std::wstring config = folder + L"\\double.txt", log = folder + L"\\double.log";
  const std::wstring ready = folder + L"\\bare.log";
  e2e::write_file(config, "on=Navigate#1 +50 close\n");
  SetEnvironmentVariableW(L"WV2_DOUBLE_CONFIG", config.c_str());
  SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", log.c_str());

  const std::vector<std::string> marks = {
      "GetAvailableCoreWebView2BrowserVersionString", "CreateCoreWebView2EnvironmentWithOptions",
      "CreateCoreWebView2Controller", "-> ControllerCompleted", "Navigate "};
  const char *const names[] = {"runtime query", "environment", "controller", "controller done",
                               "Navigate"};
  std::vector<std::vector<double>> app_marks(marks.size() + 1); // and the window
  std::vector<double> bare_started, bare_ready;
  for (int run = 0; run < runs; ++run) {
    const auto a = time_marks(e2e::quoted(app), folder, log, marks, L"webview");
    for (std::size_t i = 0; i < a.size(); ++i) {
      app_marks[i].push_back(a[i]);
    }
    const auto b = time_marks(e2e::quoted(bare) + L" " + e2e::quoted(ready), folder, ready,
                              {"started", "ready"});
    bare_started.push_back(b[0]);
    bare_ready.push_back(b[1]);
  }
  e2e::clear_runtime_registration();

  std::printf("start-up under Wine, median of %d runs (ms from starting the process)\n", runs);
  std::printf("  bare Win32 program: running    %7.1f\n", median(bare_started));
  std::printf("  bare Win32 program: window shown %5.1f\n", median(bare_ready));
  std::printf("  application: %-16s  %7.1f\n", "window shown", median(app_marks.back()));
  for (std::size_t i = 0; i < marks.size(); ++i) {
    std::printf("  application: %-16s  %7.1f\n", names[i], median(app_marks[i]));
  }
  print_difference("application's window shown", app_marks.back(), bare_ready);
  print_difference("application's first Navigate", app_marks[marks.size() - 1], bare_ready);
  return median(app_marks[marks.size() - 1]) > 0 ? 0 : 1;
}
