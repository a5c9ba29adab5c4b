#!/bin/bash
# The hbook tool: dumps equal the package's own dumps, csv -> make -> csv
# round-trips exactly, make refuses bad tables and existing files.
# usage: hbook_tool_test.sh HBOOK_EXE TEST_DATA_DIR
set -u
exe=$1
data=$2/hbook
work=$(mktemp -d /tmp/hbook-tool-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for f in lam.hbook sq.hbook gradx.hbook errors.hbook mixed.hbook golden-basic.hbook pawtut.hbook roothbk_write_hbk.hb; do
  if ! "$exe" dump "$data/$f" 2>/dev/null | diff -q - "$data/${f%.*}.dump.txt" >/dev/null; then
    fail "dump $f differs from ${f%.*}.dump.txt"
  fi
done
# One histogram: its block of the full dump.
"$exe" dump "$data/gradx.hbook" 152 > "$work/152.txt" || fail "dump gradx 152"
sed -n '/^ID 152$/,/^END 152$/p' "$data/gradx.dump.txt" | diff -q - "$work/152.txt" >/dev/null || fail "dump gradx 152 block"
"$exe" dump "$data/gradx.hbook" 999 >/dev/null 2>&1 && fail "dump of a missing id succeeded"
"$exe" ls "$data/gradx.hbook" | grep -q "152" || fail "ls gradx"
"$exe" ls "$data/pawtut.hbook" > "$work/ls.txt" 2> "$work/ls.err" || fail "ls pawtut"
[ -s "$work/ls.err" ] && fail "ls pawtut notes: $(cat "$work/ls.err")"
[ "$(grep -c ' 2D ' "$work/ls.txt")" -eq 8 ] || fail "ls pawtut 2-D objects"
grep -q '^/  *10 CWN  *11 variables x 3354 rows' "$work/ls.txt" || fail "ls pawtut ntuple"

# Every object kind: dump --all equals the package's dumps (but for the line naming the reader),
# ls, csv and json of objects in subdirectories, messages for what cannot be read.
objects=$data/objects
for f in prof.hbook dirs.hbook; do
  "$exe" dump --all "$objects/$f" | grep -v '^READER ' | diff -q - <(grep -v '^READER ' "$objects/$f.dump.txt") >/dev/null ||
    fail "dump --all $f differs from $f.dump.txt"
done
# The later layouts: variable bins in ls and csv, packed REAL columns in csv.
layouts=$data/layouts
"$exe" ls "$layouts/varbins.hbook" | grep -q '^/  *2 1D  *20 variable bins 0.1..100  *800  log bins weighted HBARX  \[errors\]$' ||
  fail "ls varbins"
[ "$("$exe" csv "$layouts/varbins.hbook" 1 | sed -n '2p;7p' | tr '\n' ' ')" = "0,0.5,19,4.358899 7,10,128,11.313708 " ] ||
  fail "csv of variable bins"
[ "$("$exe" csv "$layouts/cwnpack.hbook" 10 | sed -n 2p | cut -d, -f1,2)" = "0.05490196,3.5702295" ] || fail "csv of packed REALs"
"$exe" ls "$objects/dirs.hbook" | grep -q '^/AA/BB  *3 1D  *3 bins 0..3  *3  in AA/BB$' || fail "ls dirs: /AA/BB 3"
[ "$("$exe" csv "$objects/dirs.hbook" /CC/DD/5 | sed -n 2p)" = "-3,-2,501,22.38303" ] || fail "csv of /CC/DD/5"
"$exe" csv "$objects/dirs.hbook" /CC/9 >/dev/null 2>&1 && fail "csv of a missing object in a subdirectory"
[ "$("$exe" csv "$objects/h2.hbook" 11 | wc -l)" -eq 10 ] || fail "csv of a 2-D histogram: one row per cell"
[ "$("$exe" csv "$objects/cwn.hbook" 10 | head -1)" = "irun,xr,ok,n,x[1],x[2],x[3],x[4],x[5],x[6],x[7],x[8],x[9],x[10],v[1],v[2],v[3],k,kp,label" ] ||
  fail "csv header of the column-wise ntuple"
[ "$("$exe" csv "$objects/cwn.hbook" 10 | wc -l)" -eq 2001 ] || fail "csv of the column-wise ntuple: one row per entry"
"$exe" json "$objects/prof.hbook" 102 | grep -q '"mean":\[1,2.5,4,5.5,7,0\]' || fail "json of profile 102"
"$exe" json "$objects/rwn.hbook" >/dev/null || fail "json of a whole file"
msg=$("$exe" dump "$objects/h2.hbook" 10 2>&1) && fail "1-D dump of a 2-D histogram succeeded"
echo "$msg" | grep -q "object 10 is a 2-D histogram, not a 1-D histogram" || fail "1-D dump of a 2-D histogram: $msg"
msg=$("$exe" ls "$data/fuzz/detect-34k.hbook" 2>&1) && fail "ls of a hostile image succeeded"
echo "$msg" | grep -q "no consistent record length" || fail "ls of a hostile image: $msg"
msg=$("$exe" dump --all "$work" 2>&1) && fail "dump --all of a directory succeeded"
echo "$msg" | grep -q "is a directory" || fail "dump --all of a directory: $msg"

# csv -> make -> csv, bit for bit, including several histograms in one file.
"$exe" csv "$data/lam.hbook" 100 > "$work/lam.csv" || fail "csv lam"
head -1 "$work/lam.csv" | grep -qx "low,high,content,error" || fail "csv header"
[ "$(wc -l < "$work/lam.csv")" -eq 201 ] || fail "csv lam rows"
"$exe" csv "$data/gradx.hbook" 151 > "$work/g151.csv" || fail "csv 151"
"$exe" csv "$data/gradx.hbook" 152 > "$work/g152.csv" || fail "csv 152"
"$exe" csv "$data/sq.hbook" 301 > "$work/sq.csv" || fail "csv sq"
"$exe" make --date 2026-12-08T18:15 "$work/lam.hbook" 100 "Neutron wavelength spectrum (Angstrom)" "$work/lam.csv" || fail "make lam"
"$exe" make "$work/gradx.hbook" 151 "x gradient A" "$work/g151.csv" 152 "x gradient B" "$work/g152.csv" || fail "make gradx"
"$exe" make "$work/sq.hbook" 301 "S(q) liquid helium" "$work/sq.csv" || fail "make sq"
"$exe" csv "$work/lam.hbook" 100 | cmp -s - "$work/lam.csv" || fail "lam csv round trip"
"$exe" csv "$work/gradx.hbook" 151 | cmp -s - "$work/g151.csv" || fail "151 csv round trip"
"$exe" csv "$work/gradx.hbook" 152 | cmp -s - "$work/g152.csv" || fail "152 csv round trip"
"$exe" csv "$work/sq.hbook" 301 | cmp -s - "$work/sq.csv" || fail "sq csv round trip"
# The bins (edges, contents, bits) of the remade file equal the package's dump of the original.
"$exe" dump "$work/sq.hbook" 301 | grep '^BIN' > "$work/sq.bins"
grep '^BIN' "$data/sq.dump.txt" | diff -q - "$work/sq.bins" >/dev/null || fail "sq bins after make"
# A fixed date gives the same file twice.
"$exe" make --date 2026-12-08T18:15 "$work/lam2.hbook" 100 "Neutron wavelength spectrum (Angstrom)" "$work/lam.csv" || fail "make lam2"
cmp -s "$work/lam.hbook" "$work/lam2.hbook" || fail "fixed date not reproducible"

# Existing output: refused, untouched; --force replaces.
cp "$work/sq.hbook" "$work/keep.hbook"
"$exe" make "$work/sq.hbook" 1 "x" "$work/g151.csv" 2>/dev/null && fail "make overwrote an existing file"
cmp -s "$work/sq.hbook" "$work/keep.hbook" || fail "existing file changed"
"$exe" make --force "$work/sq.hbook" 1 "x" "$work/g151.csv" || fail "make --force"
"$exe" ls "$work/sq.hbook" | grep -q " x$" || fail "--force did not replace"

# Ids are 32-bit: 2147483647 and -2147483648 are made and read back, one
# beyond either is a wrong command line (status 2).
for id in 2147483647 -2147483648; do
  "$exe" make "$work/id$id.hbook" "$id" "edge id" "$work/g151.csv" || fail "make with id $id"
  "$exe" ls "$work/id$id.hbook" | grep -q "^/ *$id 1D .* edge id$" || fail "id $id: $("$exe" ls "$work/id$id.hbook")"
  "$exe" csv "$work/id$id.hbook" "$id" | cmp -s - "$work/g151.csv" || fail "csv of id $id"
done
for id in 2147483648 -2147483649; do
  msg=$("$exe" make "$work/id$id.hbook" "$id" "t" "$work/g151.csv" 2>&1); status=$?
  [ "$status" -eq 2 ] || fail "make with id $id: status $status"
  echo "$msg" | grep -q "not a histogram id: $id" || fail "id $id: $msg"
  [ -e "$work/id$id.hbook" ] && fail "make with id $id wrote a file"
done

# Bad tables are refused with the line number of the row at fault: a wrong
# last edge, a missing row, a row out of order.
printf '# comment\nlow,high,content\n0,1,5\n1,2,6\n2,3.5,7\n' > "$work/bad.csv"
msg=$("$exe" make "$work/bad.hbook" 1 "t" "$work/bad.csv" 2>&1) && fail "non-uniform table accepted"
echo "$msg" | grep -q "bad.csv line 5: bin 3: width 1.5 (2 to 3.5) breaks the uniform binning of width 1" ||
  fail "non-uniform table message: $msg"
printf 'low,high,content\n0,1,5\n1,2,6\n3,4,7\n4,5,7\n' > "$work/gap.csv"
msg=$("$exe" make "$work/bad.hbook" 1 "t" "$work/gap.csv" 2>&1) && fail "table with a missing row accepted"
echo "$msg" | grep -q "gap.csv line 4: bin 3: low edge 3 is not the high edge 2 of the row before (line 3)" ||
  fail "missing row message: $msg"
printf 'low,high,content\n0,1,5\n2,3,6\n1,2,7\n' > "$work/order.csv"
msg=$("$exe" make "$work/bad.hbook" 1 "t" "$work/order.csv" 2>&1) && fail "table out of order accepted"
echo "$msg" | grep -q "order.csv line 3: bin 2: low edge 2 is not the high edge 1" || fail "row out of order message: $msg"
printf 'low,high,content\n0,1,5\n1,2,abc\n' > "$work/bad2.csv"
msg=$("$exe" make "$work/bad.hbook" 1 "t" "$work/bad2.csv" 2>&1) && fail "bad number accepted"
echo "$msg" | grep -q "bad2.csv line 3" || fail "bad number message: $msg"
printf 'lo,high,content\n0,1,5\n' > "$work/bad3.csv"
"$exe" make "$work/bad.hbook" 1 "t" "$work/bad3.csv" >/dev/null 2>&1 && fail "missing column accepted"
[ -e "$work/bad.hbook" ] && fail "a refused table left a file"
printf 'content,low,high,extra\n1.5,-1,0,x\n2.5,0,1,y\n' > "$work/cols.csv"
"$exe" make "$work/cols.hbook" 7 "columns" "$work/cols.csv" || fail "columns in another order"
[ "$("$exe" csv "$work/cols.hbook" 7 | tail -1)" = "0,1,2.5,1.5811388" ] || fail "columns in another order: values"

# Many fine bins: 200,000 bins of 0.001 as decimals, and the same table as the
# floats csv writes, are uniform; a real step is still found far from xmin.
awk 'BEGIN { print "low,high,content"; for (i = 0; i < 200000; i++) printf "%.3f,%.3f,1\n", i / 1000, (i + 1) / 1000 }' > "$work/fine.csv"
"$exe" make "$work/fine.hbook" 5 "fine" "$work/fine.csv" 2>"$work/fine.err" || fail "200000 bins of 0.001 refused: $(cat "$work/fine.err")"
"$exe" ls "$work/fine.hbook" | grep -q " 200000 " || fail "200000 bins: ls"
"$exe" csv "$work/fine.hbook" 5 > "$work/fine2.csv" || fail "200000 bins: csv"
"$exe" make "$work/fine2.hbook" 5 "fine" "$work/fine2.csv" || fail "200000 bins: csv round trip refused"
sed '150001s/^149.999,150.000/149.999,150.010/' "$work/fine.csv" > "$work/step.csv"
msg=$("$exe" make "$work/step.hbook" 5 "t" "$work/step.csv" 2>&1) && fail "a step at x = 150 accepted"
echo "$msg" | grep -q "step.csv line 150001: bin 150000: width 0.011 (149.999 to 150.01)" || fail "step message: $msg"

# --force replaces a regular file only: never a symbolic link or a named pipe.
cp "$work/cols.hbook" "$work/target.hbook"
ln -s target.hbook "$work/link.hbook"
msg=$("$exe" make --force "$work/link.hbook" 1 "x" "$work/g151.csv" 2>&1) && fail "--force replaced a symbolic link"
echo "$msg" | grep -q "link.hbook is a symbolic link; hbook make only ever replaces a regular file" || fail "link message: $msg"
[ -L "$work/link.hbook" ] || fail "the symbolic link was replaced"
cmp -s "$work/cols.hbook" "$work/target.hbook" || fail "the link's target changed"
mkfifo "$work/pipe.hbook"
"$exe" make --force "$work/pipe.hbook" 1 "x" "$work/g151.csv" >/dev/null 2>&1 && fail "--force replaced a named pipe"
[ -p "$work/pipe.hbook" ] || fail "the named pipe was replaced"
ls "$work" | grep -q 'tmp' && fail "a refused make left a temporary file"

# A byte-order mark before the header; a repeated column name.
printf '\xEF\xBB\xBFlow,high,content\n0,1,5\n' > "$work/bom.csv"
"$exe" make "$work/bom.hbook" 1 "t" "$work/bom.csv" 2>/dev/null || fail "header after a byte-order mark refused"
printf 'low,high,content,Content\n0,1,5,6\n' > "$work/twice.csv"
msg=$("$exe" make "$work/twice.hbook" 1 "t" "$work/twice.csv" 2>&1) && fail "repeated column name accepted"
echo "$msg" | grep -q "twice.csv line 1: column name 'Content' appears twice" || fail "repeated column message: $msg"

# Values: anything a 32-bit float holds, denormals included; others say why.
printf 'low,high,content\n0,1,1e-40\n' > "$work/denormal.csv"
"$exe" make "$work/denormal.hbook" 1 "t" "$work/denormal.csv" 2>/dev/null || fail "denormal content refused"
[ "$("$exe" csv "$work/denormal.hbook" 1 | tail -1 | cut -d, -f3)" = "1e-40" ] || fail "denormal content value"
printf 'low,high,content\n0,1,1e40\n' > "$work/huge.csv"
msg=$("$exe" make "$work/huge.hbook" 1 "t" "$work/huge.csv" 2>&1) && fail "1e40 accepted"
echo "$msg" | grep -q "content '1e40' is out of the range of a 32-bit float" || fail "1e40 message: $msg"
printf 'low,high,content\n0,1,1e-50\n' > "$work/tiny.csv"
msg=$("$exe" make "$work/tiny.hbook" 1 "t" "$work/tiny.csv" 2>&1) && fail "1e-50 accepted"
echo "$msg" | grep -q "content '1e-50' is too small for a 32-bit float" || fail "1e-50 message: $msg"
printf 'low,high,content\n0,1,nan\n' > "$work/nan.csv"
msg=$("$exe" make "$work/nan.hbook" 1 "t" "$work/nan.csv" 2>&1) && fail "nan accepted"
echo "$msg" | grep -q "content 'nan' is not finite" || fail "nan message: $msg"

# Output that cannot be written: a full standard output and a file-size limit
# fail with a message, never silently and never by a signal.
for cmd in "ls $data/lam.hbook" "dump $data/lam.hbook" "dump $data/lam.hbook 100" "csv $data/lam.hbook 100"; do
  msg=$($exe $cmd 2>&1 >/dev/full) && fail "$cmd > /dev/full exited 0"
  echo "$msg" | grep -q "^hbook: writing to standard output failed: No space left on device" || fail "$cmd > /dev/full: $msg"
done
msg=$( (ulimit -f 8; "$exe" make "$work/limited.hbook" 100 "lam" "$work/lam.csv") 2>&1 ); status=$?
[ "$status" -eq 1 ] || fail "make over the file-size limit: status $status"
echo "$msg" | grep -q "limited.hbook: writing record 3 failed: File too large" || fail "file-size limit message: $msg"
ls "$work" | grep -q 'limited' && fail "make over the file-size limit left a file"

# Usage errors exit non-zero.
"$exe" >/dev/null 2>&1 && fail "no arguments accepted"
"$exe" frobnicate x >/dev/null 2>&1 && fail "unknown command accepted"
"$exe" dump "$work/none.hbook" >/dev/null 2>&1 && fail "missing file accepted"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "hbook tool: all checks passed"
