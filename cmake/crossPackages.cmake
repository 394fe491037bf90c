# What a cross build (the armhf preset) takes from the host, for the tests and
# the tools only (the modules use neither): GoogleTest, compiled for the
# target, and CLI11's headers (k5run's command line). Included by
# CMakeLists.txt when cross-compiling; the toolchain file keeps every other
# library and header search inside the target's library root.
include(${CMAKE_CURRENT_LIST_DIR}/requiredPackage.cmake)

# ------------------------------------------------------------------ GoogleTest
#
# Compiled here from Debian's GoogleTest sources (package googletest,
# /usr/src/googletest, which the host's libgtest-dev already brings in and
# tools/setup.sh installs) by the target's compiler, as the targets
# GTest::gtest and GTest::gtest_main that find_package(GTest) gives a native
# build. Rather than Debian's armhf packages (libgtest-dev:armhf): those need a
# second architecture added to dpkg, its package lists fetched and the armhf C
# and C++ runtimes installed outside the cross compiler's library root, all for
# two files compiled in seconds from sources the machine already has. Built
# static, so the test programs need nothing beyond that library root under
# qemu.
set(LS_GTEST_SOURCE_DIR /usr/src/googletest/googletest CACHE PATH
  "GoogleTest's sources, compiled for the target in a cross build")
if(NOT EXISTS ${LS_GTEST_SOURCE_DIR}/src/gtest-all.cc)
  ls_stop_missing("GoogleTest's sources are missing (${LS_GTEST_SOURCE_DIR})")
endif()
find_package(Threads REQUIRED)

function(ls_add_target_gtest name source)
  add_library(${name} STATIC ${LS_GTEST_SOURCE_DIR}/src/${source})
  target_include_directories(${name} PRIVATE ${LS_GTEST_SOURCE_DIR})
  target_include_directories(${name} SYSTEM PUBLIC ${LS_GTEST_SOURCE_DIR}/include)
  target_link_libraries(${name} PUBLIC Threads::Threads)
  # The project's warning flags are for the project's code, not GoogleTest's.
  set_target_properties(${name} PROPERTIES COMPILE_OPTIONS "")
  add_library(GTest::${name} ALIAS ${name})
endfunction()

ls_add_target_gtest(gtest gtest-all.cc)
ls_add_target_gtest(gtest_main gtest_main.cc)
target_link_libraries(gtest_main PUBLIC gtest)

# ----------------------------------------------------------------------- CLI11
#
# Header-only and the same on every architecture: the host's package's headers
# (libcli11-dev) are copied alone into the build tree, so that the cross build
# is never pointed at the host's /usr/include, where the host's C library's
# headers are. A config file there makes find_package(CLI11 CONFIG) find the
# target CLI11::CLI11 defined here.
find_path(LS_HOST_CLI11_INCLUDE_DIR CLI/CLI.hpp NO_CMAKE_FIND_ROOT_PATH)
if(NOT LS_HOST_CLI11_INCLUDE_DIR)
  ls_stop_missing("CLI11's headers are missing (no CLI/CLI.hpp among the host's headers)")
endif()
set(ls_cli11_root ${CMAKE_BINARY_DIR}/target-packages/CLI11)
file(COPY ${LS_HOST_CLI11_INCLUDE_DIR}/CLI DESTINATION ${ls_cli11_root}/include)
file(WRITE ${ls_cli11_root}/CLI11Config.cmake
  "# Made by cmake/crossPackages.cmake, which defines CLI11::CLI11.\n")
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${ls_cli11_root}/include)
set(CLI11_DIR ${ls_cli11_root} CACHE PATH "CLI11's config file, made for the cross build" FORCE)
