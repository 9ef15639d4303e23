// Reading the process environment.

#ifndef WV2D_ENVIRONMENT_VARIABLE_HH
#define WV2D_ENVIRONMENT_VARIABLE_HH

#include <optional>
#include <string>

namespace wv2d {

// The value of the variable `name`, or nothing when it is not set or empty.
std::optional<std::wstring> environment_variable(const wchar_t *name);

} // namespace wv2d

#endif // WV2D_ENVIRONMENT_VARIABLE_HH
