#!/usr/bin/env bash
# Builds everything and runs every test: Linux, Windows under wine, the
# sanitizer builds and a bounded run of every fuzzer.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
"$root/scripts/install-deps.sh"

step() { printf '\n=== %s ===\n' "$*"; }

step "Linux build and tests"
build linux
ctest --test-dir "$root/build/linux" --output-on-failure -j "$jobs"

step "Windows build and tests under wine"
build windows
setup_wine
xvfb-run -a ctest --test-dir "$root/build/windows" --output-on-failure

step "AddressSanitizer and UBSan"
build asan
ctest --test-dir "$root/build/asan" --output-on-failure -j "$jobs"

step "ThreadSanitizer (engines)"
build tsan
TSAN_OPTIONS="halt_on_error=1" ctest --test-dir "$root/build/tsan" --output-on-failure

step "Fuzzers (bounded runs)"
build fuzz
"$root/scripts/run-fuzzers.sh" "${KORVALEST_FUZZ_SECONDS:-60}"

step "All tests passed"
