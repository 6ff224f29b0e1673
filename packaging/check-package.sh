#!/usr/bin/env bash
# Builds the Debian package from a build folder, lints it, installs it with apt (which proves
# its declared dependencies), runs each installed program on a test document, then purges the
# package and checks that nothing of it is left. Needs root and a machine it may install
# packages on, as CI is; the tools come from `scripts/install-deps.sh --package`.
#   packaging/check-package.sh [BUILD-FOLDER]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
work=$(mktemp -d)
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export DEBIAN_FRONTEND=noninteractive
step() { echo "== package check: $*"; }
fail() {
    echo "package check FAILED: $*" >&2
    exit 1
}

step "building the package"
rm -f "$build"/quillon_*.deb
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"
    fail "cpack"
}
deb=$(ls "$build"/quillon_*.deb)
dpkg-deb --field "$deb" Package Version Depends

step "lintian"
lintian --fail-on error,warning --tag-display-limit 0 "$deb" || fail "lintian"

step "installing with apt"
apt-get install -y -qq --no-install-recommends "$deb" >"$work/apt.log" 2>&1 || {
    cat "$work/apt.log"
    fail "apt-get install"
}
dpkg -L quillon | sort >"$work/installed"
mapfile -t files < <(while read -r path; do [ -d "$path" ] || echo "$path"; done <"$work/installed")
echo "${#files[@]} files installed"

step "installed programs"
# A real document from the project's own test documents.
document=$(find "$here/tests/data" -maxdepth 1 -iname '*.wpd' | sort | head -n 1)
[ -n "$document" ] || fail "no test document in tests/data"
echo "test document: $document"
mkdir -p "$work/source" "$work/publish" "$work/open"
cp "$document" "$work/source/document.wpd"
cp "$document" "$work/open/document.wpd"

quillon --version
quillon-engine --publish html "$work/source/document.wpd" "$work/publish/document.html" ||
    fail "quillon-engine --publish"
grep -q '<html' "$work/publish/document.html" || fail "quillon-engine wrote no HTML"
if command -v quillon-convert >/dev/null; then
    quillon-convert --quiet "$work/source" "$work/converted" || fail "quillon-convert"
    [ -s "$work/converted/document.xml" ] || fail "quillon-convert wrote no document.xml"
fi
for page in quillon quillon-engine quillon-convert; do
    if [ "$page" != quillon-convert ] || command -v quillon-convert >/dev/null; then
        man -w "$page" >/dev/null || fail "man $page"
    fi
done
ls /usr/lib/*/qt6/plugins/platforms/libqxcb.so >/dev/null || fail "Qt's X11 platform plugin missing"

# Started with a document, as "Open with" does, quillon converts it at once: it starts the
# installed engine, which reads the document, and shows the save dialog for the target,
# which waits for the user. Offscreen that wait lasts until the program is ended. The dialog
# lists the document's folder, which Qt's file system model watches through inotify: that
# watch is how the dialog is seen from outside.
step "quillon with a document, offscreen"
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen quillon "$work/open/document.wpd" \
    >"$work/quillon.out" 2>&1 &
app=$!
folder_inode=$(printf '%x' "$(stat -c %i "$work/open")")
engine="" watching=""
for _ in $(seq 1 100); do
    kill -0 "$app" 2>/dev/null || break
    [ -n "$engine" ] || engine=$(pgrep -P "$app" -x quillon-engine || true)
    if grep -qs "ino:$folder_inode " /proc/"$app"/fdinfo/*; then
        watching=yes
        break
    fi
    sleep 0.1
done
sleep 2
kill -0 "$app" 2>/dev/null || fail "quillon ended: $(cat "$work/quillon.out")"
[ -n "$engine" ] || fail "quillon started no engine"
[ "$(readlink "/proc/$engine/exe")" = /usr/libexec/quillon/quillon-engine ] ||
    fail "quillon started $(readlink "/proc/$engine/exe"), not the installed engine"
[ "$watching" = yes ] || fail "quillon shows no dialog on the document's folder"
[ ! -e "$work/open/document.xml" ] || fail "quillon wrote the target without asking"
kill "$app"
wait "$app" 2>/dev/null || true
app=""
# The offscreen platform remarks that it cannot honour window size hints; nothing else may be said.
said=$(grep -v 'This plugin does not support propagateSizeHints()' "$work/quillon.out" || true)
[ -z "$said" ] || fail "quillon said: $said"
echo "quillon started the engine and waits in the save dialog"

step "purging"
apt-get purge -y -qq quillon >"$work/apt.log" 2>&1 || {
    cat "$work/apt.log"
    fail "apt-get purge"
}
left=0
for path in "${files[@]}"; do
    if [ -e "$path" ] || [ -L "$path" ]; then
        echo "left behind: $path"
        left=1
    fi
done
for folder in /usr/libexec/quillon /usr/share/doc/quillon; do
    [ ! -e "$folder" ] || {
        echo "left behind: $folder"
        left=1
    }
done
[ "$left" -eq 0 ] || fail "files left after purge"
dpkg-query -W quillon >/dev/null 2>&1 && fail "quillon still known to dpkg"
step "passed"
