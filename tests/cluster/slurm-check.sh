#!/usr/bin/env bash
# Runs the README's Slurm job array on a one-node Slurm cluster made here from Debian's packages
# (munge, slurmctld, slurmd), with its own key, ports, state and spool folders, so that it meets
# no other cluster on the machine; the daemons are stopped at the end, also on failure.
#
# The array script is submitted as it stands, with only its sizes (tasks, processors, memory)
# and paths substituted; then the reports must cover the archive exactly once and the outputs
# equal a single run's. The same array is submitted again: with --skip-existing it converts
# nothing. Needs root; installs what it needs.
#   tests/cluster/slurm-check.sh
set -euo pipefail
check="Slurm check"
source "$(dirname "$0")/common.sh"
need slurm-wlm munge python3
command -v quillon-convert >/dev/null || fail "no quillon-convert on PATH"

work=$(mktemp -d /tmp/quillon-slurm.XXXXXX)
chmod 755 "$work"
stop() { # PIDFILE: ends the daemon named there and waits for it
    local pid
    pid=$(cat "$1" 2>/dev/null) || return 0
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
}
cleanup() {
    local status=$?
    [ -f "$work/slurm.conf" ] && SLURM_CONF="$work/slurm.conf" scancel --quiet --user=root \
        2>/dev/null || true
    stop "$work/slurmd.pid"
    stop "$work/slurmctld.pid"
    stop "$work/munged.pid"
    if [ "$status" -ne 0 ]; then
        for log in slurmctld slurmd munged; do
            echo "--- $log.log" >&2
            tail -n 20 "$work/$log.log" >&2 2>/dev/null || true
        done
        tail -n 5 "$work"/convert-*.log >&2 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
own_folders "$work"

say "starting munged and a one-node Slurm cluster"
mungekey --create --keyfile="$work/munge.key"
chmod 600 "$work/munge.key"
munged --force --socket="$work/munge.socket" --key-file="$work/munge.key" \
    --pid-file="$work/munged.pid" --log-file="$work/munged.log" --seed-file="$work/munged.seed"
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
node=$(hostname -s)
cpus=$(nproc)
cat >"$work/slurm.conf" <<EOF
ClusterName=quillon-check
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$work/munge.socket
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$work/state-ctld
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU_Memory
ReturnToService=2
NodeName=$node NodeAddr=127.0.0.1 CPUs=$cpus RealMemory=1024 State=UNKNOWN
PartitionName=check Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
mkdir -p "$work/state-ctld" "$work/spool"
export SLURM_CONF="$work/slurm.conf"
slurmctld -i
slurmd -N "$node"
for _ in $(seq 100); do
    [ "$(sinfo -h -N -o %t 2>/dev/null)" = idle ] && break
    sleep 0.2
done
[ "$(sinfo -h -N -o %t)" = idle ] || fail "the node did not come up: $(sinfo -N 2>&1)"

say "the README's job array, four tasks"
make_archive "$work/shared/archive" 3
readme_block 'A Slurm job array, one shard per task' >"$work/readme.sh"
grep -q 'quillon-convert' "$work/readme.sh" || fail "no job array script in the README"
sed -e 's/--array=1-16/--array=1-4/' -e 's|/16"|/4"|' -e 's/--cpus-per-task=8/--cpus-per-task=1/' \
    -e 's/--mem=24G/--mem=200M/' -e "s|/shared/|$work/shared/|g" "$work/readme.sh" >"$work/convert.sh"
grep -q -- '--array=1-4' "$work/convert.sh" && grep -q '/4"' "$work/convert.sh" ||
    fail "the README's array script no longer has the sizes this check substitutes"
mkdir -p "$work/shared/reports"
submit() {
    local job
    job=$(cd "$work" && sbatch --parsable convert.sh)
    for _ in $(seq 600); do
        [ -z "$(squeue -h -j "$job" 2>/dev/null)" ] && break
        sleep 0.2
    done
    [ -z "$(squeue -h -j "$job")" ] || fail "the job array did not end in two minutes"
    # A task ends 0, or 1 when documents of its shard failed; never anything else.
    scontrol show job "$job" | grep -o 'ExitCode=[0-9:]*' | sort | uniq -c
    ! scontrol show job "$job" | grep -o 'ExitCode=[0-9:]*' | grep -qv 'ExitCode=[01]:0' ||
        fail "a task failed: $(scontrol show job "$job" | grep -E 'JobState|ExitCode')"
}
submit
quillon-convert -q "$work/shared/archive" "$work/single" || [ $? -eq 1 ]
check_shards "$work/shared/archive" "$work/shared/xml" "$work/single" "$work/shared/reports"/report-{1..4}.jsonl

say "submitted again, the array converts nothing"
submit
! grep -h '"status":"converted"' "$work/shared/reports"/report-*.jsonl | grep -q . ||
    fail "a second submission converted again"
check_shards "$work/shared/archive" "$work/shared/xml" "$work/single" "$work/shared/reports"/report-{1..4}.jsonl
say "passed"
