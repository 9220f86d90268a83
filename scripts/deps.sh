#!/usr/bin/env bash
# Installs what building, running and testing Tovelo needs on Debian 12, when it is missing.
set -euo pipefail

# The third-last line: libsodium checks the update files' signatures; minisign makes the
# development key pair and signs in the tests, openssl makes their certificates, ca-certificates
# is the system's store. The second-last line serves the printing tests: a CUPS scheduler with a
# PDF queue and the reader of the PDF files. The last line serves the installation check: the
# validators of the menu entry and the AppStream file, the package's dependency computation, a
# private network for its publisher.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-base-private-dev
          libqt6sql6-sqlite qt6-translations-l10n libgl-dev libsqlite3-dev libcups2-dev sqlite3 python3 fonts-dejavu-core
          fonts-liberation
          libsodium-dev minisign openssl ca-certificates
          cups printer-driver-cups-pdf poppler-utils
          desktop-file-utils appstream dpkg-dev iproute2)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
