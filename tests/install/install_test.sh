#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks the tree a desktop user gets: the program,
# a valid desktop entry naming it and its icon, the icon itself, and the button's udev rule.
#   install_test.sh BUILD SOURCE RULES_DIR
set -u
build=$1
source=$2
rules=$3
case "$rules" in
/*) echo "VELDOR_UDEV_RULES_DIR is absolute ($rules): installing would write outside the prefix"; exit 77 ;;
esac
prefix=$(mktemp -d)
trap 'rm -rf "$prefix" "$prefix.log"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log"; fail "cmake --install failed"; }

[ -x "$prefix/bin/VELDOR" ] || fail "bin/VELDOR missing or not executable"

desktop="$prefix/share/applications/veldor.desktop"
[ -f "$desktop" ] || fail "share/applications/veldor.desktop missing"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop entry not valid"
else
    echo "desktop-file-validate not installed (desktop-file-utils): entry not validated"
fi
grep -qx 'Exec=VELDOR' "$desktop" || fail "desktop entry does not run VELDOR"
icon_name=$(sed -n 's/^Icon=//p' "$desktop")

icon="$prefix/share/icons/hicolor/64x64/apps/$icon_name.png"
[ -f "$icon" ] || fail "icon $icon_name.png missing from share/icons/hicolor/64x64/apps"
# A PNG whose header says 64 x 64, as its folder does.
[ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "icon is no PNG"
[ "$(od -An -tu1 -j16 -N8 "$icon" | tr -s ' ')" = " 0 0 0 64 0 0 0 64" ] || fail "icon is not 64 x 64"

rule="$rules/70-veldor-button.rules"
cmp -s "$source/resources/70-veldor-button.rules" "$prefix/$rule" || fail "udev rule not installed as $rule"

# Nothing else: no libraries, headers or test programs in the tree.
extra=$(cd "$prefix" && find . -type f | sort | grep -v -x -e ./bin/VELDOR \
    -e ./share/applications/veldor.desktop -e "./share/icons/hicolor/64x64/apps/$icon_name.png" \
    -e "./$rule")
[ -z "$extra" ] || fail "unexpected files installed: $extra"
echo "installed tree complete"
