#!/usr/bin/env bash
# Builds the two libraries and their tests with AddressSanitizer and UndefinedBehaviorSanitizer
# in build-asan/ and runs those tests.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build-asan/build.ninja ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DW2M_SANITIZE=ON \
    -DW2M_BUILD_GUI=OFF -DW2M_BUILD_BENCH=OFF -DW2M_WERROR=ON > /dev/null
elif ! grep -q '^W2M_WERROR:BOOL=ON$' build-asan/CMakeCache.txt; then
  cmake build-asan -DW2M_WERROR=ON > /dev/null
fi
cmake --build build-asan -j"$(nproc)"
ctest --test-dir build-asan --output-on-failure --no-tests=error -j"$(nproc)"
