#!/usr/bin/env bash
# The data application as a whole process, beside the daemon on the simulated card:
#   - from starting Cv7d --headless (empty store) to the first datagram that a socket on
#     cv7-0 receives, and to the "locked" line (the first status tick after the start shows
#     the lock); the HOTBIRD beacon is raised to 200 datagrams/s so that its own pace adds at
#     most 5 ms;
#   - the resident memory of an idle Cv7d after 60 s, headless and as the tray program on a
#     virtual display with a notification area (Xvfb and trayer);
#   - the CPU time an idle Cv7d uses over those 60 s (user + system, from /proc).
# The first figure needs root (a network namespace with the TAP interface); without it only
# the others are measured. IDLE_SECONDS shortens the idle window.
set -euo pipefail
source "$(dirname "$0")/../tools/receiver-namespace.sh"
build=$(cd "${1:?usage: app-startup.sh BUILD_DIR}" && pwd)
idle=${IDLE_SECONDS:-60}
repo=$(cd "$(dirname "$0")/.." && pwd)
daemon="$build/driver/host/cv7"
ctl="$build/tools/cv7ctl/cv7ctl"
app="$build/app/ui/Cv7d"

work=$(mktemp -d /tmp/cv7-bench-app-XXXXXX)
pids=()
netns=""
cleanup() {
  for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  [ -n "$netns" ] && ip netns del "$netns" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# The first line of FILE matching PATTERN, waited for up to 20 s; prints its time stamp.
wait_line() {
  for _ in $(seq 2000); do
    line=$(grep -m1 -- "$2" "$1" 2>/dev/null || true)
    if [ -n "$line" ]; then echo "${line%% *}"; return 0; fi
    sleep 0.01
  done
  echo "timeout waiting for '$2' in $1" >&2
  return 1
}
stamp() { while IFS= read -r line; do echo "$(now_ms) $line"; done; }
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
fresh_base() {  # DIR: a base directory holding only the shipped default satellite files
  rm -rf "$1"
  mkdir -p "$1"
  cp -r "$build/DefaultFile" "$1/DefaultFile"
}

sed '0,/"datagramsPerSecond": 1,/s//"datagramsPerSecond": 200,/' "$repo/data/default-sky.json" > "$work/sky.json"
export CV7_DEVICE="$work/Cv7Dev"
in_ns=()
if cv7_namespace "cv7bench$$"; then
  netns="cv7bench$$"
  in_ns=(ip netns exec "$netns")
  "${in_ns[@]}" "$daemon" --foreground --socket "$CV7_DEVICE" --tap cv7-0 --sky "$work/sky.json" --log-level error &
else
  "$daemon" --foreground --socket "$CV7_DEVICE" --no-tap --sky "$work/sky.json" --log-level error &
fi
pids+=($!)
for _ in $(seq 300); do "$ctl" raw 0x172000 --out 8 >/dev/null 2>&1 && break; sleep 0.1; done

echo "== Cv7d start (RelWithDebInfo build, empty store, HOTBIRD data transponder)"
fresh_base "$work/base"
export CV7_REGISTRY="$work/state1/registry.sqlite"
if [ -n "$netns" ]; then
  stdbuf -oL "${in_ns[@]}" "$ctl" listen 239.255.7.1:5000 --interface cv7-0 --seconds 30 | stamp > "$work/listen.log" &
  pids+=($!)
  sleep 0.5
fi
start=$(now_ms)
(cd "$work/base" && exec "${in_ns[@]}" "$app" --headless) 2> >(stamp > "$work/cv7d.log") &
apppid=$!
pids+=($apppid)
if [ -n "$netns" ]; then
  first=$(wait_line "$work/listen.log" "datagram 1:")
  echo "start to the first datagram on cv7-0:   $((first - start)) ms"
fi
locked=$(wait_line "$work/cv7d.log" "Cv7d: locked")
echo "start to the locked icon (first tick):  $((locked - start)) ms  (the status timer ticks 2000 ms after the start)"
# Baselines in the same run: loading the program and doing nothing, and the library's own lock
# test of the same transponder (what the start cannot be quicker than).
t0=$(now_ms); "$app" --help >/dev/null; t1=$(now_ms)
echo "baseline: Cv7d --help (load the program): $((t1 - t0)) ms"

measure_idle() {  # NAME PID
  local ticks0 ticks1 hz
  hz=$(getconf CLK_TCK)
  ticks0=$(cpu_ticks "$2")
  sleep "$idle"
  ticks1=$(cpu_ticks "$2")
  printf "%-28s RSS %6d KiB after %d s; CPU %4d ms over %d s (%.3f %%)\n" "$1" "$(rss_kib "$2")" "$idle" \
    "$(( (ticks1 - ticks0) * 1000 / hz ))" "$idle" "$(echo "($ticks1 - $ticks0) * 100 / $hz / $idle" | bc -l)"
}
echo "== idle Cv7d"
measure_idle "headless" "$apppid"
kill -TERM "$apppid"; wait "$apppid" 2>/dev/null || true

# The tray program on a virtual display with a notification area, after its own first run.
if command -v Xvfb >/dev/null && command -v trayer >/dev/null; then
  exec 5> "$work/display"
  Xvfb -displayfd 5 -screen 0 320x240x24 -nolisten tcp 2>/dev/null &
  pids+=($!)
  exec 5>&-
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(cat "$work/display")" XDG_RUNTIME_DIR="$work"
  chmod 700 "$work"
  trayer --edge top --align left --widthtype pixel --width 96 --heighttype pixel --height 32 \
    --SetDockType false >/dev/null 2>&1 &
  pids+=($!)
  export CV7_REGISTRY="$work/state2/registry.sqlite"
  fresh_base "$work/base2"
  (cd "$work/base2" && exec "${in_ns[@]}" "$app" --headless) 2>/dev/null &
  first=$!
  sleep 4
  kill -TERM "$first"; wait "$first" 2>/dev/null || true
  (cd "$work/base2" && exec "${in_ns[@]}" env DISPLAY="$DISPLAY" "$app") 2> >(stamp > "$work/tray.log") &
  traypid=$!
  pids+=($traypid)
  wait_line "$work/tray.log" "Cv7d: locked" >/dev/null
  measure_idle "tray (Xvfb, trayer)" "$traypid"
  kill -TERM "$traypid"; wait "$traypid" 2>/dev/null || true
else
  echo "tray: Xvfb or trayer missing (make deps)"
fi

cp "$build/DefaultFile/HotBird.cvd" "$work/HotBird.cvd"
t0=$(now_ms); "$ctl" lock "$work/HotBird.cvd" 1 >/dev/null; t1=$(now_ms)
echo "baseline: cv7ctl lock of the same transponder (open, lock test, close): $((t1 - t0)) ms"
