# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the sound tests (sourced, not run): a private PulseAudio with a null sink, a
# recorder on its monitor, and the check of what `tarvel decode` read back.
# The caller sets `work` (a scratch folder) and `test_name`, and calls sandbox_cleanup
# from its EXIT trap.

recorder=""
recorded_sinks=""

# Starts the daemon with its socket, pid file and state inside $work, so that the test
# never meets another PulseAudio and `pulseaudio --kill` stops only this one. Exits 0 with
# "skipped: ..." when PulseAudio cannot start at all.
sandbox_start() {
  local tool
  for tool in pulseaudio pactl parec "$@"; do
    command -v "$tool" >/dev/null || { echo "$test_name: $tool is missing (scripts/install-deps)" >&2; exit 1; }
  done
  export PULSE_RUNTIME_PATH="$work/runtime" PULSE_STATE_PATH="$work/state" PULSE_CONFIG_PATH="$work/config"
  mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH" "$PULSE_CONFIG_PATH"
  if ! pulseaudio -D -n --exit-idle-time=-1 --load=module-native-protocol-unix \
       --load="module-null-sink sink_name=test_sink" >"$work/pulseaudio.log" 2>&1; then
    echo "skipped: PulseAudio cannot start here: $(tail -n 1 "$work/pulseaudio.log")"
    exit 0
  fi
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl info >/dev/null 2>&1 || { echo "skipped: PulseAudio started but does not answer"; exit 0; }
  pactl set-default-sink test_sink
}

# A second null sink beside the default one: sandbox_add_sink NAME.
sandbox_add_sink() {
  pactl load-module module-null-sink sink_name="$1" >/dev/null
}

# Records the monitor of sink $2 (default test_sink) into $1 at 16 kHz mono. Small buffers,
# and running before playback begins, or the lead-in is lost: it returns once the server
# lists the recording, however long a busy machine takes to start parec (a recorder that
# falls behind later loses nothing: the server keeps seconds of it), and once the sink has
# come down to the recorder's latency (recordings_settle). Several may run at once;
# recording_stop ends them all.
recording_start() {
  recording_begin "$@"
  recordings_settle
}

# The same without waiting for the sink: start every recorder of a batch, then settle once.
recording_begin() {
  local before
  before=$(pactl list short source-outputs | wc -l)
  parec -d "${2:-test_sink}.monitor" --latency-msec=20 --rate=16000 --channels=1 --format=s16le \
    --file-format=wav "$1" &
  recorder="$recorder $!"
  recorded_sinks="$recorded_sinks ${2:-test_sink}"
  for _ in $(seq 200); do
    [ "$(pactl list short source-outputs | wc -l)" -gt "$before" ] && break
    sleep 0.05
  done
}

# An idle null sink has mixed up to 2 s of silence ahead; a recorder that asks for a short
# latency leaves that silence in place (it can no longer be taken back), so a sound started
# now would play only after it. Waits (at most 4 s) until every recorded sink's latency is
# below 0.1 s, then half a second more for the recorders to run.
recordings_settle() {
  local sink latency
  for sink in $recorded_sinks; do
    for _ in $(seq 80); do
      latency=$(pactl list sinks | awk -v name="$sink" '$1 == "Name:" { here = ($2 == name) }
        here && $1 == "Latency:" { print $2; exit }')
      [ -n "$latency" ] && [ "$latency" -lt 100000 ] && break
      sleep 0.05
    done
  done
  recorded_sinks=""
  sleep 0.5
}

recording_stop() {
  local pid
  sleep 1
  for pid in $recorder; do kill -INT "$pid"; wait "$pid" || true; done
  recorder=""
}

sandbox_cleanup() {
  local pid
  for pid in $recorder; do kill "$pid" 2>/dev/null || true; done
  pulseaudio --kill 2>/dev/null || true
  rm -rf "$work"
}

# Decodes recording $2 with tarvel $1 and requires frame $3 with "CRC ok".
expect_decoded() {
  local status=0 decoded first second
  decoded=$("$1" decode "$2") || status=$?
  first=$(printf '%s\n' "$decoded" | sed -n 1p)
  second=$(printf '%s\n' "$decoded" | sed -n 2p)
  if [ "$status" -ne 0 ] || [ "$first" != "$3" ] || [ "$second" != "CRC ok" ]; then
    echo "$test_name: FAILED (tarvel decode exit $status)" >&2
    echo "expected: $3" >&2
    printf '%s\n' "$decoded" >&2
    exit 1
  fi
  printf '%s\n' "$decoded" | sed -n '1,2p;/^Signal:/,$p'
}

# Judges a send that wrote its exit status to $work/NAME.status, its output to NAME.log and
# whose sink was recorded into NAME.wav, against frame $3, decoding with tarvel $1:
# judge_send TARVEL NAME FRAME. Prints one word: clean (exit 0, the recording reads the frame
# with "CRC ok"), told (exit 1 with the line "the sound was interrupted ..."), damaged (exit 0
# but the recording does not read the frame: the fault that must never happen) or
# unexplained (any other ending).
judge_send() {
  local status decoded
  status=$(cat "$work/$2.status")
  decoded=$("$1" decode "$work/$2.wav" 2>&1 | sed -n 1,2p | paste -sd ' ' -) || true
  if [ "$status" -eq 0 ] && [ "$decoded" = "$3 CRC ok" ]; then
    echo clean
  elif [ "$status" -eq 0 ]; then
    echo damaged
  elif [ "$status" -eq 1 ] && grep -q "^tarvel send: the sound was interrupted for \(at least \)\?[0-9]* ms at [0-9.]* s on .*: the interface received a broken frame; send again$" "$work/$2.log"; then
    echo told
  else
    echo unexplained
  fi
}
