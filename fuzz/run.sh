#!/bin/sh
# Builds the update-file fuzzer with clang++ and runs it (default 600 seconds).
#   fuzz/run.sh [SECONDS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build="$here/../build-fuzz"
seconds=${1:-600}
command -v clang++ >/dev/null || { echo "clang++ not found: the fuzzer needs it" >&2; exit 1; }
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" fuzz_update_file
mkdir -p "$build/corpus"
cp "$here"/seeds/* "$build/corpus/" 2>/dev/null || true
cd "$build"
exec ./fuzz_update_file -max_total_time="$seconds" -max_len=4096 corpus
