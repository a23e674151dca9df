#!/usr/bin/env bash
# Makes the Linux package with cpack and checks it as a user gets it: the metainfo and the
# desktop entry pass their validators, it depends on the wx libraries, lintian reports no
# error, every file is there, and both programs start from the unpacked files, with every
# library they link (the icons are compiled in). Every tool comes with scripts/deps.sh.
# Usage: package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$(realpath "$1")
version=$2
source "$(dirname "$0")/../scripts/services.sh"
appstreamcli validate --no-net "$build/packaging/org.vellumtone.vellumtone.metainfo.xml"
desktop-file-validate "$(dirname "$0")/../resources/vellumtone.desktop"

(cd "$services_dir" && cpack -G DEB --config "$build/CPackConfig.cmake" >cpack.log 2>&1) ||
    { cat "$services_dir/cpack.log" >&2; exit 1; }
deb="$services_dir/vellumtone_${version}_amd64.deb"
dpkg-deb -f "$deb" Depends | grep 'libwx'
lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1 | { grep -v "running with root privileges" || true; }

root="$services_dir/root"
dpkg-deb -x "$deb" "$root"
for file in usr/bin/vellumtone usr/bin/vellumtone-cli usr/share/applications/vellumtone.desktop \
    usr/share/metainfo/org.vellumtone.vellumtone.metainfo.xml \
    usr/share/man/man1/vellumtone.1.gz usr/share/man/man1/vellumtone-cli.1.gz \
    usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/vellumtone.png; do
    [ -f "$root/$file" ] || { echo "missing /$file" >&2; exit 1; }
done
[ "$("$root/usr/bin/vellumtone" --version)" = "vellumtone $version" ]
[ "$("$root/usr/bin/vellumtone-cli" --version)" = "vellumtone-cli $version" ]
