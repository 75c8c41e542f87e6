#!/bin/sh
# The Debian package scripts/package.sh makes: the layout of an install under /usr, and a
# dependency on the package of every library its programs link that it does not carry.
# usage: package_test.sh PACKAGE_SCRIPT BUILD_DIR
set -eu
work=$(mktemp -d /tmp/nimbra-package-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "package test: $*" >&2
  exit 1
}

"$1" "$2" "$work/out" >"$work/listing.txt" || fail "scripts/package.sh failed"
deb=$(head -n 1 "$work/listing.txt")
for f in ./usr/bin/nimbra ./usr/bin/nimbra-settings ./usr/bin/nimbra-springboard \
  ./usr/lib/nimbra/libnimbra_uikit.so ./usr/lib/nimbra/libnimbra_label.so \
  ./usr/share/nimbra/root/Library/MobileSubstrate/DynamicLibraries/Nimbra.dylib \
  ./usr/share/nimbra/root/Library/PreferenceBundles/Nimbra.bundle/Nimbra \
  ./usr/share/nimbra/root/Library/PreferenceLoader/Preferences/Nimbra.plist \
  ./usr/share/nimbra/root/Library/SpringBoard/home.plist \
  ./usr/share/doc/nimbra/copyright; do
  grep -q " $f\$" "$work/listing.txt" || fail "the package holds no $f"
done

depends=$(dpkg-deb -f "$deb" Depends)
for p in fonts-inter fonts-dejavu-core; do
  echo "$depends" | grep -q "\b$p\b" || fail "Depends lacks $p: $depends"
done
# The package that holds a library, by any of the names a merged /usr gives it.
owner_of() {
  real=$(readlink -f "$1")
  for candidate in "$1" "$real" "${1#/usr}" "${real#/usr}" "/usr$1" "/usr$real"; do
    found=$(dpkg -S "$candidate" 2>/dev/null | head -n 1 | cut -d: -f1)
    [ -n "$found" ] && { echo "$found"; return; }
  done
}
dpkg-deb -x "$deb" "$work/tree"
find "$work/tree" -type f | while read -r f; do
  head -c 4 "$f" | grep -q ELF || continue
  readelf -d "$f" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'
done | sort -u >"$work/needed.txt"
while read -r lib; do
  [ -e "$work/tree/usr/lib/nimbra/$lib" ] && continue
  path=$(/sbin/ldconfig -p | awk -v l="$lib" '$1 == l && /x86-64|x86_64/ { print $NF; exit }')
  [ -n "$path" ] || fail "no library $lib on this machine"
  owner=$(owner_of "$path")
  [ -n "$owner" ] || fail "no package holds $path"
  echo "$depends" | grep -q "\b$owner\b" || fail "Depends lacks $owner (for $lib): $depends"
done <"$work/needed.txt"
echo "package test: passed"
