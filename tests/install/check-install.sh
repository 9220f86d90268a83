#!/usr/bin/env bash
# Installs the build into a staging folder and uses it as a user of the package would: the
# installed files and their validators; the installed program in an empty home (the user's copy,
# an update landing in it, the installed files unchanged); an update file signed with minisign,
# and on a full disk; two starts at once; a first copy cut off half-way or on a full disk; an
# upgrade added to the user's copy once; the Debian package.
# Usage: check-install.sh BUILD_DIR PUBLISHER_URL
set -euo pipefail

build=$(cd "$1" && pwd)
publisher=$2
site=$build/publisher/site

# The publisher runs on its compiled-in address: in a private network when the system allows
# one, so nothing else on this machine can be listening there.
if [ -z "${TOVELO_PRIVATE_NETWORK:-}" ] && unshare -rn true 2>/dev/null; then
    exec env TOVELO_PRIVATE_NETWORK=1 unshare -rn bash "$0" "$@"
fi
[ -z "${TOVELO_PRIVATE_NETWORK:-}" ] || ip link set lo up

work=$(mktemp -d)
children=()
finish() {
    for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap finish EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
sql() { sqlite3 -cmd ".timeout 5000" "$@"; }
# Reads a database only once it exists: opening a missing one would create it.
query() { [ -f "$1" ] && sqlite3 -readonly -cmd ".timeout 5000" "$@"; }

app=org.tovelo.Tovelo
stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
usr=$stage/usr
shipped=$usr/share/tovelo/Tovelo.mdb

echo "== installed files"
for exe in "$build"/bin/*; do
    [ -f "$exe" ] && [ -x "$exe" ] || continue
    [ -x "$usr/bin/$(basename "$exe")" ] || fail "program not installed: $(basename "$exe")"
done
[ "$(ls "$build/bin/Mapas")" = "$(ls "$usr/share/tovelo/Mapas")" ] || fail "map pictures differ"
cmp -s "$shipped" "$build/content/Tovelo.mdb" || fail "the installed database is not the built one"
for size in 16 22 24 32 48 64 128 256; do
    dims=$(od -An -tu1 -j16 -N8 "$usr/share/icons/hicolor/${size}x${size}/apps/$app.png" |
        awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "icon of $size pixels is '$dims'"
done
desktop-file-validate "$usr/share/applications/$app.desktop"
appstreamcli validate --no-net "$usr/share/metainfo/$app.metainfo.xml" >/dev/null ||
    fail "appstreamcli validate: $(appstreamcli validate --no-net "$usr/share/metainfo/$app.metainfo.xml")"

snapshot() { (cd "$stage" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
installed=$(snapshot)

# Runs a command in a clean environment: an own home, no display, nothing of the caller's data
# folders. It replaces the shell it runs in: call it in a subshell.
tovelo_env() {
    local home=$1
    shift
    mkdir -p -m 700 "$home/.run"
    exec env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$home/.run" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
        ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${UBSAN_OPTIONS:+UBSAN_OPTIONS=$UBSAN_OPTIONS} \
        "$@"
}

# Starts the installed program in HOME, waits (30 s at most) until CONDITION holds, ends it the
# way a logout does and checks that it ended cleanly.
run_until() {
    local home=$1 condition=$2
    tovelo_env "$home" "$usr/bin/Tovelo" &
    local pid=$! waited=0
    children+=($pid)
    until eval "$condition"; do
        kill -0 "$pid" 2>/dev/null || fail "the program ended by itself (home $home)"
        [ $waited -lt 300 ] || fail "timed out waiting for: $condition"
        sleep 0.1
        waited=$((waited + 1))
    done
    kill -TERM "$pid"
    wait "$pid" || fail "the program ended with status $?"
}

# Starts the program in HOME once more and ends it once its update check has reached its last
# kind (it removes the maps' update file before asking for a new one).
again() {
    mkdir -p "$1/.local/share/Tovelo"
    touch "$1/.local/share/Tovelo/Mapas.txt"
    run_until "$1" '[ ! -e "$home/.local/share/Tovelo/Mapas.txt" ]'
}

# The user's copy is complete: sound, and the same content as the installed database.
check_copy() {
    local copy=$1
    [ "$(sql "$copy" "PRAGMA integrity_check")" = ok ] || fail "$copy is damaged"
    local count="SELECT (SELECT count(*) FROM Livros), (SELECT count(*) FROM Versiculos),
        (SELECT count(*) FROM Personagens), (SELECT count(*) FROM Discipulos),
        (SELECT Versao FROM Conteudo)"
    [ "$(sql "$copy" "$count")" = "$(sql "$shipped" "$count")" ] || fail "$copy is incomplete"
    ls "$(dirname "$copy")"/*.parcial >/dev/null 2>&1 && fail "a partial copy was left behind"
    return 0
}

case $publisher in
http://127.0.0.1:*) port=${publisher#http://127.0.0.1:} ;;
*) fail "the publisher's address is not on this machine: $publisher" ;;
esac
(: >"/dev/tcp/127.0.0.1/$port") 2>/dev/null && fail "something already listens on $publisher"
# Serves the folder $1 as the publisher, in $server, until it answers.
serve() {
    python3 -m http.server --bind 127.0.0.1 --directory "$1" "$port" >/dev/null 2>&1 &
    server=$!
    children+=($server)
    for _ in $(seq 100); do
        (: >"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
        sleep 0.1
    done
}
serve "$site"

echo "== first start in an empty home"
home=$work/home
mkdir "$home"
data=$home/.local/share/Tovelo
help=$(tovelo_env "$home" env -u QT_QPA_PLATFORM "$usr/bin/Tovelo" --help)
grep -qF "Pasta de dados: $data" <<<"$help" || fail "--help does not name the data folder: $help"
grep -qF "$usr/share/tovelo" <<<"$help" || fail "--help does not name the installed content"
help=$(tovelo_env "$home" "$usr/bin/tovelo-busca" --help)
grep -qF "($data/Tovelo.mdb)" <<<"$help" || fail "tovelo-busca --help does not name the copy: $help"
[ -e "$data" ] && fail "asking for help made the data folder"
kinds=$(ls "$site" | grep -c '1\.txt$')
run_until "$home" '[ "$(query "$data/Tovelo.mdb" "SELECT count(*) FROM Atualizacoes")" = "$kinds" ]'
check_copy "$data/Tovelo.mdb"
[ -s "$data/Estudos.txt" ] || fail "the update file is not in the data folder"
studies=$(sql "$data/Tovelo.mdb" "SELECT count(*) FROM Estudos")
[ "$studies" -gt "$(sql "$shipped" "SELECT count(*) FROM Estudos")" ] || fail "no update imported"
[ "$(snapshot)" = "$installed" ] || fail "the installed files changed"
kill $server

echo "== an update file signed with minisign"
# A site of its own, signed as a publisher signs with the minisign tool: a study file of about
# 500 KB, more than the room left on the full disks below.
signed=$work/signed
mkdir "$signed"
line=$(printf '%0800d' 0)
{ for i in $(seq 600); do printf ' Estudo grande %d # %s\r\n' "$i" "$line"; done; printf '#\r\n\r\n'; } >"$signed/Estudos1.txt"
minisign -S -s "$build/publisher/key/tovelo.key" -m "$signed/Estudos1.txt" -t file:Estudos1.txt >/dev/null
serve "$signed"
signedhome=$work/signedhome
mkdir "$signedhome"
sdata=$signedhome/.local/share/Tovelo
run_until "$signedhome" '[ "$(query "$sdata/Tovelo.mdb" "SELECT count(*) FROM Atualizacoes")" = 1 ]'
[ "$(sql "$sdata/Tovelo.mdb" "SELECT count(*) FROM Estudos WHERE Titulo LIKE 'Estudo grande %'")" = 600 ] ||
    fail "the signed file was not imported whole"

echo "== a full disk"
if unshare -m true 2>/dev/null; then
    room="Não há espaço livre no disco da pasta"
    # In a mount namespace of its own, HOME/.local/share a tmpfs of SIZE KB holding the installed
    # database and FREE KB more (empty for "copy"): runs the program until it says there is no
    # room, then prints the number of update records and what the program said.
    full_disk_start() {
        local home=$1 free=$2 data=$1/.local/share/Tovelo
        mount -t tmpfs -o size="$3"k tovelo "$home/.local/share" && mkdir "$data" || return
        if [ "$free" != copy ]; then
            cp "$shipped" "$data/"
            fallocate -l $(($(df --output=avail -B1 "$data" | tail -1) - free * 1024)) "$data/../filler"
        fi
        # Emptied here, not by the redirection below: that one runs in the child, later than the
        # wait loop may look, which would then find the previous start's message.
        : >"$home/err"
        tovelo_env "$home" "$usr/bin/Tovelo" 2>>"$home/err" &
        local pid=$!
        for _ in $(seq 300); do grep -qF "$room" "$home/err" && break; sleep 0.1; done
        kill -KILL $pid # a message box at start does not end on TERM
        wait $pid 2>/dev/null
        query "$data/Tovelo.mdb" "SELECT count(*) FROM Atualizacoes" || echo none
        cat "$home/err"
    }
    export -f full_disk_start tovelo_env query
    export usr shipped room
    full=$work/full
    mkdir -p "$full/.local/share"
    out=$(unshare -m bash -c 'full_disk_start "$@"' _ "$full" copy 1024)
    grep -qF "$room $full/.local/share/Tovelo para a cópia do banco de dados" <<<"$out" ||
        fail "a full disk during the first copy: $out"
    # 64 KB left: the update file cannot be kept; 700 KB: it can, but not its records.
    for free in 64 700; do
        out=$(unshare -m bash -c 'full_disk_start "$@"' _ "$full" $free $(($(stat -c %s "$shipped") / 1024 + 2048)))
        [ "$(head -1 <<<"$out")" = 0 ] &&
            grep -qF "$room $full/.local/share/Tovelo: as atualizações não puderam ser gravadas" <<<"$out" ||
            fail "an update on a full disk ($free KB left): $out"
    done
else
    echo "(no mount namespace here: the full-disk checks are skipped)"
fi
kill $server
# From here on no update arrives: what changes in a copy comes from the installed files.

echo "== two starts at once"
twins=$work/twins
mkdir "$twins"
for _ in 1 2; do tovelo_env "$twins" "$usr/bin/Tovelo" & children+=($!); done
sleep 3
for pid in "${children[@]: -2}"; do kill -TERM "$pid"; wait "$pid" || fail "a start of two ended with $?"; done
check_copy "$twins/.local/share/Tovelo/Tovelo.mdb"

echo "== first copy cut off half-way"
cut=$work/cut
mkdir "$cut"
half=$(($(stat -c %s "$shipped") / 2))
status=0
(tovelo_env "$cut" prlimit --fsize=$half --core=0 "$usr/bin/Tovelo" 2>/dev/null) || status=$?
[ $status -ne 0 ] || fail "the copy was not cut off"
[ ! -e "$cut/.local/share/Tovelo/Tovelo.mdb" ] || fail "a partial copy is in use"
again "$cut"
check_copy "$cut/.local/share/Tovelo/Tovelo.mdb"

echo "== upgrade"
# A newer package: one more study and one more verse, a new content version.
sql "$shipped" "INSERT INTO Estudos (Titulo, Texto) VALUES ('Estudo da versão nova', '41');
    INSERT INTO Versiculos (Id, Vers, Texto) VALUES (1, 999, 'Versiculo acrescentado pela versao nova');
    UPDATE Conteudo SET Versao = 'nova'"
new="SELECT Versao, count(*), sum(Titulo = 'Estudo da versão nova'),
    (SELECT count(*) FROM Versiculos WHERE Vers = 999) FROM Conteudo, Estudos"
again "$home"
[ "$(sql "$data/Tovelo.mdb" "$new")" = "nova|$((studies + 1))|1|1" ] ||
    fail "the upgrade lost or missed rows: $(sql "$data/Tovelo.mdb" "$new")"
sql "$data/Tovelo.mdb" "DELETE FROM Estudos WHERE Titulo = 'Estudo da versão nova'"
again "$home"
[ "$(sql "$data/Tovelo.mdb" "$new")" = "nova|$studies|0|1" ] || fail "the upgrade ran twice"

echo "== package"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >/dev/null
deb=$(ls "$work"/package/tovelo_*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/Tovelo ./usr/bin/tovelo-chat-server ./usr/share/tovelo/Tovelo.mdb \
    ./usr/share/applications/$app.desktop ./usr/share/metainfo/$app.metainfo.xml \
    ./usr/share/icons/hicolor/256x256/apps/$app.png ./usr/share/icons/hicolor/16x16/apps/$app.png; do
    grep -qxF "$f" <<<"$contents" || fail "not in the package: $f"
done
[ "$(grep -c '^\./usr/share/tovelo/Mapas/.*\.jpg$' <<<"$contents")" = "$(ls "$build/bin/Mapas" | wc -l)" ] ||
    fail "the package lacks map pictures"
depends=$(dpkg-deb -f "$deb" Depends)
# libqt6printsupport6 carries Qt's CUPS plugin, without which no print queue would be seen.
for lib in libqt6widgets6 libqt6network6 libqt6sql6-sqlite libsqlite3-0 libqt6printsupport6 libcups2 libsodium23 ca-certificates qt6-translations-l10n; do
    grep -q "\b$lib\b" <<<"$depends" || fail "the package does not depend on $lib: $depends"
done
