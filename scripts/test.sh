#!/usr/bin/env bash
# Builds the clock and its packages and runs every test, the Windows ones under Wine.
# TORVEN_SKIP_SETUP=1 skips the package installation.
set -euo pipefail
cd "$(dirname "$0")/.."

[ "${TORVEN_SKIP_SETUP:-0}" = 1 ] || bash scripts/setup.sh
jobs=$(nproc)

echo "== The core includes nothing of the hosts"
bash scripts/check-layout.sh

echo "== Packages"
bash scripts/package.sh

echo "== Linux build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVEN_SANITIZE=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure

echo "== Windows build and tests under Wine"
bash scripts/test-windows.sh
