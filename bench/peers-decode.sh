#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `tarvel decode` against `minimodem --rx`: the time to read a 5 s recording at 48 kHz (each
# its own signal: ours, and minimodem's 50 bit/s FSK padded to the same length); frame
# success against SNR for both with the same noise, drawn into docs/decode-limits.png; and
# the false accepts of ours on noise alone and on clean frames with a broken CRC.
# Usage: bench/peers-decode.sh BUILD_FOLDER
# DECODE_TRIALS (default 200) sets the frames per SNR step; NOISE_ONLY (10000) and
# BROKEN_CRC (1000) the recordings for the false accepts.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
tarvel="$build/tarvel"
bench="$build/bench/decode_bench"
limits="$build/bench/decode_limits"
for tool in "$tarvel" "$bench" "$limits"; do
  [ -x "$tool" ] || { echo "peers-decode: $tool is not built" >&2; exit 1; }
done
for tool in minimodem sox; do
  command -v "$tool" >/dev/null || { echo "peers-decode: $tool is missing (scripts/install-deps)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bench" --write-recording "$work/ours.wav"
# 22 bytes at 50 bit/s (8-N-1) take 4.48 s with minimodem's carrier; padded to exactly 5 s.
head -c 22 /dev/urandom > "$work/payload.bin"
minimodem --tx 50 -R 48000 -f "$work/theirs-raw.wav" < "$work/payload.bin"
sox -V1 "$work/theirs-raw.wav" -b 16 "$work/theirs.wav" pad 0 1 trim 0 5
echo "-- reading 5 s at 48 kHz: ours $(soxi -D "$work/ours.wav") s, minimodem's $(soxi -D "$work/theirs.wav") s"
"$tarvel" decode "$work/ours.wav" | head -2
minimodem --rx 50 -R 48000 -q -f "$work/theirs.wav" | cmp -s - "$work/payload.bin" &&
  echo "minimodem reads its own payload back"

if command -v hyperfine >/dev/null; then
  hyperfine -N --style basic --warmup 5 --min-runs 100 --export-csv "$work/time.csv" \
    -n "tarvel decode" "$tarvel decode $work/ours.wav" \
    -n "minimodem --rx 50" "minimodem --rx 50 -R 48000 -q -f $work/theirs.wav" \
    -n "tarvel --help (process start)" "$tarvel --help" |
    grep -E "^Benchmark|Time \(mean"
  awk -F, 'NR > 1 { mean[NR - 1] = $2; cpu[NR - 1] = $5 + $6 }
    END {
      printf "  tarvel decode %.2f ms wall, %.2f ms CPU; minimodem --rx %.2f ms wall, %.2f ms CPU\n",
        mean[1] * 1000, cpu[1] * 1000, mean[2] * 1000, cpu[2] * 1000
      printf "  minimodem/tarvel: wall %.1f, CPU %.1f\n", mean[2] / mean[1], cpu[2] / cpu[1]
    }' "$work/time.csv"
else
  echo "peers-decode: hyperfine is missing (scripts/install-deps); no timing" >&2
fi

echo "-- frames right against SNR (% of ${DECODE_TRIALS:-200} each, seeded)"
"$limits" curve "${DECODE_TRIALS:-200}" | tee "$work/curve.txt"
if command -v gnuplot >/dev/null; then
  gnuplot -e "data='$work/curve.txt'; out='docs/decode-limits.png'" bench/decode-limits.gnuplot &&
    echo "drawn: docs/decode-limits.png"
else
  echo "peers-decode: gnuplot is missing (scripts/install-deps); no picture" >&2
fi

echo "-- false accepts"
"$limits" false-accepts "${NOISE_ONLY:-10000}" "${BROKEN_CRC:-1000}"
