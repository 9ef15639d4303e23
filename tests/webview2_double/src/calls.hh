// The common start of every method and entry point of the double: write the call's log line,
// then apply a fault injected for it.

#ifndef WV2D_CALLS_HH
#define WV2D_CALLS_HH

#include "faults.hh"
#include "log.hh"

namespace wv2d {

// Logs the call and returns the injected result when a fault is set for `name`; the caller then
// returns that result without doing its work.
inline std::optional<HRESULT> record_call(std::string_view name,
                                          std::initializer_list<Field> fields) {
  log_call(name, fields);
  return take_fault(name);
}

} // namespace wv2d

#endif // WV2D_CALLS_HH
