#!/usr/bin/env bash
# Makes the Linux package with cpack and checks it as a user gets it: the metainfo and the
# desktop entry pass their validators, lintian reports no error, and both programs start from
# the unpacked files, with every library they link (the icons are compiled in).
# Usage: package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$(realpath "$1")
version=$2
source "$(dirname "$0")/../scripts/services.sh"
for tool in cpack dpkg-deb dpkg-shlibdeps file lintian appstreamcli desktop-file-validate; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/deps.sh installs it)" >&2; exit 1; }
done
scratch="$services_dir/package"
mkdir -p "$scratch"

echo "== appstreamcli validate"
appstreamcli validate --no-net "$build/packaging/org.vellumtone.vellumtone.metainfo.xml"
echo "== desktop-file-validate"
desktop-file-validate "$(dirname "$0")/../resources/vellumtone.desktop"
echo "ok"

echo "== cpack"
(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >cpack.log 2>&1) ||
    { cat "$scratch/cpack.log" >&2; exit 1; }
deb="$scratch/vellumtone_${version}_amd64.deb"
[ -f "$deb" ] || { echo "no $deb" >&2; ls "$scratch" >&2; exit 1; }
dpkg-deb -f "$deb" Depends
dpkg-deb -f "$deb" Depends | grep -q 'libwx' || { echo "Depends lacks the wx libraries" >&2; exit 1; }

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1 | { grep -v "running with root privileges" || true; }
echo "ok"

echo "== unpacked"
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for file in usr/bin/vellumtone usr/bin/vellumtone-cli usr/share/applications/vellumtone.desktop \
    usr/share/metainfo/org.vellumtone.vellumtone.metainfo.xml \
    usr/share/man/man1/vellumtone.1.gz usr/share/man/man1/vellumtone-cli.1.gz \
    usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/vellumtone.png; do
    [ -f "$root/$file" ] || { echo "missing /$file" >&2; exit 1; }
done
[ "$("$root/usr/bin/vellumtone" --version)" = "vellumtone $version" ]
[ "$("$root/usr/bin/vellumtone-cli" --version)" = "vellumtone-cli $version" ]
echo "ok: both programs say $version"

