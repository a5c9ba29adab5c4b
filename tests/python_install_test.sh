#!/bin/bash
# After `cmake --install`, the package and the commands work from the prefix alone.
# usage: python_install_test.sh BUILD_DIR PYTHON_DIR_IN_PREFIX PYTHON TEST_DATA_DIR
set -u
prefix=$(mktemp -d /tmp/tarn-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
unset PYTHONPATH
data=$4/hbook
cmake --install "$1" --prefix "$prefix" >/dev/null &&
  "$3" -c "import sys; sys.path.insert(0, '$prefix/$2'); import hbook, tarnreport
assert hbook.__file__.startswith('$prefix') and tarnreport.__file__.startswith('$prefix')
assert len(hbook.open('$data/gradx.hbook')) == 2" &&
  "$prefix/bin/hbook-plot" "$data/lam.hbook" 100 -o "$prefix/a.png" && [ -s "$prefix/a.png" ] &&
  "$prefix/bin/hbook" plot "$data/sq.hbook" 301 -o "$prefix/b.svg" && [ -s "$prefix/b.svg" ] &&
  "$prefix/bin/hbook" diff "$data/lam.hbook" "$data/lam.hbook" >/dev/null &&
  "$prefix/bin/hbook" fit "$data/sq.hbook" 301 poly2 >/dev/null &&
  "$prefix/bin/hbook" export "$data/lam.hbook" "$prefix/c.h5" >/dev/null && [ -s "$prefix/c.h5" ] &&
  "$3" -c "import sys, json; sys.path.insert(0, '$prefix/$2'); import tarnreport.catalogue as c
assert c.bookings()[3005]['label'] == 'energy at the detector (meV)'" &&
  "$prefix/bin/tarn-report" --help | grep -q RUNDIR && echo "installed package and commands work"
