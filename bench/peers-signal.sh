#!/usr/bin/env bash
# The whole `tarvel wav` process against minimodem writing the same 16 bytes (the default
# frame) as a 16 kHz WAV file. Usage: bench/peers-signal.sh BUILD_FOLDER
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
tarvel="$build/tarvel"
[ -x "$tarvel" ] || { echo "peers-signal: $tarvel is not built" >&2; exit 1; }
command -v minimodem >/dev/null || { echo "peers-signal: minimodem is missing (scripts/install-deps)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/ours"
# The default frame, as `tarvel frame` prints it.
for byte in $("$tarvel" frame); do printf "\\x$byte"; done > "$work/frame.bin"
[ "$(wc -c < "$work/frame.bin")" -eq 16 ] || { echo "peers-signal: frame is not 16 bytes" >&2; exit 1; }

ours="$tarvel wav -C $work/ours"
theirs="minimodem --tx 50 -R 16000 -f $work/minimodem.wav < $work/frame.bin"

if command -v hyperfine >/dev/null; then
  # minimodem reads stdin, so both run through the shell; hyperfine subtracts its start-up.
  # First as every send after the first: the files exist and are replaced (ours by a
  # rename over the old file, which ext4 answers by writing the new data out at once).
  echo "-- replacing existing files"
  hyperfine --style basic --warmup 5 --min-runs 100 \
    -n "tarvel wav" "$ours" -n "minimodem --tx 50 -R 16000" "$theirs"
  echo "-- into a folder without the files"
  hyperfine --style basic --warmup 5 --min-runs 100 \
    --prepare "rm -f $work/ours/_qq.wav $work/ours/9_fmsig.h $work/minimodem.wav" \
    -n "tarvel wav" "$ours" -n "minimodem --tx 50 -R 16000" "$theirs"
else
  # Fallback: mean wall time over a loop, in microseconds.
  runs=50
  timeit() {
    local start end
    start=$(date +%s%N)
    for _ in $(seq "$runs"); do bash -c "$1" >/dev/null; done
    end=$(date +%s%N)
    echo $(( (end - start) / runs / 1000 ))
  }
  a=$(timeit "$ours"); b=$(timeit "$theirs")
  echo "tarvel wav: ${a} us per run; minimodem: ${b} us per run (each through bash)"
  awk -v a="$a" -v b="$b" 'BEGIN { printf "ratio tarvel/minimodem = %.2f\n", a / b }'
fi
ls -l "$work/ours/_qq.wav" "$work/minimodem.wav" | awk '{ print $5, $NF }'
