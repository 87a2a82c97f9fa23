#!/bin/sh
# A corpus on a few machines reachable by ssh: GNU parallel starts one shard on each, every
# machine seeing corpus/ and plots/ at the same path (a shared file system). List the machines
# in hosts, one a line ("4/ name" lets parallel run four shards there; ":" is this machine).
# GNU parallel fills {} itself; kavrel-batch's fields ({dir}, {stem}) pass through untouched.
parallel --sshloginfile hosts --workdir . \
    kavrel-batch --shard {}/8 --manifest plots/manifest-{}.jsonl -o 'plots/{dir}/{stem}.pdf' corpus/ \
    ::: 0 1 2 3 4 5 6 7
