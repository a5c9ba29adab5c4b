#!/usr/bin/env bash
# Rebuilds the default input files data/lam.hbook, data/gradx.hbook and
# data/sq.hbook from the tables in data/tables/ with the project's own
# `hbook make` tool (built first if needed).
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${HBOOK_TOOL:-build/bin/hbook}
if [ ! -x "$tool" ]; then
  bash scripts/setup-deps.sh
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build -j"$(nproc)" --target hbook_tool
fi
# A fixed date keeps the files byte-identical when nothing else changed.
DATE=2026-12-08T00:00
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Wavelength spectrum: 0.1 Å bins from 0.5 to 20 Å, content = relative flux.
awk -F, '/^#/ || $1 == "lambda_lo_A" { next }
         BEGIN { print "low,high,content" } { print $1 "," $2 "," $4 }' \
  data/tables/wavelength_flux.csv > "$tmp/lam.csv"

# S(q): 90 bins of 0.04 1/Å from 0, content = S(q) at the bin centre.
awk -F, '/^#/ || $1 == "q_center_invA" { next }
         BEGIN { print "low,high,content" }
         { printf "%.2f,%.2f,%s\n", $1 - 0.02, $1 + 0.02, $2 }' \
  data/tables/sq_he4.csv > "$tmp/sq.csv"

# Transverse field gradient: not applied by the simulation; zero placeholders.
awk 'BEGIN { print "low,high,content"
             for (i = 0; i < 100; i++) printf "%.2f,%.2f,0\n", -3 + 0.06 * i, -3 + 0.06 * (i + 1) }' \
  > "$tmp/gradx.csv"

"$tool" make --force --date "$DATE" data/lam.hbook 100 "Neutron wavelength spectrum (Angstrom)" "$tmp/lam.csv"
"$tool" make --force --date "$DATE" data/sq.hbook 301 "S(q) liquid helium 2.1 K" "$tmp/sq.csv"
"$tool" make --force --date "$DATE" data/gradx.hbook \
  151 "x gradient placeholder: zero, not used" "$tmp/gradx.csv" \
  152 "x gradient placeholder: zero, not used" "$tmp/gradx.csv"
echo "wrote data/lam.hbook data/sq.hbook data/gradx.hbook"
