#!/usr/bin/env bash
# The fuzzing campaign: builds every tests/fuzz/fuzz_*.cpp target with clang's libFuzzer
# (AddressSanitizer and UndefinedBehaviorSanitizer on, the platform instrumented for
# coverage) and runs each in turn, then writes out/fuzz-summary.txt.
#
#   FUZZ_RUNS=N      executions per target (default 10000000)
#   FUZZ_TIME=S      or at most S seconds per target (whichever comes first)
#   FUZZ_TARGETS=".."  names to run (default: all), e.g. "property_list settings_store"
#   FUZZ_BUILD=dir   build folder (default build-fuzz)
#
# New inputs that grow coverage go to out/fuzz/corpus/<name>/ (the seeds in
# tests/fuzz/corpus/ stay as they are); a crashing input is saved under
# out/fuzz/crashes/<name>/ and its target stops there. tests/fuzz/<name>.dict, when there
# is one, gives the fuzzer the format's words. The summary keeps the latest run of every
# target, so running a few targets again updates their rows only.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${FUZZ_RUNS:-10000000}
seconds=${FUZZ_TIME:-0}
build=${FUZZ_BUILD:-build-fuzz}
out=out/fuzz
jobs=${JOBS:-$(nproc)}

# clang and its fuzzer runtime: only the campaign needs them, so they are installed here
# rather than with the build's packages.
missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Coverage for the whole platform; the warning flags are the project's, written for gcc.
flags="-fsanitize=fuzzer-no-link -Wno-unknown-warning-option"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DNIMBRA_SANITIZE=address,undefined -DNIMBRA_FUZZ_ENGINE=libfuzzer \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" ${CMAKE_FLAGS:-} >/dev/null
cmake --build "$build" -j"$jobs" --target fuzz_targets

names=()
if [ -n "${FUZZ_TARGETS:-}" ]; then
  read -r -a names <<<"$FUZZ_TARGETS"
else
  for f in tests/fuzz/fuzz_*.cpp; do
    n=$(basename "$f" .cpp)
    names+=("${n#fuzz_}")
  done
fi

mkdir -p "$out/logs"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1"
rows=$out/rows
mkdir -p "$rows"
for name in "${names[@]}"; do
  bin=$build/tests/fuzz/fuzz_$name
  [ -x "$bin" ] || { echo "fuzz $name: no such target" >&2; exit 2; }
  corpus=$out/corpus/$name crashes=$out/crashes/$name log=$out/logs/$name.log
  mkdir -p "$corpus" "$crashes"
  seeds=tests/fuzz/corpus/$name
  [ -d "$seeds" ] || seeds=""
  options=()
  until=""
  if [ "$seconds" -gt 0 ]; then
    options+=(-max_total_time="$seconds")
    until=" or $seconds s"
  fi
  [ -f "tests/fuzz/$name.dict" ] && options+=(-dict="tests/fuzz/$name.dict")
  echo "fuzz $name: up to $runs executions$until"
  start=$(date +%s)
  set +e
  "$bin" -runs="$runs" "${options[@]}" -timeout=20 -rss_limit_mb=2560 -max_len=16384 \
    -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" $seeds >"$log" 2>&1 &
  pid=$!
  # A progress line every half minute: the fuzzer's latest status.
  while kill -0 "$pid" 2>/dev/null; do
    for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null && sleep 1; done
    status=$(grep -a '^#[0-9]' "$log" | tail -1 | cut -c1-100 || true)
    [ -n "$status" ] && kill -0 "$pid" 2>/dev/null && echo "  $name $status"
  done
  wait "$pid"
  rc=$?
  set -e
  execs=$(grep -a 'stat::number_of_executed_units' "$log" | tail -1 | awk '{print $2}' || true)
  cov=$(grep -aoE 'cov: [0-9]+' "$log" | tail -1 | awk '{print $2}' || true)
  found=$(find "$crashes" -type f | wc -l)
  echo "fuzz $name: ${execs:-?} executions, coverage ${cov:-?} edges, $found crashes," \
    "$(($(date +%s) - start)) s (exit $rc)"
  printf '%s %s %s %s %s\n' "$name" "${execs:-0}" "${cov:-0}" "$found" \
    "$(($(date +%s) - start))" >"$rows/$name"
done

{
  echo "# fuzz campaign, last run $(date -u +%Y-%m-%dT%H:%MZ): up to $runs executions per target"
  echo "# coverage: edges reached (libFuzzer cov); crashes: inputs saved in out/fuzz/crashes/"
  printf '%-24s %12s %10s %8s %8s\n' target executions coverage crashes seconds
  cat "$rows"/* | while read -r name execs cov found secs; do
    printf '%-24s %12s %10s %8s %8s\n' "$name" "$execs" "$cov" "$found" "$secs"
  done
} >out/fuzz-summary.txt
cat out/fuzz-summary.txt
