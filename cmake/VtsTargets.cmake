# Build conventions shared by every target of the project.

if(WIN32)
  # Unicode entry points and APIs, Windows 7 and later, and one self-contained
  # .exe: the C and C++ runtimes (and winpthread) are linked statically.
  add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
  set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")
  # Every function and object in a section of its own, so that a link with
  # --gc-sections (the delivered program's) drops what nothing reaches.
  add_compile_options(-ffunction-sections -fdata-sections)
  # Optimised for size rather than speed: the program waits on the PC and the
  # network, never on its own code, and -Os keeps the delivered .exe a quarter
  # smaller than -O3. The tests run the same code as the program.
  foreach(lang C CXX)
    string(REPLACE "-O3" "-Os" CMAKE_${lang}_FLAGS_RELEASE "${CMAKE_${lang}_FLAGS_RELEASE}")
  endforeach()
  # A Wine test's time-out is three times what it takes in a whole serial
  # run on the 2-core test machine under load (docs/benchmarks.md), and at
  # least 10 s for Wine to start on a busy machine: a test that hangs ends
  # soon. The tests that take longer name their own below.
  set(VTS_TEST_TIMEOUT 10)
  set(VTS_TEST_TIMEOUTS
      survey_terminal_survey_test=100 setup_setup_window_test=65
      app_slow_service_window_test=55 app_main_dialog_workers_test=40
      sysops_command_runner_test=35 setup_setup_program_test=30 tools_simulated_pc_test=30
      setup_local_faults_test=25 setup_web_faults_test=20 setup_typed_input_test=18
      setup_console_steps_test=16 survey_survey_window_test=15)
else()
  option(VTS_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
  if(VTS_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
  endif()
  # The fuzz build (clang only) instruments every library for libFuzzer's
  # coverage; its targets link libFuzzer itself.
  option(VTS_FUZZ "Build the libFuzzer targets instead of the tests (clang)" OFF)
  if(VTS_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
      message(FATAL_ERROR "VTS_FUZZ needs clang (CC=clang CXX=clang++)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
  set(VTS_TEST_TIMEOUT 120)
endif()

# vts_warnings(target): the project's warning level; errors under VTS_WERROR.
function(vts_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VTS_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# GoogleTest from Debian's source package, built with the cross toolchain.
macro(vts_add_gtest_library)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endmacro()

# vts_add_test(NAME name SOURCES src... [LIBS lib...] [LABELS label...]
#              [MAIN own|gtest] [ENVIRONMENT VAR=value...])
# One GoogleTest executable, one ctest test. In the Windows build ctest runs it
# through Wine (CMAKE_CROSSCOMPILING_EMULATOR); natively it runs sanitized.
function(vts_add_test)
  cmake_parse_arguments(T "" "NAME;MAIN" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  vts_warnings(${T_NAME})
  if(T_MAIN STREQUAL "own")
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest)
  else()
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  endif()
  if(WIN32)
    # Tests are console programs with a wide main where they need one.
    target_link_options(${T_NAME} PRIVATE -mconsole)
    # Every Wine test has the shared test-support library (tests/support).
    if(TARGET vts_test_support)
      target_link_libraries(${T_NAME} PRIVATE vts_test_support)
    endif()
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
  set(labels ${T_LABELS})
  if(WIN32)
    list(APPEND labels wine)
  else()
    list(APPEND labels native)
  endif()
  set(timeout ${VTS_TEST_TIMEOUT})
  foreach(entry ${VTS_TEST_TIMEOUTS})
    if(entry MATCHES "^${T_NAME}=([0-9]+)$")
      set(timeout ${CMAKE_MATCH_1})
    endif()
  endforeach()
  # The time-outs were measured on the 32-bit build on a machine that runs
  # 32-bit code. The 64-bit twin's tests took two to five times as long on the
  # loaded 2-core machine without 32-bit execution (a console tool's start
  # 0.2 - 1 s with the load average at 6 - 14, against about 200 ms): three
  # times the time-out, so that a slow start is no failure, while a test that
  # hangs still ends.
  if(VTS_TWIN64 AND WIN32)
    math(EXPR timeout "${timeout} * 3")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${timeout} LABELS "${labels}")
  if(WIN32)
    # Every test in the build tree's prefix holds it: they share its
    # registry, folders and wineserver. What has a prefix of its own (the
    # headless demo) runs beside them.
    set_property(TEST ${T_NAME} APPEND PROPERTY RESOURCE_LOCK vts_build_prefix)
  endif()
  if(T_ENVIRONMENT)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
endfunction()

# vts_add_win32_run(<test>): the Wine test <test> once more, as <test>_win32,
# on a 32-bit Windows: the build tree's 32-bit prefix (VTS_WINEPREFIX32), where
# there is no WoW64, no SYSNATIVE, one registry view and no "Program Files
# (x86)". The same executable and time-out, label win32; no 64-bit test
# touches that prefix, so its tests lock only each other out. Fixtures and
# environment are the caller's to add. The 64-bit twin has none: its programs
# cannot run on a 32-bit Windows.
function(vts_add_win32_run test)
  if(VTS_TWIN64)
    return()
  endif()
  get_test_property(${test} TIMEOUT timeout)
  add_test(NAME ${test}_win32
           COMMAND ${VTS_WINE_RUN} --arch win32 --prefix ${VTS_WINEPREFIX32}
                   $<TARGET_FILE:${test}> --gtest_color=no)
  set_tests_properties(${test}_win32 PROPERTIES TIMEOUT ${timeout} LABELS "wine;win32"
                       RESOURCE_LOCK vts_wineprefix32)
endfunction()
