# Build rules shared by every target of the suite.

set(CALYXO_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Wformat=2 -Wimplicit-fallthrough)
if(CALYXO_WERROR)
  list(APPEND CALYXO_WARNINGS -Werror)
endif()

if(CALYXO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(CALYXO_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Our own code gets the warnings; third-party headers come in as system includes.
function(calyxo_target target)
  target_compile_options(${target} PRIVATE ${CALYXO_WARNINGS})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# calyxo_library(name SOURCES ... LIBS ...)
function(calyxo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  calyxo_target(${name})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  # The fuzz targets steer by the coverage of the code they reach, which is
  # the libraries': without this they would see only their own file.
  if(CALYXO_LIBFUZZER)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# calyxo_test(name LABEL label SOURCES ... LIBS ...)
# One GoogleTest binary; every test case becomes a CTest test carrying the label.
include(GoogleTest)
function(calyxo_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  calyxo_target(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} calyxo_testsupport calyxo_testisolation GTest::gtest
                        GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES LABELS "${ARG_LABEL}"
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen;CALYXO_SOURCE_DIR=${PROJECT_SOURCE_DIR};ASAN_OPTIONS=halt_on_error=1:detect_leaks=1;UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
endfunction()

# calyxo_fuzz_target(name SOURCES ... LIBS ... CORPUS dir)
# With libFuzzer the target is a real fuzzer; otherwise it is linked with a replay
# driver. Either way CTest runs it once over its seed corpus (label "fuzz").
function(calyxo_fuzz_target name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  calyxo_target(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  if(CALYXO_LIBFUZZER)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(run_args -runs=0 ${ARG_CORPUS})
  else()
    target_link_libraries(${name} PRIVATE calyxo_fuzz_replay)
    set(run_args ${ARG_CORPUS})
  endif()
  add_test(NAME ${name}.corpus COMMAND ${name} ${run_args})
  set_tests_properties(${name}.corpus PROPERTIES LABELS fuzz
    ENVIRONMENT "ASAN_OPTIONS=halt_on_error=1:detect_leaks=1;UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
endfunction()
