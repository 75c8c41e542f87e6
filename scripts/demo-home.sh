#!/usr/bin/env bash
# The home screen before and after a colour change: renders the sample home screen with
# Nimbra.dylib loaded, under a scratch HOME so the user's settings stay untouched.
# Usage: scripts/demo-home.sh BUILD_DIR [OUT_DIR]
set -euo pipefail
build=${1:-build}
out=${2:-out}
nimbra="$build/apps/nimbra"
mkdir -p "$out"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home"

"$nimbra" prefs set Color yellow >/dev/null
"$nimbra" prefs set CustomStrengthEnabled NO >/dev/null
"$nimbra" home --out "$out/home-default.png" >/dev/null
"$nimbra" prefs set Color red >/dev/null
"$nimbra" home --out "$out/home-red.png" >/dev/null
echo "$out/home-default.png"
echo "$out/home-red.png"
