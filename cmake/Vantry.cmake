# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers every module and test uses, so flags and test isolation stay in one place.

option(VANTRY_WERROR "Treat compiler warnings in Vantry's own code as errors" OFF)

# Warnings are errors in our own development builds (the dev and asan presets);
# packagers building with other compilers are not stopped by a new warning.
# Qt's headers come in as system headers.
function(vantry_compile_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
    -Wnon-virtual-dtor -Woverloaded-virtual)
  if(VANTRY_WERROR)
    target_compile_options(${target} PRIVATE -Werror -Wno-error=deprecated-declarations)
  endif()
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

# The options both test helpers take: what tests/isolate.sh starts for the test
# (a private session bus, an Xvfb display, openbox, trayer; UNPRIVILEGED runs it as
# nobody when CI runs as root, so permission cases are real), its timeout and extra
# environment entries.
set(VANTRY_TEST_FLAGS DBUS X11 WM TRAY UNPRIVILEGED)
set(VANTRY_TEST_VALUES TIMEOUT)
set(VANTRY_TEST_LISTS ENV)

# vantry_add_test(<name> SOURCES ... [LIBS ...] [DBUS] [X11] [WM] [TRAY] [TIMEOUT s] [ENV ...])
# One QtTest executable, run by CTest through tests/isolate.sh with a throwaway
# HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR and session bus (and an Xvfb display with X11).
function(vantry_add_test name)
  cmake_parse_arguments(ARG "${VANTRY_TEST_FLAGS}" "${VANTRY_TEST_VALUES}"
    "SOURCES;LIBS;${VANTRY_TEST_LISTS}" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  vantry_compile_options(${name})
  set(forwarded)
  foreach(f ${VANTRY_TEST_FLAGS})
    if(ARG_${f})
      list(APPEND forwarded ${f})
    endif()
  endforeach()
  if(ARG_TIMEOUT)
    list(APPEND forwarded TIMEOUT ${ARG_TIMEOUT})
  endif()
  if(ARG_ENV)
    list(APPEND forwarded ENV ${ARG_ENV})
  endif()
  vantry_register_test(${name} COMMAND $<TARGET_FILE:${name}> ${forwarded})
endfunction()

# vantry_register_test(<name> COMMAND cmd... [DBUS] [X11] [WM] [TRAY] [UNPRIVILEGED] [TIMEOUT s]
#                      [ENV ...])
# UNPRIVILEGED runs the test as nobody when CI runs as root, so permission cases are real.
# Registers any command (a script, a test executable) under the same isolation.
function(vantry_register_test name)
  cmake_parse_arguments(ARG "${VANTRY_TEST_FLAGS}" "${VANTRY_TEST_VALUES}"
    "COMMAND;${VANTRY_TEST_LISTS}" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "vantry_register_test(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  set(flags)
  set(strict_strings 1)
  foreach(f ${VANTRY_TEST_FLAGS})
    if(ARG_${f})
      string(TOLOWER ${f} lower)
      list(APPEND flags --${lower})
      if(f MATCHES "^(X11|WM|TRAY)$")
        # Workaround: libxkbcommon-x11, which Qt's xcb plugin loads, strndup()s atom
        # and key names that carry no terminating NUL; ASan's strict string checks
        # report that read as an overflow.
        set(strict_strings 0)
      endif()
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
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=${strict_strings}"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    ${ARG_ENV})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${ARG_TIMEOUT})
endfunction()
