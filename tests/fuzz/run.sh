#!/usr/bin/env bash
# Builds the exchange fuzz targets (fuzz preset), checks that the committed
# seed corpus is what the generator writes now, replays it through each
# target, then fuzzes each target for a bounded time. Any finding (sanitizer
# report, "FUZZ FINDING", a time-out of a run, a leak) fails the script; its
# input is kept under build/fuzz/findings.
#
#   tests/fuzz/run.sh              about a minute per target
#   LS_FUZZ_SECONDS=600 tests/fuzz/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${LS_FUZZ_SECONDS:-60}
corpus=tests/fuzz/corpus
bin=build/fuzz/tests/fuzz
findings=build/fuzz/findings

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The corpus must follow the input format of the harness.
mkdir "$work/seeds"
"$bin/fuzz_corpus" "$work/seeds"
if ! diff -r "$corpus" "$work/seeds" >/dev/null; then
  echo "tests/fuzz/corpus is not what fuzz_corpus writes; regenerate it:" >&2
  echo "  rm -f $corpus/* && $bin/fuzz_corpus $corpus" >&2
  exit 1
fi

mkdir -p "$findings"
options=(-timeout=10 -rss_limit_mb=2048 -max_len=8192)

# Runs a target with its output in a log; on a finding shows the log's end.
run() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "FAILED: a finding of $(basename "$1"); its input is in $findings" >&2
    exit 1
  fi
}

# One target per deliverable (cmake/deliverables.cmake).
for exe in "$bin"/fuzz_*; do
  target=$(basename "$exe")
  [ "$target" != fuzz_corpus ] || continue
  echo "== $target: replay of $(ls "$corpus" | wc -l) corpus inputs"
  run "$work/$target-replay.log" "$bin/$target" "${options[@]}" \
    -artifact_prefix="$findings/$target-" "$corpus"/*
  echo "== $target: fuzzing for $seconds s"
  mkdir "$work/$target"
  run "$work/$target.log" "$bin/$target" "${options[@]}" -max_total_time="$seconds" \
    -print_final_stats=1 -artifact_prefix="$findings/$target-" "$work/$target" "$corpus"
  grep -E '^#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb' "$work/$target.log"
done
echo "== no finding"
