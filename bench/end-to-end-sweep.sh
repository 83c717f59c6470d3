#!/usr/bin/env bash
# End to end, card -> driver -> TAP -> UDP socket, per datagram size and rate: the daemon in
# a network namespace with a sky whose MPE PID carries UDP datagrams of SIZE bytes at RATE
# per second on the fastest transponder a DVB-S card receives (45000 ksymbol/s at 7/8,
# 72.6 Mbit/s: 64-byte datagrams up to about 45 000/s, 1400-byte up to about 5 900/s), a
# socket joined on cv7-0 counting what arrives (udp-count), and beside it the floor:
# tap-baseline writing the same frames to a TAP interface at the same rate.
# Prints per run: sent (card-datagrams), indicated, received, every drop counter that moved,
# the daemon's CPU-seconds per second and its card thread's wake-ups per second; then the
# baseline's written, received and CPU-seconds per second. Needs root (namespaces, TAP).
#   end-to-end-sweep.sh BUILD_DIR [SIZE:RATE ...]     (default 64:20000 64:45000 1400:3500 1400:5800)
# SECONDS_PER_RUN (10) and RUNS (3) set the window and the repetitions; IDLE_SECONDS (5)
# the window in which the idle daemon's wake-ups are counted; REALTIME=1 starts the daemon
# with --realtime.
set -euo pipefail
build=$(cd "${1:?usage: end-to-end-sweep.sh BUILD_DIR [SIZE:RATE ...]}" && pwd)
shift
points=("${@:-64:20000 64:45000 1400:3500 1400:5800}")
seconds=${SECONDS_PER_RUN:-10}
runs=${RUNS:-3}
idle=${IDLE_SECONDS:-5}
here=$(cd "$(dirname "$0")" && pwd)
daemon="$build/driver/host/cv7"
ctl="$build/tools/cv7ctl/cv7ctl"
count="$build/bench/udp-count"
baseline="$build/bench/tap-baseline"
# shellcheck source=../tools/receiver-namespace.sh
. "$here/../tools/receiver-namespace.sh"
[ "$(id -u)" -eq 0 ] || { echo "end-to-end-sweep: needs root (network namespaces, TAP)" >&2; exit 1; }

work=$(mktemp -d /tmp/cv7-sweep-XXXXXX)
ns="cv7sweep$$"
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  ip netns del "$ns" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
in_ns() { ip netns exec "$ns" "$@"; }

sky() {  # size rate
  cat <<JSON
{"satellites": [{"name": "SWEEP", "orbitalPosition": "0.0E", "originalNetworkId": 1,
  "dish": {"diseqcPort": 1, "toneBurst": 0, "lnb": {"type": "universal"}},
  "transponders": [{"frequencyKHz": 11778000, "polarisation": "V", "symbolRateKsps": 45000, "fec": "7/8",
    "transportStreamId": 1,
    "services": [{"programNumber": 1, "pmtPid": "0x0100", "name": "Sweep", "streams": [{"type": "dsmcc-d", "pid": "0x0500"}]}],
    "sources": [{"kind": "generator", "pid": "0x0500", "encapsulation": "mpe", "datagramsPerSecond": $2,
                 "payloadSize": $1, "destination": "239.1.2.3:5000", "source": "10.1.1.1:4000"}]}]}]}
JSON
}

counter() { awk -v k="$2" '$1 == k {print $2}' "$1"; }
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
drops="dropped-scrambled dropped-no-ip dropped-too-long dropped-short dropped-corrupt dropped-unrecognised dropped-resync
       card-datagrams-refused card-crc-errors card-sections-lost card-pes-lost card-malformed card-oversize card-filtered
       card-ring-full card-dma-dropped tap-errors card-mux-dropped"

start_daemon() {  # size rate
  cv7_namespace "$ns" || { echo "cannot make network namespace $ns" >&2; exit 1; }
  sky "$1" "$2" > "$work/sky.json"
  export CV7_DEVICE="$work/Cv7Dev"
  ip netns exec "$ns" "$daemon" --foreground --socket "$CV7_DEVICE" --tap cv7-0 --sky "$work/sky.json" --log-level error \
    ${REALTIME:+--realtime} \
    > "$work/daemon.log" 2>&1 &
  pid=$!
  for _ in $(seq 300); do
    "$ctl" raw 0x172000 --out 8 >/dev/null 2>&1 && in_ns ip link show cv7-0 >/dev/null 2>&1 && break
    sleep 0.1
  done
  in_ns ip addr add 10.254.0.1/24 dev cv7-0 || { cat "$work/daemon.log" >&2; exit 1; }
}
stop_daemon() {
  kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""
  ip netns del "$ns"
}

echo "== idle daemon, nothing tuned: card thread wake-ups in ${idle} s"
start_daemon 64 100
"$ctl" stats > "$work/a"; t0=$(ticks "$pid")
sleep "$idle"
"$ctl" stats > "$work/b"; t1=$(ticks "$pid")
printf "card-wakeups/s %.1f  daemon cpu-s/s %.4f\n" \
  "$(awk -v a="$(counter "$work/a" card-wakeups)" -v b="$(counter "$work/b" card-wakeups)" -v s="$idle" 'BEGIN {print (b - a) / s}')" \
  "$(awk -v a="$t0" -v b="$t1" -v h="$hz" -v s="$idle" 'BEGIN {print (b - a) / h / s}')"
stop_daemon

for point in ${points[*]}; do
  size=${point%%:*} rate=${point##*:}
  for run in $(seq "$runs"); do
    start_daemon "$size" "$rate"
    "$ctl" tune --freq 11778000 --sr 45000 --pol v --lnb 10600 --tone on --diseqc A >/dev/null
    "$ctl" pid add 0x500 --kind mpe >/dev/null
    sleep 1
    "$ctl" stats > "$work/a"; t0=$(ticks "$pid"); w0=$(date +%s.%N)
    got=$(in_ns "$count" 239.1.2.3 5000 cv7-0 "$seconds")
    w1=$(date +%s.%N); t1=$(ticks "$pid"); "$ctl" stats > "$work/b"
    delta() { echo $(( $(counter "$work/b" "$1") - $(counter "$work/a" "$1") )); }
    elapsed=$(awk -v a="$w0" -v b="$w1" 'BEGIN {print b - a}')
    received=$(echo "$got" | sed 's/received=\([0-9]*\).*/\1/')
    # The counters' window is a little longer than the socket's: compare rates.
    line="size=$size rate=$rate run=$run sent=$(delta card-datagrams) indicated=$(delta indicated) received=$received"
    for d in $drops; do v=$(delta "$d"); [ "$v" != 0 ] && line="$line $d=$v"; done
    line="$line sent/s=$(awk -v n="$(delta card-datagrams)" -v s="$elapsed" 'BEGIN {printf "%.0f", n / s}')"
    line="$line received/s=$(awk -v n="$received" -v s="$seconds" 'BEGIN {printf "%.0f", n / s}')"
    line="$line cpu-s/s=$(awk -v a="$t0" -v b="$t1" -v h="$hz" -v s="$elapsed" 'BEGIN {printf "%.4f", (b - a) / h / s}')"
    line="$line card-wakeups/s=$(awk -v n="$(delta card-wakeups)" -v s="$elapsed" 'BEGIN {printf "%.0f", n / s}')"
    echo "$line"
    stop_daemon
  done
  for run in $(seq "$runs"); do
    cv7_namespace "$ns" || exit 1
    rm -f "$work/ready"
    ip netns exec "$ns" "$baseline" --size "$size" --rate "$rate" --seconds $((seconds + 2)) --ready "$work/ready" > "$work/baseline" &
    pid=$!
    for _ in $(seq 100); do [ -f "$work/ready" ] && break; sleep 0.05; done
    in_ns ip addr add 10.254.0.1/24 dev cv7-0
    got=$(in_ns "$count" 239.1.2.3 5000 cv7-0 "$seconds")
    wait "$pid"; pid=""
    echo "baseline run=$run $(cat "$work/baseline") $(echo "$got" | cut -d' ' -f1) (in the last ${seconds} s)"
    ip netns del "$ns"
  done
done
