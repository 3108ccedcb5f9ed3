# Tests of the Win32 implementations: a GoogleTest program cross-compiled with
# mingw-w64 and run under Wine through CTest.
#
# Every run goes through tools/wine/run.sh, which makes the Wine prefix when
# it is missing (WINEPREFIX, default ~/.cache/quellora-wine) and keeps one
# long-lived Wine process (keepalive.exe) running while the tests run: each
# test then starts in a few hundredths of a second, and Wine's background
# processes never inherit CTest's pipes (CTest would wait for them to end).
# The last test, wine_keepalive_stop, ends that process.

set(QUELLORA_WINE_TEST_DIR ${CMAKE_BINARY_DIR}/tests/win32)
set(QUELLORA_WINE_RUN ${PROJECT_SOURCE_DIR}/tools/wine/run.sh)
set(QUELLORA_WINE_KEEPALIVE ${QUELLORA_WINE_TEST_DIR}/keepalive.exe)

function(quellora_wine_output target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${QUELLORA_WINE_TEST_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${QUELLORA_WINE_TEST_DIR})
endfunction()

# A resource-only library, made the way the language modules are.
function(quellora_wine_resource_library target rc)
  add_library(${target} SHARED ${rc})
  set_target_properties(${target} PROPERTIES PREFIX "" LINKER_LANGUAGE C)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/resources)
  target_link_options(${target} PRIVATE -nostdlib -s -Wl,--entry=0)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:--codepage=65001>)
  quellora_wine_output(${target})
endfunction()

# The long-lived Wine process.
add_executable(wine_keepalive ${PROJECT_SOURCE_DIR}/tools/wine/keepalive.cpp)
set_target_properties(wine_keepalive PROPERTIES OUTPUT_NAME keepalive)
target_compile_options(wine_keepalive PRIVATE ${QUELLORA_WARNINGS})
target_link_options(wine_keepalive PRIVATE -municode)
quellora_wine_output(wine_keepalive)

# The window tests' helper: finds, reads and drives windows inside the session.
add_executable(wintool ${PROJECT_SOURCE_DIR}/tools/wine/wintool.cpp)
target_compile_options(wintool PRIVATE ${QUELLORA_WARNINGS})
target_link_options(wintool PRIVATE -municode)
target_link_libraries(wintool PRIVATE user32 gdi32)
quellora_wine_output(wintool)

# The tray benchmark's timer (bench/tray_idle.sh): start to tray window and icon.
add_executable(tray_start_timer ${PROJECT_SOURCE_DIR}/bench/tray_start_timer.cpp)
target_compile_options(tray_start_timer PRIVATE ${QUELLORA_WARNINGS})
target_link_options(tray_start_timer PRIVATE -municode)
target_link_libraries(tray_start_timer PRIVATE user32 gdi32)
quellora_wine_output(tray_start_timer)

# Programs that show one window of the program on demand for the window tests
# (the product has no switch for them), beside the program and its language modules.
function(quellora_window_test_program name)
  add_executable(${name} ${PROJECT_SOURCE_DIR}/tests/wine/programs/${name}.cpp)
  target_compile_options(${name} PRIVATE ${QUELLORA_WARNINGS})
  target_link_options(${name} PRIVATE -municode -mwindows)
  target_link_libraries(${name} PRIVATE quellora_core quellora_platform)
  quellora_executable_resources(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  add_dependencies(${name} quellora)
endfunction()
quellora_window_test_program(show_message)
quellora_window_test_program(crash_now)
quellora_window_test_program(boost_dialog)
quellora_window_test_program(theme_probe)
quellora_window_test_program(graph_view)
quellora_window_test_program(advanced_view)
quellora_window_test_program(ask_profile)

quellora_wine_resource_library(quellora_test_rsrc ${PROJECT_SOURCE_DIR}/tests/win32/test_strings.rc)
quellora_wine_resource_library(quellora_exe_resources ${PROJECT_SOURCE_DIR}/resources/quellora.rc)
set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/quellora.rc PROPERTIES
  OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/quellora.manifest;${PROJECT_SOURCE_DIR}/resources/quellora.ico")

file(GLOB QUELLORA_WIN32_TEST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win32/*.cpp)
add_executable(quellora_win32_tests
  ${QUELLORA_WIN32_TEST_SOURCES}
  ${PROJECT_SOURCE_DIR}/tests/win32/test_strings.rc
  ${PROJECT_SOURCE_DIR}/platform/command_line.cpp)
target_include_directories(quellora_win32_tests PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(quellora_win32_tests PRIVATE ${QUELLORA_WARNINGS})
target_compile_options(quellora_win32_tests PRIVATE $<$<COMPILE_LANGUAGE:RC>:--codepage=65001>)
target_link_libraries(quellora_win32_tests PRIVATE quellora_win32 quellora_sim GTest::gtest version ws2_32)
target_link_options(quellora_win32_tests PRIVATE -municode)
# Where the test finds the build's quellora.exe, as a path of Wine's Z: drive.
target_compile_definitions(quellora_win32_tests PRIVATE QUELLORA_WINE_EXE_PATH="Z:${CMAKE_BINARY_DIR}/quellora.exe")
quellora_wine_output(quellora_win32_tests)
add_dependencies(quellora_win32_tests wine_keepalive quellora_test_rsrc quellora_exe_resources)
set_target_properties(quellora_win32_tests PROPERTIES
  CROSSCOMPILING_EMULATOR "${QUELLORA_WINE_RUN};--keepalive;${QUELLORA_WINE_KEEPALIVE}")

# The tests are listed when CTest starts (not at build time), under the same
# keepalive process as the tests themselves.
gtest_discover_tests(quellora_win32_tests
  TEST_PREFIX "wine."
  DISCOVERY_MODE PRE_TEST
  DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 120 FIXTURES_REQUIRED wine_session)

# A language module with code in it (tests/wine/planted_module.c), made as
# tests/win32/planted/tw_rsrc_english.dll: the console test plants it where the
# program must not take it from, and beside the program, where its code must not run.
add_library(quellora_planted_module SHARED ${PROJECT_SOURCE_DIR}/tests/wine/planted_module.c
  ${PROJECT_SOURCE_DIR}/resources/lang/english.rc)
set_target_properties(quellora_planted_module PROPERTIES PREFIX "" OUTPUT_NAME tw_rsrc_english
  RUNTIME_OUTPUT_DIRECTORY ${QUELLORA_WINE_TEST_DIR}/planted LIBRARY_OUTPUT_DIRECTORY ${QUELLORA_WINE_TEST_DIR}/planted)
target_include_directories(quellora_planted_module PRIVATE ${PROJECT_SOURCE_DIR}/resources)
target_compile_options(quellora_planted_module PRIVATE $<$<COMPILE_LANGUAGE:RC>:--codepage=65001>)
target_link_options(quellora_planted_module PRIVATE -static-libgcc)
add_dependencies(quellora_win32_tests quellora_planted_module)

# The built quellora.exe run as a user runs it.
add_test(NAME wine.console_commands
  COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/console_commands.sh ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
set_tests_properties(wine.console_commands PROPERTIES TIMEOUT 120 FIXTURES_REQUIRED wine_session RUN_SERIAL ON)

# Window tests: each runs its own Xvfb, Wine desktop and copy of the prefix
# (tests/wine/rig.sh), so they need no keepalive process and may run side by
# side. Most drive the simulated-machine build, whose machine quellora-sim.exe
# changes; the real build's start is checked where Wine's own APIs answer.
# Pictures land in <build>/pictures/<test>/.
# The time limit is a ceiling for a machine under heavy load (every Wine start
# can then take seconds); an idle machine needs a fraction of it.
function(quellora_window_test name)
  set(limit 300)
  if(ARGC GREATER 1)
    set(limit ${ARGV1})
  endif()
  add_test(NAME wine.window.${name}
    COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/${name}.sh ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
  set_tests_properties(wine.window.${name} PROPERTIES TIMEOUT ${limit} LABELS window)
endfunction()
if(QUELLORA_SIM)
  quellora_window_test(message_box)
  quellora_window_test(crash_dump)
  # About sixty starts of the program and a hundred registry looks.
  quellora_window_test(interactive_start 900)
  quellora_window_test(core_graph)
  quellora_window_test(dashboard)
  quellora_window_test(advanced_editor)
  quellora_window_test(main_window)
  quellora_window_test(main_window_dpi)
  quellora_window_test(main_window_tray)
  quellora_window_test(main_window_pages 600)
  quellora_window_test(boost_dialog)
  # They wait for the tray's minutes: a new calendar minute, the 30-second
  # drift checks, the first update check after 60 s.
  quellora_window_test(tray 600)
  quellora_window_test(tray_notices 600)
  quellora_window_test(ask_profile)
  quellora_window_test(classic_dialog)
else()
  quellora_window_test(tray_real_build)
  quellora_window_test(dashboard_real_build)
endif()

add_test(NAME wine_keepalive_stop COMMAND ${QUELLORA_WINE_RUN} --stop-keepalive ${QUELLORA_WINE_KEEPALIVE})
set_tests_properties(wine_keepalive_stop PROPERTIES FIXTURES_CLEANUP wine_session TIMEOUT 60)
