# shellcheck shell=bash disable=SC2154
# Shared by the checks that run the README's cluster examples (sourced, not run).
#
# Each check copies the project's test documents into an archive, runs an example from the
# README as it stands (only sizes, paths and host names substituted), and compares with one
# plain run of quillon-convert: the shards' reports must list every file exactly once, and the
# outputs must be byte for byte those of the plain run. quillon-convert is the one on PATH
# (the installed package, or put build/bin first). HOME and the XDG folders point into the
# check's own folder, so no user setting changes what is compared.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

say() { echo "== $check: $*"; }
fail() {
    echo "$check FAILED: $*" >&2
    exit 1
}

# need PACKAGE...: installs the Debian packages that are missing (as root).
need() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" \
        >/dev/null
}

# own_folders DIR: HOME and the XDG folders below DIR.
own_folders() {
    local d
    for d in home config state data cache; do mkdir -p "$1/$d"; done
    export HOME="$1/home" XDG_CONFIG_HOME="$1/config" XDG_STATE_HOME="$1/state" \
        XDG_DATA_HOME="$1/data" XDG_CACHE_HOME="$1/cache"
}

# readme_block 'LINE BEFORE IT': the first fenced block after the README line starting so.
readme_block() {
    awk -v start="$1" 'index($0, start) == 1 { found = 1; next }
        found && /^```/ { if (inside) exit; inside = 1; next }
        inside { print }' "$root/README.md"
}

# make_archive DIR COPIES: the test documents, COPIES times, in nested folders.
make_archive() {
    local i
    for ((i = 1; i <= $2; i++)); do
        mkdir -p "$1/set$i/inner"
        cp -p "$root"/tests/data/*.* "$1/set$i/"
        cp -p "$root"/tests/data/*.wpd "$1/set$i/inner/"
    done
}

# check_shards ARCHIVE OUTPUT REFERENCE REPORT...: every file of ARCHIVE is in exactly one
# report (none interrupted), and OUTPUT holds exactly REFERENCE's files, byte for byte.
check_shards() {
    local archive=$1 output=$2 reference=$3
    shift 3
    python3 - "$archive" "$@" <<'EOF' || fail "the reports do not cover the archive exactly once"
import json, os, sys
archive, reports = sys.argv[1], sys.argv[2:]
files = set()
for folder, _, names in os.walk(archive):
    files.update(os.path.join(folder, n) for n in names)
seen = {}
for report in reports:
    with open(report, encoding="utf-8", errors="surrogateescape") as f:
        for line in f:
            o = json.loads(line)
            source = o["source"]
            if source in seen:
                sys.exit(f"{source} in {seen[source]} and {report}")
            seen[source] = report
            if o.get("error", {}).get("kind") == "interrupted":
                sys.exit(f"{source} interrupted in {report}")
missing, extra = files - seen.keys(), seen.keys() - files
if missing or extra:
    sys.exit(f"not reported: {sorted(missing)[:5]}; not in the archive: {sorted(extra)[:5]}")
print(f"{len(reports)} reports list each of the {len(files)} files once")
EOF
    diff -r "$reference" "$output" >/dev/null || fail "the outputs differ from a single run's"
    echo "the outputs equal a single run's ($(find "$output" -type f | wc -l) files)"
}
