#!/usr/bin/env bash
# make run: the receiver on the built-in simulated card. Starts the cv7 daemon on a socket
# in a temporary directory, waits for it, shows the versions with cv7ctl info, stops it.
set -euo pipefail
build=${1:?usage: run-receiver.sh BUILD_DIR}
daemon="$build/driver/host/cv7"
ctl="$build/tools/cv7ctl/cv7ctl"

fallback() {
  if [ -x "$build/tools/cv7-sim-session" ]; then
    exec "$build/tools/cv7-sim-session"
  fi
  echo "nothing to run: the cv7 daemon did not start" >&2
  exit 1
}

[ -x "$daemon" ] && [ -x "$ctl" ] || fallback

work=$(mktemp -d /tmp/cv7-run-XXXXXX)
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

export CV7_DEVICE="$work/Cv7Dev"
"$daemon" --foreground --socket "$CV7_DEVICE" &
pid=$!

# Wait up to 20 s for the control socket (the firmware download comes first).
for _ in $(seq 200); do
  [ -S "$CV7_DEVICE" ] && "$ctl" raw 0x172000 --out 8 >/dev/null 2>&1 && break
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid" || true
    pid=""
    trap - EXIT
    rm -rf "$work"
    fallback
  fi
  sleep 0.1
done

echo "cv7 daemon running on $CV7_DEVICE (pid $pid)"
"$ctl" info
echo "stopping the daemon"
