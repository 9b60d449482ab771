# Strict warnings on our own code; third-party headers come in as SYSTEM. They are errors only
# with W2M_WERROR (our scripts and CI): a user's or a distribution's build with another compiler
# or its own flags must not fail on a warning that compiler invents.
function(w2m_strict target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wnon-virtual-dtor
    -Wcast-align -Wunused -Woverloaded-virtual -Wnull-dereference -Wformat=2)
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
