#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need: only what
# is missing, with one `apt-get update` first when something must be installed.
set -euo pipefail
packages=(
  build-essential cmake pkg-config clang-format ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  libplist-dev libicu-dev libharfbuzz-dev libfreetype-dev libfontconfig-dev
  libcairo2-dev libpng-dev libpango1.0-dev
  libpsl-dev publicsuffix libphonenumber-dev libplist-utils libcli11-dev
  fonts-dejavu-core fonts-inter fonts-noto-core fonts-noto-cjk fonts-noto-color-emoji
  libsdl2-dev xvfb xdotool python3
  binutils dpkg-dev
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
