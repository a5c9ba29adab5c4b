#!/bin/bash
# After `cmake --install`, the Python package, hbook-plot, `hbook plot` and
# tarn-report work from the install prefix alone.
# usage: python_install_test.sh BUILD_DIR PYTHON_DIR_IN_PREFIX PYTHON TEST_DATA_DIR
set -u
build=$1
pydir=$2
python=$3
data=$4/hbook
prefix=$(mktemp -d /tmp/tarn-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
unset PYTHONPATH

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
where=$("$python" -c "import sys; sys.path.insert(0, '$prefix/$pydir'); import hbook, tarnreport
print(hbook.__file__, tarnreport.__file__, len(hbook.open('$data/gradx.hbook')))") || fail "import from the prefix"
case "$where" in
  "$prefix/$pydir/hbook/__init__.py $prefix/$pydir/tarnreport/__init__.py 2") ;;
  *) fail "imported from elsewhere: $where" ;;
esac
"$prefix/bin/hbook-plot" "$data/lam.hbook" 100 -o "$prefix/a.png" || fail "installed hbook-plot"
"$prefix/bin/hbook" plot "$data/sq.hbook" 301 -o "$prefix/b.svg" || fail "installed hbook plot"
[ -s "$prefix/a.png" ] && [ -s "$prefix/b.svg" ] || fail "no figures"
"$prefix/bin/tarn-report" --help | grep -q RUNDIR || fail "installed tarn-report"
[ $failures -eq 0 ] && echo "installed commands work"
exit $failures
