#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `tarvel send` against what used to leave holes in the sound, through a private PulseAudio:
#  - the sending process stopped (SIGSTOP) for 0.2, 0.5 and 1 s mid-play, five times each
#    (TARVEL_STALL_ROUNDS), all at once on sinks of their own, each sink's monitor recorded:
#    every send either exits 0 and its recording reads "CRC ok", or exits 1 with the one line
#    "the sound was interrupted ..."; never exit 0 with a damaged recording;
#  - the output suspended for 0.3 s mid-play: exit 1 and the line, its length at least 0.2 s
#    (more on a busy machine, where pactl itself is slow to start);
#  - the sound server stopped (SIGSTOP) 2.5 s into a send: exit 1 and the line within 2.5 s
#    of the stop, and the server goes on once continued;
#  - under a file-size limit of 1000 blocks (ulimit -f 1000) send, tone and devices work.
# Usage: send_stall.sh BUILD_FOLDER. Skips (exit 0, "skipped: ...") only when PulseAudio
# cannot start at all.
set -euo pipefail
rounds=${TARVEL_STALL_ROUNDS:-5}

test_name=send_stall
. "$(dirname "$0")/lib/send-test.sh" "$@"
sandbox_start

expected=$("$tarvel" frame)

echo "-- the sender stopped mid-play: 0.2, 0.5 and 1 s, $rounds times each, all at once"
names=()
for round in $(seq "$rounds"); do
  for stall in 0.2 0.5 1; do
    name="stall${stall/./_}_$round"
    sandbox_add_sink "$name"
    names+=("$name")
  done
done
for name in "${names[@]}"; do recording_begin "$work/$name.wav" "$name"; done
recordings_settle
for name in "${names[@]}"; do
  mkdir "$work/$name"
  stall=${name#stall}
  stall=${stall%_*}
  (
    status=0
    "$tarvel" send -C "$work/$name" --device "$name" >"$work/$name.log" 2>&1 &
    sender=$!
    sleep 2.5
    kill -STOP "$sender"
    sleep "${stall/_/.}"
    kill -CONT "$sender"
    wait "$sender" || status=$?
    echo "$status" >"$work/$name.status"
  ) &
  stopped="$stopped $!"
done
wait $stopped
stopped=""
recording_stop
clean=0
told=0
for name in "${names[@]}"; do
  verdict=$(judge_send "$tarvel" "$name" "$expected")
  case $verdict in
    clean) clean=$((clean + 1)) ;;
    told) told=$((told + 1)); grep "^tarvel send:" "$work/$name.log" ;;
    *) cat "$work/$name.log" >&2; "$tarvel" decode "$work/$name.wav" >&2 || true; fail "$name: $verdict" ;;
  esac
done
echo "send_stall: ${#names[@]} stalled sends: $clean played whole (CRC ok), $told told the sound was interrupted"

echo "-- the output suspended for 0.3 s mid-play"
recording_start "$work/suspended.wav" test_sink
(sleep 2.5; pactl suspend-sink test_sink 1; sleep 0.3; pactl suspend-sink test_sink 0) &
suspender=$!
status=0
"$tarvel" send -C "$work/suspended" >"$work/suspended.log" 2>&1 || status=$?
wait "$suspender"
recording_stop
cat "$work/suspended.log"
[ "$status" -eq 1 ] || fail "a suspended output exited $status, not 1"
[ "$(grep -c '^tarvel send:' "$work/suspended.log")" -eq 1 ] || fail "not one line saying why"
grep -q "^tarvel send: the sound was interrupted for [2-9][0-9][0-9] ms at [0-9.]* s on test_sink .*: the interface received a broken frame; send again$" \
  "$work/suspended.log" || fail "the line does not tell a hole of about 0.3 s"

echo "-- the sound server stopped 2.5 s into a send"
server=$(cat "$PULSE_RUNTIME_PATH/pid")
stopped=$server
"$tarvel" send -C "$work/suspended" >"$work/server-stopped.log" 2>&1 &
sender=$!
sleep 2.5
kill -STOP "$server"
stopped_at=$(date +%s%N)
status=0
wait "$sender" || status=$?
told_ms=$((($(date +%s%N) - stopped_at) / 1000000))
kill -CONT "$server"
cat "$work/server-stopped.log"
echo "(exit $status $told_ms ms after the server was stopped)"
[ "$status" -eq 1 ] || fail "a stopped server exited $status, not 1"
grep -q "^tarvel send: the sound was interrupted for at least [0-9]* ms at [0-9.]* s on test_sink .*: the interface received a broken frame; send again$" \
  "$work/server-stopped.log" || fail "the line does not tell the interruption"
[ "$told_ms" -lt 2500 ] || fail "a stopped server was told only after $told_ms ms"
pactl info >/dev/null || fail "the server did not go on once continued"
stopped=""

echo "-- a file-size limit of 1000 blocks: send, tone and devices"
(
  ulimit -f 1000
  "$tarvel" send -C "$work/limited" >"$work/limited.log" 2>&1 || fail "send under ulimit -f 1000 exited $?"
  "$tarvel" tone --seconds 1 >"$work/limited-tone.log" 2>&1 || fail "tone under ulimit -f 1000 exited $?"
  "$tarvel" devices >"$work/limited-devices.log" 2>&1 || fail "devices under ulimit -f 1000 exited $?"
)
grep -q "^played 4.923 s on test_sink" "$work/limited.log" || { cat "$work/limited.log" >&2; fail "send did not play"; }
grep -q "^played on test_sink" "$work/limited-tone.log" || { cat "$work/limited-tone.log" >&2; fail "tone did not play"; }
grep -q '^\* test_sink ' "$work/limited-devices.log" || { cat "$work/limited-devices.log" >&2; fail "devices listed nothing"; }
echo "send_stall: passed"
