# Warnings are errors in our own code only; system headers are included as such.
function(tv_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor -Wold-style-cast -Wcast-qual
    -Wimplicit-fallthrough -Werror)
endfunction()
