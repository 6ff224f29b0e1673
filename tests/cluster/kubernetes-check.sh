#!/usr/bin/env bash
# Runs the container command of the README's Kubernetes Indexed Job for every index, as the
# kubelet would: `sh -c` with the Job's argument, JOB_COMPLETION_INDEX set, as process 1 of a
# PID namespace of its own (unshare --pid --fork). The first index gets the Job's SIGTERM in the
# middle of its shard: it must stop within the grace period with its report and summary complete
# and exit 130, then run again (the Job's retry) and finish. Then the reports, named by shard,
# must cover the archive exactly once and the outputs equal a single run's. Only the sizes
# (shards, jobs) and the paths are substituted. Needs root (or user namespaces).
#   tests/cluster/kubernetes-check.sh
set -euo pipefail
check="Kubernetes check"
source "$(dirname "$0")/common.sh"
need python3
command -v quillon-convert >/dev/null || fail "no quillon-convert on PATH"

work=$(mktemp -d /tmp/quillon-k8s.XXXXXX)
pod=""
cleanup() {
    [ -n "$pod" ] && kill -9 "$pod" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
own_folders "$work"

# The Job's container command and its one argument, a folded YAML scalar: its lines joined by
# spaces.
readme_block 'A Kubernetes Indexed Job' >"$work/job.yaml"
grep -q 'command: \["sh", "-c"\]' "$work/job.yaml" || fail "the Job's command is no longer sh -c"
argument=$(awk '/^ *- >-$/ { indent = index($0, "-"); inside = 1; next }
    inside { if (match($0, /[^ ]/) <= indent) exit; sub(/^ +/, ""); printf "%s%s", sep, $0; sep = " " }' \
    "$work/job.yaml")
[ -n "$argument" ] || fail "no container argument in the README's Job"
command=$(sed -e 's|/16\b|/4|g' -e 's/--jobs=4/--jobs=2/' -e "s|/archive/|$work/archive/|g" <<<"$argument")
grep -q '/4' <<<"$command" || fail "the Job no longer has the shard count this check substitutes"
echo "container command: sh -c '$command'"

# Many small documents, so that a shard takes a while: the one SIGTERM meets is under way.
make_archive "$work/archive/documents" 2
mkdir -p "$work/archive/documents/many"
small=$(find "$root/tests/data" -name 'aperture_corel-wordperfect-4.2.wp')
for i in $(seq 3000); do cp -p "$small" "$work/archive/documents/many/d$i.wp"; done

# run INDEX [SIGTERM]: the pod for one index; with SIGTERM, stopped once it has reported a file.
run() {
    local index=$1 started status
    JOB_COMPLETION_INDEX=$index unshare --pid --fork --mount-proc sh -c "$command" \
        >"$work/pod-$index.out" 2>"$work/pod-$index.err" &
    pod=$!
    if [ "${2:-}" = SIGTERM ]; then
        for _ in $(seq 200); do
            cat "$work"/archive/reports/*.jsonl 2>/dev/null | grep -q . && break
            sleep 0.05
        done
        local init
        init=$(pgrep -P "$pod") || fail "pod $index ended before it could be stopped"
        echo "pod $index: $(tr '\0' ' ' <"/proc/$init/cmdline" | cut -c1-40)... is process 1; SIGTERM"
        started=$(date +%s%N)
        kill -TERM "$init"
        for _ in $(seq 300); do # the pod's grace period: 30 s
            kill -0 "$pod" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pod" 2>/dev/null && fail "pod $index still runs 30 s after SIGTERM"
        echo "pod $index ended $((($(date +%s%N) - started) / 1000000)) ms after SIGTERM"
    fi
    wait "$pod" && status=0 || status=$?
    pod=""
    echo "pod $index: exit status $status"
    return "$status"
}

say "index 0 stopped by SIGTERM midway"
run 0 SIGTERM && status=0 || status=$?
[ "$status" -eq 130 ] || fail "the stopped pod exited $status, not 130: $(cat "$work/pod-0.err")"
grep -q 'Interrupted' "$work/pod-0.err" || fail "no summary after SIGTERM: $(cat "$work/pod-0.err")"
python3 -c 'import json, sys; [json.loads(l) for f in sys.argv[1:] for l in open(f, errors="surrogateescape")]' \
    "$work"/archive/reports/*.jsonl || fail "a report line is not whole after SIGTERM"

say "every index, index 0 again (the Job's retry)"
for index in 1 2 3 0; do
    run "$index" || fail "pod $index failed: $(cat "$work/pod-$index.err")"
done
quillon-convert -q "$work/archive/documents" "$work/single" || [ $? -eq 1 ]
reports=("$work"/archive/reports/report-{1..4}.jsonl)
for r in "${reports[@]}"; do [ -f "$r" ] || fail "no $(basename "$r"): the reports are not named by shard"; done
[ "$(ls "$work/archive/reports" | wc -l)" -eq 4 ] || fail "reports: $(ls "$work/archive/reports")"
check_shards "$work/archive/documents" "$work/archive/xml" "$work/single" "${reports[@]}"
say "passed"
