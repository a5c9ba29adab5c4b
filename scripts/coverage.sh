#!/usr/bin/env bash
# Which lines and branches do the tests run? Builds build-coverage/ with gcov
# counters (-DTARN_COVERAGE=ON), runs the whole suite there and writes
#   build-coverage/coverage/lines.txt     C++ lines never run, per file
#   build-coverage/coverage/branches.txt  C++ lines with a branch outcome never taken
#   build-coverage/coverage/python.txt    Python lines and branches never run
# A line never run, or a condition whose other outcome never happens, is a
# place where a wrong line would pass every test. At -O0 gcov also counts the
# branches the compiler makes for exceptions (left out here) and for string
# building and destructors (still in): read branches.txt for the real
# conditions. A child process that ends with _exit writes no counters.
#   scripts/coverage.sh [-DOPTION=VALUE...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
need=()
command -v gcovr >/dev/null 2>&1 || need+=(gcovr)
/usr/bin/python3 -c "import coverage" >/dev/null 2>&1 || need+=(python3-coverage)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi
dir=build-coverage
cmake -S . -B "$dir" -DTARN_COVERAGE=ON -DTARN_BENCH=OFF "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
find "$dir" -name '*.gcda' -delete
rm -rf "$dir/coverage"
mkdir -p "$dir/coverage/python"
(cd "$dir" && ctest -j"$(nproc)" --output-on-failure)
filters=(-f "$PWD/sim/" -f "$PWD/programs/" -f "$PWD/python/binding/")
gcovr -r "$PWD" --object-directory "$dir" "${filters[@]}" -j"$(nproc)" --txt "$dir/coverage/lines.txt"
gcovr -r "$PWD" --object-directory "$dir" "${filters[@]}" -j"$(nproc)" --branches \
  --exclude-throw-branches --exclude-unreachable-branches --txt "$dir/coverage/branches.txt"
(cd "$dir/coverage/python" && COVERAGE_FILE=data /usr/bin/python3 -m coverage combine -q &&
  COVERAGE_FILE=data /usr/bin/python3 -m coverage report -m --skip-covered >../python.txt) || true
for f in lines branches python; do
  echo "$dir/coverage/$f.txt: $(grep TOTAL "$dir/coverage/$f.txt" || echo 'no data')"
done
