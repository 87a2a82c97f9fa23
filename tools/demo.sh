#!/bin/sh
# make demo: synthesise the demo recording, plot it to demo.eps with the freshly built
# program and render demo.png from it. Run from the repository root; $1 is the build dir.
set -e
build=${1:-build}
"$build/tools/mkdemo" demo.wav
"$build/kavrel" -Pps -o demo.eps examples/demo.spc
gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=png16m -r100 -sOutputFile=demo.png demo.eps
echo "wrote demo.wav, demo.eps and demo.png"
