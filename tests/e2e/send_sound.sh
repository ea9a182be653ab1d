#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# "выдать" through the real sound stack: the window (offscreen) presses "сформировать" and
# "выдать" once (TARVEL_TEST_SEND=quit), its player plays _qq.wav into a private PulseAudio
# null sink while parec records the sink's monitor; `tarvel decode` must read the default
# frame back with "CRC ok", and the send must have returned only after the sound's 4.923 s.
# The window runs under a file-size limit of 1000 blocks (ulimit -f 1000), which the sound
# library's shared memory exceeds: the window must play all the same.
# Usage: send_sound.sh BUILD_FOLDER
# Skips (exit 0, "skipped: ...") only when PulseAudio cannot start at all.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
tarvel="$build/tarvel"
programmer="$build/src/app/tarvel-programmer"
for binary in "$tarvel" "$programmer"; do
  [ -x "$binary" ] || { echo "send_sound: $binary is not built" >&2; exit 1; }
done

readonly default_frame="01 02 05 01 06 00 00 3C 14 00 64 00 1E 28 FC 6C"
readonly sound_s=4.923     # _qq.wav's length: 78 768 samples at 16 kHz
# How long after the sound's end the send may still be waiting: the stream's start-up and
# buffer (about 0.4 s here), with room for a loaded machine; a player that missed the end
# waits until its watchdog gives up, 5 s after the output stopped moving.
# TARVEL_LATE_LIMIT_S widens it where the program runs slowed down (the sanitizer build).
readonly late_limit_s=${TARVEL_LATE_LIMIT_S:-3.0}

work=$(mktemp -d)
mkdir -p "$work/run"
test_name=send_sound
. "$(dirname "$0")/lib/pulse-sandbox.sh"
window=""
cleanup() {
  if [ -n "$window" ]; then kill "$window" 2>/dev/null || true; fi
  sandbox_cleanup
}
trap cleanup EXIT
sandbox_start
recording_start "$work/recorded.wav"

# The window writes _qq.wav into the folder it is started in, then plays it.
# A window that never ends its send fails the test after a minute instead of hanging it.
(cd "$work/run" && ulimit -f 1000 && exec timeout 60 env QT_QPA_PLATFORM=offscreen TARVEL_TEST_SEND=quit "$programmer") \
  >"$work/window.log" 2>&1 &
window=$!
# The server's own view of the window's stream, about 2 s into the sound.
stream_latency() {
  pactl list sink-inputs 2>/dev/null \
    | sed -n 's/^[[:space:]]*\(Buffer Latency\|Sink Latency\): \(.*\)/\1 \2/p' | paste -sd ';' -
}
latency=""
for _ in $(seq 40); do
  [ -n "$(stream_latency)" ] && { sleep 2; latency=$(stream_latency); break; }
  sleep 0.1
done
status=0
wait "$window" || status=$?
returned=$(date +%s.%N)
window=""
[ "$status" -eq 0 ] || { echo "send_sound: the window ended with status $status" >&2; cat "$work/window.log" >&2; exit 1; }
[ -f "$work/run/_qq.wav" ] || { echo "send_sound: no _qq.wav was written" >&2; exit 1; }
[ -f "$work/run/9_fmsig.h" ] || { echo "send_sound: no 9_fmsig.h was written" >&2; exit 1; }

# _qq.wav is written just before it is played: from its last write to the send's return
# is how long the playback kept the window waiting.
written=$(stat -c %.9Y "$work/run/_qq.wav")
waited=$(awk -v a="$returned" -v b="$written" 'BEGIN { printf "%.3f", a - b }')
echo "send_sound: the send returned $waited s after _qq.wav was written (sound $sound_s s)"
[ -n "$latency" ] && echo "send_sound: server latencies during playback: $latency"

recording_stop

if awk -v w="$waited" -v s="$sound_s" 'BEGIN { exit !(w < s) }'; then
  echo "send_sound: FAILED: the send returned before the sound could have ended" >&2
  exit 1
fi
if awk -v w="$waited" -v s="$sound_s" -v l="$late_limit_s" 'BEGIN { exit !(w > s + l) }'; then
  echo "send_sound: FAILED: the send waited more than $late_limit_s s past the sound's end" >&2
  exit 1
fi

expect_decoded "$tarvel" "$work/recorded.wav" "$default_frame"
echo "send_sound: passed"
