# Builds the header that carries the shell's configuration values and its page scripts and offline
# page into the executable.
#
#   cmake -DCONF=app/suite.conf -DASSETS_DIR=app/assets -DOUT=<build>/app_assets.hh
#         -P cmake/embed_assets.cmake
#
# The configuration file holds KEY=VALUE lines ("#" starts a comment line; blanks around keys and
# values are dropped; values are printable ASCII). In the four assets every placeholder @KEY@
# stands inside a double-quoted script string, so the value is written escaped for such a string
# (backslash, double quote, and "<" so that no value can close an HTML script element). START_URL
# is derived: "https://" + SUITE_APP_HOST + "/app/?platform=desktop". The offline page's own
# placeholder %URL% is left for the shell to fill when it shows the page.
#
# The header declares, in namespace zorvel::config, one constexpr string per value, and in
# namespace zorvel::assets the four texts as NUL-terminated char arrays written byte by byte (so
# the exact UTF-8 bytes survive any source character set and no literal length limit applies),
# each with a _size constant (bytes, without the NUL).
cmake_minimum_required(VERSION 3.25)

foreach(var CONF OUT ASSETS_DIR)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "embed_assets: -D${var}=... is required")
  endif()
endforeach()

set(keys SUITE_DOMAIN SUITE_MAIN_HOST SUITE_APP_HOST SUITE_SITE_PATTERN APP_VERSION
         RUNTIME_DOWNLOAD_URL)

# Reads the configuration line by line without CMake lists, so that values may hold ";", "[" or "]".
file(READ "${CONF}" conf)
string(REPLACE "\r" "" conf "${conf}")
set(line_no 0)
while(NOT conf STREQUAL "")
  math(EXPR line_no "${line_no} + 1")
  string(FIND "${conf}" "\n" nl)
  if(nl EQUAL -1)
    set(line "${conf}")
    set(conf "")
  else()
    string(SUBSTRING "${conf}" 0 ${nl} line)
    math(EXPR rest "${nl} + 1")
    string(SUBSTRING "${conf}" ${rest} -1 conf)
  endif()
  string(STRIP "${line}" stripped)
  if(stripped STREQUAL "" OR stripped MATCHES "^#")
    continue()
  endif()
  string(FIND "${stripped}" "=" eq)
  if(eq LESS 1)
    message(FATAL_ERROR "embed_assets: ${CONF}:${line_no}: expected KEY=VALUE")
  endif()
  string(SUBSTRING "${stripped}" 0 ${eq} key)
  math(EXPR after "${eq} + 1")
  string(SUBSTRING "${stripped}" ${after} -1 value)
  string(STRIP "${key}" key)
  string(STRIP "${value}" value)
  if(NOT key MATCHES "^[A-Z][A-Z0-9_]*$")
    message(FATAL_ERROR "embed_assets: ${CONF}:${line_no}: bad key '${key}'")
  endif()
  if(NOT value MATCHES "^[ -~]*$")
    message(FATAL_ERROR "embed_assets: ${CONF}:${line_no}: ${key} must be printable ASCII")
  endif()
  set(conf_${key} "${value}")
  set(have_${key} TRUE)
endwhile()

foreach(key IN LISTS keys)
  if(NOT have_${key} OR conf_${key} STREQUAL "")
    message(FATAL_ERROR "embed_assets: ${CONF} does not set ${key}")
  endif()
endforeach()
set(conf_START_URL "https://${conf_SUITE_APP_HOST}/app/?platform=desktop")
list(APPEND keys START_URL)

# The program matches hosts against the site pattern without a regular-expression engine, so the
# pattern must read ^PREFIX[a-z]+\.DOMAIN$ (DOMAIN = SUITE_DOMAIN with its dots escaped); the
# program gets PREFIX as SUITE_SITE_PREFIX.
set(pattern "${conf_SUITE_SITE_PATTERN}")
string(FIND "${pattern}" "[a-z]+" letters)
string(REPLACE "." "\\." escaped_domain "${conf_SUITE_DOMAIN}")
set(site_prefix "")
set(site_tail "")
if(letters GREATER 1)
  math(EXPR prefix_length "${letters} - 1")
  string(SUBSTRING "${pattern}" 1 ${prefix_length} site_prefix)
  math(EXPR tail_start "${letters} + 6")
  string(SUBSTRING "${pattern}" ${tail_start} -1 site_tail)
endif()
if(NOT pattern MATCHES "^\\^" OR NOT site_prefix MATCHES "^[a-z0-9-]*-$"
   OR NOT site_tail STREQUAL "\\.${escaped_domain}$")
  message(FATAL_ERROR "embed_assets: SUITE_SITE_PATTERN must read ^PREFIX[a-z]+\\.DOMAIN$ "
                      "with PREFIX ending in a hyphen and DOMAIN = SUITE_DOMAIN, dots escaped")
endif()
set(conf_SUITE_SITE_PREFIX "${site_prefix}")
list(APPEND keys SUITE_SITE_PREFIX)

# value -> contents of a double-quoted script string
function(script_string_escape value out)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  string(REPLACE "<" "\\u003c" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

# printable ASCII value -> C++ string literal (with "?" escaped so no trigraph can form)
function(cxx_string_literal value out)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  string(REPLACE "?" "\\?" value "${value}")
  set(${out} "\"${value}\"" PARENT_SCOPE)
endfunction()

# text -> comma-separated char literals '\xNN', 16 to a line, ending in the NUL
function(cxx_char_array text out)
  string(HEX "${text}" hex)
  string(REGEX REPLACE "(..)" "'\\\\x\\1'," hex "${hex}")
  set(group "")
  foreach(i RANGE 1 16)
    string(APPEND group "'[^']*',")
  endforeach()
  string(REGEX REPLACE "(${group})" "\\1\n  " hex "${hex}")
  set(${out} "  ${hex}'\\0'" PARENT_SCOPE)
endfunction()

set(assets
    native_bootstrap_script native_bootstrap.js
    native_helper_script native_helper.js
    dock_script dock.js
    offline_page offline.html)

set(body "")
set(index 0)
list(LENGTH assets count)
while(index LESS count)
  list(GET assets ${index} name)
  math(EXPR index "${index} + 1")
  list(GET assets ${index} file)
  math(EXPR index "${index} + 1")

  file(READ "${ASSETS_DIR}/${file}" text)
  foreach(key IN LISTS keys)
    script_string_escape("${conf_${key}}" escaped)
    string(REPLACE "@${key}@" "${escaped}" text "${text}")
  endforeach()
  string(REGEX MATCH "@[A-Z][A-Z0-9_]*@" left "${text}")
  if(left)
    message(FATAL_ERROR "embed_assets: ${file} uses the unknown placeholder ${left}")
  endif()
  if(file STREQUAL "offline.html")
    string(REGEX MATCHALL "%URL%" urls "${text}")
    list(LENGTH urls url_count)
    if(NOT url_count EQUAL 1)
      message(FATAL_ERROR "embed_assets: offline.html must hold %URL% exactly once")
    endif()
  endif()

  string(LENGTH "${text}" size)
  cxx_char_array("${text}" bytes)
  string(APPEND body
    "// ${file}\n"
    "inline constexpr char ${name}[] = {\n${bytes}};\n"
    "inline constexpr std::size_t ${name}_size = ${size};\n\n")
endwhile()

set(config "")
foreach(key IN LISTS keys)
  string(TOLOWER "${key}" name)
  cxx_string_literal("${conf_${key}}" literal)
  string(APPEND config "inline constexpr char ${name}[] = ${literal};\n")
endforeach()

set(header
"// Generated by cmake/embed_assets.cmake from app/suite.conf and app/assets/. Do not edit.
#pragma once

#include <cstddef>

namespace zorvel::config {

${config}
}  // namespace zorvel::config

namespace zorvel::assets {

${body}}  // namespace zorvel::assets
")

file(WRITE "${OUT}" "${header}")
