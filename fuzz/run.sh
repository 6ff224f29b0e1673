#!/usr/bin/env bash
# Builds the engine's fuzz target with clang and runs it, seeded from the shared corpus.
#   fuzz/run.sh [SECONDS]            (default 1800)
# Environment: QUILLON_CORPUS (default ../shared/corpus beside the project), FUZZ_BUILD (default
# /tmp/quillon-fuzz-build). Crashes, hangs and memory blow-ups land in fuzz-findings/ at the
# project root; the run goes on past them (fork mode), so one run collects them all.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
seconds="${1:-1800}"
corpus="${QUILLON_CORPUS:-$root/../shared/corpus}"
build="${FUZZ_BUILD:-/tmp/quillon-fuzz-build}"

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2

seeds="$build/seeds"
work="$build/corpus"
mkdir -p "$seeds" "$work" "$root/fuzz-findings"
grep -v '^#' "$here/seeds.txt" | while read -r name; do
    [ -n "$name" ] && [ -f "$corpus/$name" ] && cp -f "$corpus/$name" "$seeds/"
done
cp -f "$here"/seeds/* "$seeds/" # pictures of our own making (a metafile, a map)

# Leak checking is off: the offscreen application the picture module makes for fonts lives until
# the process ends, with fontconfig's caches.
# libwpd trusts length fields and may ask for gigabytes at once; under AddressSanitizer such an
# allocation is slow. A single allocation over 256 MB is reported at once as out-of-memory (and
# the run goes on), so the fuzzer keeps its pace.
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}" \
    timeout --signal=TERM "$((seconds + 60))" nice -n 10 "$build/fuzz_engine" \
    -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=3072 \
    -malloc_limit_mb=256 -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -print_final_stats=1 -artifact_prefix="$root/fuzz-findings/" "$work" "$seeds"
