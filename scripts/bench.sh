#!/usr/bin/env bash
# Runs every side-by-side benchmark of a release build and collects the summary lines.
set -euo pipefail
build=${1:-build-release}
mkdir -p out
: > out/bench-raw.txt
for b in "$build"/bench/*/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" | tee -a out/bench-raw.txt
done
grep -h '^case=' out/bench-raw.txt > out/bench-summary.txt || true
echo "summary lines in out/bench-summary.txt:"
cat out/bench-summary.txt
