# Helpers that register tests, fuzz targets and benchmarks the same way everywhere.

# pelrith_add_library_test(<name> SOURCES <files...> [LIBS <targets...>])
# A GoogleTest executable linked against the library internals and the platform's
# test harness (plat_testing), labelled "library".
function(pelrith_add_library_test name)
  if(NOT PELRITH_TESTS OR PELRITH_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_precompile_headers(${name} REUSE_FROM test_pch_host)
  target_link_libraries(${name} PRIVATE pelrith_internal test_support plat_testing GTest::gtest GTest::gtest_main
    ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  # Each test program gets its own temporary folder, so a test can show that
  # the library left no temporary file behind.
  set(_tmp "${CMAKE_BINARY_DIR}/tmp/${name}")
  file(MAKE_DIRECTORY "${_tmp}")
  set(_env "TMPDIR=${_tmp};ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1")
  if(PELRITH_HAVE_CORPUS)
    # Without a corpus the variable stays unset and corpus cases skip themselves.
    list(APPEND _env "PELRITH_CORPUS_DIR=${PELRITH_CORPUS_DIR}")
  endif()
  set_tests_properties(${name} PROPERTIES LABELS library ENVIRONMENT "${_env}")
endfunction()

# pelrith_add_test(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>])
# A GoogleTest executable outside the image library (platform, controls, program),
# linked with the platform's test harness.
function(pelrith_add_test name)
  if(NOT PELRITH_TESTS OR PELRITH_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_precompile_headers(${name} REUSE_FROM test_pch_host)
  target_link_libraries(${name} PRIVATE test_support plat_testing GTest::gtest GTest::gtest_main ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# pelrith_add_fuzzer(<name> SOURCE <file> [SEEDS <folders or files...>] [LIBS <targets...>]
#                   [LABELS <labels...>])
# Trees with libFuzzer (fuzz, sanitize): a libFuzzer binary; the sanitize tree
# also runs it once over fuzz/regressions/<name>/ and the seeds as a test. Other
# builds: a replay program over the same inputs. LIBS are linked beside the
# library internals; LABELS (default "library") join the label "fuzz".
function(pelrith_add_fuzzer name)
  cmake_parse_arguments(ARG "" "SOURCE" "SEEDS;LIBS;LABELS" ${ARGN})
  if(NOT ARG_LABELS)
    set(ARG_LABELS library)
  endif()
  set(_inputs)
  if(EXISTS "${PROJECT_SOURCE_DIR}/fuzz/regressions/${name}")
    list(APPEND _inputs "${PROJECT_SOURCE_DIR}/fuzz/regressions/${name}")
  endif()
  if(PELRITH_HAVE_CORPUS)
    foreach(_seed IN LISTS ARG_SEEDS)
      list(APPEND _inputs "${PELRITH_CORPUS_DIR}/${_seed}")
    endforeach()
  endif()
  if(PELRITH_LIBFUZZER)
    add_executable(${name} ${ARG_SOURCE})
    target_link_libraries(${name} PRIVATE pelrith_internal ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_property(GLOBAL APPEND PROPERTY PELRITH_FUZZERS ${name})
    if(PELRITH_TESTS AND NOT PELRITH_FUZZ)
      # -runs=0 executes every input once and fuzzes nothing.
      add_test(NAME ${name}_replay COMMAND ${name} -runs=0 -rss_limit_mb=2048 ${_inputs})
      set_tests_properties(${name}_replay PROPERTIES LABELS "${ARG_LABELS};fuzz")
    endif()
    return()
  endif()
  if(NOT PELRITH_TESTS)
    return()
  endif()
  # The replay driver is one object library, compiled once for every target.
  if(NOT TARGET pelrith_fuzz_replay_main)
    add_library(pelrith_fuzz_replay_main OBJECT ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
  endif()
  add_executable(${name}_replay ${ARG_SOURCE} $<TARGET_OBJECTS:pelrith_fuzz_replay_main>)
  target_link_libraries(${name}_replay PRIVATE pelrith_internal ${ARG_LIBS})
  target_include_directories(${name}_replay PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name}_replay COMMAND ${name}_replay ${_inputs})
  set_tests_properties(${name}_replay PROPERTIES LABELS "${ARG_LABELS};fuzz")
endfunction()

# pelrith_add_bench(<name> SOURCES <files...> [LIBS <targets...>])
function(pelrith_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE pelrith_internal benchmark::benchmark benchmark::benchmark_main ${ARG_LIBS})
  add_dependencies(benchmarks ${name})
endfunction()
