#!/usr/bin/env bash
# Makes both Linux packages with one cpack and checks each as a user gets it: lintian finds
# nothing, not even an informational tag (the hardening ones among them); it holds exactly its
# files; the desktop entry and the metainfo pass their validators; its program starts from the
# unpacked folder with every library it links. vellumtone-cli needs nothing of GTK or wx, at any
# depth of its dependencies. Every tool comes with `scripts/deps.sh test`.
# Usage: package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$(realpath "$1")
version=$2
source "$(dirname "$0")/../scripts/services.sh"
(cd "$services_dir" && cpack -G DEB --config "$build/CPackConfig.cmake" >cpack.log 2>&1) ||
    { cat "$services_dir/cpack.log" >&2; exit 1; }

fail() { echo "FAIL: $*" >&2; exit 1; }

# check PACKAGE PROGRAM FILE...: the package, unpacked into a folder of its own.
check() {
    local package=$1 program=$2
    shift 2
    local deb="$services_dir/${package}_${version}_amd64.deb" root="$services_dir/$package"
    local tags
    tags=$(lintian --display-info --tag-display-limit 0 "$deb" 2>&1 | grep -v "running with root privileges" || true)
    [ -z "$tags" ] || fail "lintian on $package: $tags"
    dpkg-deb -x "$deb" "$root"
    diff <(cd "$root" && find . -type f | sort) <(printf './%s\n' "$@" | sort) ||
        fail "$package holds other files than these (>) or lacks some (<)"
    [ "$("$root/usr/bin/$program" --version)" = "$program $version" ] ||
        fail "$program does not start from its unpacked package"
}

check vellumtone vellumtone usr/bin/vellumtone usr/share/applications/vellumtone.desktop \
    usr/share/metainfo/org.vellumtone.vellumtone.metainfo.xml usr/share/man/man1/vellumtone.1.gz \
    usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/vellumtone.png \
    usr/share/doc/vellumtone/{changelog.gz,copyright}
check vellumtone-cli vellumtone-cli usr/bin/vellumtone-cli usr/share/man/man1/vellumtone-cli.1.gz \
    usr/share/doc/vellumtone-cli/{changelog.gz,copyright}

appstreamcli validate --no-net --strict \
    "$services_dir/vellumtone/usr/share/metainfo/org.vellumtone.vellumtone.metainfo.xml" >/dev/null ||
    fail "appstreamcli: $(appstreamcli validate --no-net --strict \
        "$services_dir/vellumtone/usr/share/metainfo/org.vellumtone.vellumtone.metainfo.xml")"
desktop=$(desktop-file-validate "$services_dir/vellumtone/usr/share/applications/vellumtone.desktop" 2>&1) &&
    [ -z "$desktop" ] || fail "desktop-file-validate: $desktop"

# The desktop program's libraries come from its binary; the command-line one's, with what apt
# installs for them (recommended packages too), hold no toolkit.
dpkg-deb -f "$services_dir/vellumtone_${version}_amd64.deb" Depends | grep -q 'libwx' ||
    fail "vellumtone does not depend on the wx libraries"
needs=$(dpkg-deb -f "$services_dir/vellumtone-cli_${version}_amd64.deb" Depends |
    sed 's/([^)]*)//g; s/[,|]/\n/g' | tr -d ' ')
toolkit=$(apt-cache depends --recurse --no-suggests --no-conflicts --no-breaks --no-replaces \
    --no-enhances $needs | grep -v '^ ' | grep -E '^(libgtk|libwx|libgdk)' || true)
[ -z "$toolkit" ] || fail "vellumtone-cli needs $(echo $toolkit)"
