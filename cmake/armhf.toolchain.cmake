# The modules' own target: 32-bit ARM Linux, hard-float (armhf), with Debian's
# cross compiler (g++-arm-linux-gnueabihf; `tools/setup.sh armhf` installs it
# and qemu-user). Used by the armhf preset, which also sets the build type and
# leaves the benchmarks out; the warning flags are the project's own
# (CMakeLists.txt).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(LS_TARGET_TRIPLE arm-linux-gnueabihf)
set(CMAKE_CXX_COMPILER ${LS_TARGET_TRIPLE}-g++)
# What the configure tells to run where something is missing
# (cmake/requiredPackage.cmake): `tools/setup.sh armhf`.
set(LS_SETUP_TARGET armhf)

# The target's library root: the cross C and C++ libraries (libc6-armhf-cross,
# libstdc++6-armhf-cross). Libraries, headers and packages are looked for
# there only, never among the host's; programs (nm, qemu) on the host.
set(LS_TARGET_ROOT /usr/${LS_TARGET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH ${LS_TARGET_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC 7.1 changed how ARM passes some arguments of types aligned to 8 bytes,
# and GCC notes each function that takes one under -Wpsabi: here std::vector's
# own growth functions, which take iterators over vectors of 8-byte-aligned
# types (in hardware/cPinConnectionKernel.cpp, the host stand-ins, k5run and
# the tests). The change matters only when such a function is called across
# code built by a GCC older than 7.1. Nothing here links any (the modules, the
# host stand-ins, the tools, the tests and GoogleTest are all built by this
# one compiler), and these functions never cross a module's edge (a module
# exports only its C entry points and globals), so the note is silenced.
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi")

# Every target program (test discovery, ctest, the runner's tests starting
# k5run) runs under user-mode QEMU with the target's library root, so no
# binfmt_misc registration is needed.
find_program(LS_QEMU_ARM NAMES qemu-arm qemu-arm-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${LS_QEMU_ARM} -L ${LS_TARGET_ROOT})
