#!/bin/bash
# hbook show: 80 columns, cumulative histograms named as such, ids in the
# order asked, the exit statuses of the other subcommands.
# usage: hbook_show_test.sh HBOOK_EXE TEST_DATA_DIR
set -u
exe=$1
data=$2/hbook
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for f in "$data"/*.hbook "$data"/*.hb; do
  out=$("$exe" show "$f" 2>/dev/null) || fail "show $f"
  long=$(awk 'length($0) > 80' <<< "$out" | head -1)
  [ -z "$long" ] || fail "$(basename "$f"): line over 80 columns: $long"
done

run=$("$exe" show "$data/golden-run.hbook")
cumulative=$(awk '/^id /{id=$2} /^  cumulative/{print id}' <<< "$run" | tr '\n' ' ')
[ "$cumulative" = "100 302 402 " ] || fail "cumulative histograms: '$cumulative', expected 100 302 402"
grep -A6 '^id 100 ' <<< "$run" | grep -q "mean 12" && fail "100: the running sum's own mean is shown"
grep -A6 '^id 100 ' <<< "$run" | grep -q "^  mean 5.50" || fail "100: steps of the running sum should have lam's mean 5.50"
[ "$(grep -c '^  no entries$' <<< "$run")" -eq 39 ] || fail "golden-run: 39 empty histograms expected (as the package prints)"

out=$("$exe" show "$data/mixed.hbook" 3006 1) || fail "show mixed 3006 1"
[ "$(grep '^id ' <<< "$out" | cut -d' ' -f2 | tr '\n' ' ')" = "3006 1 " ] || fail "ids not in the order asked"
grep -q "^  mean -309.3.*rms 142.5" <<< "$out" || fail "mixed 3006 statistics"
# The chart: at most 8 bar lines, the zero axis, the range below it.
bars=$(awk '/^id 3006/{on=1} /^id 1$/{on=0} on && / \|/' <<< "$out" | wc -l)
[ "$bars" -ge 1 ] && [ "$bars" -le 8 ] || fail "3006 chart has $bars bar lines"
grep -q '^ *0 +-' <<< "$out" || fail "no zero axis"
grep -q '^ *-1000 *0$' <<< "$out" || fail "no range under the 3006 chart"
# Negative contents are drawn below the axis.
"$exe" show "$data/mixed.hbook" 1001 | awk '/ \+-/{below=1; next} below && /#/{found=1} END{exit !found}' ||
  fail "1001: negative contents not drawn below the axis"

"$exe" show "$data/lam.hbook" 5 >/dev/null 2>&1; [ $? -eq 1 ] || fail "missing id: status 1 expected"
"$exe" show "$data/lam.hbook" x >/dev/null 2>&1; [ $? -eq 2 ] || fail "bad id: status 2 expected"
"$exe" show >/dev/null 2>&1; [ $? -eq 2 ] || fail "no file: status 2 expected"
"$exe" show /nonexistent.hbook >/dev/null 2>&1; [ $? -eq 1 ] || fail "missing file: status 1 expected"

[ $failures -eq 0 ] && echo "all show checks passed"
exit $failures
