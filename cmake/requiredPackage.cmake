include_guard(GLOBAL)

# The one line a configure stops with where something tools/setup.sh installs
# is missing: what is missing, then the command that installs it. A cross
# build's toolchain file names the target setup.sh takes for it
# (LS_SETUP_TARGET), which installs the host's packages as well.
function(ls_stop_missing what)
  set(command tools/setup.sh)
  if(LS_SETUP_TARGET)
    string(APPEND command " ${LS_SETUP_TARGET}")
  endif()
  # The leading space keeps CMake from wrapping the line: a path in it may be long.
  message(FATAL_ERROR " ${what}: run ${command} (it installs what the build needs)")
endfunction()

# A package the build cannot do without. tools/setup.sh installs each of them.
function(ls_require_package name)
  find_package(${name} ${ARGN} QUIET)
  if(NOT ${name}_FOUND)
    ls_stop_missing("${name} is missing")
  endif()
endfunction()
