#!/usr/bin/env bash
# Checks the Debian package that scripts/package made: its control fields and run-time
# dependencies, the tree it installs (listed), its desktop entry, AppStream metadata and manual
# page, that its version is the project's and the newest of the changelog and the metadata, that
# the committed pictures are what their drawings render to, and lintian: no error or warning.
#   package_test.sh DEB SOURCE
set -u
deb=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = veldor ] || fail "package named $(field Package)"
version=$(field Version)
project=$(sed -n 's/^project(VELDOR VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
[ "$version" = "$project" ] || fail "package version $version, project version $project"
changelog=$(dpkg-parsechangelog -l "$source/packaging/changelog" -S Version)
[ "$changelog" = "$version" ] || fail "the changelog's newest entry is $changelog, not $version"
id=$(sed -n 's/^set(VELDOR_APP_ID \(.*\))$/\1/p' "$source/CMakeLists.txt")
release=$(grep -o -m1 '<release version="[^"]*"' "$source/resources/$id.metainfo.xml" | cut -d'"' -f2)
[ "$release" = "$version" ] || fail "the metadata's newest release is $release, not $version"

# dpkg-shlibdeps found the libraries; the plugins and fonts loaded at run time are named.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for package in libqt6widgets6 libgstreamer1.0-0 libjpeg62-turbo gstreamer1.0-plugins-base \
    gstreamer1.0-plugins-good fonts-liberation2 fonts-ipafont-gothic; do
    grep -qx "$package" <<<"$depends" || fail "Depends lacks $package: $(field Depends)"
done
[ "$(field Recommends)" = qt6-translations-l10n ] || fail "Recommends: $(field Recommends)"

echo "$deb:"
dpkg-deb --contents "$deb" | awk '{ print $1, $2, $3, $6 }'
icons=usr/share/icons/hicolor
expected=(usr/bin/VELDOR usr/lib/udev/rules.d/70-veldor-button.rules
    "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml"
    usr/share/man/man1/VELDOR.1.gz usr/share/doc/veldor/copyright usr/share/doc/veldor/changelog.gz
    "$icons/scalable/apps/veldor.svg")
for size in 16 24 32 48 64 128 256; do
    expected+=("$icons/${size}x$size/apps/veldor.png")
done
files=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
[ "$files" = "$wanted" ] || fail "the package's files differ from the expected ones: $(diff <(echo "$wanted") <(echo "$files") | grep '^[<>]')"

dpkg-deb --extract "$deb" "$work"
desktop-file-validate "$work/usr/share/applications/$id.desktop" || fail "desktop entry not valid"
appstreamcli validate --no-net "$work/usr/share/metainfo/$id.metainfo.xml" || fail "metadata not valid"
warnings=$(zcat "$work/usr/share/man/man1/VELDOR.1.gz" | LC_ALL=C.UTF-8 groff -ww -man -Tutf8 -z 2>&1)
[ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
zcat "$work/usr/share/man/man1/VELDOR.1.gz" | grep -q "^\.TH VELDOR 1 .*\"VELDOR $version\"" ||
    fail "the manual page does not carry version $version"

"$source/scripts/render-pictures" --check || fail "pictures out of step with their drawings"

lintian --fail-on error,warning "$deb" 2>&1 | grep -v '^running with root privileges' | tee "$work/lintian"
[ "${PIPESTATUS[0]}" = 0 ] || fail "lintian reports errors or warnings"
echo "package complete: $(basename "$deb")"
