#!/usr/bin/env bash
# make run: the receiver's main job on the built-in simulated card. The cv7 daemon starts
# the card (firmware download, station address) and brings up its TAP interface cv7-0; the
# data application Cv7d starts as the headless service from an empty configuration store: it
# writes the first-run defaults, tunes the HOTBIRD data transponder, selects its data service
# and gives the adapter the computer's IP address. A UDP socket on cv7-0 prints the datagrams
# of the satellite's data beacon for a few seconds; then Cv7d is stopped as a service manager
# stops it (SIGTERM) and the values it stored at shut-down are shown.
#
# With root rights everything runs in a network namespace of its own, so the computer's own
# interfaces are left alone; a stand-in interface host0 (192.0.2.1) is the computer's address
# there. Without root the frames go to a pcap file instead and no socket receives them.
set -euo pipefail
source "$(dirname "$0")/receiver-namespace.sh"
build=$(cd "${1:?usage: run-receiver.sh BUILD_DIR}" && pwd)
seconds=${CV7_RUN_SECONDS:-6}
daemon="$build/driver/host/cv7"
ctl="$build/tools/cv7ctl/cv7ctl"
app="$build/app/ui/Cv7d"

work=$(mktemp -d /tmp/cv7-run-XXXXXX)
netns=""
pid=""
apppid=""
stop() {  # stop PID: SIGTERM, and its end
  if [ -n "$1" ] && kill -0 "$1" 2>/dev/null; then
    kill -TERM "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}
cleanup() {
  stop "$apppid"
  stop "$pid"
  [ -n "$netns" ] && ip netns del "$netns" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

export CV7_DEVICE="$work/Cv7Dev"
export CV7_REGISTRY="$work/state/registry.sqlite"
# The base directory of Cv7d: the shipped default satellite files, nothing else.
mkdir -p "$work/base"
cp -r "$build/DefaultFile" "$work/base/DefaultFile"

in_ns=()
if cv7_namespace "cv7run$$"; then
  netns="cv7run$$"
  in_ns=(ip netns exec "$netns")
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

echo "== Cv7d --headless, from an empty configuration store ($CV7_REGISTRY)"
(cd "$work/base" && exec "${in_ns[@]}" "$app" --headless) 2> >(tee "$work/cv7d.log" >&2) &
apppid=$!
for _ in $(seq 200); do
  grep -q '^Cv7d: locked' "$work/cv7d.log" 2>/dev/null && break
  kill -0 "$apppid" 2>/dev/null || { echo "Cv7d ended" >&2; exit 1; }
  sleep 0.1
done
if [ -n "$netns" ]; then
  echo "== datagrams received by a socket on cv7-0"
  "${in_ns[@]}" "$ctl" listen 239.255.7.1:5000 --interface cv7-0 --seconds "$seconds" || true
else
  sleep "$seconds"
fi
echo "== receiver counters"
"$ctl" stats || true

echo "== stopping Cv7d (SIGTERM): its shut-down stores the data reception"
stop "$apppid"
apppid=""
"$ctl" config list Satellite | grep -E '"Data ' || true
echo "== stopping"
