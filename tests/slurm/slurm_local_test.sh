#!/usr/bin/env bash
# The one-machine Slurm of scripts/slurm-local.sh: it starts, runs a job array and a job that
# depends on it, and stops every daemon it started.
set -euo pipefail
source_dir=$1
dir=$(mktemp -d /tmp/plenorium-slurm-test.XXXXXX)
export PLENORIUM_SLURM_PORT=$((20000 + $$ % 20000))
export SLURM_CONF=$dir/slurm.conf
cleanup() {
  "$source_dir/scripts/slurm-local.sh" stop "$dir" || true
  rm -rf "$dir"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$source_dir/scripts/slurm-local.sh" start "$dir"
printf '#!/bin/sh\necho "task $SLURM_ARRAY_TASK_ID" > %s/task-$SLURM_ARRAY_TASK_ID.txt\n' "$dir" > "$dir/task.sh"
printf '#!/bin/sh\ncat %s/task-*.txt > %s/joined.txt\n' "$dir" "$dir" > "$dir/join.sh"
array=$(sbatch --parsable --array=0-2 -o /dev/null "$dir/task.sh")
sbatch --parsable --dependency=afterok:"$array" -o /dev/null "$dir/join.sh" > /dev/null
for _ in $(seq 300); do
  [ -f "$dir/joined.txt" ] && [ -z "$(squeue -h)" ] && break
  sleep 0.2
done
[ -f "$dir/joined.txt" ] || fail "the dependent job did not run; squeue: $(squeue -h)"
[ "$(cat "$dir/joined.txt")" = "$(printf 'task 0\ntask 1\ntask 2')" ] || fail "joined: $(cat "$dir/joined.txt")"

pids=$(cat "$dir"/*.pid)
"$source_dir/scripts/slurm-local.sh" stop "$dir"
for pid in $pids; do
  ! kill -0 "$pid" 2>/dev/null || fail "daemon $pid still runs after stop"
done
echo "ok: 3 array tasks and their join ran; every daemon stopped"
