#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The signal through a real sound stack: `tarvel wav` writes _qq.wav, paplay plays it into a
# private PulseAudio null sink while parec records the sink's monitor, and `tarvel decode`
# must read the frame back with "CRC ok". Usage: sound_roundtrip.sh BUILD_FOLDER
# Skips (exit 0, "skipped: ...") only when PulseAudio cannot start at all.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
tarvel="$build/tarvel"
[ -x "$tarvel" ] || { echo "sound_roundtrip: $tarvel is not built" >&2; exit 1; }

work=$(mktemp -d)
test_name=sound_roundtrip
. "$(dirname "$0")/lib/pulse-sandbox.sh"
trap sandbox_cleanup EXIT
sandbox_start paplay

options=(--mode vox --max-tx-s 120 --pilot-hz 1500)
expected=$("$tarvel" frame "${options[@]}")
"$tarvel" wav -C "$work" "${options[@]}" >/dev/null

recording_start "$work/recorded.wav"
paplay -d test_sink "$work/_qq.wav"
recording_stop

expect_decoded "$tarvel" "$work/recorded.wav" "$expected"
echo "sound_roundtrip: passed"
