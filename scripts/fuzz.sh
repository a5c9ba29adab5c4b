#!/usr/bin/env bash
# Builds the libFuzzer target of the HBOOK reader (fuzz/) with clang and runs
# it for SECONDS (default 60) on a copy of the test files as seed corpus.
# New inputs collect in build-fuzz/corpus (kept between runs); a finding is
# written to build-fuzz/artifacts/ and makes the script fail.
#   scripts/fuzz.sh [SECONDS] [SEED]
# Without SEED libFuzzer picks one (printed as "Seed: N"); with it, a run
# from the same corpus tries the same inputs in the same order, as far as it
# gets in the time, so a finding can be made again with that seed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
seed=${2:-}
case "$seconds$seed" in
  *[!0-9]*) echo "fuzz.sh: SECONDS and SEED are whole numbers (scripts/fuzz.sh [SECONDS] [SEED])" >&2; exit 2 ;;
esac
bash scripts/setup-deps.sh
dir=build-fuzz
CXX=clang++-14 cmake -S fuzz -B "$dir" -DCMAKE_BUILD_TYPE=None >/dev/null
cmake --build "$dir" --target hbook_fuzz -j"$(nproc)"
mkdir -p "$dir/corpus" "$dir/seeds" "$dir/artifacts"
find tests/data/hbook -maxdepth 2 -type f \( -name "*.hbook" -o -name "*.hb" -o -path "*/fuzz/*" \) -exec cp {} "$dir/seeds/" \;
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$dir/hbook_fuzz" "$dir/corpus" "$dir/seeds" -max_total_time="$seconds" -max_len=400000 -rss_limit_mb=2048 \
  -timeout=20 -print_final_stats=1 -artifact_prefix="$dir/artifacts/" ${seed:+-seed="$seed"}
