#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A recording read through a pipe or a FIFO reads as the file does: for each recording (sample
# format, bits, channels, rate, size, a header that leaves the length open), `tarvel decode`
# of the file reads "CRC ok", and the same bytes through `tarvel decode -` and through a FIFO
# print the same, line for line. Then a FIFO whose writer stays open: the answer comes once
# the frame is whole, not at the stream's end. One line per case; any FAIL fails the run.
# Usage: decode_streams.sh BUILD_FOLDER
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
tarvel="$build/tarvel"
[ -x "$tarvel" ] || { echo "decode_streams: $tarvel is not built" >&2; exit 1; }

work=$(mktemp -d)
writers=()
cleanup()
{
  for pid in "${writers[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

cases=0 failures=0
pass() { cases=$((cases + 1)); printf 'ok    %-30s %s\n' "$1" "$2"; }
fail() { cases=$((cases + 1)); failures=$((failures + 1)); printf 'FAIL  %-30s %s\n' "$1" "$2"; }

"$tarvel" wav -C "$work" >/dev/null || { echo "decode_streams: tarvel wav failed" >&2; exit 1; }
send="$work/_qq.wav"
fifo="$work/fifo"
mkfifo "$fifo"

# Sets the RIFF length and the data chunk's length (at byte AT) of a WAV FILE to 0xFFFFFFFF,
# as a recorder writing to a pipe leaves them.
open_length()
{
  local file=$1 at=$2
  printf '\377\377\377\377' | dd of="$file" bs=1 seek=4 conv=notrunc status=none
  printf '\377\377\377\377' | dd of="$file" bs=1 seek="$at" conv=notrunc status=none
}

# NAME FILE: the file, the pipe and the FIFO readings compared.
compare()
{
  local name=$1 file=$2 size
  size=$(stat -c %s "$file")
  local from_file from_pipe from_fifo
  from_file=$("$tarvel" decode "$file" 2>&1)
  if [ "$(printf '%s\n' "$from_file" | sed -n 2p)" != "CRC ok" ]; then
    fail "$name" "the file itself does not read CRC ok: $(printf '%s\n' "$from_file" | head -2 | tr '\n' ' ')"
    return
  fi
  # A pipe on standard input, not the file itself.
  # shellcheck disable=SC2002
  from_pipe=$(cat "$file" | "$tarvel" decode - 2>&1)
  cat "$file" > "$fifo" 2>/dev/null &
  writers+=($!)
  from_fifo=$(timeout 60 "$tarvel" decode "$fifo" 2>&1)
  wait "${writers[-1]}" 2>/dev/null
  if [ "$from_pipe" != "$from_file" ]; then
    fail "$name" "$size bytes: the pipe reads otherwise: $(printf '%s\n' "$from_pipe" | head -2 | tr '\n' ' ')"
  elif [ "$from_fifo" != "$from_file" ]; then
    fail "$name" "$size bytes: the FIFO reads otherwise: $(printf '%s\n' "$from_fifo" | head -2 | tr '\n' ' ')"
  else
    pass "$name" "$size bytes: file, pipe and FIFO alike"
  fi
}

# NAME EXTENSION SOX-OUTPUT-OPTIONS [-- SOX-EFFECTS]: a recording made from the send by sox.
make_recording()
{
  local name=$1 ext=$2
  shift 2
  local options=() effects=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
  [ $# -gt 0 ] && shift && effects=("$@")
  sox -V1 "$send" "${options[@]}" "$work/$name.$ext" "${effects[@]}" || { fail "$name" "sox cannot make it"; return 1; }
}

# The past-the-window cases run well beyond the 1 MiB a stream's reader looks ahead or keeps.
recordings=(
  "s16-mono-16k wav -b 16"
  "u8-mono-8k wav -b 8 -e unsigned -r 8000"
  "s16-stereo-44k-long wav -b 16 -c 2 -r 44100 -- pad 0 10"
  "s24-stereo-48k wav -b 24 -c 2 -r 48000"
  "s24-mono-16k-padded wav -b 24 -- pad 0 19"
  "s24-6ch-96k wav -b 24 -c 6 -r 96000"
  "s32-stereo-96k-long wav -b 32 -c 2 -r 96000 -- pad 0 3"
  "f32-40ch-16k wav -b 32 -e float -c 40"
  "f32-64ch-8k wav -b 32 -e float -c 64 -r 8000"
  "f64-3ch-22k-long wav -b 64 -e float -c 3 -r 22050 -- pad 0 5"
  "ulaw-mono-8k-long wav -e u-law -r 8000 -- pad 0 140"
  "alaw-stereo-16k-long wav -e a-law -c 2 -- pad 0 30"
  "msadpcm-mono-16k-long wav -e ms-adpcm -- pad 0 300"
  "imaadpcm-mono-16k wav -e ima-adpcm"
  "flac-s24-stereo-48k flac -b 24 -c 2 -r 48000 -- pad 0 10"
  "flac-s16-mono-8k flac -b 16 -r 8000"
  "vorbis-stereo-44k ogg -c 2 -r 44100"
)
for recording in "${recordings[@]}"; do
  read -r name ext options <<< "$recording"
  # shellcheck disable=SC2086
  make_recording "$name" "$ext" $options && compare "$name" "$work/$name.$ext"
done

# A recorder writing to a pipe cannot go back to write the length: sox leaves it near 2 GiB,
# others at 0xFFFFFFFF.
for layout in "s16:-b 16 -e signed" "s24:-b 24 -e signed" "f32:-b 32 -e float" "ulaw:-e u-law"; do
  name="open-length-sox-${layout%%:*}"
  # shellcheck disable=SC2086
  sox -V1 "$send" -t raw -b 16 -e signed - | sox -V1 -t raw -r 16000 -b 16 -e signed -c 1 - \
    ${layout#*:} -c 2 -t wav - > "$work/$name.wav" && compare "$name" "$work/$name.wav"
done
for name in s16 s24; do
  make_recording "open-length-ffff-$name" wav -b "${name#s}" -- pad 0 20 || continue
  open_length "$work/open-length-ffff-$name.wav" 40
  compare "open-length-ffff-$name" "$work/open-length-ffff-$name.wav"
done

# A FIFO whose writer sends a recording up to a little past the frame's end (where the same
# recording without its trailing silence ends, plus 16 KiB or half the silence's bytes), then holds the stream open for 20 s before the rest: the answer must come while it
# is held, the writer still waiting to send the rest.
held_open()
{
  local name=$1 ext=$2
  shift 2
  local silence=5 # seconds; compressed, 20, for half of it to be past the frame's last page
  [ "$ext" = wav ] || silence=20
  make_recording "held-$name-whole" "$ext" "$@" -- pad 0 $silence && make_recording "held-$name-frame" "$ext" "$@" || return
  local file="$work/held-$name-whole.$ext" size first start end ms out
  size=$(stat -c %s "$file")
  first=$(stat -c %s "$work/held-$name-frame.$ext")
  # Compressed, the silence takes little room: half-way to the end is past the frame's end.
  first=$((first + 16384 < (first + size) / 2 ? first + 16384 : (first + size) / 2))
  # The writer's own sleep goes with it, so that nothing holds the FIFO once it is killed.
  (
    trap 'kill $pause 2>/dev/null; exit' TERM
    head -c "$first" "$file"
    sleep 20 &
    pause=$!
    wait $pause
    tail -c +"$((first + 1))" "$file"
  ) > "$fifo" &
  writers+=($!)
  start=$(date +%s%N)
  out=$(timeout 30 "$tarvel" decode "$fifo" 2>&1 | sed -n 2p)
  end=$(date +%s%N)
  local held=no
  kill -0 "${writers[-1]}" 2>/dev/null && held=yes
  kill "${writers[-1]}" 2>/dev/null
  wait "${writers[-1]}" 2>/dev/null
  ms=$(((end - start) / 1000000))
  if [ "$out" = "CRC ok" ] && [ $held = yes ]; then
    pass "held-open-$name" "$first of $size bytes sent, answered in $ms ms while held"
  else
    fail "held-open-$name" "$first of $size bytes sent; after $ms ms: ${out:-no answer}"
  fi
}
held_open s16-mono wav -b 16
held_open s24-stereo-48k wav -b 24 -c 2 -r 48000
held_open f32-40ch wav -b 32 -e float -c 40
held_open ulaw-mono wav -e u-law
held_open flac-s24-stereo-48k flac -b 24 -c 2 -r 48000
held_open vorbis-mono ogg -b 16

echo "decode_streams: $cases cases, $failures failed"
[ "$failures" -eq 0 ]
