#!/bin/sh
# Serves the publisher's site on 127.0.0.1:8780 in the background.
#   serve.sh [SITE_DIR]   start (default: build/publisher/site), print the server's PID
#   serve.sh --stop [SITE_DIR]   stop the server this script started for that site
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
port=8780
stop=no
if [ "${1:-}" = "--stop" ]; then
    stop=yes
    shift
fi
site=${1:-"$root/build/publisher/site"}
pidfile="$(dirname "$site")/serve.pid"

if [ "$stop" = yes ]; then
    if [ -f "$pidfile" ]; then
        kill "$(cat "$pidfile")" 2>/dev/null || true
        rm -f "$pidfile"
        echo "publisher stopped"
    else
        echo "publisher not running (no $pidfile)"
    fi
    exit 0
fi

if [ ! -f "$site/Estudos1.txt" ]; then
    echo "no site in $site: build the project first (ninja -C build)" >&2
    exit 1
fi
if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
    echo "publisher already running, PID $(cat "$pidfile")"
    exit 0
fi

mkdir -p "$(dirname "$pidfile")"
python3 -m http.server --bind 127.0.0.1 --directory "$site" "$port" >/dev/null 2>&1 &
pid=$!
echo "$pid" > "$pidfile"

# Ready once it answers a request; give up after about 10 seconds.
i=0
until python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/Estudos1.txt', timeout=1)" 2>/dev/null; do
    i=$((i + 1))
    if [ "$i" -ge 50 ] || ! kill -0 "$pid" 2>/dev/null; then
        echo "publisher did not start (is port $port in use?)" >&2
        kill "$pid" 2>/dev/null || true
        rm -f "$pidfile"
        exit 1
    fi
    sleep 0.2
done
echo "publisher serving $site on http://127.0.0.1:$port, PID $pid"
