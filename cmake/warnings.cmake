# Warnings are errors in our own code; Qt's and hidapi's headers come in as system headers.
function(mousecfg_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
