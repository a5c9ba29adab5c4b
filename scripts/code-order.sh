#!/usr/bin/env bash
# Writes programs/tarn/code-order.txt, the functions that the run without
# arguments and a run of several blocks (--events 300000) execute, which the
# link of tarn places together (cmake/TarnCodeOrder.cmake): the kernel maps
# a program's code 64 kB around each page first executed, so code executed
# by the usual run, spread over the whole program, made all of it resident.
# Functions missing from the list only cost resident memory, never a result.
#   scripts/code-order.sh [BUILD-DIR]     (default build; needs valgrind)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
program=$(realpath "$build/bin/tarn")
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
# Each run in a folder of its own: two runs in the same minute would share
# the log's name, and the second would refuse to overwrite it.
mkdir "$run/plain" "$run/blocks"
cp data/lam.hbook data/gradx.hbook data/sq.hbook "$run/plain/"
cp data/lam.hbook data/gradx.hbook data/sq.hbook "$run/blocks/"
(cd "$run/plain" && valgrind --tool=callgrind --demangle=no --callgrind-out-file="$run/plain.cg" "$program" >/dev/null 2>&1)
(cd "$run/blocks" &&
  valgrind --tool=callgrind --demangle=no --callgrind-out-file="$run/blocks.cg" "$program" --events 300000 >/dev/null 2>&1)
# The functions of the program's own object, each in a .text section of its
# own (-ffunction-sections), one a line: the linker's list has no comments.
/usr/bin/python3 - "$program" "$run/plain.cg" "$run/blocks.cg" <<'PYTHON' >programs/tarn/code-order.txt
import re, sys
runs = []
for path in sys.argv[2:]:
    executed, objects, functions, here = set(), {}, {}, False
    for line in open(path):
        m = re.match(r"^(c?)(ob|fn)=\((\d+)\)(?: (.*))?$", line.rstrip("\n"))
        if not m:
            continue
        call, kind, key, name = m.groups()
        names = objects if kind == "ob" else functions
        if name:
            names[key] = name
        if call:
            continue
        if kind == "ob":
            here = objects[key] == sys.argv[1]
        elif here and not functions[key].startswith("0x"):
            executed.add(functions[key])
    runs.append(executed)
# A constructor's or destructor's complete and base forms share one body,
# in the section named after the base form; main and the static
# initialisers are in .text.startup. The functions of the run without
# arguments come first, then those that only the run of several blocks
# adds, so that the first run keeps to the start of the ordered code.
listed = set()
for executed in runs:
    sections = set()
    for name in executed:
        for form in {name, re.sub(r"([CD])1E", r"\g<1>2E", name)}:
            sections.update({".text." + form, ".text.startup." + form})
    print("\n".join(sorted(sections - listed)))
    listed |= sections
PYTHON
echo "programs/tarn/code-order.txt: $(wc -l <programs/tarn/code-order.txt) functions"
