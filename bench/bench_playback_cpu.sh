#!/usr/bin/env bash
# CPU of steady playback, for this player beside VLC and mpv with their
# windows, on the same files: a 4-minute MP3 (Home shown, then Now playing
# shown), a 720p H.264 clip and an endless MP3 stream from a local server.
# The clip is also measured with this player minimized, where libmpv still
# renders every frame but the window composites none: the difference is the
# cost of composing the window around the video.
# The figure is the whole process tree's utime+stime over the measured span
# (ORVEL_BENCH_SECONDS, 60 by default), after a few seconds of settling.
# Needs a display and a window manager (to minimize): scripts/bench.sh runs
# it under tests/support/run-gui.sh --wm.
# With ORVEL_BIN_B=/path/to/orvel a second build is measured beside it in
# each case, in the same run.
# Usage: bench_playback_cpu.sh <build folder>
set -uo pipefail
build=${1:?build folder}
seconds=${ORVEL_BENCH_SECONDS:-60}
settle=${ORVEL_BENCH_SETTLE:-6}
hz=$(getconf CLK_TCK)
work=$(mktemp -d /tmp/orvel-bench-cpu-XXXXXX)
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The comparison players belong to the benchmark only.
if ! command -v mpv >/dev/null || ! command -v vlc >/dev/null; then
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y vlc mpv >/dev/null 2>&1 || true
  fi
fi
vlc_bin=""
if command -v vlc >/dev/null; then
  vlc_bin=$(command -v vlc)
  # VLC refuses to start as root; a copy without that check runs the same code.
  if [ "$(id -u)" = 0 ]; then
    sed 's/geteuid/getppid/' "$vlc_bin" >"$work/vlc" && chmod +x "$work/vlc" && vlc_bin="$work/vlc"
  fi
fi

total=$((seconds + settle + 30))
ffmpeg -nostdin -y -v error -f lavfi -i "sine=frequency=440:duration=240" -c:a libmp3lame -b:a 192k \
  "$work/song.mp3" || exit 1
ffmpeg -nostdin -y -v error -f lavfi -i "testsrc2=size=1280x720:rate=30" -f lavfi -i "sine=frequency=330" \
  -t "$total" -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -shortest "$work/clip.mp4" || exit 1
ffmpeg -nostdin -y -v error -f lavfi -i "sine=frequency=550:duration=60" -c:a libmp3lame -b:a 128k \
  "$work/loop.mp3" || exit 1

# An endless MP3 stream at its own bit rate.
cat >"$work/radio.py" <<'EOF'
import http.server, sys, time
data = open(sys.argv[1], "rb").read()
class Radio(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "audio/mpeg")
        self.end_headers()
        chunk = 4000  # a quarter second at 128 kbit/s
        try:
            while True:
                for i in range(0, len(data), chunk):
                    self.wfile.write(data[i:i + chunk])
                    time.sleep(0.25)
        except (BrokenPipeError, ConnectionResetError):
            pass
    def log_message(self, *args):
        pass
srv = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Radio)
print(srv.server_address[1], flush=True)
srv.serve_forever()
EOF
python3 "$work/radio.py" "$work/loop.mp3" >"$work/port" &
server=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
stream="http://127.0.0.1:$(cat "$work/port")/live.mp3"

# The pid and its descendants.
tree() {
  local pids=("$1") i=0
  while [ $i -lt ${#pids[@]} ]; do
    for c in $(cat /proc/"${pids[$i]}"/task/*/children 2>/dev/null); do pids+=("$c"); done
    i=$((i + 1))
  done
  echo "${pids[@]}"
}
# utime+stime of every process of the tree, in ticks.
ticks() {
  local sum=0 p
  for p in $(tree "$1"); do
    [ -r /proc/$p/stat ] || continue
    sum=$((sum + $(sed 's/.*) //' /proc/$p/stat | awk '{print $12 + $13}')))
  done
  echo $sum
}
# One line per thread name: name and utime+stime ticks, summed.
threads() {
  for t in /proc/"$1"/task/*; do
    name=$(cat "$t/comm" 2>/dev/null) || continue
    echo "${name// /_} $(sed 's/.*) //' "$t/stat" | awk '{print $12 + $13}')"
  done | awk '{s[$1] += $2} END {for (n in s) print n, s[n]}' | sort
}

# measure <label> <per-thread: 0|1> <setup> <command...>
measure() {
  local label=$1 perthread=$2 setup=$3
  shift 3
  "$@" >/dev/null 2>&1 &
  local pid=$!
  sleep "$settle"
  if ! kill -0 $pid 2>/dev/null; then
    printf '%-34s exited early\n' "$label"
    return
  fi
  [ -n "$setup" ] && $setup $pid
  local a b
  a=$(ticks $pid)
  [ "$perthread" = 1 ] && threads $pid >"$work/t0"
  sleep "$seconds"
  b=$(ticks $pid)
  [ "$perthread" = 1 ] && threads $pid >"$work/t1"
  kill $pid 2>/dev/null
  wait $pid 2>/dev/null
  awk -v l="$label" -v d=$((b - a)) -v hz="$hz" -v s="$seconds" \
    'BEGIN {printf "%-34s %6.1f %% CPU\n", l, 100 * d / hz / s}'
  if [ "$perthread" = 1 ]; then
    join -a 2 "$work/t0" "$work/t1" | awk -v hz="$hz" -v s="$seconds" \
      'NF == 3 {d = $3 - $2} NF == 2 {d = $2} d > 0 {printf "    %-22s %6.1f %%\n", $1, 100 * d / hz / s}' |
      sort -k2 -rn
  fi
}

# The player's managed top-level window: native child windows carry the
# same pid, but only a top-level has a WM_STATE.
topwindow() {
  local w
  for w in $(xdotool search --pid "$1" --onlyvisible 2>/dev/null); do
    xprop -id "$w" WM_STATE 2>/dev/null | grep -q "window state" && { echo "$w"; return; }
  done
}

# The player page, with Now playing on it for audio: a click on the cover
# of the transport bar, as a user does.
nowplaying() {
  command -v xdotool >/dev/null || { echo "    (xdotool missing: Home stays shown)"; return; }
  local w
  w=$(topwindow "$1")
  [ -n "$w" ] || return
  eval "$(xdotool getwindowgeometry --shell "$w")"
  xdotool mousemove --window "$w" 40 $((HEIGHT - 40)) click 1
  xdotool mousemove 0 0
  sleep 2
}

minimized() {
  command -v xdotool >/dev/null || { echo "    (xdotool missing: the window stays shown)"; return; }
  local w
  w=$(topwindow "$1")
  [ -n "$w" ] && xdotool windowminimize "$w"
  sleep 2
}

orvel_bin="$build/orvel"
orvel() {
  local home="$work/home"
  rm -rf "$home"
  mkdir -p "$home"
  # A user of its own, so that no other running copy takes the file.
  HOME="$home" USER="orvel-bench-$$-$RANDOM" XDG_CONFIG_HOME="$home/.config" \
    XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" ORVEL_OPT="ao=null" ORVEL_HWDEC=no \
    https_proxy=http://127.0.0.1:9 exec "$orvel_bin" "$@"
}
orvel_b() { orvel_bin=$ORVEL_BIN_B orvel "$@"; }
# Each runs in the background job itself (exec), so its pid is the player's.
vlc_run() { exec "$vlc_bin" --no-qt-privacy-ask --aout=adummy --no-video-title-show "$@"; }
mpv_run() { exec mpv --no-config --force-window=yes --ao=null --hwdec=no --geometry=1320x820 "$@"; }

echo "playback CPU over $seconds s (whole process tree; $(nproc) cores = $(nproc)00 %)"
for case in song nowplaying clip minimized stream; do
  case $case in
    song) file="$work/song.mp3"; name="4-min MP3, Home"; setup="" ;;
    nowplaying) file="$work/song.mp3"; name="4-min MP3, Now playing"; setup=nowplaying ;;
    clip) file="$work/clip.mp4"; name="720p H.264"; setup="" ;;
    minimized) file="$work/clip.mp4"; name="720p H.264, minimized"; setup=minimized ;;
    stream) file="$stream"; name="endless MP3 stream"; setup="" ;;
  esac
  echo "== $name"
  measure "orvel" 1 "$setup" orvel "$file"
  [ -n "${ORVEL_BIN_B:-}" ] && measure "orvel (ORVEL_BIN_B)" 1 "$setup" orvel_b "$file"
  case $case in nowplaying | minimized) continue ;; esac
  if [ -n "$vlc_bin" ]; then measure "vlc" 0 "" vlc_run "$file"; else echo "vlc missing: skipped"; fi
  if command -v mpv >/dev/null; then measure "mpv" 0 "" mpv_run "$file"; else echo "mpv missing: skipped"; fi
done
