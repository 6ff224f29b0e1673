#!/usr/bin/env bash
# Runs the README's GNU parallel example as it stands, with the local machine (":") for its four
# hosts and its paths substituted, from a working folder of its own, as each host's login folder
# would be: the reports must land where the example names them, cover the archive exactly once,
# and the outputs equal a single run's. Installs GNU parallel when missing (as root).
#   tests/cluster/parallel-check.sh
set -euo pipefail
check="GNU parallel check"
source "$(dirname "$0")/common.sh"
need parallel python3
command -v quillon-convert >/dev/null || fail "no quillon-convert on PATH"

work=$(mktemp -d /tmp/quillon-parallel.XXXXXX)
trap 'rm -rf "$work"' EXIT
own_folders "$work"
export PARALLEL_HOME="$work/parallel"
mkdir -p "$PARALLEL_HOME" "$work/login"
touch "$PARALLEL_HOME/will-cite"

readme_block 'Examples:' >"$work/examples.sh"
awk '/^parallel / { inside = 1 } inside { print; if (!/\\$/) exit }' "$work/examples.sh" >"$work/readme.sh"
grep -q 'host1,host2,host3,host4' "$work/readme.sh" || fail "no GNU parallel example in the README"
sed -e 's/host1,host2,host3,host4/:/' -e "s|/data/|$work/data/|g" "$work/readme.sh" >"$work/run.sh"
cat "$work/run.sh"

make_archive "$work/data/archive" 3
mkdir -p "$work/data/reports"
(cd "$work/login" && bash "$work/run.sh") || [ $? -le 4 ] # parallel's status: failed jobs
quillon-convert -q "$work/data/archive" "$work/single" || [ $? -eq 1 ]
[ -z "$(ls "$work/login")" ] || fail "the example wrote into the login folder: $(ls "$work/login")"
check_shards "$work/data/archive" "$work/data/xml" "$work/single" "$work/data/reports"/report-{1..4}.jsonl
say "passed"
