#!/usr/bin/env bash
# Builds the description fuzzer with clang into build-fuzz/ and runs it.
#   tests/cdimage/fuzz/run_fuzz.sh [seconds]   (default 600)
# New inputs go to build-fuzz/fuzz/corpus (a scratch copy); keep the saved
# corpus small and add only inputs that found something, under telling names.
set -euo pipefail
top=$(cd "$(dirname "$0")/../../.." && pwd)
seconds=${1:-600}
cd "$top"
if [[ ! -f build-fuzz/build.ninja ]]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVMK_FUZZ=ON -DVMK_BENCH=OFF >/dev/null
fi
ninja -C build-fuzz -j1 cdm_ini_fuzz
mkdir -p build-fuzz/fuzz/corpus build-fuzz/fuzz/crashes
cp -n tests/cdimage/fuzz/corpus/* build-fuzz/fuzz/corpus/ 2>/dev/null || true
build-fuzz/fuzz/cdm_ini_fuzz build-fuzz/fuzz/corpus \
  -dict=tests/cdimage/fuzz/description.dict -max_total_time="$seconds" -max_len=4096 \
  -close_fd_mask=1 -artifact_prefix=build-fuzz/fuzz/crashes/ -print_final_stats=1
