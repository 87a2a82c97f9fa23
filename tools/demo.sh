#!/bin/sh
# The main job: plot the demo parameter file with the freshly built program.
set -e
build=${1:-build}
"$build/kavrel" examples/demo.spc || true
