#!/bin/sh
# make demo: synthesise the demo recording, plot it to demo.eps with the freshly built
# program and render demo.png from it; the same plot also goes to the metafile, to the
# screen device's picture and to PDF and SVG (chosen by the output name). Run from the repository root; $1 is the build directory.
set -e
build=${1:-build}
"$build/tools/mkdemo" demo.wav
"$build/kavrel" -Pps -o demo.eps examples/demo.spc
gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=png16m -r100 -sOutputFile=demo.png demo.eps
"$build/kavrel" -Pemf -o demo.emf examples/demo.spc
"$build/kavrel" -o demo-screen.png examples/demo.spc
"$build/kavrel" -o demo.pdf examples/demo.spc
"$build/kavrel" -o demo.svg examples/demo.spc
echo "wrote demo.wav, demo.eps, demo.png, demo.emf, demo-screen.png, demo.pdf and demo.svg"
