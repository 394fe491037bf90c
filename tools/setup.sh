#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the project:
# compiler, CMake, Ninja, GoogleTest, binutils (nm), CLI11 (for k5run),
# valgrind (for the memcheck run) and Google Benchmark (for the benchmarks).
set -euo pipefail

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
command -v nm >/dev/null || need+=(binutils)
[ -f /usr/include/CLI/CLI.hpp ] || need+=(libcli11-dev)
command -v valgrind >/dev/null || need+=(valgrind)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
if [ ${#need[@]} -gt 0 ]; then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  echo "setup: installing ${need[*]}"
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq "${need[@]}"
fi
