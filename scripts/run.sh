#!/usr/bin/env bash
# Installs what is missing, builds and starts the player with the given files.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(bash scripts/build.sh | tail -n 1)
exec "$build/orvel" "$@"
