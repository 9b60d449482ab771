# Strict warnings on our own code; third-party headers come in as SYSTEM. They are errors only
# with W2M_WERROR (our scripts and CI): a user's or a distribution's build with another compiler
# or its own flags must not fail on a warning that compiler invents.
function(w2m_strict target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wnon-virtual-dtor
    -Wcast-align -Wunused -Woverloaded-virtual -Wnull-dereference -Wformat=2)
  # GCC 12 at -O3 reports -Wrestrict for std::string's own copies inlined from libstdc++
  # (GCC bug 105329): a warning about the library, not our code, that no change here removes.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(W2M_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

function(w2m_strict_c target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wformat=2)
  if(W2M_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
