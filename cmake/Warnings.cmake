# Warnings are errors in our own code only; system headers are included as such. Clang (the fuzz
# build) has no -Wshadow=local.
function(tv_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor -Wold-style-cast -Wcast-qual
    -Wimplicit-fallthrough -Werror)
endfunction()
