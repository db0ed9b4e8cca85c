#!/bin/sh
# A series through amoq-reduce: 200 patterns of the SiO2 example (its raw data scaled by
# 1 + 0.001 i and shifted by 0.05 i counts/s, so that each differs), the whole chain,
# -j 2, against one whole-process run of one pattern, timed alternately in the same run:
# the per-pattern wall time of the series should be at most 1/8 of the single run's.
# Then the peak memory (largest process) of series of 20 and 2000 inputs.
#
#   bench/series.sh [PROGRAM]     (default build/tools/amoq-reduce)
#
# The results go to SERIES_DIR (default: a folder under TMPDIR or /tmp, on disk, so that
# the flushes to disk are part of what is timed); ROUNDS rounds of SINGLES single runs
# and one series run each.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$here/build/tools/amoq-reduce}
rounds=${ROUNDS:-3}
singles=${SINGLES:-10}
base=${SERIES_DIR:-${TMPDIR:-/tmp}}
work=$(mktemp -d "$base/amoq-series-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
project="$here/examples/sio2/sio2.nap"

mkdir -p "$work/in"
awk -v dir="$work/in" '{ x[NR] = $1; y[NR] = $2 }
  END { for (i = 1; i <= 200; i++) { f = sprintf("%s/p%03d.dat", dir, i);
          for (k = 1; k <= NR; k++) printf "%s %.6f\n", x[k], y[k] * (1 + 0.001 * i) + 0.05 * i > f;
          close(f) } }' "$here/examples/sio2/sio2_raw.dat"

echo "== $program: series of 200 SiO2 patterns, -j 2, against single runs ($rounds rounds)"
perl -MTime::HiRes=time -e '
  my ($program, $project, $work, $rounds, $singles) = @ARGV;
  my @in = sort glob("$work/in/p*.dat");
  my (@single, @series);
  my $n = 0;
  sub run { my $s = time; system(@_) == 0 or die "@_ failed\n"; return (time - $s) * 1e3 }
  open STDOUT, ">", "/dev/null" or die;
  run($program, "-q", "-j", "2", "-o", "$work/warm", $project, @in[0 .. 19]);
  for my $r (1 .. $rounds) {
    push @single, run($program, "-q", "-o", "$work/one" . $n++, $project, $in[0]) for 1 .. $singles;
    push @series, run($program, "-q", "-j", "2", "-o", "$work/series$r", $project, @in) / @in;
  }
  @single = sort { $a <=> $b } @single;
  @series = sort { $a <=> $b } @series;
  my ($one, $per) = ($single[$#single / 2], $series[$#series / 2]);
  printf STDERR "  one pattern, whole process   median %7.2f ms   min %7.2f ms\n", $one, $single[0];
  printf STDERR "  series, per pattern          median %7.2f ms   min %7.2f ms\n", $per, $series[0];
  printf STDERR "  ratio (median)               1/%.1f   (target: 1/8 or better)\n", $one / $per;
' "$program" "$project" "$work" "$rounds" "$singles" 2>&1

# Peak memory: GNU time reports the largest resident size among the process and the
# workers it waited for. 2000 inputs: the 200 files ten times (folders p001-2, ...).
peak() {
  out=$1
  shift
  /usr/bin/time -f "%M" -o "$work/rss" "$program" -q -j 2 -o "$work/$out" "$project" "$@" >/dev/null 2>&1 || true
  cat "$work/rss"
}
if [ -x /usr/bin/time ]; then
  set -- "$work"/in/p*.dat
  twenty=$(peak m20 $(ls "$work"/in/p*.dat | head -20))
  thousands=$(peak m2000 "$@" "$@" "$@" "$@" "$@" "$@" "$@" "$@" "$@" "$@")
  echo "  peak memory, 20 inputs    $twenty KB"
  echo "  peak memory, 2000 inputs  $thousands KB"
fi
