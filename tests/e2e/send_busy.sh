#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Many plain sends on a machine kept busy: two shell loops spin beside them while
# `tarvel send` plays TARVEL_BUSY_SENDS sends (default 50), TARVEL_BUSY_PARALLEL at a time
# (default 5), each on a null sink of its own whose monitor is recorded. Every send must
# either exit 0 with a recording that reads "CRC ok", or exit 1 with the line "the sound was
# interrupted ..."; a damaged recording reported as success fails the run. Too slow for
# make test (about two minutes); run it by hand: send_busy.sh BUILD_FOLDER.
set -euo pipefail
sends=${TARVEL_BUSY_SENDS:-50}
parallel=${TARVEL_BUSY_PARALLEL:-5}

test_name=send_busy
. "$(dirname "$0")/lib/send-test.sh" "$@"
sandbox_start
expected=$("$tarvel" frame)
for slot in $(seq "$parallel"); do sandbox_add_sink "busy$slot"; done

for _ in 1 2; do
  (while :; do :; done) &
  spinning="$spinning $!"
done

clean=0
told=0
damaged=0
unexplained=0
done_sends=0
started=$(date +%s)
while [ "$done_sends" -lt "$sends" ]; do
  batch=()
  for slot in $(seq "$parallel"); do
    [ $((done_sends + ${#batch[@]})) -lt "$sends" ] || break
    batch+=("send$((done_sends + ${#batch[@]} + 1))_busy$slot")
  done
  for name in "${batch[@]}"; do recording_begin "$work/$name.wav" "${name#*_}"; done
  recordings_settle
  pids=""
  for name in "${batch[@]}"; do
    (
      status=0
      "$tarvel" send -C "$work/$name" --device "${name#*_}" >"$work/$name.log" 2>&1 || status=$?
      echo "$status" >"$work/$name.status"
    ) &
    pids="$pids $!"
  done
  wait $pids
  recording_stop
  for name in "${batch[@]}"; do
    verdict=$(judge_send "$tarvel" "$name" "$expected")
    case $verdict in
      clean) clean=$((clean + 1)) ;;
      told) told=$((told + 1)); grep "^tarvel send:" "$work/$name.log" ;;
      damaged) damaged=$((damaged + 1)); echo "$name: exit 0, but the recording reads: $("$tarvel" decode "$work/$name.wav" 2>&1 | sed -n 2p)" ;;
      *) unexplained=$((unexplained + 1)); echo "$name:"; cat "$work/$name.log" ;;
    esac
  done
  done_sends=$((done_sends + ${#batch[@]}))
done
echo "send_busy: $sends sends, $parallel at a time, beside two busy loops, in $(($(date +%s) - started)) s:" \
  "$clean played whole (CRC ok), $told told the sound was interrupted, $damaged damaged but reported as" \
  "played, $unexplained ended otherwise"
[ "$damaged" -eq 0 ] || fail "$damaged damaged recordings were reported as success"
[ "$unexplained" -eq 0 ] || fail "$unexplained sends ended without the expected line"
echo "send_busy: passed"
