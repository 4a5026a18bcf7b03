#!/usr/bin/env bash
# Configures and builds Orvel. Usage: scripts/build.sh [--sanitize]
# Installs what is missing first. Prints the build folder on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

build=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  build=build-asan
  flags=(-DCMAKE_BUILD_TYPE=Debug -DORVEL_SANITIZE=ON -DORVEL_BUILD_BENCH=OFF)
fi
cmake -S . -B "$build" "${flags[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" >&2
echo "$build"
