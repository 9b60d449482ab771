# Warnings are errors in our own code; third-party headers come in as SYSTEM.
function(w2m_strict target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wnon-virtual-dtor
    -Wcast-align -Wunused -Woverloaded-virtual -Wnull-dereference -Wformat=2 -Werror)
endfunction()

function(w2m_strict_c target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wformat=2 -Werror)
endfunction()
