#!/usr/bin/env bash
# Runs every built fuzzer for a bounded time on a copy of its corpus in the repo
# (fuzz/corpus/<name>); new inputs stay in the copy.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
seconds="${1:-60}"
shopt -s nullglob
ran=0
for fuzzer in "$root"/build/fuzz/fuzzers/fuzz_*; do
  name="$(basename "$fuzzer")"; name="${name#fuzz_}"
  work="$(mktemp -d)"
  seeds="$root/fuzz/corpus/$name"
  echo "fuzzing $name for ${seconds}s"
  "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    "$work" "$seeds" 2>"$work.log" || { tail -n 60 "$work.log"; exit 1; }
  grep -E 'stat::number_of_executed_units|Done' "$work.log" || true
  rm -rf "$work" "$work.log"
  ran=$((ran + 1))
done
[ "$ran" -gt 0 ] || { echo "no fuzzer was built"; exit 1; }
