#!/bin/bash
# hbook copy and hbook merge from the command line: every test file copies
# to a file with the same dump; merge refuses the same file given twice
# (by any name) and two results of runs with the same seed, adds two other
# files with identical contents with a warning, and never overwrites.
# usage: hbook_tool_write_test.sh HBOOK_EXE TEST_DATA_DIR
set -u
exe=$1
data=$2/hbook
work=$(mktemp -d /tmp/hbook-write-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
dumped() { "$exe" dump --all "$1" | grep -v '^FILE \|^READER '; }

for f in $(cd "$data" && find . -path ./fuzz -prune -o \( -name '*.hbook' -o -name '*.hb' \) -print | sort); do
  out="$work/copy-$(basename "$f")"
  "$exe" copy "$data/$f" "$out" > "$work/copy.out" 2>&1 || { fail "copy $f: $(cat "$work/copy.out")"; continue; }
  diff -q <(dumped "$data/$f") <(dumped "$out") > /dev/null || fail "copy of $f dumps differently"
done
"$exe" copy --record-length 8191 "$data/objects/cwn.hbook" "$work/long.hbook" > /dev/null || fail "copy --record-length 8191"
diff -q <(dumped "$data/objects/cwn.hbook") <(dumped "$work/long.hbook") > /dev/null || fail "copy with 8191-word records"
"$exe" copy "$data/lam.hbook" "$work/long.hbook" > /dev/null 2>&1 && fail "copy overwrote a file"
"$exe" copy --record-length 9000 "$data/lam.hbook" "$work/x.hbook" > /dev/null 2>&1 && fail "copy took a record length over 8191"
"$exe" copy "$data/lam.hbook" > /dev/null 2>&1; [ $? -eq 2 ] || fail "copy without OUT: exit status 2"

# The same file twice, under one name or two.
cp "$data/objects/h2.hbook" "$work/a.hbook"
ln "$work/a.hbook" "$work/b.hbook"
for pair in "a.hbook a.hbook" "a.hbook ./a.hbook" "a.hbook b.hbook"; do
  msg=$(cd "$work" && "$exe" merge m.hbook $pair 2>&1) && fail "merge of $pair went through"
  echo "$msg" | grep -q "would count its contents twice" || fail "merge of $pair: $msg"
  [ -e "$work/m.hbook" ] && fail "merge of $pair wrote a file"
done
# Two results of runs with the same seed: h<ranNo>.hbook and h<ranNo>-<k>.hbook.
mkdir -p "$work/r1" "$work/r2"
cp "$data/golden-run.hbook" "$work/r1/h7.hbook"
cp "$data/golden-run.hbook" "$work/r2/h7-1.hbook"
msg=$("$exe" merge "$work/m.hbook" "$work/r1/h7.hbook" "$work/r2/h7-1.hbook" 2>&1) && fail "merge of two runs of seed 7"
echo "$msg" | grep -q "same seed (ranNo 7)" || fail "merge of two runs of seed 7: $msg"
# Two other files with the same contents: added, with a warning; every tally doubled.
cp "$data/golden-run.hbook" "$work/r2/h8.hbook"
"$exe" merge "$work/m.hbook" "$work/r1/h7.hbook" "$work/r2/h8.hbook" > "$work/merge.out" 2> "$work/merge.err" ||
  fail "merge of two copies: $(cat "$work/merge.err")"
grep -q "hold identical contents; added anyway" "$work/merge.err" || fail "no warning for identical contents: $(cat "$work/merge.err")"
grep -q "50 histograms from 2 files" "$work/merge.out" || fail "merge summary: $(cat "$work/merge.out")"
paste -d, <("$exe" csv "$data/golden-run.hbook" 3005) <("$exe" csv "$work/m.hbook" 3005) |
  awk -F, 'NR > 1 { n += $3; if ($7 != 2 * $3) bad = 1 } END { exit bad || n == 0 }' || fail "3005 merged with itself is not doubled"
# Every object kind, in every directory.
cp "$data/objects/dirs.hbook" "$work/d1.hbook"
cp "$data/objects/dirs.hbook" "$work/d2.hbook"
"$exe" merge "$work/dirs.hbook" "$work/d1.hbook" "$work/d2.hbook" > "$work/merge.out" 2>/dev/null || fail "merge of directories"
grep -q "7 objects in 5 directories from 2 files" "$work/merge.out" || fail "merge of directories: $(cat "$work/merge.out")"
[ "$("$exe" csv "$work/dirs.hbook" /CC/DD/5 | sed -n 2p | cut -d, -f1-3)" = "-3,-2,1002" ] || fail "merged /CC/DD/5"
"$exe" merge "$work/dirs.hbook" "$work/d1.hbook" > /dev/null 2>&1 && fail "merge overwrote a file"
msg=$("$exe" merge "$work/x.hbook" "$work/d1.hbook" "$data/objects/h2.hbook" 2>&1) && fail "merge of different files"
echo "$msg" | grep -q "holds no directory /AA\|holds the directory" || fail "merge of different files: $msg"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "hbook copy and merge: all checks passed"
