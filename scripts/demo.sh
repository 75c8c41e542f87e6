#!/usr/bin/env bash
# The main job: shows what the system does, on the staged tree of a build folder.
set -euo pipefail
build=${1:-build}
"$build/apps/nimbra" selfcheck
