#!/usr/bin/env bash
# Builds the Debian package from a finished build folder into a scratch folder and checks
# it as a user's system would: control fields, file list, the desktop entry and file
# types with their validators, lintian, the manual pages, and both programs and the Python
# module run from the unpacked tree.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/out" > "$scratch/cpack.log") || { cat "$scratch/cpack.log"; fail "cpack failed"; }
deb=$(ls "$scratch"/out/amoq_*_amd64.deb) || fail "no package"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = amoq ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$(sed -n 's/^project(amoq VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
for dep in libgtk2.0-0 libcairo2 libfftw3-double3 libxml2 python3-numpy; do
  field Depends | grep -q "$dep" || fail "Depends lacks $dep: $(field Depends)"
done

dpkg-deb -c "$deb" | awk '{print $6}' > "$scratch/files"
for f in ./usr/bin/amoq ./usr/bin/amoq-reduce ./usr/lib/amoq/bin/amoq ./usr/lib/amoq/bin/amoq-import ./usr/lib/amoq/amoq.gui \
         ./usr/lib/amoq/pixmaps/logo.png ./usr/share/applications/amoq.desktop \
         ./usr/share/mime/packages/amoq.xml ./usr/share/icons/hicolor/scalable/apps/amoq.svg \
         ./usr/share/icons/hicolor/48x48/apps/amoq.png ./usr/share/man/man1/amoq.1.gz \
         ./usr/share/man/man1/amoq-reduce.1.gz ./usr/share/doc/amoq/copyright \
         ./usr/share/doc/amoq/file-formats.md ./usr/lib/amoq/locale/fr/LC_MESSAGES/tessal.mo \
         ./usr/lib/python3/dist-packages/amoq/__init__.py; do
  grep -qxF "$f" "$scratch/files" || fail "missing $f"
done

dpkg-deb -x "$deb" "$scratch/root"
desktop-file-validate "$scratch/root/usr/share/applications/amoq.desktop" || fail "desktop entry"
mkdir -p "$scratch/mime/packages"
cp "$scratch/root/usr/share/mime/packages/amoq.xml" "$scratch/mime/packages/"
XDG_DATA_HOME="$scratch" update-mime-database "$scratch/mime" > "$scratch/mime.log" 2>&1 ||
  fail "update-mime-database: $(cat "$scratch/mime.log")"
[ ! -s "$scratch/mime.log" ] || fail "update-mime-database: $(cat "$scratch/mime.log")"
grep -q 'application/x-amoq-xml-project' "$scratch/mime/subclasses" || fail "no XML sub-class"
for page in amoq amoq-reduce; do
  warnings=$(man -l --warnings "$scratch/root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  zgrep -q "@AMOQ" "$scratch/root/usr/share/man/man1/$page.1.gz" && fail "$page.1 not configured"
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done
lintian --fail-on error "$deb" > "$scratch/lintian.log" 2>&1 ||
  fail "lintian: $(grep -v "root privileges" "$scratch/lintian.log")"

"$scratch/root/usr/bin/amoq" -v | grep -q "AMOQ version" || fail "amoq -v"
# grep reads the whole help (-q would stop at the first line and close the pipe, and
# amoq-reduce reports the write that fails then).
"$scratch/root/usr/bin/amoq-reduce" --help | grep '^Usage: amoq-reduce' >/dev/null || fail "amoq-reduce --help"
# The packaged French catalogue is found through the link in /usr/bin.
LANGUAGE=fr "$scratch/root/usr/bin/amoq-reduce" --help | grep '^Usage : amoq-reduce' >/dev/null ||
  fail "amoq-reduce --help in French"
"$scratch/root/usr/bin/amoq-reduce" -q -o "$scratch/sio2" "$src/examples/sio2/sio2.nap" ||
  fail "amoq-reduce on the example"
[ -s "$scratch/sio2/Gr.dat" ] || fail "no Gr.dat from the installed amoq-reduce"
# A file with a header goes to the installed instrument reader beside the programs.
{ echo "2theta intensity"; sed -n '1,2000p' "$src/examples/sio2/sio2_raw.dat"; } > "$scratch/header.xy"
"$scratch/root/usr/bin/amoq-reduce" -q --to 0 -o "$scratch/header" "$src/examples/sio2/sio2.nap" "$scratch/header.xy" ||
  fail "amoq-reduce on a file read with format detection"
[ -s "$scratch/header/corrected.dat" ] || fail "no corrected.dat from the installed instrument reader"
# The module from the unpacked dist-packages (installed, the system's python3 finds it
# there without a path), on the example: the installed amoq-reduce's G(r).
PYTHONPATH="$scratch/root/usr/lib/python3/dist-packages" /usr/bin/python3 -c "
import sys, numpy, amoq
assert amoq.__file__.startswith('$scratch/root/'), amoq.__file__
r = amoq.Project('$src/examples/sio2/sio2.nap').reduce()
g = numpy.loadtxt('$scratch/sio2/Gr.dat')
sys.exit(0 if numpy.abs(r['Gr'][1] - g[:, 1]).max() < 1e-10 else 1)" || fail "the Python module"
echo "package check: 1 passed, 0 failed"
