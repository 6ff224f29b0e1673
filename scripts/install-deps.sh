#!/usr/bin/env bash
# Installs everything the converter, its engine and its tests need on Debian 12 (run as root,
# or with sudo available). Safe to run again: it installs only what is missing.
# With --package, also what building, linting and trying the Debian package needs.
set -euo pipefail

packages=(
    cmake g++ make pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
    libwpd-dev librevenge-dev libwpg-dev libwpd-tools libpng-dev libwmf-dev libfreetype-dev libturbojpeg0-dev
    libssl-dev
    docbook5-xml libxml2-utils
    default-jre-headless
    # the HTML drawn and printed by headless Chromium with the faces it names
    chromium fonts-liberation fonts-crosextra-carlito fonts-crosextra-caladea fonts-dejavu-core
    xdg-utils shared-mime-info
    scdoc desktop-file-utils appstream man-db bash-completion
)
if [ "${1:-}" = "--package" ]; then
    packages+=(dpkg-dev file lintian)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# Node.js may come from elsewhere with its own npm; Debian's npm is only needed without one.
command -v npm >/dev/null 2>&1 || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The W3C Nu HTML checker, used by the engine's tests, comes from the npm registry.
here="$(cd "$(dirname "$0")/.." && pwd)"
if [ ! -f "$here/.tools/node_modules/vnu-jar/build/dist/vnu.jar" ]; then
    mkdir -p "$here/.tools"
    (cd "$here/.tools" && npm install --silent --no-audit --no-fund --prefix . vnu-jar >/dev/null)
fi
