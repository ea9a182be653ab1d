#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up of the window, measured as a whole process: from exec to the main window's first
# paint (TARVEL_QUIT_AFTER_SHOWN=1 ends the program right there), on the offscreen platform
# and on a real X server (Xvfb, started once outside the timing). The command-line tool's
# --help, timed in the same run, is the floor of a process start on this machine.
#   bench/peers-startup.sh [BUILD]
set -euo pipefail
build=$(realpath "${1:-build}")
window="$build/src/app/tarvel-programmer"
[[ -x "$window" ]] || { echo "peers-startup: $window is not built" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" # no help files here: the built-in help texts are shown

run() { hyperfine --shell=none --style basic --warmup 3 --min-runs 20 "$@"; }

echo "-- offscreen platform"
run -n "tarvel --help" "$build/tarvel --help" \
    -n "window, normal layout" "env QT_QPA_PLATFORM=offscreen TARVEL_QUIT_AFTER_SHOWN=1 $window" \
    -n "window, debug layout" "env QT_QPA_PLATFORM=offscreen TARVEL_QUIT_AFTER_SHOWN=1 $window tq"

echo "-- Xvfb"
xvfb-run -a -s "-screen 0 1440x900x24" bash -c "
  $(declare -f run)
  run -n 'window under X, normal layout' 'env TARVEL_QUIT_AFTER_SHOWN=1 $window' \
      -n 'window under X, debug layout' 'env TARVEL_QUIT_AFTER_SHOWN=1 $window tq'
"
