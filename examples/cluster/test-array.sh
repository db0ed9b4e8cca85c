#!/usr/bin/env bash
# Runs the bodies of reduce-array.sbatch (three patterns, two per task) and of
# merge-series.sbatch without Slurm, on the bundled example, and checks that each task
# wrote its own part and that the merge equals one run over the whole list.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
reduce=${1:?path of amoq-reduce}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for k in 1 2 3; do
  awk -v k=$k '{ printf "%s %.6f\n", $1, $2 * (1 + 0.01 * k) }' "$here/../sio2/sio2_raw.dat" > "$scratch/p$k.dat"
done
printf '%s\n' "$scratch/p1.dat" "$scratch/p2.dat" "$scratch/p3.dat" > "$scratch/patterns.txt"
for task in 1 2; do
  SLURM_ARRAY_TASK_ID=$task PER_TASK=2 AMOQ_REDUCE=$reduce bash "$here/reduce-array.sbatch" \
    "$here/../sio2/sio2.nap" "$scratch/patterns.txt" "$scratch/results"
done
for part in part-00001/p1 part-00001/p2 part-00002/p3; do
  [ -s "$scratch/results/$part/Gr.dat" ] || { echo "no results/$part/Gr.dat" >&2; exit 1; }
done
AMOQ_REDUCE=$reduce bash "$here/merge-series.sbatch" "$scratch/results"
"$reduce" -q -o "$scratch/one" "$here/../sio2/sio2.nap" $(cat "$scratch/patterns.txt")
for f in series.csv series_sq.dat series_qsq.dat series_Gr.dat series_gr.dat; do
  cmp -s "$scratch/results/all/$f" "$scratch/one/$f" || { echo "merged $f differs from one run's" >&2; exit 1; }
done
echo "cluster array: 1 passed, 0 failed"
