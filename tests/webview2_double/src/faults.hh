// Injected failures. A fault is kept per name: the name of a call as its log line starts
// ("put_AreDevToolsEnabled", "CreateCoreWebView2Controller", ...) or of a callback
// ("EnvironmentCompleted", ...). Each call of that name consumes one use of the fault.

#ifndef WV2D_FAULTS_HH
#define WV2D_FAULTS_HH

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace wv2d {

// The next `times` uses of `name` yield `result`; times < 0 means every use, 0 removes the fault.
void set_fault(std::string name, HRESULT result, int times);

// The injected result for this use of `name`, if a fault is set; consumes one use.
std::optional<HRESULT> take_fault(std::string_view name);

void clear_faults();

// Completions may be made to come late: the next completion named `name` ("EnvironmentCompleted",
// "ControllerCompleted") runs `ms` milliseconds after it would have. 0 removes the delay.
void set_delay(std::string name, DWORD ms);
DWORD completion_delay(std::string_view name);

// Navigations the double completes by itself, as a page that lets them go would: a Navigate to
// exactly `address` is followed by a successful NavigationCompleted from the loop.
void complete_navigations_to(std::wstring address);
bool completes_navigation_to(const std::wstring &address);

} // namespace wv2d

#endif // WV2D_FAULTS_HH
