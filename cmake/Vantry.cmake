# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers every module and test uses, so flags and test isolation stay in one place.

# Warnings are errors in our own code; Qt's headers come in as system headers.
function(vantry_compile_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
    -Wnon-virtual-dtor -Woverloaded-virtual -Wno-error=deprecated-declarations)
  target_compile_definitions(${target} PRIVATE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
endfunction()

# vantry_add_module(<name> SOURCES ... [LIBS ...] [PRIVATE_LIBS ...])
# A static library whose headers are included as "<module>/Header.h" from src/.
function(vantry_add_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  vantry_compile_options(${name})
endfunction()

set(VANTRY_ISOLATE ${PROJECT_SOURCE_DIR}/tests/isolate.sh)

# vantry_add_test(<name> SOURCES ... [LIBS ...] [DBUS] [X11] [WM] [TRAY] [TIMEOUT s] [ENV ...])
# One QtTest executable, run by CTest through tests/isolate.sh with a throwaway
# HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR and session bus (and an Xvfb display with X11).
function(vantry_add_test name)
  cmake_parse_arguments(ARG "DBUS;X11;WM;TRAY;UNPRIVILEGED" "TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  vantry_compile_options(${name})
  vantry_register_test(${name} COMMAND $<TARGET_FILE:${name}> ${ARGN})
endfunction()

# vantry_register_test(<name> COMMAND cmd... [DBUS] [X11] [WM] [TRAY] [UNPRIVILEGED] [TIMEOUT s]
#                      [ENV ...])
# UNPRIVILEGED runs the test as nobody when CI runs as root, so permission cases are real.
# Registers any command (a script, a test executable) under the same isolation.
function(vantry_register_test name)
  cmake_parse_arguments(ARG "DBUS;X11;WM;TRAY;UNPRIVILEGED" "TIMEOUT" "COMMAND;SOURCES;LIBS;ENV" ${ARGN})
  set(flags)
  foreach(f DBUS X11 WM TRAY UNPRIVILEGED)
    if(ARG_${f})
      string(TOLOWER ${f} lower)
      list(APPEND flags --${lower})
    endif()
  endforeach()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${VANTRY_ISOLATE} ${flags} -- ${ARG_COMMAND})
  set(env
    "QT_QPA_PLATFORM=offscreen"
    "QT_LOGGING_RULES=*.debug=false"
    "VANTRY_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    "VANTRY_BINARY_DIR=${PROJECT_BINARY_DIR}"
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    ${ARG_ENV})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${ARG_TIMEOUT})
endfunction()
