#!/bin/bash
# hbook show: 80 columns, cumulative histograms named as such with the
# figures of their distribution on a line of their own, ids and /DIR/IDs in
# the order asked, every object kind of every directory, objects the reader
# skips named, charts, --help, exit statuses. (The figures themselves are
# checked against the package's printout in program_show_test.)
# usage: hbook_show_test.sh HBOOK_EXE TEST_DATA_DIR
set -u
exe=$1
data=$2/hbook
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for f in "$data"/*.hbook "$data"/*.hb "$data"/objects/*.hbook "$data"/layouts/*.hbook; do
  "$exe" show "$f" 2>/dev/null | awk 'length($0) > 80 { bad = 1 } END { exit bad }' || fail "$f: a line over 80 columns"
done
run=$("$exe" show "$data/golden-run.hbook")
[ "$(awk '/^id /{id=$2} /^  cumulative/{printf "%s ", id}' <<< "$run")" = "100 302 402 " ] || fail "cumulative ids"
grep -A7 '^id 100 ' <<< "$run" | grep -q "^  distribution (steps of the running sum): mean 5.505   rms 2.461$" ||
  fail "100: its steps should have lam's mean 5.505"
grep -A7 '^id 100 ' <<< "$run" | grep -q "^  entries -1   in range " || fail "100: the package's figures of the running sum"
[ "$(grep -c '^  no entries$' <<< "$run")" -eq 39 ] || fail "golden-run: the package prints 39 empty histograms"

out=$("$exe" show "$data/mixed.hbook" 3006 1001) || fail "show mixed 3006 1001"
[ "$(grep '^id ' <<< "$out" | cut -d' ' -f2 | tr '\n' ' ')" = "3006 1001 " ] || fail "ids not in the order asked"
grep -q "^  mean -309.3   rms 142.6$" <<< "$out" || fail "3006 statistics"
grep -q '^ *-1000 *0$' <<< "$out" || fail "no range under the 3006 chart"
# 1001 has negative contents: bars below the zero axis.
awk '/^id 1001/{on=1} on && / \+-/{below=1; next} below && /#/{found=1} END{exit !found}' <<< "$out" || fail "1001 chart"

# Every kind, every directory; /DIR/ID; what cannot be shown is named.
all=$("$exe" show "$data/layouts/deepdirs.hbook")
[ "$(grep -c '^id ' <<< "$all")" -eq 24 ] || fail "deepdirs: 24 objects"
[ "$(grep -c '^directory ' <<< "$all")" -eq 8 ] || fail "deepdirs: 8 directories"
grep -q '^  row-wise ntuple, ' <<< "$all" || fail "deepdirs: ntuples shown"
grep -q '^  profile, ' <<< "$all" || fail "deepdirs: profiles shown"
grep -q '^  2-D histogram, ' <<< "$all" || fail "deepdirs: 2-D histograms shown"
one=$("$exe" show "$data/layouts/deepdirs.hbook" /LEVEL1A/L2/L3Y/52 /B/B2/72 11) || fail "show /DIR/ID"
[ "$(grep '^id ' <<< "$one" | cut -d' ' -f2 | tr '\n' ' ')" = "52 72 11 " ] || fail "/DIR/IDs not in the order asked"
"$exe" show "$data/layouts/deepdirs.hbook" /B/52 >/dev/null 2>&1 && fail "an id of another directory accepted"
"$exe" show "$data/objects/cwn.hbook" | grep -q '^    EVT  *x(n)  *R  *1.1 .. 2000.8$' || fail "cwn: variable with its values' range"
cp "$data/objects/prof.hbook" "$work/prof.hbook"
# Profile 106's error bank (the last bank named HI1E in the file) set to options S and I at once: no such option.
at=$(grep -obUa HI1E "$work/prof.hbook" | tail -1 | cut -d: -f1)
printf '\x03' | dd of="$work/prof.hbook" bs=1 seek=$((at + 19)) conv=notrunc 2>/dev/null  # its status word's low byte
skipped=$("$exe" show "$work/prof.hbook" 2>&1) || fail "show of a file with an object it skips"
grep -q '^not shown: .*(106,0): profile with unknown error option 3 (both S and I), skipped$' <<< "$skipped" || fail "skipped object not named"
[ "$("$exe" show "$work/prof.hbook" 106)" = "$(grep '^not shown:' <<< "$skipped")" ] || fail "show of the skipped id"

# --help, for the tool and for each command: the usage, exit status 0.
"$exe" --help | grep -q '^  hbook show FILE' || fail "hbook --help"
for c in ls dump show csv json make merge; do
  h=$("$exe" "$c" --help) || fail "hbook $c --help: status $?"
  grep -q "^  hbook $c " <<< "$h" || fail "hbook $c --help: $h"
done
# The commands written in Python answer with every option of theirs. Under a
# sanitizer the interpreter behind them needs its runtimes loaded first
# (PYTHON_PRELOAD, set by the build).
py_env=()
[ -n "${PYTHON_PRELOAD:-}" ] && py_env=(env "LD_PRELOAD=$PYTHON_PRELOAD" ASAN_OPTIONS=detect_leaks=0)
if [ -x "$(dirname "$exe")/hbook-plot" ]; then
  for c in plot diff fit export; do
    h=$(${py_env[@]+"${py_env[@]}"} "$exe" "$c" --help) || fail "hbook $c --help: status $?"
    grep -q "^usage: hbook $c " <<< "$h" || fail "hbook $c --help: $h"
  done
fi
"$exe" make --help | grep -q '^TABLE.csv: ' || fail "make --help names the table columns"
"$exe" >/dev/null 2>&1
[ $? -eq 2 ] || fail "hbook without a command: status 2"

for args in "$data/lam.hbook 5:1" "$data/lam.hbook x:2" ":2" "/nonexistent.hbook:1"; do
  "$exe" show ${args%:*} >/dev/null 2>&1
  [ $? -eq "${args#*:}" ] || fail "show ${args%:*}: status ${args#*:} expected"
done
[ $failures -eq 0 ] && echo "all show checks passed"
exit $failures
