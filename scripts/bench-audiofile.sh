#!/usr/bin/env bash
# Builds the bench preset and runs the audio file engine benchmarks. They
# write large temporary files under the temp directory and delete them.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
dir="${KORVALEST_BENCH_DIR:-$root/build/bench}"
cmake --preset bench -S "$root" -B "$dir" ${KORVALEST_BENCH_CMAKE_ARGS:-} >/dev/null
cmake --build "$dir" -j "$jobs" --target audiofile_bench_load audiofile_bench_recorder
"$dir/bench/audiofile/audiofile_bench_load" "$@"
"$dir/bench/audiofile/audiofile_bench_recorder" "$@"
