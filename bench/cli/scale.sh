#!/usr/bin/env bash
# quillon-convert on 100,000 small documents in one run: the converter's own resident memory
# (its peak, sampled every second; the engines are separate processes) and the time per
# document over the first and the last thousand, taken from the moments the report's lines
# arrive. Then the same command with --skip-existing on the untouched archive, and with
# --skip-existing --checksum: what each costs a skipped document (the run's wall clock over the
# documents, engines started included).
#
#   bench/cli/scale.sh [BUILD_DIR] [DOCUMENTS] [JOBS]
# BUILD_DIR defaults to build, DOCUMENTS to 100000, JOBS to 2. The documents are copies of one
# small corpus document in folders of 1,000, the other folders hard links to the first (each
# file has a hundred names at most, well below a file system's limit). QUILLON_CORPUS points at
# the corpus.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${1:-$root/build}"
count="${2:-100000}"
jobs="${3:-2}"
convert="$build/bin/quillon-convert"
corpus="${QUILLON_CORPUS:-$root/../shared/corpus}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
[ -x "$convert" ] || { echo "no $convert (build the quillon-convert target)" >&2; exit 1; }
[ "$count" -ge 2000 ] || { echo "at least 2000 documents" >&2; exit 1; }

per=1000
mkdir -p "$work/src/d0"
for ((i = 0; i < per; i++)); do
    cp "$corpus/alf_quick.wpd" "$work/src/d0/doc$i.wpd"
done
for ((d = 1; d < count / per; d++)); do
    mkdir "$work/src/d$d"
    cp -al "$work/src/d0/." "$work/src/d$d/" 2>/dev/null || cp -a "$work/src/d0/." "$work/src/d$d/"
done
echo "$(find "$work/src" -type f | wc -l) documents in $((count / per)) folders"

# The moment (microseconds) each report line arrives, and its status.
mkfifo "$work/report"
(while IFS= read -r line; do
    [[ $line =~ \"status\":\"([a-z-]+)\" ]]
    echo "${EPOCHREALTIME/./} ${BASH_REMATCH[1]}"
done < "$work/report" > "$work/stamps") &
reader=$!
start="${EPOCHREALTIME/./}"
"$convert" -q -j "$jobs" --format=html --report="$work/report" "$work/src" "$work/out" &
pid=$!
peak=0
while kill -0 "$pid" 2>/dev/null; do
    hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
    [ -n "$hwm" ] && [ "$hwm" -gt "$peak" ] && peak=$hwm
    sleep 1
done
wait "$pid" && status=0 || status=$?
wait "$reader"
end="${EPOCHREALTIME/./}"

awk -v start="$start" -v end="$end" -v per="$per" -v peak="$peak" -v status="$status" '
    { t[NR] = $1; counts[$2]++ }
    END {
        n = NR
        first = (t[per] - t[1]) / (per - 1) / 1000
        last = (t[n] - t[n - per]) / per / 1000
        printf "exit status %d, %d report lines in %.1f s (%.2f ms a document):", status, n, (end - start) / 1e6, (end - start) / 1e3 / n
        for (s in counts) printf " %d %s", counts[s], s
        printf "\n"
        printf "converter peak resident memory: %.1f MB\n", peak / 1024
        printf "ms a document, first thousand: %.3f, last thousand: %.3f (last/first %.2f)\n", first, last, last / first
    }' "$work/stamps"

# A re-run on the untouched archive: every document skipped, each output's head read (and with
# --checksum, each document hashed).
for extra in "" "--checksum"; do
    start="${EPOCHREALTIME/./}"
    "$convert" -q -j "$jobs" --format=html --skip-existing $extra --report="$work/again.jsonl" \
        "$work/src" "$work/out" || true
    end="${EPOCHREALTIME/./}"
    skipped=$(grep -c '"reason":"up-to-date"' "$work/again.jsonl" || true)
    converted=$(grep -c '"status":"converted"' "$work/again.jsonl" || true)
    awk -v s="$start" -v e="$end" -v n="$skipped" -v c="$converted" -v x="$extra" 'BEGIN {
        printf "--skip-existing %s: %d skipped, %d converted in %.2f s: %.1f us a skipped document\n", x, n, c, (e - s) / 1e6, (e - s) / n }'
done
