#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
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

# minimodem reads the bytes from stdin, so every command runs through `sh -c`, and the
# shell's own start-up is timed beside them and taken off (hyperfine's own correction is
# unreliable below 5 ms). The ratios compare wall time and CPU time (user + system).
ratios() { # CSV from hyperfine: command,mean,stddev,median,user,system,min,max
  awk -F, 'NR > 1 { mean[NR - 1] = $2; cpu[NR - 1] = $5 + $6 }
    END {
      printf "  tarvel wav %.2f ms wall, %.2f ms CPU; minimodem %.2f ms wall, %.2f ms CPU (shell taken off)\n",
        (mean[1] - mean[3]) * 1000, (cpu[1] - cpu[3]) * 1000, (mean[2] - mean[3]) * 1000, (cpu[2] - cpu[3]) * 1000
      printf "  ratio tarvel/minimodem: wall %.2f, CPU %.2f\n",
        (mean[1] - mean[3]) / (mean[2] - mean[3]), (cpu[1] - cpu[3]) / (cpu[2] - cpu[3])
    }' "$1"
}

if command -v hyperfine >/dev/null; then
  for mode in replace fresh; do
    prepare="true"
    if [ "$mode" = replace ]; then
      # Every send after the first: the files exist and are replaced (ours by a rename over
      # the old file, on which ext4 writes the new data out at once).
      echo "-- replacing existing files"
    else
      echo "-- into a folder without the files"
      prepare="rm -f $work/ours/_qq.wav $work/ours/9_fmsig.h $work/minimodem.wav"
    fi
    hyperfine -N --style basic --warmup 5 --min-runs 200 --prepare "$prepare" \
      --export-csv "$work/$mode.csv" \
      -n "tarvel wav" "sh -c '$ours'" -n "minimodem --tx 50 -R 16000" "sh -c '$theirs'" -n "sh alone" "sh -c :" |
      grep -E "^Benchmark|Time \(mean"
    ratios "$work/$mode.csv"
  done
else
  # Fallback: mean wall time over a loop, in microseconds, each through sh.
  runs=100
  timeit() {
    local start end
    start=$(date +%s%N)
    for _ in $(seq "$runs"); do sh -c "$1" >/dev/null; done
    end=$(date +%s%N)
    echo $(( (end - start) / runs / 1000 ))
  }
  a=$(timeit "$ours"); b=$(timeit "$theirs"); c=$(timeit ":")
  echo "tarvel wav: $((a - c)) us per run; minimodem: $((b - c)) us per run (shell taken off)"
  awk -v a="$((a - c))" -v b="$((b - c))" 'BEGIN { printf "ratio tarvel/minimodem = %.2f\n", a / b }'
fi
# What each wrote, for the record.
sh -c "$ours" >/dev/null && sh -c "$theirs"
ls -l "$work/ours/_qq.wav" "$work/minimodem.wav" | awk '{ print "  " $5 " bytes " $NF }'
