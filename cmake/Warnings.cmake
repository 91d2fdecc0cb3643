# Compiler warnings and the optional sanitizers, applied to the project's own targets.
function(qev_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

set(QEV_SANITIZE "" CACHE STRING "Sanitizers to build with: empty, 'address;undefined' or 'thread'")
if(QEV_SANITIZE)
  list(JOIN QEV_SANITIZE "," _qev_sanitizers)
  add_compile_options(-fsanitize=${_qev_sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_qev_sanitizers})
endif()
