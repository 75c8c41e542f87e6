#!/usr/bin/env bash
# Installs the JavaScript peer of bench_detect into a scratch folder of the build (never
# into the tree) unless it is there already: peers.sh SCRATCH_DIR
set -euo pipefail
scratch=$1
if [ ! -d "$scratch/node_modules/linkify-it" ]; then
  mkdir -p "$scratch"
  npm install --silent --no-audit --no-fund --prefix "$scratch" linkify-it@6 >&2
fi
