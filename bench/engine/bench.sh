#!/usr/bin/env bash
# Times the engine's `--publish html` per corpus document against libwpd's own wpd2html and,
# when it is installed, LibreOffice headless, on the same files in one run, and prints the
# ratios (engine time / other time; below 1 means the engine is faster).
#
#   bench/engine/bench.sh [ENGINE] [RUNS]
# ENGINE defaults to build/bin/quillon-engine; RUNS (default 5) runs per document and tool,
# of which the median counts. QUILLON_CORPUS points at the corpus (default ../shared/corpus).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
engine="${1:-$root/build/bin/quillon-engine}"
runs="${2:-5}"
corpus="${QUILLON_CORPUS:-$root/../shared/corpus}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

[ -x "$engine" ] || { echo "no engine at $engine (build the quillon-engine target)" >&2; exit 1; }
command -v wpd2html >/dev/null || { echo "wpd2html is missing (package libwpd-tools)" >&2; exit 1; }
soffice="$(command -v soffice || true)"

# Median wall time of a command over $runs runs, in milliseconds.
median_ms() {
    local times=() start end
    for ((i = 0; i < runs; i++)); do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1 || true
        end=$(date +%s%N)
        times+=($(((end - start) / 1000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {m=a[int((NR+1)/2)]; printf "%.2f", m/1000}'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

printf '%-40s %10s %10s %7s' "document" "engine ms" "wpd2html" "ratio"
[ -n "$soffice" ] && printf ' %10s %7s' "soffice" "ratio"
printf '\n'

total_engine=0 total_wpd=0 total_lo=0
while IFS=$'\t' read -r name _ _ _ _ _ _ _ reads _; do
    [ "$reads" = "yes" ] || continue
    doc="$corpus/$name"
    e=$(median_ms "$engine" --publish html "$doc" "$work/out.html")
    w=$(median_ms wpd2html "$doc")
    total_engine=$(awk -v a="$total_engine" -v b="$e" 'BEGIN{print a+b}')
    total_wpd=$(awk -v a="$total_wpd" -v b="$w" 'BEGIN{print a+b}')
    printf '%-40s %10s %10s %7s' "$name" "$e" "$w" "$(ratio "$e" "$w")"
    if [ -n "$soffice" ]; then
        # LibreOffice picks the reader from the content; a .wpd name keeps it from guessing.
        cp "$doc" "$work/doc.wpd"
        l=$(median_ms "$soffice" --headless --convert-to html --outdir "$work" "$work/doc.wpd")
        total_lo=$(awk -v a="$total_lo" -v b="$l" 'BEGIN{print a+b}')
        printf ' %10s %7s' "$l" "$(ratio "$e" "$l")"
    fi
    printf '\n'
done < <(tail -n +2 "$corpus/MANIFEST.tsv")

printf '%-40s %10s %10s %7s' "all documents" "$total_engine" "$total_wpd" "$(ratio "$total_engine" "$total_wpd")"
[ -n "$soffice" ] && printf ' %10s %7s' "$total_lo" "$(ratio "$total_engine" "$total_lo")"
printf '\n'
[ -z "$soffice" ] && echo "(LibreOffice is not installed: soffice column left out)"
exit 0
