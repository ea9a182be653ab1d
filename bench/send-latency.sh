#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How quickly a send starts and how closely it ends, through a private PulseAudio null sink:
#  - start: from the command's start (exec of `tarvel send`) and from the send's own start
#    (after the process and the sound library are up) to the first sample the sound server
#    took from us;
#  - end: how long the send lasts beyond the sound plus the latency the server reports for
#    the stream (its "Buffer Latency" + "Sink Latency", read from pactl mid-sound).
# Two set-ups: the null sink with a reader on its monitor (it then runs with small buffers,
# as a sound card does), and the null sink alone (idle, it starts with about 2 s of buffer).
#   bench/send-latency.sh [BUILD] [RUNS]
set -euo pipefail
build=$(realpath "${1:-build}")
runs=${2:-10}
tarvel="$build/tarvel"
[[ -x "$tarvel" && -x "$build/tarvel-sound" ]] || { echo "send-latency: tarvel and tarvel-sound must be built" >&2; exit 1; }

work=$(mktemp -d)
test_name=send-latency
. "$(dirname "$0")/../tests/e2e/lib/pulse-sandbox.sh"
trap sandbox_cleanup EXIT
sandbox_start

latency_us() {
  pactl list sink-inputs 2>/dev/null | awk '/Buffer Latency:|Sink Latency:/ { sum += $3 } END { print sum + 0 }'
}

measure() {
  local label=$1 i launched line lat
  echo "-- $label ($runs sends)"
  printf '%-4s %12s %12s %12s %12s %12s\n' run exec-first send-first lasted latency beyond
  for i in $(seq "$runs"); do
    launched=$(date +%s%6N)
    TARVEL_SEND_TIMING=1 "$tarvel" send -C "$work" >/dev/null 2>"$work/timing.txt" &
    local pid=$!
    sleep 2.5
    lat=$(latency_us)
    wait "$pid"
    line=$(grep '^timing:' "$work/timing.txt")
    awk -v launched="$launched" -v lat="$lat" -v run="$i" '{
        for (f = 2; f <= NF; ++f) { split($f, kv, "="); v[kv[1]] = kv[2] }
        execFirst = (v["start_epoch_us"] - launched + v["first_sample_us"]) / 1000
        sendFirst = v["first_sample_us"] / 1000
        lasted = (v["ended_us"] - v["first_sample_us"]) / 1000
        beyond = lasted - v["sound_us"] / 1000 - lat / 1000
        printf "%-4s %9.1f ms %9.1f ms %9.1f ms %9.1f ms %9.1f ms\n", run, execFirst, sendFirst, lasted, lat / 1000, beyond
      }' <<<"$line"
    sleep 0.5
  done
}

recording_start "$work/monitor.wav"
measure "null sink, monitor recorded"
recording_stop
sleep 3 # the sink goes idle again
measure "null sink alone"
