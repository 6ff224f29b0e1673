#!/usr/bin/env bash
# Times the engine on picture documents against libwpd's own wpd2html, side by side in one run:
# one `quillon-engine --publish html DOC OUT` process per document, the runs of the tools
# interleaved so that a busy machine slows them alike. Prints medians of wall-clock and CPU time
# (user + system) and the ratios engine / wpd2html. A second engine (an older build) may be given
# to compare before and after.
#
#   bench/engine/bench_pictures.sh [ENGINE] [RUNS] [OTHER_ENGINE]
# ENGINE defaults to build/bin/quillon-engine, RUNS to 15. QUILLON_CORPUS points at the corpus
# (default ../shared/corpus); DOCS overrides the documents (names in the corpus, blank-separated).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
engine="${1:-$root/build/bin/quillon-engine}"
runs="${2:-15}"
other="${3:-}"
corpus="${QUILLON_CORPUS:-$root/../shared/corpus}"
docs=(${DOCS:-odr_Sync3_Sample_Page.wpd opf_TOPOPREC.WPD abi_expectation_document.wpd})
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
command -v wpd2html >/dev/null || { echo "wpd2html is missing (package libwpd-tools)" >&2; exit 1; }

# CPU time (user + system) of the finished children, in milliseconds, from `times` output.
children_cpu() { tail -n 1 "$1" | tr 'ms' '  ' | awk '{ printf "%.3f", ($1 * 60 + $2 + $3 * 60 + $4) * 1000 }'; }
# One run: prints "wall_ms cpu_ms".
run() {
    local start end
    times >"$work/before"
    start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1 || true
    end=$EPOCHREALTIME
    times >"$work/after"
    awk -v s="$start" -v e="$end" -v b="$(children_cpu "$work/before")" \
        -v a="$(children_cpu "$work/after")" 'BEGIN { printf "%.1f %.1f\n", (e - s) * 1000, a - b }'
}
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

printf '%-30s %-9s %9s %9s %12s %11s\n' "document (median of $runs)" tool "wall ms" "cpu ms" "wall/wpd2html" "cpu/wpd2html"
for name in "${docs[@]}"; do
    doc="$corpus/$name"
    tools=(engine wpd2html)
    [ -n "$other" ] && tools+=(other)
    for t in "${tools[@]}"; do : >"$work/$t"; done
    for ((i = 0; i <= runs; i++)); do # the first round warms the caches and is not counted
        for t in "${tools[@]}"; do
            case $t in
            engine) r=$(run "$engine" --publish html "$doc" "$work/out.html") ;;
            other) r=$(run "$other" --publish html "$doc" "$work/out.html") ;;
            wpd2html) r=$(run wpd2html "$doc") ;;
            esac
            [ "$i" -gt 0 ] && echo "$r" >>"$work/$t"
        done
    done
    ww=$(cut -d' ' -f1 "$work/wpd2html" | median)
    wc=$(cut -d' ' -f2 "$work/wpd2html" | median)
    for t in "${tools[@]}"; do
        w=$(cut -d' ' -f1 "$work/$t" | median)
        c=$(cut -d' ' -f2 "$work/$t" | median)
        label=$t
        [ "$t" = other ] && label="other"
        printf '%-30s %-9s %9s %9s %12s %11s\n' "$name" "$label" "$w" "$c" "$(ratio "$w" "$ww")" "$(ratio "$c" "$wc")"
    done
done
