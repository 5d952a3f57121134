#!/usr/bin/env bash
# Copies the built Linux bundles to the user's VST 3 folder (~/.vst3).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
dest="${1:-$HOME/.vst3}"
mkdir -p "$dest"
cp -r "$root"/build/linux/bundles/*.vst3 "$dest"/
echo "installed into $dest"
