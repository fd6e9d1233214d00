# Compiler flags shared by every target of the suite.
add_compile_options(-Wall -Wextra -Wno-unused-parameter)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wshadow=local)
endif()

# Optimised builds keep their assertions: NDEBUG is never defined.
foreach(_cfg RELWITHDEBINFO RELEASE)
  string(REPLACE "-DNDEBUG" "" CMAKE_C_FLAGS_${_cfg} "${CMAKE_C_FLAGS_${_cfg}}")
  string(REPLACE "-DNDEBUG" "" CMAKE_CXX_FLAGS_${_cfg} "${CMAKE_CXX_FLAGS_${_cfg}}")
endforeach()

if(PELRITH_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# A tree with libFuzzer binaries: the fuzz-only preset, or the sanitize tree
# that builds the tests and the fuzz targets from one set of objects.
if(PELRITH_FUZZ OR PELRITH_FUZZ_TARGETS)
  set(PELRITH_LIBFUZZER ON)
endif()

if(PELRITH_LIBFUZZER)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "libFuzzer targets need clang (use the 'fuzz' or 'sanitize' preset)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
