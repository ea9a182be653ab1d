#!/usr/bin/env bash
# The signal through a real sound stack: `tarvel wav` writes _qq.wav, paplay plays it into a
# private PulseAudio null sink while parec records the sink's monitor, and `tarvel decode`
# must read the frame back with "CRC ok". Usage: sound_roundtrip.sh BUILD_FOLDER
# Skips (exit 0, "skipped: ...") only when PulseAudio cannot start at all.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
tarvel="$build/tarvel"
[ -x "$tarvel" ] || { echo "sound_roundtrip: $tarvel is not built" >&2; exit 1; }

work=$(mktemp -d)
# A private daemon: its socket, pid file and state live here, so that this test never meets
# another PulseAudio and `pulseaudio --kill` below stops only this one.
export PULSE_RUNTIME_PATH="$work/runtime" PULSE_STATE_PATH="$work/state" PULSE_CONFIG_PATH="$work/config"
mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH" "$PULSE_CONFIG_PATH"
recorder=""
cleanup() {
  if [ -n "$recorder" ]; then kill "$recorder" 2>/dev/null || true; fi
  pulseaudio --kill 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

for tool in pulseaudio pactl paplay parec; do
  command -v "$tool" >/dev/null || { echo "sound_roundtrip: $tool is missing (scripts/install-deps)" >&2; exit 1; }
done

if ! pulseaudio -D -n --exit-idle-time=-1 --load=module-native-protocol-unix \
     --load="module-null-sink sink_name=test_sink" >"$work/pulseaudio.log" 2>&1; then
  echo "skipped: PulseAudio cannot start here: $(tail -n 1 "$work/pulseaudio.log")"
  exit 0
fi
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "skipped: PulseAudio started but does not answer"; exit 0; }
pactl set-default-sink test_sink

options=(--mode vox --max-tx-s 120 --pilot-hz 1500)
expected=$("$tarvel" frame "${options[@]}")
"$tarvel" wav -C "$work" "${options[@]}" >/dev/null

# Small buffers, and the recorder started well before playback, or the first second is lost.
parec -d test_sink.monitor --latency-msec=20 --rate=16000 --channels=1 --format=s16le \
  --file-format=wav "$work/recorded.wav" &
recorder=$!
sleep 1.5
paplay -d test_sink "$work/_qq.wav"
sleep 1
kill -INT "$recorder"
wait "$recorder" || true
recorder=""

status=0
decoded=$("$tarvel" decode "$work/recorded.wav") || status=$?
first=$(printf '%s\n' "$decoded" | sed -n 1p)
second=$(printf '%s\n' "$decoded" | sed -n 2p)
if [ "$status" -ne 0 ] || [ "$first" != "$expected" ] || [ "$second" != "CRC ok" ]; then
  echo "sound_roundtrip: FAILED (tarvel decode exit $status)" >&2
  echo "expected: $expected" >&2
  printf '%s\n' "$decoded" >&2
  exit 1
fi
printf '%s\n' "$decoded" | sed -n '1,2p;/^Signal:/,$p'
echo "sound_roundtrip: passed"
