#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `tarvel send` through a real sound stack: a private PulseAudio with two null sinks.
#  - --device plays on the sink it names and on no other (both monitors recorded and decoded);
#    two sends into one folder 0.15 s apart each play their own signal; a description holding
#    an escape sequence is printed escaped;
#  - --verify passes on a good output and fails, saying "silent", on a muted one;
#    --verify-from records a named input; devices lists the outputs and their monitors;
#  - a folder that cannot be written plays nothing and keeps the files it held;
#  - an output removed mid-play and a stream moved to another output end the send with
#    status 1 and the line "the sound was interrupted ..." naming the reason; a server killed
#    mid-play and no server at all each end the send with status 1 and one line saying why,
#    the files written; so do an output suspended mid-send with --verify (the sound interrupted), a suspended --verify-from
#    input, and a stopped server (devices too), each within 10 s.
# Usage: send_cli.sh BUILD_FOLDER. Skips (exit 0, "skipped: ...") only when PulseAudio
# cannot start at all.
set -euo pipefail

test_name=send_cli
. "$(dirname "$0")/lib/send-test.sh" "$@"
locked=""
cleanup() {
  if [ -n "$locked" ]; then chattr -i "$locked" 2>/dev/null || true; chmod u+w "$locked" 2>/dev/null || true; fi
  send_test_cleanup
}
trap cleanup EXIT
sandbox_start
sandbox_add_sink second_sink
# A description with an escape sequence that would turn a terminal's text red.
pactl load-module module-null-sink sink_name=odd_sink "sink_properties=device.description=Odd"$'\e'"[31mred" >/dev/null

options=(--mode vox --max-tx-s 120 --pilot-hz 1500)
expected=$("$tarvel" frame "${options[@]}")

echo "-- --device: each of two sends into one folder, 0.15 s apart, plays its own signal on its sink"
mkdir "$work/device"
other=(--mode pilot --max-tx-s 30 --pilot-hz 1200)
expected_other=$("$tarvel" frame "${other[@]}")
recording_begin "$work/default.wav" test_sink
recording_begin "$work/odd.wav" odd_sink
recording_begin "$work/second.wav" second_sink
recordings_settle
"$tarvel" send -C "$work/device" --device odd_sink "${options[@]}" >"$work/device.log" 2>&1 &
first=$!
sleep 0.15
"$tarvel" send -C "$work/device" --device second "${other[@]}" >"$work/device2.log" 2>&1 \
  || { cat "$work/device2.log" >&2; fail "tarvel send --device second"; }
wait "$first" || { cat "$work/device.log" >&2; fail "tarvel send --device odd_sink"; }
recording_stop
cat "$work/device.log"
grep -q "^played 4.923 s on second_sink" "$work/device2.log" || { cat "$work/device2.log" >&2; fail "no 'played' line"; }
grep -qF 'playing on odd_sink (Odd\x1B[31mred)' "$work/device.log" || fail "the description is not escaped"
if grep -q $'\e' "$work/device.log"; then fail "an escape character reached the output"; fi
expect_decoded "$tarvel" "$work/odd.wav" "$expected"
expect_decoded "$tarvel" "$work/second.wav" "$expected_other"
if "$tarvel" decode "$work/default.wav" >/dev/null 2>&1; then fail "the default sink heard a send too"; fi

echo "-- --verify on a good output"
mkdir "$work/good"
status=0
"$tarvel" send -C "$work/good" --verify "${options[@]}" >"$work/good.log" 2>&1 || status=$?
cat "$work/good.log"
[ "$status" -eq 0 ] || fail "--verify on a good output exited $status"
grep -q "^verified: $expected, CRC .* ok; level .* dBFS" "$work/good.log" || fail "no 'verified' line"

echo "-- --verify on a muted output"
pactl set-sink-mute test_sink 1
status=0
"$tarvel" send -C "$work/good" --verify >"$work/muted.log" 2>&1 || status=$?
pactl set-sink-mute test_sink 0
cat "$work/muted.log"
[ "$status" -eq 1 ] || fail "--verify on a muted output exited $status, not 1"
grep -q "not verified on test_sink.monitor: silent" "$work/muted.log" || fail "the failure does not say 'silent'"

echo "-- devices, --verify-from and tone"
"$tarvel" devices >"$work/devices.log"
cat "$work/devices.log"
grep -q '^\* test_sink ' "$work/devices.log" || fail "the default output is not marked"
grep -q '^\* test_sink.monitor ' "$work/devices.log" || fail "the default input is not marked"
grep -qF 'Odd\x1B[31mred' "$work/devices.log" || fail "devices does not escape a description"
if grep -q $'\e' "$work/devices.log"; then fail "devices printed an escape character"; fi
grep -q '^  second_sink ' "$work/devices.log" || fail "the second output is not listed"
grep -q '^  second_sink.monitor ' "$work/devices.log" || fail "the second output's monitor is not listed"
"$tarvel" send -C "$work/good" --device second_sink --verify-from second_sink.mon >"$work/from.log" 2>&1 \
  || { cat "$work/from.log" >&2; fail "--verify-from the played output's monitor"; }
grep -q "^verified: " "$work/from.log" || fail "--verify-from did not verify"
status=0
"$tarvel" send -C "$work/good" --verify-from monitor >"$work/ambiguous.log" 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "an ambiguous --verify-from exited $status, not 2"
grep -q "'monitor' fits several inputs: test_sink.monitor .*second_sink.monitor" "$work/ambiguous.log" \
  || { cat "$work/ambiguous.log" >&2; fail "the choices are not listed"; }
"$tarvel" tone --seconds 1 --device second >"$work/tone.log" 2>&1 || { cat "$work/tone.log" >&2; fail "tarvel tone"; }
grep -q "^played on second_sink" "$work/tone.log" || fail "tarvel tone did not say where it played"

echo "-- the output removed mid-play"
module=$(pactl load-module module-null-sink sink_name=doomed_sink)
mkdir "$work/doomed"
(sleep 2; pactl unload-module "$module") &
status=0
"$tarvel" send -C "$work/doomed" --device doomed_sink >"$work/doomed.log" 2>&1 || status=$?
wait
cat "$work/doomed.log"
[ "$status" -eq 1 ] || fail "a removed output exited $status, not 1"
[ "$(grep -c '^tarvel send:' "$work/doomed.log")" -eq 1 ] || fail "not one line saying why"
grep -q "^tarvel send: the sound was interrupted for [0-9]* ms at [0-9.]* s on doomed_sink .*(the output was removed; the sound server moved the rest to .*): the interface received a broken frame; send again$" "$work/doomed.log" || fail "the failure does not say the output was removed"
[ -f "$work/doomed/_qq.wav" ] || fail "no _qq.wav written"

# Runs `tarvel ARGS...` into $work/NAME.log and requires exit 1 within 10 s and the line RE:
# expect_failure NAME RE ARGS...
expect_failure() {
  local name=$1 re=$2 status=0 started took_ms
  shift 2
  started=$(date +%s%N)
  "$tarvel" "$@" >"$work/$name.log" 2>&1 || status=$?
  took_ms=$((($(date +%s%N) - started) / 1000000))
  cat "$work/$name.log"
  echo "($name: exit $status after $took_ms ms)"
  [ "$status" -eq 1 ] || fail "$name exited $status, not 1"
  [ "$took_ms" -lt 10000 ] || fail "$name took $took_ms ms"
  grep -q "$re" "$work/$name.log" || fail "$name does not say: $re"
}

echo "-- the stream moved to another output mid-play"
(sleep 3; read -r stream _ < <(pactl list short sink-inputs); pactl move-sink-input "$stream" second_sink) &
expect_failure moved "^tarvel send: the sound was interrupted for [0-9]* ms at [0-9.]* s on test_sink .*(the sound server moved the stream to second_sink, which would have played the rest): the interface received a broken frame; send again$" send -C "$work/doomed"
wait

echo "-- the output suspended mid-send, with --verify"
(sleep 2.5; pactl suspend-sink test_sink 1) &
expect_failure suspended "^tarvel send: the sound was interrupted for at least [1-9][0-9][0-9][0-9] ms at [0-9.]* s on test_sink .*: the interface received a broken frame; send again$" send -C "$work/doomed" --verify
wait
pactl suspend-sink test_sink 0

echo "-- --verify-from a suspended input"
pactl suspend-sink second_sink 1
expect_failure suspended-input "^tarvel send: cannot verify: nothing came from 'second_sink.monitor' for 1 s" \
  send -C "$work/doomed" --verify-from second_sink.monitor
pactl suspend-sink second_sink 0

echo "-- the sound server stopped (SIGSTOP): devices and send --verify"
server=$(cat "$PULSE_RUNTIME_PATH/pid")
stopped=$server
kill -STOP "$server"
expect_failure stopped-devices "^tarvel devices: the sound server did not list its devices within 4 s" devices &
listing=$!
expect_failure stopped-send "^tarvel send: playback failed: the sound server did not list its outputs within 4 s" \
  send -C "$work/doomed" --verify || exit 1
wait "$listing" || exit 1
kill -CONT "$server"
stopped=""

locked_folder_case() {
  mkdir "$work/locked"
  "$tarvel" wav -C "$work/locked" >/dev/null
  cp "$work/locked/_qq.wav" "$work/old_qq.wav"
  cp "$work/locked/9_fmsig.h" "$work/old_fmsig.h"
  locked="$work/locked"
  chmod a-w "$locked"
  # root writes into any folder whatever its mode bits: make it immutable instead.
  if touch "$locked/probe" 2>/dev/null; then
    rm -f "$locked/probe"
    chattr +i "$locked" 2>/dev/null || true
    if touch "$locked/probe" 2>/dev/null; then
      rm -f "$locked/probe"
      echo "skipped: no way to make a folder unwritable here"
      return
    fi
  fi
  recording_start "$work/locked.wav" test_sink
  status=0
  "$tarvel" send -C "$locked" "${options[@]}" >"$work/locked.log" 2>&1 || status=$?
  recording_stop
  cat "$work/locked.log"
  [ "$status" -eq 1 ] || fail "an unwritable folder exited $status, not 1"
  grep -q "Cannot create file \"$locked/_qq.wav\".*nothing was played" "$work/locked.log" || fail "no 'Cannot create file' line"
  cmp -s "$locked/_qq.wav" "$work/old_qq.wav" || fail "_qq.wav changed"
  cmp -s "$locked/9_fmsig.h" "$work/old_fmsig.h" || fail "9_fmsig.h changed"
  if "$tarvel" decode "$work/locked.wav" >/dev/null 2>&1; then fail "something was played"; fi
}
echo "-- a folder that cannot be written"
locked_folder_case

echo "-- the sound server killed mid-play, then missing"
mkdir "$work/killed"
(sleep 2; pulseaudio --kill) &
status=0
"$tarvel" send -C "$work/killed" >"$work/killed.log" 2>&1 || status=$?
wait
cat "$work/killed.log"
[ "$status" -eq 1 ] || fail "a killed server exited $status, not 1"
grep -q "^tarvel send: playback failed on test_sink .*stopped with an error" "$work/killed.log" || fail "the failure does not say the output stopped"
status=0
"$tarvel" send -C "$work/killed" >"$work/missing.log" 2>&1 || status=$?
cat "$work/missing.log"
[ "$status" -eq 1 ] || fail "no server exited $status, not 1"
grep -qx "tarvel send: playback failed: no sound output (is a sound server running?)" "$work/missing.log" || fail "no server is not said so"
status=0
"$tarvel" send -C "$work/killed" --device second >"$work/missing-device.log" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "no server with --device exited $status, not 1"
grep -qx "tarvel send: playback failed: no sound output (is a sound server running?)" "$work/missing-device.log" \
  || fail "no server with --device is not said so"
echo "send_cli: passed"
