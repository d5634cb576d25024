# A warning-free build is kept: every target of ours takes these.
function(quon_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -pedantic -Wshadow -Wconversion -Wno-sign-conversion)
endfunction()
