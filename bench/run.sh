#!/bin/sh
# Runs every benchmark program built in the build directory $1 (default build-bench), one after
# the other; extra arguments go to each program. Fails when none is built or one fails.
# kavrel-batch's throughput on a corpus is bench/batch.sh (a script: it times processes).
dir=${1:-build-bench}
[ $# -gt 0 ] && shift
status=0
found=0
for prog in "$dir"/bench/*_bench; do
    [ -f "$prog" ] && [ -x "$prog" ] || continue
    found=1
    echo "== $(basename "$prog")"
    "$prog" "$@" || status=1
done
if [ "$found" = 0 ]; then
    echo "no benchmark programs in $dir/bench (configure with -DKAVREL_BENCH=ON)" >&2
    exit 1
fi
exit $status
