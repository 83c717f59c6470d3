#!/usr/bin/env bash
# The service units and desktop entries as files: the driver's unit is sandboxed to an
# exposure of at most 3.0 as systemd-analyze rates it (the figure is printed), the data
# application's unit is rated too, and the desktop entries pass desktop-file-validate.
#   unit-files-test.sh PACKAGING_DIR
set -euo pipefail
packaging=$(realpath "${1:?usage: unit-files-test.sh PACKAGING_DIR}")
failed=0

exposure() {
  systemd-analyze security --offline=true "$1" 2>&1 |
    sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p'
}
for unit in cv7.service:3.0 cv7d.service:; do
  file="$packaging/${unit%%:*}"
  limit=${unit#*:}
  [ -e "$file" ] || continue
  figure=$(exposure "$file")
  echo "exposure of ${unit%%:*} (systemd-analyze security --offline=true): ${figure:-none}${limit:+, at most $limit}"
  if [ -z "$figure" ]; then
    systemd-analyze security --offline=true "$file" || true
    failed=1
  elif [ -n "$limit" ] && ! awk -v e="$figure" -v l="$limit" 'BEGIN {exit !(e <= l)}'; then
    systemd-analyze security --offline=true "$file" | grep '✗' || true
    failed=1
  fi
done

for entry in "$packaging"/desktop/*.desktop; do
  if ! desktop-file-validate "$entry"; then
    echo "desktop-file-validate refuses ${entry##*/}"
    failed=1
  fi
done
exit "$failed"
