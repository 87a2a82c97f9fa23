#!/bin/sh
# A corpus on a cluster: a Slurm job array of 8 tasks, each plotting every 8th recording of
# the same sorted list on the processors Slurm gave it. Submit from the folder that holds
# corpus/:   sbatch examples/corpus-slurm.sh
# Outputs land in plots/ (a shared file system), one manifest per task; merge them with
#   cat plots/manifest-*.csv > manifest.csv   (only task 0's has the header line)
#SBATCH --job-name=kavrel-corpus
#SBATCH --array=0-7
#SBATCH --cpus-per-task=4
#SBATCH --time=02:00:00
#SBATCH --output=plots/slurm-%A_%a.log
set -e
mkdir -p plots
# -j defaults to the processors of this task (its affinity mask); a task that is run again
# after a cancel skips what is already plotted
exec kavrel-batch --shard "$SLURM_ARRAY_TASK_ID/$SLURM_ARRAY_TASK_COUNT" \
    --timeout 600 --manifest "plots/manifest-$SLURM_ARRAY_TASK_ID.csv" \
    -o 'plots/{dir}/{stem}.pdf' corpus/
