#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for FUZZ_SECONDS seconds each.
set -euo pipefail
build=${1:?usage: run-all.sh BUILD_DIR}
seconds=${FUZZ_SECONDS:-20}
shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then echo "no fuzz targets"; exit 0; fi
passed=0
for target in "${targets[@]}"; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=$(mktemp -d)
  echo "fuzz: $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -print_final_stats=1 "$corpus" 2>"$corpus.log" || { tail -50 "$corpus.log"; exit 1; }
  grep -E 'stat::number_of_executed_units' "$corpus.log" || true
  rm -rf "$corpus" "$corpus.log"
  passed=$((passed + 1))
done
echo "$passed passed, 0 failed"
