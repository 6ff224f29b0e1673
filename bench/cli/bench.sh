#!/usr/bin/env bash
# quillon-convert on 1,000 documents (the readable corpus documents copied round-robin into
# nested folders), as HTML, timed side by side in one run:
#   --jobs 1 and --jobs 2 (the ratio is the speed-up), milliseconds per document;
#   LibreOffice headless (when installed), in lists of 200 files per call;
#   wpd2html from libwpd-tools (when installed), one call per file.
# Each figure is the median of RUNS runs (wall clock, and CPU seconds of the whole process
# tree); the rounds interleave the tools, so a machine whose speed drifts slows all alike.
#
#   bench/cli/bench.sh [BUILD_DIR] [RUNS] [DOCUMENTS]
# BUILD_DIR defaults to build; RUNS to 3; DOCUMENTS to 1000. QUILLON_CORPUS points at the
# corpus (default ../shared/corpus). BASELINE names the folder of another build's
# quillon-convert (with its engine beside it): it runs in the same rounds, and the ratios of
# this build's times to it are printed (before and after a change, side by side). ONLY=1 leaves
# out LibreOffice and wpd2html.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${1:-$root/build}"
runs="${2:-3}"
count="${3:-1000}"
convert="$build/bin/quillon-convert"
corpus="${QUILLON_CORPUS:-$root/../shared/corpus}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
[ -x "$convert" ] || { echo "no $convert (build the quillon-convert target)" >&2; exit 1; }
baseline="${BASELINE:+$BASELINE/quillon-convert}"
soffice="$(command -v soffice || true)"
wpd2html="$(command -v wpd2html || true)"
[ -z "${ONLY:-}" ] || soffice="" wpd2html=""

docs=()
while IFS=$'\t' read -r name _ _ _ _ _ _ _ reads _; do
    [ "$reads" = "yes" ] && docs+=("$corpus/$name")
done < <(tail -n +2 "$corpus/MANIFEST.tsv")
for ((i = 0; i < count; i++)); do
    dir="$work/src/f$((i % 10))/g$((i / 10 % 10))"
    mkdir -p "$dir"
    cp "${docs[i % ${#docs[@]}]}" "$dir/doc$i.wpd"
done
find "$work/src" -type f | sort > "$work/list"
echo "$count documents: ${#docs[@]} corpus documents round-robin, $(du -sh "$work/src" | cut -f1)"

# Runs a command with a fresh output folder; prints "wall_ms cpu_s".
timed() {
    local out="$1"
    shift
    rm -rf "$out"
    mkdir -p "$out"
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true
    # The last line: time puts "Command exited with non-zero status 1" (documents that failed)
    # before its figures.
    tail -n 1 "$work/time" | awk '{ printf "%.0f %.2f\n", $1 * 1000, $2 + $3 }'
}
# Lists of 200 files per call (one list of 1,000 stops early), with a profile of its own so that
# a LibreOffice already running elsewhere is not asked instead.
lo_lists() {
    split -l 200 "$work/list" "$work/part."
    for part in "$work"/part.*; do
        xargs -d '\n' "$soffice" -env:UserInstallation="file://$work/lo-profile" --headless \
            --convert-to html --outdir "$work/out-lo" < "$part"
    done
    rm -f "$work"/part.*
}
w_each() {
    while IFS= read -r f; do
        "$wpd2html" "$f" > "$work/out-w/$(basename "$f" .wpd).html"
    done < "$work/list"
}
export work soffice wpd2html
export -f lo_lists w_each

declare -A wall cpu
record() { wall[$1]+="$2 "; cpu[$1]+="$3 "; }
for ((r = 1; r <= runs; r++)); do
    read -r w c < <(timed "$work/out-1" "$convert" -q -j 1 --format=html "$work/src" "$work/out-1")
    record j1 "$w" "$c"
    read -r w c < <(timed "$work/out-2" "$convert" -q -j 2 --format=html "$work/src" "$work/out-2")
    record j2 "$w" "$c"
    if [ -n "$baseline" ]; then
        read -r w c < <(timed "$work/out-b1" "$baseline" -q -j 1 --format=html "$work/src" "$work/out-b1")
        record b1 "$w" "$c"
        read -r w c < <(timed "$work/out-b2" "$baseline" -q -j 2 --format=html "$work/src" "$work/out-b2")
        record b2 "$w" "$c"
    fi
    if [ -n "$soffice" ]; then
        read -r w c < <(timed "$work/out-lo" bash -c lo_lists)
        record lo "$w" "$c"
    fi
    if [ -n "$wpd2html" ]; then
        read -r w c < <(timed "$work/out-w" bash -c w_each)
        record w "$w" "$c"
    fi
done

median() { tr ' ' '\n' <<< "$1" | grep . | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
per_doc() { awk -v a="$1" -v n="$count" 'BEGIN { printf "%.1f", a / n }'; }

j1=$(median "${wall[j1]}") j2=$(median "${wall[j2]}")
printf '%-34s %9s %9s %9s\n' "median of $runs runs" "wall ms" "ms/doc" "CPU s"
printf '%-34s %9s %9s %9s\n' "quillon-convert --jobs 1" "$j1" "$(per_doc "$j1")" "$(median "${cpu[j1]}")"
printf '%-34s %9s %9s %9s\n' "quillon-convert --jobs 2" "$j2" "$(per_doc "$j2")" "$(median "${cpu[j2]}")"
echo "outputs: $(find "$work/out-2" -name '*.html' | wc -l) of $count"
if [ -n "$baseline" ]; then
    b1=$(median "${wall[b1]}") b2=$(median "${wall[b2]}")
    printf '%-34s %9s %9s %9s\n' "baseline --jobs 1" "$b1" "$(per_doc "$b1")" "$(median "${cpu[b1]}")"
    printf '%-34s %9s %9s %9s\n' "baseline --jobs 2" "$b2" "$(per_doc "$b2")" "$(median "${cpu[b2]}")"
fi
if [ -n "$soffice" ]; then
    lo=$(median "${wall[lo]}")
    printf '%-34s %9s %9s %9s\n' "LibreOffice headless (lists of 200)" "$lo" "$(per_doc "$lo")" "$(median "${cpu[lo]}")"
    echo "LibreOffice outputs: $(find "$work/out-lo" -name '*.html' | wc -l) of $count"
fi
if [ -n "$wpd2html" ]; then
    w=$(median "${wall[w]}")
    printf '%-34s %9s %9s %9s\n' "wpd2html (one call per file)" "$w" "$(per_doc "$w")" "$(median "${cpu[w]}")"
fi
echo
echo "speed-up --jobs 2 over --jobs 1: $(ratio "$j1" "$j2")"
[ -n "$baseline" ] && echo "this build / baseline, wall: --jobs 1 $(ratio "$j1" "$b1"), --jobs 2 $(ratio "$j2" "$b2"); CPU: --jobs 1 $(ratio "$(median "${cpu[j1]}")" "$(median "${cpu[b1]}")"), --jobs 2 $(ratio "$(median "${cpu[j2]}")" "$(median "${cpu[b2]}")")"
[ -n "$soffice" ] && echo "LibreOffice / quillon-convert --jobs 2: $(ratio "$lo" "$j2")"
[ -n "$wpd2html" ] && echo "wpd2html / quillon-convert --jobs 2: $(ratio "$w" "$j2")"
exit 0
