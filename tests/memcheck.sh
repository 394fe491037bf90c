#!/usr/bin/env bash
# Runs every test executable of a build under valgrind's memcheck, all at
# once, and fails when one of them fails a test, reports a memory error or
# leaks a block (definitely or possibly lost), apart from the suppressions in
# tests/valgrind.supp. Logs go to <build>/memcheck/.
#
# Usage: tests/memcheck.sh [build dir] [executable name...]
#   build dir defaults to build/default; names (e.g. tests_module) pick a subset.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/default}" && pwd)"
shift || true

command -v valgrind >/dev/null || { echo "memcheck: valgrind is not installed" >&2; exit 2; }

if [ $# -gt 0 ]; then
  exes=()
  for name in "$@"; do exes+=("$build/tests/$name"); done
else
  exes=()
  for file in "$build"/tests/tests_*; do
    case "$(basename "$file")" in *.*) continue ;; esac
    [ -f "$file" ] && [ -x "$file" ] && exes+=("$file")
  done
fi
for exe in "${exes[@]}"; do
  [ -f "$exe" ] && [ -x "$exe" ] || { echo "memcheck: no test executable $exe" >&2; exit 2; }
done
[ ${#exes[@]} -gt 0 ] || { echo "memcheck: no test executables in $build/tests" >&2; exit 2; }

logs="$build/memcheck"
rm -rf "$logs"
mkdir -p "$logs"

# tests_module replaces operator new and delete to fail allocations on demand:
# valgrind must leave the executable's own allocation functions alone.
options=(--tool=memcheck --error-exitcode=99 --leak-check=full
         --errors-for-leak-kinds=definite,possible --num-callers=40
         --suppressions="$root/tests/valgrind.supp"
         --soname-synonyms=somalloc=nouserintercepts)

start=$(date +%s)
pids=()
for exe in "${exes[@]}"; do
  name="$(basename "$exe")"
  (
    cd "$build/tests"
    set +e
    valgrind "${options[@]}" --log-file="$logs/$name.valgrind" "$exe" >"$logs/$name.out" 2>&1
    echo $? >"$logs/$name.status"
  ) &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid"; done

failed=0
for exe in "${exes[@]}"; do
  name="$(basename "$exe")"
  status="$(cat "$logs/$name.status")"
  errors="$(grep -Eo 'ERROR SUMMARY: [0-9]+' "$logs/$name.valgrind" | tail -1 | grep -Eo '[0-9]+$' || echo '?')"
  if [ "$status" = 0 ]; then
    echo "memcheck: $name clean"
  else
    failed=1
    what="tests failed"
    [ "$status" = 99 ] && what="$errors memory errors"
    echo "memcheck: $name FAILED ($what; see $logs/$name.valgrind and $name.out)"
  fi
done
echo "memcheck: ${#exes[@]} executables in $(( $(date +%s) - start )) s"
exit $failed
