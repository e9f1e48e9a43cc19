#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks the tree a desktop user gets: the program, a
# valid desktop entry naming it and its icon, the icon at every size, valid AppStream metadata
# launching that entry, a manual page that renders cleanly, the button's udev rule, and the
# copyright file and changelog.
#   install_test.sh BUILD SOURCE RULES_DIR APP_ID
set -u
build=$1
source=$2
rules=$3
id=$4
case "$rules" in
/*) echo "VELDOR_UDEV_RULES_DIR is absolute ($rules): installing would write outside the prefix"; exit 77 ;;
esac
prefix=$(mktemp -d)
trap 'rm -rf "$prefix" "$prefix.log"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
unchecked() { echo "$1 not installed ($2): $3 not checked"; }

cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log"; fail "cmake --install failed"; }

[ -x "$prefix/bin/VELDOR" ] || fail "bin/VELDOR missing or not executable"

desktop="share/applications/$id.desktop"
[ -f "$prefix/$desktop" ] || fail "$desktop missing"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/$desktop" || fail "desktop entry not valid"
else
    unchecked desktop-file-validate desktop-file-utils "the desktop entry"
fi
grep -qx 'Exec=VELDOR' "$prefix/$desktop" || fail "desktop entry does not run VELDOR"
icon_name=$(sed -n 's/^Icon=//p' "$prefix/$desktop")

# The drawing, and a PNG of it at each size whose header says the size its folder does.
icons=("share/icons/hicolor/scalable/apps/$icon_name.svg")
grep -q '<svg' "$prefix/${icons[0]}" 2>/dev/null || fail "${icons[0]} missing or no SVG"
for size in 16 24 32 48 64 128 256; do
    icon="share/icons/hicolor/${size}x$size/apps/$icon_name.png"
    icons+=("$icon")
    [ -f "$prefix/$icon" ] || fail "$icon missing"
    [ "$(head -c 8 "$prefix/$icon" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "$icon is no PNG"
    [ "$(od -An -tu4 --endian=big -j16 -N8 "$prefix/$icon" | tr -s ' ')" = " $size $size" ] ||
        fail "$icon is not $size x $size"
done

metainfo="share/metainfo/$id.metainfo.xml"
[ -f "$prefix/$metainfo" ] || fail "$metainfo missing"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/$metainfo" ||
    fail "the metadata does not launch $id.desktop"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$prefix/$metainfo" >"$prefix.log" 2>&1 || { cat "$prefix.log"; fail "metadata not valid"; }
else
    unchecked appstreamcli appstream "the metadata"
fi

manual=share/man/man1/VELDOR.1.gz
[ -f "$prefix/$manual" ] || fail "$manual missing"
if command -v groff >/dev/null; then
    # -ww: every warning; a page with none renders as it was written.
    warnings=$(zcat "$prefix/$manual" | LC_ALL=C.UTF-8 groff -ww -man -Tutf8 -z 2>&1)
    [ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
else
    unchecked groff groff-base "the manual page's rendering"
fi

rule="$rules/70-veldor-button.rules"
cmp -s "$source/resources/70-veldor-button.rules" "$prefix/$rule" || fail "udev rule not installed as $rule"

doc=share/doc/veldor
cmp -s "$source/packaging/copyright" "$prefix/$doc/copyright" || fail "$doc/copyright missing"
zcat "$prefix/$doc/changelog.gz" 2>/dev/null | cmp -s "$source/packaging/changelog" - || fail "$doc/changelog.gz missing"

# Nothing else: no libraries, headers or test programs in the tree.
expected=$(printf '%s\n' bin/VELDOR "$desktop" "${icons[@]}" "$metainfo" "$manual" "$rule" \
    "$doc/copyright" "$doc/changelog.gz" | sort)
installed=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
[ "$installed" = "$expected" ] || fail "installed files differ from the expected ones: $(diff <(echo "$expected") <(echo "$installed") | grep '^[<>]')"
echo "installed tree complete"
