# Warnings shared by every target of the project.
function(kanadeya_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()
