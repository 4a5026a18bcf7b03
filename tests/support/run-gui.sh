#!/usr/bin/env bash
# Runs a test on a private X server (Xvfb) with Mesa's software OpenGL.
# Xvfb picks a free display itself (-displayfd), so tests can run in parallel.
# With --wm first, a window manager (openbox) manages the display as on a
# desktop: modes, frames and moves then take the window manager's round trip.
# ORVEL_TEST_WM=1 tells the test that one runs. ORVEL_TEST_SCREEN sets the
# screen (default 1920x1080x24).
set -euo pipefail
wm=0
if [ "${1:-}" = "--wm" ]; then
  wm=1
  shift
fi
if ! command -v Xvfb >/dev/null; then
  echo "Xvfb is missing: run scripts/install-deps.sh" >&2
  exit 1
fi
if [ $wm = 1 ] && ! { command -v openbox && command -v xprop; } >/dev/null; then
  echo "openbox or xprop is missing: run scripts/install-deps.sh" >&2
  exit 1
fi
fifo=$(mktemp -u /tmp/orvel-xvfb-XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 "${ORVEL_TEST_SCREEN:-1920x1080x24}" -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb=$!
wmpid=""
wmhome=""
cleanup() {
  if [ -n "$wmpid" ]; then
    kill "$wmpid" 2>/dev/null || true
    wait "$wmpid" 2>/dev/null || true
  fi
  if [ -n "$wmhome" ]; then
    rm -rf "$wmhome"
  fi
  kill $xvfb 2>/dev/null
  wait $xvfb 2>/dev/null
  rm -f "$fifo"
}
trap cleanup EXIT
read -r -t 20 display <"$fifo" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"
export QT_QPA_PLATFORM=xcb
export LIBGL_ALWAYS_SOFTWARE=1
# Starts openbox on the display; true once it has taken it, which it shows
# by naming its check window on the root window.
start_wm() {
  HOME="$wmhome" XDG_CONFIG_HOME="$wmhome/config" XDG_CACHE_HOME="$wmhome/cache" \
    XDG_DATA_HOME="$wmhome/data" openbox --sm-disable >/dev/null 2>"$wmhome/err" &
  wmpid=$!
  for _ in $(seq 1 600); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
      return 0
    fi
    kill -0 "$wmpid" 2>/dev/null || { wait "$wmpid" 2>/dev/null || true; wmpid=""; return 1; }
    sleep 0.05
  done
  return 1
}
if [ $wm = 1 ]; then
  # A home of its own, so that openbox reads and writes nothing of the user's.
  wmhome=$(mktemp -d /tmp/orvel-wm-XXXXXX)
  # On a busy machine openbox now and then quits while it starts: it is
  # started again, a few times at most.
  started=0
  for _ in 1 2 3; do
    if start_wm; then
      started=1
      break
    fi
    if [ -n "$wmpid" ]; then
      kill "$wmpid" 2>/dev/null || true
      wait "$wmpid" 2>/dev/null || true
      wmpid=""
    fi
    sleep 0.5
  done
  if [ $started = 0 ]; then
    echo "openbox did not take the display:" >&2
    cat "$wmhome/err" >&2 || true
    exit 1
  fi
  export ORVEL_TEST_WM=1
fi
# Under AddressSanitizer, keep Mesa's driver loaded until exit: Mesa unloads it
# first otherwise, and its own leaks then show as "<unknown module>", which no
# suppression can name.
asan=$( (ldd "$(command -v "$1")" 2>/dev/null || true) | awk '/libasan/ {print $3}')
dri=$( (ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null || true) | head -n 1)
if [ -z "$asan" ]; then
  "$@"
  exit
fi
preload=${LD_PRELOAD:-}
if [ -n "$dri" ]; then
  preload="$asan:$dri${preload:+:$preload}"
fi
# The leak check at exit stops every thread of the process; now and then its
# tracer crashes on one of them ("Tracer caught signal"), after every case
# has passed. That is the checker failing, not the test: such a run is made
# once more. A leak, a sanitizer report or a failed case still fails.
out=$(mktemp /tmp/orvel-out-XXXXXX)
err=$(mktemp /tmp/orvel-err-XXXXXX)
rcfile=$(mktemp /tmp/orvel-rc-XXXXXX)
set +e
{ { LD_PRELOAD="$preload" "$@"; echo $? >"$rcfile"; } 2>&1 1>&3 3>&- | tee "$err" >&2; } 3>&1 | tee "$out"
set -e
rc=$(cat "$rcfile")
if [ "$rc" != 0 ] && grep -q "Tracer caught signal" "$err" \
   && ! grep -qE "detected memory leaks|ERROR: AddressSanitizer|runtime error" "$err" \
   && grep -qE "^Totals: [0-9]+ passed, 0 failed" "$out"; then
  echo "the leak checker crashed at exit after every case passed; running once more" >&2
  set +e
  LD_PRELOAD="$preload" "$@"
  rc=$?
  set -e
fi
rm -f "$out" "$err" "$rcfile"
exit "$rc"
