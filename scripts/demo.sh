#!/usr/bin/env bash
# The main job: the home screen with Nimbra's glow, then a setting changed in the
# Settings app host (one process) showing up in the running home-screen host (another).
# Everything runs under a scratch HOME, so a person's own settings stay untouched.
#   scripts/demo.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
nimbra="$build/apps/nimbra"
out=out
mkdir -p "$out"
demo_home=$(mktemp -d)
watcher=""
cleanup() {
  [ -n "$watcher" ] && kill "$watcher" 2>/dev/null || true
  rm -rf "$demo_home"
}
trap cleanup EXIT
export HOME="$demo_home"

echo "== 1. The home screen with the default settings (yellow glow, radius by badge)"
"$nimbra" home --out "$out/home-default.png"

echo "== 2. The home-screen host keeps running, re-rendering on every settings change"
log="$demo_home/home.log"
"$nimbra" home --watch --out "$out/home-live.png" >"$log" 2>&1 &
watcher=$!
for _ in $(seq 100); do [ -s "$log" ] && break; sleep 0.1; done
[ -s "$log" ] || { echo "the home-screen host did not start"; cat "$log"; exit 1; }

echo "== 3. In the Settings app host (another process): Nimbra > Color > Red"
"$nimbra" settings --tap "Nimbra" --tap "Color" --choose "Red" --back \
  --screenshot "$out/settings-nimbra.png"

# The host re-renders when the settings notification reaches it.
for _ in $(seq 100); do [ "$(wc -l <"$log")" -ge 2 ] && break; sleep 0.1; done
if [ "$(wc -l <"$log")" -lt 2 ]; then
  echo "the home-screen host did not re-render after the change"
  cat "$log"
  exit 1
fi
cp "$out/home-live.png" "$out/home-red.png"
kill "$watcher" && wait "$watcher" 2>/dev/null || true
watcher=""

echo "== 4. The whitelist editor with two apps"
scripts/demo-settings.sh "$build" >/dev/null

echo
echo "Pictures:"
for f in home-default.png settings-nimbra.png home-red.png settings-nimbra.png settings-whitelist.png; do
  [ -f "$out/$f" ] && echo "  $out/$f"
done | sort -u
