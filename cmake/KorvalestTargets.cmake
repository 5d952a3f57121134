# Warning flags for our own code (third-party code is built without them).
function(korvalest_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(KORVALEST_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Executables for Windows link their C++ runtime statically, so they run under
# wine (and on users' machines) with system DLLs only.
function(korvalest_static_runtime target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()
