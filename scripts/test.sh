#!/usr/bin/env bash
# Builds everything and runs all tests.
#   scripts/test.sh [-DOPTION=VALUE...]             normal build in build/
#   scripts/test.sh --sanitize [-DOPTION=VALUE...]  AddressSanitizer + UBSan build in build-asan/
# Options go to CMake (docs/developing.md lists the build switches), e.g.
# -DTARN_REQUIRE_OPTIONAL=ON to fail where an optional part would be skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
if [ "${1:-}" = "--sanitize" ]; then
  shift
  dir=build-asan
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DTARN_SANITIZE=ON -DTARN_BENCH=OFF "$@" >/dev/null
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  dir=build
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
fi
cmake --build "$dir" -j"$(nproc)"
cd "$dir"
ctest --output-on-failure -j"$(nproc)"
