#!/bin/sh
# Load and abuse runs of the chat server on loopback, each against a fresh server; prints the
# numbers of each run (chat_load.py says what they mean).
# Usage: bench-chat.sh [path/to/tovelo-chat-server] [scenario...]
# Scenarios: room flood idle nonreader longline junk renames (default: all of them).
# SERVER_OPTS adds options to the server, LOAD_OPTS to chat_load.py (e.g. "--duration 20").
set -eu

here=$(cd "$(dirname "$0")" && pwd)
server=${1:-$here/../../build/bin/tovelo-chat-server}
[ $# -gt 0 ] && shift
if [ ! -x "$server" ]; then
    echo "server not found: $server (build it, or pass its path)" >&2
    exit 2
fi
scenarios=${*:-room flood idle nonreader longline junk renames}

log=$(mktemp)
pid=""
trap '[ -z "$pid" ] || kill -TERM $pid 2>/dev/null || true; rm -f "$log"' EXIT

status=0
for scenario in $scenarios; do
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    : >"$log" # not left to the redirection: it runs in the child, maybe after the wait below looks
    # shellcheck disable=SC2086
    "$server" --port "$port" ${SERVER_OPTS:-} >>"$log" 2>&1 &
    pid=$!
    for _ in $(seq 50); do
        grep -q listening "$log" && break
        kill -0 $pid 2>/dev/null || { cat "$log" >&2; exit 1; }
        sleep 0.1
    done
    # shellcheck disable=SC2086
    timeout 600 python3 "$here/chat_load.py" "$scenario" --port "$port" --server-pid $pid \
        ${LOAD_OPTS:-} || status=1
    kill -TERM $pid
    wait $pid || true
    pid=""
    # What the server closed, by reason.
    sed -n 's/^closed .*: //p' "$log" | sed 's/[0-9][0-9]*/N/g' | sort | uniq -c |
        sed 's/^ */  server closed: /'
    echo
done
exit $status
