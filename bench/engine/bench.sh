#!/usr/bin/env bash
# Times the engine per corpus document against libwpd's own wpd2html and, when it is installed,
# LibreOffice headless, on the same files in one run, and prints the ratios (engine time / other
# time; below 1 means the engine is faster). Two ways of running the engine are timed:
#   publish  one `quillon-engine --publish html DOC OUT` process per document;
#   serve    one `quillon-engine --serve` process for all documents, as the application runs it
#            (FileOpen, HTMLPublish, CloseNoSave per document, timed by bench_engine_serve).
#
#   bench/engine/bench.sh [BUILD_DIR] [RUNS]
# BUILD_DIR defaults to build (with bin/quillon-engine and bin/bench_engine_serve); RUNS
# (default 7) runs per document and tool, of which the median counts. QUILLON_CORPUS points at
# the corpus (default ../shared/corpus). Wall-clock times: run it on a quiet machine.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${1:-$root/build}"
runs="${2:-7}"
engine="$build/bin/quillon-engine"
driver="$build/bin/bench_engine_serve"
corpus="${QUILLON_CORPUS:-$root/../shared/corpus}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

[ -x "$engine" ] || { echo "no engine at $engine (build the quillon-engine target)" >&2; exit 1; }
[ -x "$driver" ] || { echo "no $driver (build the bench_engine_serve target)" >&2; exit 1; }
command -v wpd2html >/dev/null || { echo "wpd2html is missing (package libwpd-tools)" >&2; exit 1; }
soffice="$(command -v soffice || true)"

# Median wall time of a command over $runs runs (after one warm-up), in milliseconds.
median_ms() {
    local times=() start end
    "$@" >/dev/null 2>&1 || true
    for ((i = 0; i < runs; i++)); do
        start=$EPOCHREALTIME
        "$@" >/dev/null 2>&1 || true
        end=$EPOCHREALTIME
        times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) * 1000 }')")
    done
    printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {printf "%.2f", a[int((NR+1)/2)]}'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
add() { awk -v a="$1" -v b="$2" 'BEGIN { print a + b }'; }

docs=()
while IFS=$'\t' read -r name _ _ _ _ _ _ _ reads _; do
    [ "$reads" = "yes" ] && docs+=("$corpus/$name")
done < <(tail -n +2 "$corpus/MANIFEST.tsv")

# Server mode first, all documents in one process.
declare -A serve_ms
mkdir -p "$work/serve"
while IFS=$'\t' read -r name ms _; do
    serve_ms[$name]=$ms
done < <("$driver" "$engine" "$work/serve" "$runs" "${docs[@]}" 2>/dev/null)

printf '%-34s %9s %9s %9s %7s %7s' "document (ms, median)" "wpd2html" "publish" "serve" "pub/w" "srv/w"
[ -n "$soffice" ] && printf ' %9s %7s' "soffice" "pub/lo"
printf '\n'

total_e=0 total_w=0 total_s=0 total_lo=0
for doc in "${docs[@]}"; do
    name="$(basename "$doc")"
    w=$(median_ms wpd2html "$doc")
    e=$(median_ms "$engine" --publish html "$doc" "$work/out.html")
    s="${serve_ms[$name]:-0}"
    total_w=$(add "$total_w" "$w") total_e=$(add "$total_e" "$e") total_s=$(add "$total_s" "$s")
    printf '%-34s %9s %9s %9s %7s %7s' "$name" "$w" "$e" "$s" "$(ratio "$e" "$w")" "$(ratio "$s" "$w")"
    if [ -n "$soffice" ]; then
        # LibreOffice picks the reader from the content; a .wpd name keeps it from guessing.
        cp "$doc" "$work/doc.wpd"
        l=$(median_ms "$soffice" --headless --convert-to html --outdir "$work" "$work/doc.wpd")
        total_lo=$(add "$total_lo" "$l")
        printf ' %9s %7s' "$l" "$(ratio "$e" "$l")"
    fi
    printf '\n'
done

printf '%-34s %9s %9s %9s %7s %7s' "all documents" "$total_w" "$total_e" "$total_s" \
    "$(ratio "$total_e" "$total_w")" "$(ratio "$total_s" "$total_w")"
[ -n "$soffice" ] && printf ' %9s %7s' "$total_lo" "$(ratio "$total_e" "$total_lo")"
printf '\n'
[ -z "$soffice" ] && echo "(LibreOffice is not installed: soffice column left out)"
exit 0
