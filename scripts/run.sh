#!/usr/bin/env bash
# Builds Tovelo and starts it with its content, beside the local publisher (the web server the
# program takes its updates and the chat address from) and the chat server. However it ends (the
# program closed, Ctrl+C, a SIGTERM or SIGHUP to this script), all three stop together.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

site=build/publisher/site
chat=""
program=""
stop() {
    trap - EXIT INT TERM HUP
    for pid in $program $chat; do kill "$pid" 2>/dev/null || true; done
    server/publisher/serve.sh --stop "$site" >/dev/null
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

server/publisher/serve.sh "$site"
build/bin/tovelo-chat-server &
chat=$!

# Started in the background so that a signal to this script is handled at once, not only once
# the program has ended.
build/bin/Tovelo &
program=$!
wait "$program"
