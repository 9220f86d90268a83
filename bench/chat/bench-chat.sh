#!/bin/sh
# Load test of the chat server on loopback: 200 users each send 50 lines, every line must reach
# every other user. Usage: bench-chat.sh [path/to/tovelo-chat-server] [extra server options...]
# CLIENTS, LINES and TIMEOUT override the load.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
server=${1:-$here/../../build/bin/tovelo-chat-server}
[ $# -gt 0 ] && shift
if [ ! -x "$server" ]; then
    echo "server not found: $server (build it, or pass its path)" >&2
    exit 2
fi

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
log=$(mktemp)
"$server" --listen 127.0.0.1 --port "$port" "$@" >"$log" 2>&1 &
pid=$!
trap 'kill -TERM $pid 2>/dev/null || true; rm -f "$log"' EXIT

for _ in $(seq 50); do
    grep -q listening "$log" && break
    kill -0 $pid 2>/dev/null || { cat "$log" >&2; exit 1; }
    sleep 0.1
done
head -n 1 "$log"

status=0
timeout 170 python3 "$here/chat_load.py" --port "$port" --clients "${CLIENTS:-200}" \
    --lines "${LINES:-50}" --timeout "${TIMEOUT:-150}" || status=$?

grep -E '^(VmHWM|VmRSS)' /proc/$pid/status | tr -s ' \t' ' ' | sed 's/^/server /'
kill -TERM $pid
wait $pid || true
grep -v listening "$log" | head -n 20 >&2 || true
exit $status
