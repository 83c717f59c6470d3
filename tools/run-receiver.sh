#!/usr/bin/env bash
# make run: the receiver's main job on the built-in simulated card. The cv7 daemon starts
# the card (firmware download, station address) and brings up its TAP interface cv7-0; the
# library locks transponder 1 of HOTBIRD with its default file's LNB settings and selects
# the data PID of its data service; a UDP socket on cv7-0 prints the datagrams that the
# satellite's data beacon sends, for a few seconds; then everything stops.
#
# With root rights the daemon runs in a network namespace of its own, so the computer's
# own interfaces are left alone. Without them it writes the frames to a pcap file instead.
set -euo pipefail
build=${1:?usage: run-receiver.sh BUILD_DIR}
seconds=${CV7_RUN_SECONDS:-6}
daemon="$build/driver/host/cv7"
ctl="$build/tools/cv7ctl/cv7ctl"
satellite="$build/DefaultFile/HotBird.cvd"

work=$(mktemp -d /tmp/cv7-run-XXXXXX)
netns=""
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  [ -n "$netns" ] && ip netns del "$netns" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

export CV7_DEVICE="$work/Cv7Dev"
cp "$satellite" "$work/HotBird.cvd"
in_ns=()
if [ "$(id -u)" -eq 0 ] && ip netns add "cv7run$$" 2>/dev/null; then
  netns="cv7run$$"
  in_ns=(ip netns exec "$netns")
  "${in_ns[@]}" ip link set lo up
  "${in_ns[@]}" sh -c 'echo 0 > /proc/sys/net/ipv4/conf/all/rp_filter'
  "${in_ns[@]}" "$daemon" --foreground --socket "$CV7_DEVICE" --tap cv7-0 --pcap "$work/frames.pcap" &
else
  echo "no network namespace (needs root): the frames go to a pcap file only"
  "$daemon" --foreground --socket "$CV7_DEVICE" --no-tap --pcap "$work/frames.pcap" &
fi
pid=$!

# The firmware download and the card's start take a few seconds.
for _ in $(seq 300); do
  "$ctl" raw 0x172000 --out 8 >/dev/null 2>&1 && break
  kill -0 "$pid" 2>/dev/null || { echo "the cv7 daemon did not start" >&2; exit 1; }
  sleep 0.1
done
echo "== cv7 daemon running on $CV7_DEVICE (pid $pid)"
"$ctl" info
echo "== satellite HOTBIRD, transponder 1"
"$ctl" lock "$work/HotBird.cvd" 1
echo "== selecting the data PID 0x0500 (multiprotocol encapsulation) through the library"
"$ctl" pid add 0x0500 --kind 3
"$ctl" ip 192.0.2.1
if [ -n "$netns" ]; then
  "${in_ns[@]}" ip addr add 192.0.2.1/24 dev cv7-0
  echo "== datagrams received by a socket on cv7-0"
  "${in_ns[@]}" "$ctl" listen 239.255.7.1:5000 --interface cv7-0 --seconds "$seconds" || true
else
  sleep "$seconds"
fi
echo "== receiver counters"
"$ctl" stats || true
echo "== stopping"
