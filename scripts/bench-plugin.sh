#!/usr/bin/env bash
# Builds the optimised preset and runs the audio path benchmarks.
# Targets: BM_InputUnitySettled within 3 x BM_MemcpyStereoBlock; every
# BM_KindWorstCase with audio_seconds_per_second of at least 100 (1 % load).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cmake --preset bench -S "$root" >/dev/null
cmake --build "$root/build/bench" -j "$jobs" --target bench_process
"$root/build/bench/bench/plugin/bench_process" --benchmark_min_time=0.2 "$@"
