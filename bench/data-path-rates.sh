#!/usr/bin/env bash
# The library's data path as a whole process: the daemon with a sky whose data PID carries a
# chosen rate on the fastest transponder a DVB-S card receives (45000 ksymbol/s at 7/8,
# 72.6 Mbit/s), cv7ctl dump taking the PID for a few seconds as TS packets (kind 10),
# sections (12) or PES packets (11); prints MB/s delivered and the data ring's drops.
set -euo pipefail
build=${1:?usage: data-path-rates.sh BUILD_DIR [RATES...]}
shift
rates=("${@:-2000 4000 8000}")  # 8000 datagrams/s of 1000 bytes nearly fill the transponder
seconds=${SECONDS_PER_RATE:-3}
daemon="$build/driver/host/cv7"
ctl="$build/tools/cv7ctl/cv7ctl"
work=$(mktemp -d /tmp/cv7-bench-XXXXXX)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

sky() {  # rate encapsulation
  cat <<JSON
{"satellites": [{"name": "BENCH", "orbitalPosition": "0.0E", "originalNetworkId": 1,
  "dish": {"diseqcPort": 1, "toneBurst": 0, "lnb": {"type": "universal"}},
  "transponders": [{"frequencyKHz": 11778000, "polarisation": "V", "symbolRateKsps": 45000, "fec": "7/8",
    "transportStreamId": 1,
    "services": [{"programNumber": 1, "pmtPid": "0x0100", "name": "Bench", "streams": [{"type": "dsmcc-d", "pid": "0x0500"}]}],
    "sources": [{"kind": "generator", "pid": "0x0500", "encapsulation": "$2", "datagramsPerSecond": $1,
                 "payloadSize": 1000, "destination": "239.1.2.3:5000", "source": "10.1.1.1:4000"}]}]}]}
JSON
}

export CV7_DEVICE="$work/Cv7Dev"
printf "%-8s %-9s %12s %12s %14s\n" kind offered delivered MB/s ring-drops
for kind in ts section pes; do
  encapsulation=mpe
  [ "$kind" = pes ] && encapsulation=stuffed-pes
  for rate in ${rates[*]}; do
    sky "$rate" "$encapsulation" > "$work/sky.json"
    "$daemon" --foreground --socket "$CV7_DEVICE" --no-tap --sky "$work/sky.json" --log-level error &
    pid=$!
    for _ in $(seq 300); do "$ctl" raw 0x172000 --out 8 >/dev/null 2>&1 && break; sleep 0.1; done
    "$ctl" tune --freq 11778000 --sr 45000 --pol v --lnb 10600 --tone on --diseqc A >/dev/null
    bytes=$("$ctl" dump 0x500 --kind "$kind" --seconds "$seconds" --out /dev/null 2>&1 | awk '/bytes of PID/ {for (i = 1; i < NF; i++) if ($(i + 1) == "bytes") print $i}')
    drops=$("$ctl" stats | awk '$1 == "dropped-ring-full" {print $2}')
    offered=$(awk -v r="$rate" 'BEGIN {printf "%.1f", r * 1028 / 1e6}')
    printf "%-8s %6s MB/s %12s %12.2f %14s\n" "$kind" "$offered" "$bytes" "$(awk -v b="$bytes" -v s="$seconds" 'BEGIN {print b / s / 1e6}')" "$drops"
    kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""
  done
done
