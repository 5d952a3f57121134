#!/usr/bin/env bash
# Installs the Debian 12 packages that the build, the tests and the benchmarks need.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  g++-mingw-w64-x86-64          # Windows cross compiler (posix thread model)
  wine64 xvfb xauth             # runs the Windows tests
  juce-modules-source-data      # the VST 3 SDK subset
  nlohmann-json3-dev            # the state document
  libgtest-dev googletest       # tests (googletest: sources for the Windows build)
  libbenchmark-dev              # benchmarks
  libsndfile1-dev               # benchmarks only: the reference WAV reader
  clang-14 libclang-rt-14-dev   # fuzzers and ThreadSanitizer
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"
