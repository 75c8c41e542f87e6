#!/bin/sh
# Installs the build into a scratch DESTDIR, moves the installed prefix elsewhere, and
# uses it from there as a person would: the programs must find their libraries and the
# device-like tree relative to themselves, and nothing installed may name the build or
# source folder.
# usage: install_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$(cd "$1" && pwd -P)
source=$(cd "$2" && pwd -P)

work=$(mktemp -d /tmp/nimbra-install-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset NIMBRA_LOG

fail() {
  echo "install test: $*" >&2
  exit 1
}

DESTDIR="$work/stage" cmake --install "$build" --prefix /opt/nimbra >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install failed"; }
mv "$work/stage/opt/nimbra" "$work/moved"
rm -rf "$work/stage"
prefix="$work/moved"
root="$prefix/share/nimbra/root"

for f in bin/nimbra bin/nimbra-settings bin/nimbra-springboard lib/nimbra/libnimbra_objc.so \
  lib/nimbra/libnimbra_label.so share/doc/nimbra/copyright share/doc/nimbra/LICENSE \
  share/nimbra/root/Library/MobileSubstrate/DynamicLibraries/Nimbra.dylib \
  share/nimbra/root/Library/MobileSubstrate/DynamicLibraries/Nimbra.plist \
  share/nimbra/root/Library/PreferenceBundles/Nimbra.bundle/Nimbra \
  share/nimbra/root/Library/PreferenceBundles/Nimbra.bundle/Info.plist \
  share/nimbra/root/Library/PreferenceLoader/Preferences/Nimbra.plist \
  share/nimbra/root/Library/SpringBoard/home.plist; do
  [ -e "$prefix/$f" ] || fail "$f was not installed"
done
[ ! -e "$root/Library/SpringBoard/icons.stamp" ] || fail "the build's stamp file was installed"

# Every check names where it looked: the moved tree, not the build's.
"$prefix/bin/nimbra" selfcheck >"$work/selfcheck.txt" 2>&1 ||
  { cat "$work/selfcheck.txt"; fail "nimbra selfcheck failed"; }
grep -q "found  *$root/Library/PreferenceBundles/Nimbra.bundle" "$work/selfcheck.txt" ||
  { cat "$work/selfcheck.txt"; fail "selfcheck did not look in $root"; }

is_png() {
  [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]
}

"$prefix/bin/nimbra" home --out "$work/home.png" >/dev/null || fail "nimbra home failed"
is_png "$work/home.png" || fail "nimbra home wrote no PNG"
"$prefix/bin/nimbra-springboard" --out "$work/springboard.png" >/dev/null || fail "the home-screen host failed"
is_png "$work/springboard.png" || fail "the home-screen host wrote no PNG"
"$prefix/bin/nimbra" badge Mail 7 >/dev/null || fail "nimbra badge failed"
grep -q Mail "$HOME/Library/SpringBoard/home.plist" || fail "nimbra badge made no copy of the home screen"

# The Settings host opens the bundle from the moved tree and changes a setting through it.
cat >"$work/steps.txt" <<EOF
tap Nimbra
tap Color
choose Red
screenshot $work/settings.png
EOF
"$prefix/bin/nimbra-settings" --script "$work/steps.txt" >"$work/settings.log" 2>&1 ||
  { cat "$work/settings.log"; fail "the Settings host's script failed"; }
is_png "$work/settings.png" || fail "the Settings host wrote no PNG"
[ "$("$prefix/bin/nimbra" prefs get Color)" = "4 (Red)" ] || fail "the pane did not write Color"
! grep -q "registered twice" "$work/settings.log" || fail "a class was registered twice"

# Run paths are relative to each file, and no file names the folders it was built from.
find "$prefix" -type f | while read -r f; do
  head -c 4 "$f" | grep -q ELF || continue
  rpath=$(readelf -d "$f" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p;s/.*(RPATH).*\[\(.*\)\]/\1/p')
  case "$rpath" in
  '' | '$ORIGIN'*) ;;
  *) fail "${f#"$prefix"/} has the run path $rpath" ;;
  esac
  if strings -a "$f" | grep -F -e "$build" -e "$source" >"$work/leak.txt"; then
    fail "${f#"$prefix"/} names the build or source folder: $(head -3 "$work/leak.txt")"
  fi
done
echo "install test: passed"
