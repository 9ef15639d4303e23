// Configuration text: the same format for wv2d_configure and for the file WV2_DOUBLE_CONFIG
// names (README.md). One "key=value" per line; blank lines and lines starting with '#' are
// ignored.
//
//   version=TEXT                         the runtime's version text
//   fault=NAME RESULT [COUNT|*]          wv2d_set_fault(NAME, RESULT, COUNT); '*' or no count:
//                                        every call
//   on=NAME#N|NAME#* [+MS] ACTION [ARGS] a scripted rule (script.hh)
//
// Texts may contain the log's escapes (\\ \n \r \t \xHH \uHHHH).

#ifndef WV2D_CONFIG_HH
#define WV2D_CONFIG_HH

#include <string_view>

namespace wv2d {

// Applies `text`; returns the number of rejected lines, each also noted in the log.
int apply_config(std::string_view text);

// Applies the file WV2_DOUBLE_CONFIG names, when that variable is set.
void apply_config_from_environment();

} // namespace wv2d

#endif // WV2D_CONFIG_HH
