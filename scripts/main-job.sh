#!/usr/bin/env bash
# Builds every bundle for Linux and Windows and shows what a host sees of the
# KORVALEST PLAYER module on both platforms.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
"$root/scripts/install-deps.sh"

build linux
build windows

echo "=== Linux: korvalest-host info KorvalestPlayer.vst3 ==="
"$root/build/linux/cli/korvalest-host" info "$root/build/linux/bundles/KorvalestPlayer.vst3"

echo "=== Windows (wine): korvalest-host.exe info KorvalestPlayer.vst3 ==="
setup_wine
cd "$root/build/windows"
/usr/lib/wine/wine64 cli/korvalest-host.exe info bundles/KorvalestPlayer.vst3

echo "Bundles: $root/build/linux/bundles and $root/build/windows/bundles"
