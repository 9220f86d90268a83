#!/usr/bin/env bash
# Builds Tovelo and starts it with its content, beside the local publisher (the web server the
# program takes its updates and the chat address from) and the chat server. Both servers stop
# when the program ends.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

site=build/publisher/site
chat=""
stop() {
    [ -z "$chat" ] || kill "$chat" 2>/dev/null || true
    server/publisher/serve.sh --stop "$site" >/dev/null
}
trap stop EXIT

server/publisher/serve.sh "$site"
build/bin/tovelo-chat-server &
chat=$!

build/bin/Tovelo
