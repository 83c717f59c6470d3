#!/usr/bin/env bash
# Runs every benchmark of a build and prints its figures.
set -euo pipefail
build=${1:?usage: run-all.sh BUILD_DIR}
shopt -s nullglob
for b in "$build"/bench/bench_*; do [ -x "$b" ] && "$b"; done
# The library's data path as whole processes (daemon, cv7ctl dump).
[ -x "$(dirname "$0")/data-path-rates.sh" ] && "$(dirname "$0")/data-path-rates.sh" "$build"
