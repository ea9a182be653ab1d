#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How soon a send's first sample plays after the sound is handed to the sound server, on a
# private null sink, ten sends (RUNS) in each of two states of the sink: idle for 3.5 s
# before each send, and right after the previous send.
#  - heard: an independent recorder (parec on the sink's monitor, 10 ms blocks, each stamped
#    with the wall clock on arrival) finds the first loud sample after a quiet stretch;
#    against the hand-over time `tarvel send` prints with TARVEL_SEND_TIMING=1. Such a
#    recorder keeps the sink at its own short latency, so this shows the sink as a sound
#    card with another program recording it runs;
#  - late end: with no recorder at all (the null sink then idles at its 2 s latency, as
#    nobody listens), how long the send lasted beyond the sound's length from the hand-over
#    to the server's report of its last sample played: a late first sample makes it longer.
#   bench/send-first-sample.sh [BUILD] [RUNS]
set -euo pipefail
runs=${2:-10}
command -v perl >/dev/null || { echo "send-first-sample: perl is missing (scripts/install-deps bench)" >&2; exit 1; }
test_name=send-first-sample
. "$(dirname "$0")/../tests/e2e/lib/send-test.sh" "$@"
sandbox_start

# One send; prints "HANDED_OVER_EPOCH_US LASTED_BEYOND_SOUND_US".
send_once() {
  TARVEL_SEND_TIMING=1 "$tarvel" send -C "$work" >/dev/null 2>"$work/timing.txt"
  awk '/^timing:/ { for (f = 2; f <= NF; ++f) { split($f, kv, "="); v[kv[1]] = kv[2] }
         printf "%.0f %.0f\n", v["start_epoch_us"] + v["first_sample_us"], v["ended_us"] - v["first_sample_us"] - v["sound_us"] }' \
    "$work/timing.txt"
}

# One line per onset: the wall-clock µs of the first sample above a twentieth of full scale
# after at least 40 ms below it: its block's arrival less the samples after it in the block.
onsets="$work/onsets.txt"
listen() {
  : >"$onsets"
  parec -d test_sink.monitor --latency-msec=10 --rate=16000 --channels=1 --format=s16le --raw \
    | perl -MTime::HiRes=time -e '
        $| = 1; binmode STDIN; my $quiet = 16000;
        while (sysread(STDIN, my $block, 320) > 0) {
          my $now = time; my @s = unpack("s<*", $block);
          for my $i (0 .. $#s) {
            if (abs($s[$i]) > 1600) {
              printf "%.0f\n", ($now - (@s - $i) / 16000) * 1e6 if $quiet >= 640;
              $quiet = 0;
            } else { ++$quiet; }
          }
        }' >"$onsets" &
  spinning="$spinning $!"
  for _ in $(seq 100); do [ "$(pactl list short source-outputs | wc -l)" -gt 0 ] && break; sleep 0.05; done
  recorded_sinks=test_sink
  recordings_settle
}

heard() {
  local label=$1 pause=$2 i handed beyond onset
  echo "-- heard, $label ($runs sends)"
  for i in $(seq "$runs"); do
    sleep "$pause"
    read -r handed beyond < <(send_once)
    onset=$(awk -v h="$handed" '$1 > h - 50000 { print; exit }' "$onsets")
    awk -v h="$handed" -v o="${onset:-0}" -v i="$i" 'BEGIN {
        if (o == 0) printf "run %2d: no sound heard\n", i
        else printf "run %2d: first sample heard %7.1f ms after the hand-over\n", i, (o - h) / 1000 }'
  done
}

late_end() {
  local label=$1 pause=$2 i handed beyond
  echo "-- no recorder, $label ($runs sends)"
  for i in $(seq "$runs"); do
    sleep "$pause"
    read -r handed beyond < <(send_once)
    awk -v b="$beyond" -v i="$i" 'BEGIN { printf "run %2d: ended %7.1f ms beyond the sound\n", i, b / 1000 }'
  done
}

late_end "the sink idle 3.5 s before each send" 3.5
late_end "sends back to back" 0
listen
heard "the sink idle 3.5 s before each send" 3.5
heard "sends back to back" 0
