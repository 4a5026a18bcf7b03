#!/usr/bin/env bash
# Runs a test under a private X server with Mesa's software OpenGL.
set -euo pipefail
if ! command -v xvfb-run >/dev/null; then
  echo "xvfb-run is missing: run scripts/install-deps.sh" >&2
  exit 1
fi
export QT_QPA_PLATFORM=xcb
export LIBGL_ALWAYS_SOFTWARE=1
exec xvfb-run -a -s "-screen 0 1920x1080x24" "$@"
