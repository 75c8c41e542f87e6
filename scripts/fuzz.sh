#!/usr/bin/env bash
# The fuzzing campaign: builds every tests/fuzz/fuzz_*.cpp target with clang's libFuzzer
# (AddressSanitizer and UndefinedBehaviorSanitizer on, the platform instrumented for
# coverage) and runs each in turn, then writes out/fuzz-summary.txt.
#
#   FUZZ_RUNS=N      executions per target (default 10000000)
#   FUZZ_TIME=S      or at most S seconds per target (whichever comes first)
#   FUZZ_TARGETS=".."  names to run (default: all), e.g. "property_list settings_store"
#   FUZZ_BUILD=dir   build folder (default build-fuzz)
#   FUZZ_KEEP=1      afterwards, merge what each target learned into its kept corpus
#   FUZZ_LEAKS=1     check for leaks after every input (slow; off by default)
#   JOBS=N           build jobs (default: all cores)
#
# A run resumes from everything learned before: the kept corpus in tests/fuzz/corpus/<name>/
# and the inputs of earlier runs in out/fuzz/corpus/<name>/, where new inputs that grow
# coverage are written. A crashing input is saved under out/fuzz/crashes/<name>/ and its
# target stops there. tests/fuzz/<name>.dict, when there is one, gives the fuzzer the
# format's words; tests/fuzz/<name>.options adds the target's own libFuzzer flags. The summary keeps the latest run of every target, so running a few
# targets again updates their rows only.
#
# With FUZZ_KEEP=1, each target's kept corpus tests/fuzz/corpus/<name>/ is minimised
# again (libFuzzer -merge=1) from the inputs kept before and this run's: the hand-written
# seeds and regression-* inputs stay, and of the rest only inputs that add coverage,
# none over FUZZ_KEEP_MAX_LEN bytes (default 16384), smallest first while the folder
# stays under FUZZ_KEEP_KB (default 300).
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

# Rebuilds target $1's kept corpus (binary $2) from everything it has learned, within the
# size caps. The hand-written seeds and regression-* inputs (any name that is not a
# content hash) stay; libFuzzer's merge then adds, from the inputs kept before and this
# run's, only those that cover something the set does not, and of those the smallest
# first while the folder stays under the cap. Inputs the new ones make redundant leave.
keep() {
  local name=$1 bin=$2 kept=tests/fuzz/corpus/$1 staged=$out/keep/$1 pool=$out/keep/$1.pool
  local max_len=${FUZZ_KEEP_MAX_LEN:-16384} cap=$((${FUZZ_KEEP_KB:-300} * 1024))
  rm -rf "$staged" "$pool" && mkdir -p "$staged" "$pool" "$kept"
  local file base
  for file in "$kept"/*; do
    [ -f "$file" ] || continue
    base=$(basename "$file")
    if [[ $base =~ ^[0-9a-f]{40}$ ]]; then cp "$file" "$pool/"; else cp "$file" "$staged/"; fi
  done
  # What stays whatever happens, and the room it leaves under the cap.
  local fixed used
  fixed=$(find "$staged" -type f -printf '%f\n')
  used=$(find "$staged" -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}')
  local merge_control=$out/keep/$name.control
  "$bin" -merge=1 -merge_control_file="$merge_control" -max_len="$max_len" -timeout=20 \
    -rss_limit_mb=2560 "$staged" "$pool" "$out/corpus/$name" >"$out/logs/$name.merge.log" 2>&1 || {
    echo "fuzz $name: merge failed, see $out/logs/$name.merge.log; kept corpus unchanged" >&2
    rm -rf "$staged" "$pool" "$merge_control"
    return 0
  }
  # The merged inputs, smallest first, while they fit. (Every line is read: leaving the
  # loop early would end the pipe's writer with SIGPIPE, which pipefail reports.)
  local size chosen=()
  while read -r size file; do
    grep -qxF "$file" <<<"$fixed" && continue
    [ "$size" -le "$max_len" ] || continue
    [ $((used + size)) -le "$cap" ] || continue
    chosen+=("$file")
    used=$((used + size))
  done < <(find "$staged" -type f -printf '%s %f\n' | sort -n)
  find "$kept" -type f -regextype posix-extended -regex '.*/[0-9a-f]{40}' -delete
  for file in "${chosen[@]}"; do cp "$staged/$file" "$kept/$file"; done
  rm -rf "$staged" "$pool" "$merge_control"
}

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
  # tests/fuzz/<name>.options: the target's own libFuzzer flags, '#' starts a comment.
  if [ -f "tests/fuzz/$name.options" ]; then
    read -r -a extra <<<"$(sed 's/#.*//' "tests/fuzz/$name.options" | tr '\n' ' ')"
    options+=("${extra[@]}")
  fi
  echo "fuzz $name: up to $runs executions$until"
  start=$(date +%s)
  set +e
  # close_fd_mask=2: the code under test logs to stderr, and at full speed that costs more
  # than the work; sanitizer reports and the fuzzer's own lines still reach the log.
  # Leak checks after each input are off by default: the platform fills caches on first use
  # (fonts, selectors, interned strings), so libFuzzer stops the world and scans the heap
  # after most inputs, which costs 2.6 times the work itself. The test command's sanitizer
  # replay of the kept corpora still checks for leaks at exit. FUZZ_LEAKS=1 turns them on.
  leaks=${FUZZ_LEAKS:-0}
  # The processor time it had is recorded too: on a shared machine it is a fraction of the
  # wall time, and executions per processor second is what the target can do.
  /usr/bin/time -o "$out/logs/$name.cpu" -f '%U %S' \
    "$bin" -runs="$runs" "${options[@]}" -timeout=20 -rss_limit_mb=2560 -max_len=16384 \
    -close_fd_mask=2 -detect_leaks="$leaks" -print_final_stats=1 -artifact_prefix="$crashes/" \
    "$corpus" $seeds \
    >"$log" 2>&1 &
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
  # Coverage once the corpus is loaded (INITED) and at the end.
  cov0=$(grep -aoE 'INITED cov: [0-9]+' "$log" | head -1 | awk '{print $3}' || true)
  speed=$(grep -a 'stat::average_exec_per_sec' "$log" | tail -1 | awk '{print $2}' || true)
  secs=$(($(date +%s) - start))
  cpu=$(awk '/^[0-9.]+ [0-9.]+$/ {printf "%d", $1 + $2 + 0.5}' "$out/logs/$name.cpu" 2>/dev/null || true)
  if [ "${FUZZ_KEEP:-0}" = 1 ]; then
    keep "$name" "$bin"
  fi
  files=$(find "tests/fuzz/corpus/$name" -type f 2>/dev/null | wc -l)
  kb=$(find "tests/fuzz/corpus/$name" -type f -printf '%s\n' 2>/dev/null | awk '{s += $1} END {printf "%d", (s + 1023) / 1024}')
  echo "fuzz $name: ${execs:-?} executions (${speed:-?}/s), coverage ${cov0:-?} -> ${cov:-?}" \
    "edges, $found crashes, kept corpus $files files ${kb:-0} KB, $secs s (${cpu:-?} s of processor," \
    "exit $rc)"
  printf '%s %s %s %s %s %s %s %s %s %s\n' "$name" "${execs:-0}" "${speed:-0}" "${cov0:-0}" \
    "${cov:-0}" "$files" "${kb:-0}" "$found" "$secs" "${cpu:-0}" >"$rows/$name"
done

{
  echo "# fuzz campaign, last run $(date -u +%Y-%m-%dT%H:%MZ): up to $runs executions per target"
  echo "# edges: libFuzzer cov once the corpus is loaded -> at the end; kept: files and KB in"
  echo "# tests/fuzz/corpus/<name>/; crashes: inputs saved in out/fuzz/crashes/; seconds: wall"
  echo "# time and processor time the fuzzer had (the machine may be shared)"
  printf '%-20s %11s %8s %14s %6s %6s %8s %8s %8s\n' target executions exec/s edges files KB \
    crashes seconds cpu
  cat "$rows"/* | while read -r name execs speed cov0 cov files kb found secs cpu; do
    printf '%-20s %11s %8s %14s %6s %6s %8s %8s %8s\n' "$name" "$execs" "$speed" "$cov0 -> $cov" \
      "$files" "$kb" "$found" "$secs" "${cpu:-?}"
  done
} >out/fuzz-summary.txt
cat out/fuzz-summary.txt
