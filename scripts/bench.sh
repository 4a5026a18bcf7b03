#!/usr/bin/env bash
# Installs what is missing, builds and runs every benchmark; each prints its figures.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(bash scripts/build.sh | tail -n 1)
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export ORVEL_OPT=${ORVEL_OPT:-vo=null;ao=null}
export ORVEL_HWDEC=${ORVEL_HWDEC:-no}
shopt -s nullglob
ran=0
for b in "$build"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  case "$(basename "$b")" in
    # The start-up figures are taken as on a desktop: a display and a session bus.
    bench_startup_gl|bench_first_frame) tests/support/run-gui.sh tests/support/run-dbus.sh "$b" ;;
    *_gl*) tests/support/run-gui.sh "$b" ;;
    bench_seek_*) tests/support/run-gui.sh "$b" ;;
    *) "$b" ;;
  esac
  ran=1
done
[ "$ran" = 1 ] || echo "no benchmarks built"
# Playback CPU of the real program beside VLC and mpv (ORVEL_BENCH_SECONDS).
echo "== bench_playback_cpu"
tests/support/run-gui.sh --wm bash bench/bench_playback_cpu.sh "$build"
