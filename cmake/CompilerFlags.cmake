# Every compiler flag of the project lives on this one INTERFACE target; each
# library, program and test links it.
add_library(ct_flags INTERFACE)
target_compile_options(ct_flags INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough
  -Wformat=2)
if(CT_WERROR)
  target_compile_options(ct_flags INTERFACE -Werror)
endif()

set(_ct_san "")
if(CT_ASAN)
  list(APPEND _ct_san address)
endif()
if(CT_UBSAN)
  list(APPEND _ct_san undefined)
endif()
if(_ct_san)
  list(JOIN _ct_san "," _ct_san_list)
  target_compile_options(ct_flags INTERFACE
    -fsanitize=${_ct_san_list} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(ct_flags INTERFACE -fsanitize=${_ct_san_list})
endif()

# Third-party headers are included as system headers so our warnings stay ours.
add_library(ct_thirdparty INTERFACE)

# Fuzz builds instrument the whole library for coverage, not only the targets.
if(CT_BUILD_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  target_compile_options(ct_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()
