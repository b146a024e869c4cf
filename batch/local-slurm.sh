#!/usr/bin/env bash
# A single-node Slurm cluster on this machine, for trying the job scripts without a real
# cluster. Everything lives in one folder: a generated munge key and socket, a generated
# slurm.conf, the daemons' state, logs and pid files. Needs root (slurmd starts jobs as
# their owner) and the Debian packages slurm-wlm and munge.
#
#   local-slurm.sh start DIR   start munged, slurmctld and slurmd; wait until the node is idle
#   local-slurm.sh stop DIR    stop the daemons started in DIR (by their pids)
#
# While it runs, `export SLURM_CONF=DIR/slurm.conf` points sbatch, squeue and sinfo at it.
# Exit status of start: 0 running, 2 this machine cannot run it (message says why), 1 other.
set -uo pipefail

usage_text="start|stop DIR"
usage_status=1
. "$(dirname "$0")/args.sh"
[ $# -eq 2 ] || usage
action=$1
dir=$2

# Cannot run here: say why and leave nothing behind.
unable() {
    echo "local-slurm: $*" >&2
    exit 2
}

stop() {
    local name pid pids=()
    for name in slurmd slurmctld munged; do
        pid=$(cat "$dir/$name.pid" 2>/dev/null)
        [[ "$pid" =~ ^[0-9]+$ ]] || continue
        kill "$pid" 2>/dev/null && pids+=("$pid")
        rm -f "$dir/$name.pid"
    done
    # Up to 10 s for a clean exit, then by force.
    for _ in $(seq 100); do
        local alive=0
        for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
        [ $alive -eq 0 ] && return 0
        sleep 0.1
    done
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
    return 0
}

# A port nobody listens on, from the kernel.
freeport() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Waits up to $2 tenths of a second for the pid file $1 to name a live process.
waitpid() {
    local pid
    for _ in $(seq "$2"); do
        pid=$(cat "$1" 2>/dev/null)
        [[ "$pid" =~ ^[0-9]+$ ]] && kill -0 "$pid" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

start() {
    [ "$(id -u)" -eq 0 ] || unable "needs root (slurmd runs jobs as their owner); running as $(id -un)"
    local tool
    for tool in munged mungekey slurmctld slurmd sbatch sinfo scontrol python3; do
        command -v "$tool" >/dev/null || unable "$tool not found (Debian packages slurm-wlm, munge; tools/install-deps.sh)"
    done
    mkdir -p "$dir" || exit 1
    dir=$(cd "$dir" && pwd)
    # munge insists on private folders and a private key.
    chmod 700 "$dir"
    mkdir -p "$dir/state" "$dir/spool" "$dir/tmp"
    mungekey --create --keyfile="$dir/munge.key" --force >/dev/null 2>&1 ||
        unable "mungekey could not create a key"
    chmod 400 "$dir/munge.key"
    munged --key-file="$dir/munge.key" --socket="$dir/munge.socket" --pid-file="$dir/munged.pid" \
        --log-file="$dir/munged.log" --seed-file="$dir/munged.seed" --force ||
        unable "munged did not start: $(tail -n 3 "$dir/munged.log" 2>/dev/null)"
    waitpid "$dir/munged.pid" 50 || { stop; unable "munged did not start"; }

    local node cpus ctldport dport
    node=$(hostname -s)
    cpus=$(nproc)
    ctldport=$(freeport)
    dport=$(freeport)
    cat >"$dir/slurm.conf" <<EOF
ClusterName=local
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$ctldport
SlurmdPort=$dport
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$dir/munge.socket
CredType=cred/munge
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
TmpFS=$dir/tmp
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SchedulerType=sched/builtin
SchedulerParameters=batch_sched_delay=0
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
SlurmdTimeout=30
NodeName=$node NodeAddr=127.0.0.1 CPUs=$cpus State=UNKNOWN
PartitionName=local Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
    export SLURM_CONF="$dir/slurm.conf"
    slurmctld -f "$SLURM_CONF" -i >"$dir/slurmctld.out" 2>&1 ||
        { stop; unable "slurmctld did not start: $(tail -n 3 "$dir/slurmctld.log" 2>/dev/null)"; }
    waitpid "$dir/slurmctld.pid" 100 ||
        { stop; unable "slurmctld did not start: $(tail -n 3 "$dir/slurmctld.log" 2>/dev/null)"; }
    slurmd -f "$SLURM_CONF" -N "$node" >"$dir/slurmd.out" 2>&1 ||
        { stop; unable "slurmd did not start: $(tail -n 3 "$dir/slurmd.log" 2>/dev/null)"; }
    waitpid "$dir/slurmd.pid" 100 ||
        { stop; unable "slurmd did not start: $(tail -n 3 "$dir/slurmd.log" 2>/dev/null)"; }

    local state=""
    for _ in $(seq 150); do
        state=$(sinfo -h -N -n "$node" -o %T 2>/dev/null | head -n 1)
        [ "$state" = idle ] && return 0
        sleep 0.2
    done
    stop
    unable "the node did not become idle (state '${state}'): $(tail -n 3 "$dir/slurmd.log" 2>/dev/null)"
}

case "$action" in
start) start ;;
stop) stop ;;
*) usage ;;
esac
