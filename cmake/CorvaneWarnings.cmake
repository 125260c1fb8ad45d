# One place for the warning set, so every target of every build agrees.
function(corvane_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
      # Catches size_t/int mix-ups that matter once inputs pass 2 GB.
      -Wconversion -Wno-sign-conversion)
  endif()
endfunction()
