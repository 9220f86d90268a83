#!/usr/bin/env bash
# Two copies of the program started together on one program folder, the second 0 to 90 ms after
# the first, against the local publisher's site: how many of the runs left each (kind, number)
# in Atualizacoes once. Runs in a private network, where the site is served on the publisher's
# compiled-in address.
# Usage: two-copies.sh [BUILD_DIR] [RUNS]   (default: build, 10)
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
runs=${2:-10}
if [ -z "${TOVELO_PRIVATE_NETWORK:-}" ]; then
    exec env TOVELO_PRIVATE_NETWORK=1 unshare -rn bash "$0" "$build" "$runs"
fi
ip link set lo up
port=$(grep -o 'TOVELO_PUBLISHER_URL:STRING=http://127.0.0.1:[0-9]*' "$build/CMakeCache.txt" | sed 's/.*://')
work=$(mktemp -d)
python3 -m http.server --bind 127.0.0.1 --directory "$build/publisher/site" "$port" >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT
until (: >"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do sleep 0.1; done
files=$(ls "$build/publisher/site" | grep -c '1\.txt$')

good=0
for run in $(seq "$runs"); do
    folder=$work/run$run
    cp -r "$build/bin" "$folder"
    cp "$build/content/Tovelo.mdb" "$folder/" # the database as shipped, no update in it
    rm -f "$folder"/*.txt "$folder"/*.lock
    QT_QPA_PLATFORM=offscreen "$folder/Tovelo" 2>/dev/null &
    first=$!
    sleep "0.0$((RANDOM % 10))"
    QT_QPA_PLATFORM=offscreen "$folder/Tovelo" 2>/dev/null &
    second=$!
    count() { sqlite3 -readonly -cmd ".timeout 5000" "$folder/Tovelo.mdb" "$1"; }
    for _ in $(seq 300); do
        [ "$(count "SELECT count(*) FROM Atualizacoes")" -ge "$files" ] && break
        sleep 0.1
    done
    sleep 1 # time for a second import, were there one
    kill -TERM $first $second
    wait $first $second || true
    rows=$(count "SELECT count(*) || ' rows, ' || count(DISTINCT Tipo || Num) || ' files' FROM Atualizacoes")
    repeated=$(count "SELECT count(*) - count(DISTINCT Tipo || Num) FROM Atualizacoes")
    [ "$repeated" = 0 ] && good=$((good + 1))
    echo "run $run: $rows"
    rm -rf "$folder"
done
echo "$good of $runs runs left one row per file"
