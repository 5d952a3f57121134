# Shared helpers for the build scripts.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="${KORVALEST_JOBS:-2}"

# build <preset>: configure (once) and build one preset.
build() {
  local preset="$1"
  cmake --preset "$preset" -S "$root" >/dev/null
  cmake --build "$root/build/$preset" -j "$jobs"
}

# A wine prefix of our own, made once; wine prints nothing unless asked.
setup_wine() {
  export WINEPREFIX="$root/build/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w || true
  fi
}
