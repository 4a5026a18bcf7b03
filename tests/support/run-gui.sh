#!/usr/bin/env bash
# Runs a test on a private X server (Xvfb) with Mesa's software OpenGL.
# Xvfb picks a free display itself (-displayfd), so tests can run in parallel.
set -euo pipefail
if ! command -v Xvfb >/dev/null; then
  echo "Xvfb is missing: run scripts/install-deps.sh" >&2
  exit 1
fi
fifo=$(mktemp -u /tmp/orvel-xvfb-XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -f "$fifo"' EXIT
read -r -t 20 display <"$fifo" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"
export QT_QPA_PLATFORM=xcb
export LIBGL_ALWAYS_SOFTWARE=1
# Under AddressSanitizer, keep Mesa's driver loaded until exit: Mesa unloads it
# first otherwise, and its own leaks then show as "<unknown module>", which no
# suppression can name.
asan=$( (ldd "$(command -v "$1")" 2>/dev/null || true) | awk '/libasan/ {print $3}')
dri=$( (ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null || true) | head -n 1)
if [ -n "$asan" ] && [ -n "$dri" ]; then
  export LD_PRELOAD="$asan:$dri${LD_PRELOAD:+:$LD_PRELOAD}"
fi
"$@"
