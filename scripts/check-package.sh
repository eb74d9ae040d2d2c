#!/bin/sh
# Checks what the build installs and packages, the way an integrator meets it:
#   1. cmake --install into a staging folder; examples/host built against that folder only
#      (find_package through CMAKE_PREFIX_PATH) and run: it must update a simulated target;
#   2. the Debian packages: their files and declared dependencies, unpacked into a throw-away
#      root (nothing touches this machine's package database), vkupdate --version run there;
#   3. both manual pages render without warnings.
# Usage: sh scripts/check-package.sh BUILD_DIR
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:?usage: check-package.sh BUILD_DIR}" && pwd)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vk-package-check.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
LIBDIR=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$BUILD/CMakeCache.txt")

fail() {
    echo "check-package: $*" >&2
    exit 1
}

echo "== install into a staging folder and build examples/host against it"
DESTDIR="$WORK/stage" cmake --install "$BUILD" --prefix /usr >/dev/null
STAGE="$WORK/stage/usr"
cmake -S "$ROOT/examples/host" -B "$WORK/host" -DCMAKE_PREFIX_PATH="$STAGE" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF >/dev/null
cmake --build "$WORK/host" >/dev/null
mkdir "$WORK/targets"
cp -R "$STAGE/share/doc/vktalveron-update/examples/targets/compact-rtpc" "$WORK/targets/"
LD_LIBRARY_PATH="$STAGE/$LIBDIR" VK_SIM_TARGETS="$WORK/targets" VK_SIM_TIME_SCALE=0.001 \
    "$WORK/host/vkhost" RTPC-COMPACT-07 \
    "$STAGE/share/doc/vktalveron-update/examples/firmware/release-5.0" release.xml \
    >"$WORK/host.out" || { cat "$WORK/host.out"; fail "examples/host did not update the target"; }
grep -q "Update completed successfully!" "$WORK/host.out" || fail "examples/host: no success"
echo "examples/host updated a copy of compact-rtpc"

echo "== packages"
(cd "$BUILD" && cpack >"$WORK/cpack.log" 2>&1) || { cat "$WORK/cpack.log"; fail "cpack failed"; }
expect_file() {  # PACKAGE FILE
    dpkg-deb -c "$1" | grep " \./usr/$2\( \|$\)" >/dev/null || fail "$1 lacks /usr/$2"
}
expect_depends() {  # PACKAGE TEXT
    dpkg-deb -f "$1" Depends | grep -q "$2" || fail "$1 does not depend on $2"
}
RUNTIME=$(ls "$BUILD"/libvktalveron-update[0-9]*_*.deb)
DEV=$(ls "$BUILD"/libvktalveron-update-dev_*.deb)
TOOLS=$(ls "$BUILD"/vktalveron-update-tools_*.deb)
for file in libVkTalveronUpdateLib.so.1 libVkPlatform.so.1; do
    expect_file "$RUNTIME" "$LIBDIR/$file"
done
expect_depends "$RUNTIME" libxerces-c
expect_depends "$RUNTIME" libelf
for file in include/VkTalveronUpdate/VkTalveronUpdateLib.h "$LIBDIR/libVkTalveronUpdateLib.so" \
    "$LIBDIR/cmake/VkTalveronUpdate/VkTalveronUpdateConfig.cmake" \
    "$LIBDIR/cmake/VkTalveronUpdate/VkTalveronUpdateConfigVersion.cmake" \
    "$LIBDIR/pkgconfig/vktalveron-update.pc"; do
    expect_file "$DEV" "$file"
done
expect_depends "$DEV" "libvktalveron-update1 (="
for file in bin/vkupdate bin/vksim share/man/man1/vkupdate.1 share/man/man1/vksim.1 \
    share/bash-completion/completions/vkupdate; do
    expect_file "$TOOLS" "$file"
done
expect_depends "$TOOLS" "libvktalveron-update1 (="
for package in "$RUNTIME" "$DEV" "$TOOLS"; do
    printf '%s  %s bytes  Depends: %s\n' "$(basename "$package")" "$(stat -c %s "$package")" \
        "$(dpkg-deb -f "$package" Depends)"
    dpkg-deb -x "$package" "$WORK/root"
done
LD_LIBRARY_PATH="$WORK/root/usr/$LIBDIR" "$WORK/root/usr/bin/vkupdate" --version ||
    fail "the unpacked vkupdate does not run"

echo "== manual pages"
for page in vkupdate vksim; do
    warnings=$(MANWIDTH=80 man --warnings -l "$WORK/root/usr/share/man/man1/$page.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page.1 renders with warnings: $warnings"
done
echo "vkupdate(1) and vksim(1) render without warnings"
