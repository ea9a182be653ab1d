#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# "выдать" in chromium into a private PulseAudio null sink: the sink's monitor is recorded and
# `tarvel decode` must read the frame of the same settings back with "CRC ok".
# Usage: pulse_send.sh BUILD_FOLDER (TARVEL_PAGE, TARVEL_WEB_MODULES and CHROMIUM as for the
# other browser tests). Skips (exit 0, "skipped: ...") only when PulseAudio cannot start at all.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
tarvel="$build/tarvel"
[ -x "$tarvel" ] || { echo "pulse_send: $tarvel is not built" >&2; exit 1; }
[ -f "${TARVEL_PAGE:-}" ] || { echo "pulse_send: the page is not built (make web)" >&2; exit 1; }

work=$(mktemp -d)
test_name=pulse_send
. "$(dirname "$0")/../e2e/lib/pulse-sandbox.sh"
trap sandbox_cleanup EXIT
sandbox_start node
# Chromium finds the private server through these, as every PulseAudio client does.
export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"

options=(--mode vox --max-tx-s 120 --pilot-hz 1500)
expected=$("$tarvel" frame "${options[@]}")

recording_start "$work/recorded.wav"
TARVEL_CLI="$tarvel" node "$(dirname "$0")/send-to-sink.mjs" "${options[@]}"
recording_stop

expect_decoded "$tarvel" "$work/recorded.wav" "$expected"
echo "pulse_send: passed"
