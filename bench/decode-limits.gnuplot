# Frame success against SNR, ours beside minimodem's, from `decode_limits curve` output.
# Usage: gnuplot -e "data='curve.txt'; out='docs/decode-limits.png'" bench/decode-limits.gnuplot
set terminal pngcairo size 800,500 font "DejaVu Sans,11"
set output out
set title "Frames read back right against SNR (white noise over the whole band, 16 kHz)"
set xlabel "SNR (signal power over noise power), dB"
set ylabel "frames right, %"
set xrange [-16.5:-5.5] reverse
set yrange [0:105]
set xtics 1
set ytics 10
set grid
set key right center
set arrow from -12, graph 0 to -12, graph 1 nohead dashtype 2 lc rgb "gray50"
set arrow from -14, graph 0 to -14, graph 1 nohead dashtype 2 lc rgb "gray50"
plot data using 1:2 with linespoints lw 2 pt 7 lc rgb "#1f77b4" title "tarvel decode", \
     data using 1:3 with linespoints lw 2 pt 5 lc rgb "#d62728" title "minimodem --rx 50 (its own 50 bit/s FSK)"
