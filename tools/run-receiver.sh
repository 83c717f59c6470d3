#!/usr/bin/env bash
# make run: the main job on the built-in simulated card.
set -euo pipefail
build=${1:?usage: run-receiver.sh BUILD_DIR}
if [ -x "$build/tools/cv7-sim-session" ]; then
  exec "$build/tools/cv7-sim-session"
fi
echo "nothing to run yet"
