#!/usr/bin/env bash
# The manual pages that the build made (BUILD_DIR/man): each renders with man -l at 80
# columns without a warning and has its NAME and SYNOPSIS, and each page of a program names
# every option that the program's --help lists.
#   manual-pages-test.sh BUILD_DIR
set -euo pipefail
build=$(realpath "${1:?usage: manual-pages-test.sh BUILD_DIR}")
failed=0
export MANWIDTH=80

for page in "$build"/man/*.[1-8]; do
  name=$(basename "$page")
  warnings=$(man --warnings -l "$page" 2>&1 > /dev/null || echo "man -l failed")
  text=$(man -l "$page" 2> /dev/null)
  if [ -n "$warnings" ]; then
    echo "$name: $warnings"
    failed=1
  fi
  for section in NAME SYNOPSIS; do
    grep -qx "$section" <<< "$text" || { echo "$name: no $section section"; failed=1; }
  done
  echo "$name: $(grep -A1 -x NAME <<< "$text" | tail -1 | sed 's/^ *//')"
done

# PAGE PROGRAM: the options of PROGRAM --help, each named in PAGE.
options_named() {
  local page="$build/man/$1" program="$2"
  [ -x "$program" ] || return 0
  local text
  text=$(man --nh --nj -l "$page" 2> /dev/null)
  for option in $("$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    if ! grep -q -- "$option" <<< "$text"; then
      echo "$1 does not name $option of ${program##*/} --help"
      failed=1
    fi
  done
}
options_named cv7.8 "$build/driver/host/cv7"
exit "$failed"
