#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the project:
# compiler, CMake, Ninja, GoogleTest, binutils (nm), CLI11 (for k5run),
# valgrind (for the memcheck run) and Google Benchmark (for the benchmarks).
#
# `tools/setup.sh armhf` also installs what the armhf preset (the modules'
# 32-bit ARM target) needs: the cross compiler (with its C and C++ libraries
# and binutils), user-mode QEMU to run the target's programs, and
# GoogleTest's sources, which that build compiles for the target
# (cmake/crossPackages.cmake).
set -euo pipefail

target="${1:-}"
case "$target" in
  "" | armhf) ;;
  *)
    echo "setup: unknown target '$target' (known: armhf)" >&2
    exit 2
    ;;
esac

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
command -v nm >/dev/null || need+=(binutils)
[ -f /usr/include/CLI/CLI.hpp ] || need+=(libcli11-dev)
command -v valgrind >/dev/null || need+=(valgrind)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)

# Without recommends: qemu-user's (qemu-user-binfmt) would register the
# target's programs with binfmt_misc, which the build does not use (it runs
# each through qemu-arm itself) and which CI's machine does not have.
target_need=()
if [ "$target" = armhf ]; then
  command -v arm-linux-gnueabihf-g++ >/dev/null || target_need+=(g++-arm-linux-gnueabihf)
  command -v qemu-arm >/dev/null || command -v qemu-arm-static >/dev/null ||
    target_need+=(qemu-user)
  [ -f /usr/src/googletest/googletest/src/gtest-all.cc ] || target_need+=(googletest)
fi

all=("${need[@]}" "${target_need[@]}")
if [ ${#all[@]} -gt 0 ]; then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  echo "setup: installing ${all[*]}"
  "${sudo[@]}" apt-get update -qq
  if [ ${#need[@]} -gt 0 ]; then
    "${sudo[@]}" apt-get install -y -qq "${need[@]}"
  fi
  if [ ${#target_need[@]} -gt 0 ]; then
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${target_need[@]}"
  fi
fi
