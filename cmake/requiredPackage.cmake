# A package the build cannot do without. tools/setup.sh installs each of them;
# where one is missing, the configure says so in one line.
function(ls_require_package name)
  find_package(${name} ${ARGN} QUIET)
  if(NOT ${name}_FOUND)
    message(FATAL_ERROR "${name} is missing: run tools/setup.sh (it installs what the build needs)")
  endif()
endfunction()
