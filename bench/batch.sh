#!/bin/sh
# kavrel-batch throughput and its per-recording cost beyond the plot. Makes a corpus of N
# recordings of 10 s (16 kHz, by sox) and times, best of three each:
#   -j 1 and -j 2 on the whole corpus (their ratio: how the workers scale on two processors);
#   the cost per recording beyond the runs themselves: the -j 1 time less the seconds the
#   manifest gives the runs (process start, search, output open and rename, manifest row);
#   the same corpus as a shell loop of kavrel, one process per recording.
# Usage: bench/batch.sh [BUILD_DIR [N [DEVICE_EXTENSION]]]   (defaults: build 100 eps)
set -e
dir=$(cd "${1:-build}" && pwd)
n=${2:-100}
ext=${3:-eps}
work=$(mktemp -d /tmp/kavrel-batchbench-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p c
i=0
while [ $i -lt "$n" ]; do
    sox -D -n -r 16000 -b 16 "c/r$i.wav" synth 10 sine $((200 + i * 7)) sine $((1500 + i)) 2>/dev/null
    i=$((i + 1))
done
now() { date +%s.%N; }
# best of three of a command, in seconds
best() {
    b=""
    for k in 1 2 3; do
        t0=$(now); "$@" >/dev/null 2>&1 || true; t1=$(now)
        b=$(echo "$t0 $t1 $b" | awk '{d = $2 - $1; if ($3 == "" || d < $3) d = d; else d = $3; print d}')
    done
    echo "$b"
}
j1=$(best "$dir/kavrel-batch" -j 1 --force -q -o "o/{stem}.$ext" --manifest m1.csv c)
j2=$(best "$dir/kavrel-batch" -j 2 --force -q -o "o/{stem}.$ext" --manifest m2.csv c)
loop=$(best sh -c "for f in c/*.wav; do '$dir/kavrel' -q -o o/x.$ext \$f || exit 1; done")
runs=$(awk -F, 'NR > 1 { s += $5 } END { print s }' m1.csv)
echo "corpus: $n recordings of 10 s at 16 kHz, output .$ext, $(nproc) processors"
awk -v n="$n" -v j1="$j1" -v j2="$j2" -v loop="$loop" -v runs="$runs" 'BEGIN {
    printf "-j 1: %.2f s (%.1f recordings/s)\n", j1, n / j1
    printf "-j 2: %.2f s (%.1f recordings/s), %.2f times -j 1\n", j2, n / j2, j1 / j2
    printf "runs alone (manifest, -j 1): %.2f s; beyond them: %.2f ms a recording\n", runs,
           (j1 - runs) * 1000 / n
    printf "shell loop of kavrel: %.2f s (%.2f ms a recording more than -j 1)\n", loop,
           (loop - j1) * 1000 / n
}'
