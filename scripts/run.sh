#!/usr/bin/env bash
# Builds Tovelo and starts it with its content, beside the local publisher (the web server the
# program takes its updates and the chat address from) and the chat server. Both servers stop
# when the program ends.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

pids=()
stop() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap stop EXIT

publisher=$(server/publisher/serve.sh build)
pids+=("$publisher")
build/bin/tovelo-chat-server &
pids+=("$!")

build/bin/Tovelo
