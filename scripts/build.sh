#!/usr/bin/env bash
# Configures (once) and builds the project in build/ with Ninja, warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DW2M_WERROR=ON
elif ! grep -q '^W2M_WERROR:BOOL=ON$' build/CMakeCache.txt; then
  # A build folder configured before the option existed, or without it.
  cmake build -DW2M_WERROR=ON > /dev/null
fi
cmake --build build -j"$(nproc)"
