#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: AddressSanitizer + UBSan)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(bash scripts/build.sh "$@" | tail -n 1)
if [ "${1:-}" = "--sanitize" ]; then
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_odr_violation=0"
  export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
cd "$build"
ctest --output-on-failure --timeout 600 -j"$(nproc)"
