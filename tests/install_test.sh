#!/bin/bash
# After `cmake --install`, the commands are in PREFIX/bin and the shipped
# input data in PREFIX/share/tarn, and a run works from the prefix alone.
# usage: install_test.sh BUILD_DIR
set -u
prefix=$(mktemp -d /tmp/tarn-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cmake --install "$1" --prefix "$prefix" >/dev/null || fail "cmake --install"
for command in tarn tarn-summary hbook; do
  [ -x "$prefix/bin/$command" ] || fail "no $command in $prefix/bin"
done
for file in lam.hbook gradx.hbook sq.hbook README.md; do
  cmp -s "$(dirname "$0")/../data/$file" "$prefix/share/tarn/$file" || fail "share/tarn/$file is not data/$file"
done
cd "$prefix" || fail "cd"
"$prefix/bin/tarn" --events 2000 --seed 7 --input-dir "$prefix/share/tarn" --output-dir "$prefix/run" > run.txt ||
  fail "the installed tarn on the installed data: status $?"
[ -s "$prefix/run/h7.hbook" ] || fail "no histogram file"
grep -q "^ det in" run.txt || fail "no report"
"$prefix/bin/tarn-summary" "$prefix"/run/tarn-*.o | grep -q "Runs added           1" || fail "tarn-summary of the run"
"$prefix/bin/hbook" ls "$prefix/run/h7.hbook" | grep -q "3005" || fail "hbook ls of the run"
echo "installed commands and data work"
