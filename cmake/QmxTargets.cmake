# Helpers that every folder uses to add its tests, fuzz targets and benchmarks.
# Tests link the folder's library; they never re-list its sources.

find_package(GTest REQUIRED)
if(NOT QMX_FUZZ)
  find_package(benchmark REQUIRED)
endif()

# Under the sanitizers a report ends the test with a failure; leaks count too.
set(QMX_SANITIZER_ENV
  "ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1"
  "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")

# qmx_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>]
#              [ENV <VAR=value...>] [DEFINES <NAME=value...>] [DEPENDS <targets...>])
# Built in both builds: plainly, and under ASan and UBSan in the fuzz build.
function(qmx_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;ENV;DEFINES;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE ${T_DEFINES})
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set(env QT_QPA_PLATFORM=offscreen ${T_ENV})
  if(QMX_FUZZ)
    list(APPEND env ${QMX_SANITIZER_ENV})
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 ENVIRONMENT "${env}")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# qmx_add_fuzz(<name> SOURCES <files...> LIBS <targets...> [CORPUS <dir>])
# Built only in the clang fuzz build; each runs as a test for QMX_FUZZ_SECONDS.
function(qmx_add_fuzz name)
  if(NOT QMX_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set(work ${CMAKE_BINARY_DIR}/fuzz/${name}.corpus)
  set(seeds "")
  if(F_CORPUS)
    set(seeds ${F_CORPUS})
  endif()
  add_test(NAME ${name}
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/run-fuzz.sh $<TARGET_FILE:${name}> ${QMX_FUZZ_SECONDS} ${work} ${seeds})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 7200)
endfunction()

# qmx_add_bench(<name> SOURCES <files...> LIBS <targets...> [DEFINES <NAME=value...>]
#               [DEPENDS <targets...>] [INCLUDES <folders...>])
# Benchmarks are programs to run and read (make bench), never tests; figures
# under the sanitizers would mean nothing, so the fuzz build has none.
function(qmx_add_bench name)
  if(QMX_FUZZ)
    return()
  endif()
  cmake_parse_arguments(B "" "" "SOURCES;LIBS;DEFINES;DEPENDS;INCLUDES" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS})
  target_include_directories(${name} PRIVATE ${B_INCLUDES})
  target_compile_definitions(${name} PRIVATE ${B_DEFINES})
  if(B_DEPENDS)
    add_dependencies(${name} ${B_DEPENDS})
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
