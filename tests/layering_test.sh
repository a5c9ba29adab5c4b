#!/bin/bash
# A library sees only what its include view holds (cmake/TarnLibraryView.cmake):
# each ALLOWED header compiles through the library's include directories, and
# each FORBIDDEN one is not found there at all.
# usage: layering_test.sh CXX "DIR;DIR..." ALLOWED... -- FORBIDDEN...
set -u
cxx=$1
IFS=';' read -r -a dirs <<< "$2"
shift 2
flags=(-std=c++20 -fsyntax-only -x c++)
for d in "${dirs[@]}"; do flags+=("-I$d"); done
status=0
allowed=1
for header in "$@"; do
  if [ "$header" = "--" ]; then allowed=0; continue; fi
  out=$(echo "#include \"$header\"" | "$cxx" "${flags[@]}" - 2>&1)
  if [ $allowed = 1 ]; then
    [ -z "$out" ] || { echo "FAIL: $header should compile:"; echo "$out"; status=1; }
  else
    grep -q "$header: No such file or directory" <<< "$out" || { echo "FAIL: $header is visible:"; echo "$out"; status=1; }
  fi
done
exit $status
