#!/usr/bin/env bash
# The settings pane: changes a setting through it (in the user's own settings file, so a
# home screen running with --watch picks it up), then pictures the pane and the
# whitelist editor holding two apps.
#   scripts/demo-settings.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
nimbra="$build/apps/nimbra"
mkdir -p out

# The change: the glow turns red and grows; the notification goes out with each write.
"$nimbra" settings --tap "Nimbra" --tap "Color" --choose "Red" --back \
  --slide "Strength" 12 --screenshot out/settings-nimbra.png
echo "settings: Color set to Red, CustomStrength to 12; pane in out/settings-nimbra.png"

# The whitelist editor, in a home of its own so running the demo again starts afresh.
demo_home=$(mktemp -d)
trap 'rm -rf "$demo_home"' EXIT
cat > "$demo_home/whitelist.steps" <<'STEPS'
tap "Nimbra"
tap "Badge Whitelist"
tap "Add App"
type "Mail"
press "Save"
tap "Add App"
type "Safari"
press "Save"
screenshot out/settings-whitelist.png
STEPS
HOME="$demo_home" "$nimbra" settings --script "$demo_home/whitelist.steps"
echo "settings: whitelist editor with Mail and Safari in out/settings-whitelist.png"
