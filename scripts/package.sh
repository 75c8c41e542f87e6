#!/usr/bin/env bash
# Makes the Debian package of a built tree with `cpack -G DEB`, then prints its control
# fields (the dependencies dpkg-shlibdeps found among them) and its layout.
# usage: scripts/package.sh [BUILD_DIR [OUT_DIR]]   (default: build, out/package)
set -euo pipefail
build=${1:-build}
out=${2:-out/package}
mkdir -p "$out"
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log" >&2
  exit 1
fi
rm -rf "$out/_CPack_Packages"
deb=$(ls -t "$out"/*.deb | head -n 1)
echo "$deb"
dpkg-deb -I "$deb"
dpkg -c "$deb"
