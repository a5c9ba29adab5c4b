#!/bin/bash
# hbook show: 80 columns, cumulative histograms named as such, ids in the
# order asked, charts, exit statuses.  usage: hbook_show_test.sh HBOOK_EXE TEST_DATA_DIR
set -u
exe=$1
data=$2/hbook
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for f in "$data"/*.hbook "$data"/*.hb; do
  "$exe" show "$f" 2>/dev/null | awk 'length($0) > 80 { bad = 1 } END { exit bad }' || fail "$f: a line over 80 columns"
done
run=$("$exe" show "$data/golden-run.hbook")
[ "$(awk '/^id /{id=$2} /^  cumulative/{printf "%s ", id}' <<< "$run")" = "100 302 402 " ] || fail "cumulative ids"
grep -A6 '^id 100 ' <<< "$run" | grep -q "^  mean 5.50" || fail "100: its steps should have lam's mean 5.50"
[ "$(grep -c '^  no entries$' <<< "$run")" -eq 39 ] || fail "golden-run: the package prints 39 empty histograms"

out=$("$exe" show "$data/mixed.hbook" 3006 1001) || fail "show mixed 3006 1001"
[ "$(grep '^id ' <<< "$out" | cut -d' ' -f2 | tr '\n' ' ')" = "3006 1001 " ] || fail "ids not in the order asked"
grep -q "^  mean -309.3.*rms 142.5" <<< "$out" || fail "3006 statistics"
grep -q '^ *-1000 *0$' <<< "$out" || fail "no range under the 3006 chart"
# 1001 has negative contents: bars below the zero axis.
awk '/^id 1001/{on=1} on && / \+-/{below=1; next} below && /#/{found=1} END{exit !found}' <<< "$out" || fail "1001 chart"

for args in "$data/lam.hbook 5:1" "$data/lam.hbook x:2" ":2" "/nonexistent.hbook:1"; do
  "$exe" show ${args%:*} >/dev/null 2>&1
  [ $? -eq "${args#*:}" ] || fail "show ${args%:*}: status ${args#*:} expected"
done
[ $failures -eq 0 ] && echo "all show checks passed"
exit $failures
