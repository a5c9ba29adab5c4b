#!/bin/bash
# Every header under sim/ is found by one path only: no two share a file
# name, and every include of a sim/ header says where it lives
# ("hbook/rz/write/objectbanks.h", never "objectbanks.h").
# usage: tree_names_test.sh SOURCE_DIR
set -u
cd "$1/sim" || exit 2
status=0
twice=$(find . -name '*.h' -printf '%f\n' | sort | uniq -d)
if [ -n "$twice" ]; then
  echo "FAIL: header names used twice under sim/:"
  for n in $twice; do find . -name "$n"; done
  status=1
fi
bare=$(grep -rnE '^#include "[^/"]+"' --include='*.h' --include='*.cpp' --include='*.in' . || true)
if [ -n "$bare" ]; then
  echo "FAIL: includes that do not say where the header lives:"
  echo "$bare"
  status=1
fi
exit $status
