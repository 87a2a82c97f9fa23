#!/bin/sh
# make demo: synthesise the demo recording, plot it to demo.eps with the freshly built
# program and render demo.png from it; the same plot also goes to the metafile and to the
# screen device's picture. Run from the repository root; $1 is the build directory.
set -e
build=${1:-build}
"$build/tools/mkdemo" demo.wav
"$build/kavrel" -Pps -o demo.eps examples/demo.spc
gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=png16m -r100 -sOutputFile=demo.png demo.eps
"$build/kavrel" -Pemf -o demo.emf examples/demo.spc
"$build/kavrel" -o demo-screen.png examples/demo.spc
echo "wrote demo.wav, demo.eps, demo.png, demo.emf and demo-screen.png"
