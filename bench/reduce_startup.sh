#!/bin/sh
# Whole-process times of amoq-reduce: start-up (--version, --help) and a G(r) run of the
# bundled project on a Q[S(Q)-1] of 30001 points (q step 0.001 1/A) into 5000 r points
# (rmax 50 A, dr 0.01 A), results written; and the bundled SiO2 example from its raw data,
# every result written, without and with uncertainties from counting statistics (the
# whole chain's cost of uncertainties). Each program given is run RUNS times per case;
# the minimum and the median wall time and the mean processor time are printed, with the shared libraries it loads.
# The results go to a memory file system when there is one, so the disk's flush time
# (the writer syncs each file) does not hide the program's own.
#
#   bench/reduce_startup.sh [PROGRAM...]     (default build/tools/amoq-reduce)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-40}
[ $# -gt 0 ] || set -- "$here/build/tools/amoq-reduce"
base=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/amoq-reduce-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

awk 'BEGIN { for (i = 0; i <= 30000; i++) { q = i * 0.001;
             printf "%.4f %.8f\n", q, q * exp(-0.01 * q * q) * sin(1.6 * q) } }' > "$work/qsq.dat"
project="$here/examples/sio2/sio2.nap"

# time_runs LABEL COMMAND...: minimum and median of $runs wall times, and the mean processor
# time (user + system), in ms.
time_runs() {
  perl -MTime::HiRes=time -e '
    my ($label, $runs, @cmd) = @ARGV; my @t;
    open STDOUT, ">", "/dev/null" or die;
    my @c0 = times;
    for (1 .. $runs) {
      my $s = time; system(@cmd) == 0 or die "$label: @cmd failed\n"; push @t, (time - $s) * 1e3;
    }
    my @c1 = times;
    my $cpu = ($c1[2] + $c1[3] - $c0[2] - $c0[3]) * 1e3 / $runs;
    @t = sort { $a <=> $b } @t;
    printf STDERR "  %-10s min %7.2f ms   median %7.2f ms   processor %6.2f ms\n",
      $label, $t[0], $t[$#t / 2], $cpu;
  ' -- "$@" 2>&1
}

for program in "$@"; do
  echo "== $program ($runs runs; $(ldd "$program" | wc -l) shared objects at start-up)"
  time_runs --version "$runs" "$program" --version
  time_runs --help "$runs" "$program" --help
  time_runs "G(r)" "$runs" "$program" -q --from 3 --set rmax=50 --set deltar=0.01 -o "$work/out" \
    "$project" "$work/qsq.dat"
  time_runs "SiO2" "$runs" "$program" -q -o "$work/sio2" "$project"
  time_runs "SiO2+err" "$runs" "$program" -q --errors poisson -o "$work/sio2e" "$project"
done
