#!/bin/sh
# Runs a command beside a CUPS scheduler of its own (private socket and folders) whose default
# queue, cups-pdf, writes into $TOVELO_PDF_DIR. Without root, which cupsd needs for cups-pdf, the
# command runs alone and a pass counts as skipped (77), so that the part left out shows.
set -eu
if [ "$(id -u)" != 0 ]; then
    echo "SKIPPED: the printing on a CUPS scheduler needs root" >&2
    "$@"
    exit 77
fi
dir=$(mktemp -d)
queue=tovelo-pdf-$$
settings=/etc/cups/cups-pdf-$queue.conf # cups-pdf reads /etc/cups only; it goes at the end
cupsd=""
finish() {
    [ -z "$cupsd" ] || { kill "$cupsd"; wait "$cupsd" || true; }
    rm -rf "$dir" "$settings"
}
trap finish EXIT
mkdir -p "$dir/root" "$dir/spool" "$dir/cache" "$dir/state" "$dir/log" "$dir/pdf" "$dir/tmp"
chmod 755 "$dir"
chmod 1777 "$dir/tmp" # the filters run as the scheduler's unprivileged user
printf 'ServerRoot %s/root\nRequestRoot %s/spool\nCacheDir %s/cache\nStateDir %s/state\nTempDir %s/tmp\n' \
    "$dir" "$dir" "$dir" "$dir" "$dir" >"$dir/root/cups-files.conf"
printf 'ErrorLog %s/log/error_log\nAccessLog %s/log/access_log\nPageLog %s/log/page_log\n' \
    "$dir" "$dir" "$dir" >>"$dir/root/cups-files.conf"
printf 'Listen %s/cups.sock\nBrowsing No\nWebInterface No\n<Policy default>\n<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n' \
    "$dir" >"$dir/root/cupsd.conf"
printf 'Out %s/pdf\nAnonDirName %s/pdf\nSpool %s/tmp\nLog %s/log\n' "$dir" "$dir" "$dir" "$dir" >"$settings"

# Taking the filters' temporary folder away ($TOVELO_CUPS_TEMP) makes them fail.
export CUPS_SERVER=$dir/cups.sock TOVELO_PDF_DIR=$dir/pdf TOVELO_CUPS_TEMP=$dir/tmp
cupsd -f -c "$dir/root/cupsd.conf" -s "$dir/root/cups-files.conf" &
cupsd=$!
for _ in $(seq 100); do [ -S "$CUPS_SERVER" ] && break; sleep 0.1; done
# The default PDF renderer turns the fonts into pictures without text: the PDF would look
# right but could not be read back.
lpadmin -p "$queue" -E -v "cups-pdf:/$queue" -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd \
    -o pdftops-renderer-default=pdftocairo 2>/dev/null
lpadmin -d "$queue"
lpstat -d | grep -q "$queue" || { echo "FAIL: no CUPS scheduler with a PDF queue" >&2; exit 1; }
"$@"
