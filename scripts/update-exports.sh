#!/usr/bin/env bash
# The symbols each platform library exports, kept in tests/platform/exports/<lib>.symbols.
#
#   scripts/update-exports.sh [BUILD]            rewrites the lists from BUILD (default: build)
#   scripts/update-exports.sh --check BUILD LIB  compares LIB's library with its list
#
# Run the first after a change to a public header that adds or removes API, and review the
# diff: a line there is a promise to every program linking the library.
#
# Only strong definitions count (demangled, one a line). Weak ones, the inline functions
# and template instantiations a library happens to emit out of line, come and go with
# the optimisation level, and so do the sanitizers' own symbols, so neither is listed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
lists=$top/tests/platform/exports
libraries=(objc foundation dispatch coregraphics coretext quartzcore uikit preferences
           springboard)

exports_of() {
  nm -D --defined-only "$1" |
    awk '$2 ~ /^[TDBRGS]$/ { print $3 }' |
    grep -Ev '^(__odr_asan|___asan|__asan|__ubsan|__sancov|_init$|_fini$|_edata$|_end$|__bss_start$)' |
    c++filt | LC_ALL=C sort -u
}

if [ "${1:-}" = "--check" ]; then
  build=$2 lib=$3
  so=$build/platform/$lib/libnimbra_$lib.so
  list=$lists/$lib.symbols
  if ! diff -u --label "$list (kept)" --label "$so (built)" "$list" <(exports_of "$so"); then
    echo "libnimbra_$lib.so exports other symbols than $list lists (+ exported, - missing)."
    echo "If the change of API is meant, run scripts/update-exports.sh and commit the lists."
    exit 1
  fi
  exit 0
fi

build=${1:-$top/build}
for lib in "${libraries[@]}"; do
  exports_of "$build/platform/$lib/libnimbra_$lib.so" > "$lists/$lib.symbols"
  echo "$lib: $(wc -l < "$lists/$lib.symbols") symbols"
done
