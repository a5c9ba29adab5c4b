#!/usr/bin/env bash
# Builds the program and runs it on the shipped input data in a fresh run
# directory under runs/ (the program never overwrites an earlier run's log).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
# Every command the docs send a user to: tarn (and tarn-mpi), tarn-summary, hbook.
cmake --build build -j"$(nproc)" --target tarn tarn_summary hbook_tool
# The report page needs the Python package (configured when its dependencies are there).
report=build/bin/tarn-report
[ -e "$report" ] && cmake --build build -j"$(nproc)" --target python_packages
dir=runs/run-$(date +%Y%m%d-%H%M%S)-$$
mkdir -p "$dir"
cp data/lam.hbook data/gradx.hbook data/sq.hbook "$dir"/
status=0
(cd "$dir" && ../../build/bin/tarn) || status=$?
echo
echo "run directory: $dir"
for f in "$dir"/tarn-*.o "$dir"/h*.hbook; do
  [ -e "$f" ] && echo "  $f"
done
if [ -e "$report" ] && compgen -G "$dir/h*.hbook" >/dev/null; then
  page=$("$report" "$dir") && echo "report page: $page" || echo "the report page could not be made"
fi
echo "look at the histograms with: build/bin/hbook show $dir/h*.hbook"
exit $status
