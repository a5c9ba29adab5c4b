#!/usr/bin/env bash
# Installs the build tools, libraries, Python parts and the browser (for the
# report page test) that a fresh Debian 12 machine lacks.
set -euo pipefail
need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v make >/dev/null 2>&1 || need+=(make)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
# tarn's command line (CLI11, header-only) and parallel runs (Open MPI; optional in the build).
[ -f /usr/include/CLI/CLI.hpp ] || need+=(libcli11-dev)
# Beamline descriptions (data/beamline.toml, tarn --beamline): toml++.
[ -f /usr/include/toml++/toml.h ] || need+=(libtomlplusplus-dev)
compgen -G "/usr/lib/*/openmpi/include/mpi.h" >/dev/null || need+=(libopenmpi-dev)
# The tests check the run's own SHA-256 (inputs, checkpoints) against libcrypto's.
[ -f /usr/include/openssl/evp.h ] || need+=(libssl-dev)
command -v mpiexec >/dev/null 2>&1 || need+=(openmpi-bin)
# The Python package, plots and the run report (Debian's python3, not one first on PATH).
[ -f /usr/include/pybind11/pybind11.h ] || need+=(pybind11-dev)
compgen -G "/usr/include/python3*/Python.h" >/dev/null || need+=(python3-dev)
/usr/bin/python3 -c "import numpy" >/dev/null 2>&1 || need+=(python3-numpy)
/usr/bin/python3 -c "import matplotlib" >/dev/null 2>&1 || need+=(python3-matplotlib)
# hbook diff and fit (SciPy), hbook export (h5py).
/usr/bin/python3 -c "import scipy" >/dev/null 2>&1 || need+=(python3-scipy)
/usr/bin/python3 -c "import h5py" >/dev/null 2>&1 || need+=(python3-h5py)
[ -x /usr/bin/chromium ] || need+=(chromium)
# The fuzzer of the HBOOK reader (scripts/fuzz.sh): clang 14 and its libFuzzer runtime.
command -v clang++-14 >/dev/null 2>&1 || need+=(clang-14)
compgen -G "/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-*.a" >/dev/null || need+=(libclang-rt-14-dev)
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi
