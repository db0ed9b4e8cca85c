#!/usr/bin/env bash
# Runs the body of reduce-array.sbatch for two task ids without Slurm, on the bundled
# example, and checks that each task wrote its own folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
reduce=${1:?path of amoq-reduce}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$here/../sio2/sio2_raw.dat" "$scratch/first.dat"
cp "$here/../sio2/sio2_raw.dat" "$scratch/second.dat"
printf '%s\n' "$scratch/first.dat" "$scratch/second.dat" > "$scratch/patterns.txt"
for task in 1 2; do
  SLURM_ARRAY_TASK_ID=$task AMOQ_REDUCE=$reduce bash "$here/reduce-array.sbatch" \
    "$here/../sio2/sio2.nap" "$scratch/patterns.txt" "$scratch/results"
done
for name in first second; do
  [ -s "$scratch/results/$name/Gr.dat" ] || { echo "no results/$name/Gr.dat" >&2; exit 1; }
done
cmp -s "$scratch/results/first/Gr.dat" "$scratch/results/second/Gr.dat" ||
  { echo "two tasks on the same pattern differ" >&2; exit 1; }
echo "cluster array: 1 passed, 0 failed"
